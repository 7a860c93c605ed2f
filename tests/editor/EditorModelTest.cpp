// The editor against a model: random keys and characters, sent as messages through the
// application's loop to a soft-tab document, next to a plain-string model of the text, the
// selection, the remembered column, the clipboard and the undo history. After every step the
// text, the caret and the selected text must agree. Seeded (TESSEL_MODEL_SEED overrides), so a
// failure names the seed and the step that reproduce it.

#include "EditorKeyTestSupport.h"
#include "pel/base/CharacterProperties.h"
#include "pel/text/TextConversion.h"

#include <cstdlib>
#include <deque>
#include <gtest/gtest.h>
#include <random>
#include <sstream>

using namespace tessel_test;

namespace {

std::string utf8(const std::wstring& text) {
    std::string out;
    pel::toUtf8(text.c_str(), text.size(), out);
    return out;
}

// The text with its selection, by offsets.
struct State {
    std::wstring text;
    int32_t anchor = 0;
    int32_t caret = 0;
    // Whether the caret was last set as one the remembered column follows (horizontal moves
    // and edits, not vertical moves or Select All): restored by undo with the selection.
    bool tracked = true;
};

// One undo group: the states around it, and what the undo log's joining of typed characters
// needs of it (the offset of its single typed character, or -1).
struct UndoGroup {
    State before;
    State after;
    int32_t typedAt = -1;
};

class Model {
public:
    explicit Model(const std::wstring& text) { s.text = text; }

    State s;
    int32_t column = 0; // the remembered column
    std::wstring clipboard;
    std::vector<UndoGroup> undo;
    std::vector<UndoGroup> redo;

    // ---- lines
    int32_t lineOf(int32_t offset) const {
        return static_cast<int32_t>(std::count(s.text.begin(), s.text.begin() + offset, L'\n'));
    }
    int32_t lineCount() const { return lineOf(static_cast<int32_t>(s.text.size())) + 1; }
    int32_t lineStart(int32_t line) const {
        int32_t offset = 0;
        for (int32_t l = 0; l < line; ++l)
            offset = static_cast<int32_t>(s.text.find(L'\n', offset)) + 1;
        return offset;
    }
    int32_t lineLength(int32_t line) const {
        const size_t start = lineStart(line), end = s.text.find(L'\n', start);
        return static_cast<int32_t>((end == std::wstring::npos ? s.text.size() : end) - start);
    }
    std::wstring line(int32_t l) const { return s.text.substr(lineStart(l), lineLength(l)); }
    int32_t columnOf(int32_t offset) const { return offset - lineStart(lineOf(offset)); }
    int32_t end() const { return static_cast<int32_t>(s.text.size()); }
    int32_t from() const { return std::min(s.anchor, s.caret); }
    int32_t to() const { return std::max(s.anchor, s.caret); }
    bool selected() const { return s.anchor != s.caret; }
    std::wstring selectedText() const { return s.text.substr(from(), to() - from()); }

