#include "editor/EditorCaret.h"

#include "editor/Editor.h"

namespace tessel {

void EditorCaret::create() {
    ::CreateCaret(m_editor.getHandle(), nullptr, m_width, m_height);
    m_created = m_changed = true;
}

void EditorCaret::destroy() {
    ::DestroyCaret();
    m_shown = false;
    m_created = false;
    m_changed = true;
}

void EditorCaret::setFocused(bool focused) {
    if (focused == m_created)
        return;
    if (focused)
        create();
    else
        destroy();
}

void EditorCaret::recreate() {
    if (m_created)
        destroy();
    create();
}

void EditorCaret::setPosition(const TextPosition& position, bool trackX) {
    if (!m_position.sameAs(position))
        m_changed = true;
    m_position = position;
    m_trackX = trackX;
}

void EditorCaret::update() {
    if (m_created) {
        POINT point;
        if (m_editor.positionPoint(m_position, &point)) {
            POINT now;
            if (!::GetCaretPos(&now) || now.x != point.x || now.y != point.y)
                ::SetCaretPos(point.x, point.y);
            if (!m_shown) {
                ::ShowCaret(m_editor.getHandle());
                m_shown = true;
            }
        } else if (m_shown) {
            ::HideCaret(m_editor.getHandle());
            m_shown = false;
        }
    }
    if (m_trackX)
        m_rememberedX = m_editor.positionToPoint(m_position, true, nullptr);
}

} // namespace tessel
