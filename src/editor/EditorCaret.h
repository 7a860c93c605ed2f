#pragma once
// The editor's view of the caret: the position last applied, the x that vertical moves aim
// for, and the system caret that shows it while the editor has the focus.

#include "service/document/controller/TextPosition.h"

#include <cstdint>

namespace tessel {

class Editor;

class EditorCaret {
public:
    explicit EditorCaret(Editor& editor) : m_editor(editor) {}
    virtual ~EditorCaret() = default;
    EditorCaret(const EditorCaret&) = delete;
    EditorCaret& operator=(const EditorCaret&) = delete;

    // Creates (true) or destroys (false) the system caret when that changes anything.
    void setFocused(bool focused);
    // A system caret of the current size in place of the old one (after a size change).
    void recreate();
    void setPosition(const TextPosition& position, bool trackX);
    // Moves and shows the system caret (hidden when its point lies outside the client), then
    // takes the remembered x when asked to.
    void update();
    void clearFlags() { m_changed = m_trackX = false; }
    void setHeight(int32_t height) { m_height = height; }

    const TextPosition& getPosition() const { return m_position; }
    int32_t getRememberedX() const { return m_rememberedX; }
    void setRememberedX(int32_t x) { m_rememberedX = x; }
    int32_t getWidth() const { return m_width; }
    int32_t getHeight() const { return m_height; }
    bool isChanged() const { return m_changed; }
    bool isShown() const { return m_shown; }
    bool isCreated() const { return m_created; }

private:
    void create();
    void destroy();

    Editor& m_editor;
    TextPosition m_position;
    bool m_trackX = false;
    int32_t m_rememberedX = 0;
    bool m_changed = false;
    bool m_shown = false;
    bool m_created = false;
    int32_t m_height = 16;
    int32_t m_width = 1;
};

} // namespace tessel