    // ---- the layout's stops: a word stop wherever the class (word, space, other) changes, and
    // at every character of the other class
    static uint32_t classOf(wchar_t c) { return pel::getCharacterProperties(c) & 0x88; }
    static bool isStop(const std::wstring& text, int32_t i) {
        return i == 0 || !(classOf(text[i]) && classOf(text[i - 1]) && classOf(text[i]) == classOf(text[i - 1]));
    }
    int32_t charRight(int32_t at) const {
        const int32_t l = lineOf(at);
        return columnOf(at) < lineLength(l) || l + 1 < lineCount() ? at + 1 : at;
    }
    int32_t charLeft(int32_t at) const { return at > 0 ? at - 1 : 0; }
    int32_t wordRight(int32_t at) const {
        const int32_t l = lineOf(at), c = columnOf(at), length = lineLength(l);
        if (c >= length)
            return l + 1 < lineCount() ? at + 1 : end();
        const std::wstring text = line(l);
        int32_t i = c + 1;
        while (i < length && !isStop(text, i))
            ++i;
        return lineStart(l) + i;
    }
    int32_t wordLeft(int32_t at) const {
        const int32_t l = lineOf(at), c = columnOf(at);
        if (c == 0)
            return at > 0 ? at - 1 : 0;
        const std::wstring text = line(l);
        int32_t i = c - 1;
        while (i > 0 && !isStop(text, i))
            --i;
        return lineStart(l) + i;
    }
    int32_t home(int32_t at) const {
        const int32_t l = lineOf(at), c = columnOf(at);
        const std::wstring text = line(l);
        int32_t first = 0;
        while (first < static_cast<int32_t>(text.size()) && text[first] == L' ')
            ++first;
        return lineStart(l) + (c == first ? 0 : first);
    }
    int32_t lineEnd(int32_t at) const {
        const int32_t l = lineOf(at), c = columnOf(at), length = lineLength(l);
        const std::wstring text = line(l);
        int32_t trimmed = length;
        while (trimmed > 0 && text[trimmed - 1] == L' ')
            --trimmed;
        return lineStart(l) + (c == length ? trimmed : c < trimmed ? trimmed : length);
    }
    int32_t vertical(int32_t at, int rows) const {
        const int32_t l = lineOf(at) + rows;
        if (l < 0)
            return 0;
        if (l >= lineCount())
            return end();
        return lineStart(l) + std::min(column, lineLength(l));
    }
    // The word-character run touching the offset, as the case commands take it.
    void wordAround(int32_t at, int32_t* o_from, int32_t* o_to) const {
        auto word = [](wchar_t c) { return (pel::getCharacterProperties(c) & pel::CHARACTER_WORD) != 0; };
        const int32_t start = lineStart(lineOf(at)), stop = start + lineLength(lineOf(at));
        *o_from = *o_to = at;
        while (*o_from > start && word(s.text[*o_from - 1]))
            --*o_from;
        while (*o_to < stop && word(s.text[*o_to]))
            ++*o_to;
    }

    // ---- selection changes
    void moveTo(int32_t at, bool extend, bool horizontal) {
        s.caret = at;
        if (!extend)
            s.anchor = at;
        s.tracked = horizontal;
        if (horizontal)
            column = columnOf(at);
    }

    // ---- edits: each step that changes the text is one undo group, typed characters at
    // consecutive offsets joining the group before them
    void begin() {
        m_before = s;
        m_typedAt = -1;
        m_other = m_edited = false;
        m_joins = m_lastInsertTyped;
    }
    // typing: a single character put in counts as typed (a case change puts its text in as
    // the span's, which never does).
    void replace(int32_t a, int32_t b, const std::wstring& text, bool typing = true) {
        m_edited = m_edited || a < b || !text.empty();
        s.text.replace(a, b - a, text);
        if (text.empty())
            return;
        m_lastInsertTyped = typing && text.size() == 1 && text[0] >= L' ';
        if (m_lastInsertTyped)
            m_typedAt = m_other ? -1 : a;
        else
            m_other = true, m_typedAt = -1;
    }
    // What is typed after an undo or a redo starts a group of its own.
    void afterUndo() { m_lastInsertTyped = false; }
    // A step that replaced text is a group even when the text reads the same again (a
    // character typed over itself, two equal lines swapped).
    void commit() {
        if (!m_edited)
            return;
        redo.clear();
        const bool joins = m_joins && m_typedAt > 0 && !undo.empty() && undo.back().typedAt >= 0;
        if (joins && undo.back().typedAt + 1 == m_typedAt) {
            undo.back().after = s;
            undo.back().typedAt = m_typedAt;
            return;
        }
        undo.push_back({m_before, s, m_typedAt});
    }

private:
    State m_before;
    int32_t m_typedAt = -1;
    bool m_other = false;
    bool m_edited = false;
    // Whether the last insertion the log recorded was a typed character (undo and redo record
    // none): only then may the next typed character join the group before it.
    bool m_lastInsertTyped = false;
    bool m_joins = false;
};

class EditorModelTest : public EditorKeyTest {
protected:
    void typeCharacter(wchar_t c) { typeKeys(std::wstring(1, c)); }
    std::wstring selectedText() {
        std::wstring selected;
        controller->getSelectedText(controller->getSelection().getRanges(), &selected);
        return selected;
    }
};

TEST_F(EditorModelTest, RandomStepsAgreeWithAPlainStringModel) {
    const char* given = std::getenv("TESSEL_MODEL_SEED");
    const uint32_t seed = given ? static_cast<uint32_t>(std::strtoul(given, nullptr, 10)) : 5301;
    const int steps = 3000;
    std::mt19937 random(seed);
    const std::wstring start = L"alpha beta\n    gamma.delta(x)\n\nepsilon, zeta";
    attach(start);
    controller->setIndentation(4, true);
    // The model's clipboard starts empty, as the system's then does.
    ASSERT_TRUE(::OpenClipboard(nullptr));
    ::EmptyClipboard();
    ::CloseClipboard();
    Model m(start);
    const std::wstring characters = L"abcXYZ019 _.,;-";
    std::deque<std::string> history;

    for (int step = 0; step < steps; ++step) {
        const int kind = static_cast<int>(random() % 30);
        std::ostringstream name;
        m.begin();
        if (kind < 9) {
            const wchar_t c = kind == 8 ? L'\r' : characters[random() % characters.size()];
            name << "type " << (c == L'\r' ? std::string("CR") : std::string(1, static_cast<char>(c)));
            typeCharacter(c);
            if (c != L'\r') {
                m.replace(m.from(), m.to(), std::wstring(1, c));
                m.moveTo(m.from() + 1, false, true);
            }
        } else if (kind < 11) {
            const bool back = kind == 9, word = random() % 2 == 0;
            name << (word ? "Ctrl+" : "") << (back ? "Backspace" : "Del");
            press(back ? VK_BACK : VK_DELETE, word ? std::vector<int>{VK_CONTROL} : std::vector<int>{});
            int32_t a = m.from(), b = m.to();
            if (!m.selected()) {
                const int32_t target = back ? (word ? m.wordLeft(m.s.caret) : m.charLeft(m.s.caret))
                                            : (word ? m.wordRight(m.s.caret) : m.charRight(m.s.caret));
                a = std::min(target, m.s.caret);
                b = std::max(target, m.s.caret);
            }
            if (a < b) {
                m.replace(a, b, L"");
                m.moveTo(a, false, true);
            }
        } else if (kind == 11) {
            name << "Enter";
            press(VK_RETURN);
            const int32_t l = m.lineOf(m.s.caret);
            const std::wstring before = m.line(l).substr(0, m.columnOf(m.s.caret));
            int32_t width = -1;
            for (int32_t at = l; width < 0 && at >= 0; --at) {
                const std::wstring text = at == l ? before : m.line(at);
                if (text.find_first_not_of(L' ') != std::wstring::npos)
                    width = static_cast<int32_t>(m.line(at).find_first_not_of(L' '));
            }
            const std::wstring inserted = L"\n" + std::wstring(std::max(width, 0), L' ');
            const int32_t a = m.from();
            m.replace(a, m.to(), inserted);
            m.moveTo(a + static_cast<int32_t>(inserted.size()), false, true);
        } else if (kind < 22) {
            struct Move {
                const char* name;
                int key;
                bool ctrl;
            } moves[] = {{"Left", VK_LEFT, false}, {"Right", VK_RIGHT, false}, {"Up", VK_UP, false},
                         {"Down", VK_DOWN, false}, {"Home", VK_HOME, false}, {"End", VK_END, false},
                         {"Ctrl+Home", VK_HOME, true}, {"Ctrl+End", VK_END, true}};
            const Move& move = moves[random() % 8];
            const bool shift = random() % 3 == 0;
            name << (shift ? "Shift+" : "") << move.name;
            std::vector<int> modifiers;
            if (move.ctrl)
                modifiers.push_back(VK_CONTROL);
            if (shift)
                modifiers.push_back(VK_SHIFT);
            press(move.key, modifiers);
            const bool vertical = move.key == VK_UP || move.key == VK_DOWN;
            int32_t from = m.s.caret;
            bool collapseOnly = false;
            if (!shift && !move.ctrl && m.selected()) {
                // A plain move collapses the selection first; Left and Right stop there.
                const bool forward = move.key == VK_RIGHT || move.key == VK_DOWN || move.key == VK_END;
                from = forward ? m.to() : m.from();
                m.moveTo(from, false, true);
                collapseOnly = move.key == VK_LEFT || move.key == VK_RIGHT;
            }
            int32_t target = from;
            switch (collapseOnly ? 0 : move.key) {
            case VK_LEFT: target = m.charLeft(from); break;
            case VK_RIGHT: target = m.charRight(from); break;
            case VK_UP: target = m.vertical(from, -1); break;
            case VK_DOWN: target = m.vertical(from, 1); break;
            case VK_HOME: target = move.ctrl ? 0 : m.home(from); break;
            case VK_END: target = move.ctrl ? m.end() : m.lineEnd(from); break;
            default: break;
            }
            m.moveTo(target, shift, !vertical);
            // A collapse refreshes the column but leaves the selection's caret untracked: an
            // undo back to it keeps the column.
            if (collapseOnly)
                m.s.tracked = false;
        } else if (kind == 22) {
            name << "Ctrl+A";
            press('A', {VK_CONTROL});
            m.s.anchor = 0;
            m.s.caret = m.end();
            m.s.tracked = false;
        } else if (kind == 23) {
            const int which = static_cast<int>(random() % 3);
            name << (which == 0 ? "Ctrl+C" : which == 1 ? "Ctrl+X" : "Shift+Del");
            if (which == 2)
                press(VK_DELETE, {VK_SHIFT});
            else
                press(which == 0 ? 'C' : 'X', {VK_CONTROL});
            if (which == 2 && !m.selected()) {
                const int32_t l = m.lineOf(m.s.caret), a = m.lineStart(l);
                const int32_t b = std::min(a + m.lineLength(l) + 1, m.end());
                m.s.anchor = a;
                m.s.caret = b;
            }
            if (m.selected()) {
                m.clipboard = m.selectedText();
                if (which != 0) {
                    const int32_t a = m.from();
                    m.replace(a, m.to(), L"");
                    m.moveTo(a, false, true);
                }
            }
        } else if (kind == 24) {
            name << "Ctrl+V";
            press('V', {VK_CONTROL});
            if (!m.clipboard.empty()) {
                const int32_t a = m.from();
                m.replace(a, m.to(), m.clipboard);
                m.moveTo(a + static_cast<int32_t>(m.clipboard.size()), false, true);
            }
        } else if (kind < 27) {
            const bool isUndo = kind == 25;
            name << (isUndo ? "Ctrl+Z" : "Ctrl+Y");
            press(isUndo ? 'Z' : 'Y', {VK_CONTROL});
            std::vector<UndoGroup>& from = isUndo ? m.undo : m.redo;
            if (!from.empty()) {
                const UndoGroup group = from.back();
                from.pop_back();
                (isUndo ? m.redo : m.undo).push_back(group);
                m.s = isUndo ? group.before : group.after;
                m.afterUndo();
                if (m.s.tracked)
                    m.column = m.columnOf(m.s.caret);
            }
        } else if (kind == 27) {
            name << "Ctrl+U";
            press('U', {VK_CONTROL});
            int32_t a = m.from(), b = m.to();
            if (!m.selected()) {
                m.wordAround(m.s.caret, &a, &b);
                if (a == b) {
                    const int32_t l = m.lineOf(m.s.caret);
                    const std::wstring text = m.line(l);
                    const size_t first = text.find_first_not_of(L' '), last = text.find_last_not_of(L' ');
                    a = b = m.s.caret;
                    if (first != std::wstring::npos) {
                        a = m.lineStart(l) + static_cast<int32_t>(first);
                        b = m.lineStart(l) + static_cast<int32_t>(last) + 1;
                    }
                }
                if (a != b)
                    m.s.anchor = a, m.s.caret = b;
            }
            if (a != b)
                m.column = m.columnOf(m.s.caret), m.s.tracked = true;
            std::wstring upper = m.s.text.substr(a, b - a);
            for (wchar_t& c : upper)
                c = static_cast<wchar_t>(towupper(c));
            if (upper != m.s.text.substr(a, b - a))
                m.replace(a, b, upper, false);
        } else {
            const int which = static_cast<int>(random() % 3);
            const int key = which == 0 ? 'D' : which == 1 ? VK_UP : VK_DOWN;
            name << "Ctrl+Shift+" << (which == 0 ? "D" : which == 1 ? "Up" : "Down");
            press(key, {VK_CONTROL, VK_SHIFT});
            // The lines the selection touches (one that ends at a line's start does not).
            const int32_t first = m.lineOf(m.from());
            int32_t last = m.lineOf(m.to());
            if (m.selected() && last > first && m.columnOf(m.to()) == 0)
                --last;
            std::vector<std::wstring> lines;
            for (int32_t l = 0; l < m.lineCount(); ++l)
                lines.push_back(m.line(l));
            int32_t top = first, bottom = last;
            bool moved = true;
            if (which == 0) {
                const std::vector<std::wstring> block(lines.begin() + first, lines.begin() + last + 1);
                lines.insert(lines.begin() + last + 1, block.begin(), block.end());
                top = last + 1;
                bottom = last + 1 + (last - first);
            } else if (which == 1 && first > 0) {
                std::rotate(lines.begin() + first - 1, lines.begin() + first, lines.begin() + last + 1);
                --top, --bottom;
            } else if (which == 2 && last + 1 < static_cast<int32_t>(lines.size())) {
                std::rotate(lines.begin() + first, lines.begin() + last + 1, lines.begin() + last + 2);
                ++top, ++bottom;
            } else {
                moved = false; // nothing moves past either end
            }
            std::wstring joined;
            for (size_t l = 0; l < lines.size(); ++l)
                joined += (l ? L"\n" : L"") + lines[l];
            if (moved)
                m.replace(0, m.end(), joined);
            const int32_t a = m.lineStart(top);
            const int32_t b = bottom + 1 < m.lineCount() ? m.lineStart(bottom + 1) : m.end();
            m.s.anchor = which == 1 ? b : a;
            m.s.caret = which == 1 ? a : b;
            m.column = m.columnOf(m.s.caret);
            m.s.tracked = true;
        }
        if (kind != 25 && kind != 26)
            m.commit();
        // The last steps with the model's text and selection after each, for the failure.
        history.push_back(name.str() + " => \"" + utf8(m.s.text) + "\"@" + std::to_string(m.s.anchor) + "-" +
                          std::to_string(m.s.caret));
        if (history.size() > 12)
            history.pop_front();
        if (text() != m.s.text || controller->getCaretOffset() != m.s.caret || selectedText() != m.selectedText()) {
            std::ostringstream last;
            for (const std::string& earlier : history)
                last << " " << earlier << ";";
            ADD_FAILURE() << "seed " << seed << ", step " << step << " (" << name.str()
                          << "), the last steps:" << last.str()
                          << "\n  text  editor \"" << utf8(text()) << "\"\n        model  \"" << utf8(m.s.text)
                          << "\"\n  caret editor " << controller->getCaretOffset() << ", model " << m.s.caret
                          << "\n  selected editor \"" << utf8(selectedText()) << "\", model \""
                          << utf8(m.selectedText()) << "\"";
            return;
        }
    }
}

} // namespace
