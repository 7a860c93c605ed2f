#include "editor/EditorStatusController.h"

#include "afw/layout/afLayout.h"
#include "afw/menu/afMenu.h"
#include "components/ViewVirtualButton.h"
#include "editor/EditorBundles.h"
#include "service/bundles/grammar/GrammarBundleItem.h"
#include "service/document/DocumentManager.h"
#include "service/document/controller/DocumentControllerManager.h"
#include "service/document/controller/Selection.h"
#include "service/document/io/DocumentEncoding.h"

#include <algorithm>

namespace tessel {

namespace {

const wchar_t EMPTY[] = L"---";

// The buttons in the strip's order: label, first text, the room kept (for five digits, so that
// the strip does not move with the caret) and popup.
const struct {
    const wchar_t* label;
    const wchar_t* text;
    const wchar_t* room;
    void (EditorStatusController::*show)(ViewVirtualButton*);
} BUTTON_ROWS[EditorStatusController::BUTTONS] = {
    {L"Line:  ", L"1", L"00000", nullptr},
    {L"Char:  ", L"1", L"00000", nullptr},
    {L"Language:  ", EMPTY, L"", &EditorStatusController::showLanguageMenu},
    {L"", EMPTY, L"", &EditorStatusController::showEncodingMenu},
    {L"", EMPTY, L"", &EditorStatusController::showLineEndingMenu},
    {L"", EMPTY, L"", &EditorStatusController::showIndentationMenu},
};

const uint32_t MENU_ENCODINGS[] = {pel::ENCODING_UTF8, pel::ENCODING_UTF16LE, pel::ENCODING_UTF16BE,
                                   pel::ENCODING_ANSI, pel::ENCODING_UTF8_PLAIN};
const uint32_t MENU_LINE_ENDINGS[] = {0, 2, 1};
const int MENU_WIDTHS[] = {2, 3, 4, 8};

afMenuItem* addLine(afMenu& menu, const std::wstring& title, bool checked) {
    afMenuItem* item = menu.addItem(new afMenuItem(title));
    item->setCheckMark(checked);
    return item;
}

// The index of the chosen line among the menu's lines, -1 for none.
int indexOf(const afMenu& menu, const afMenuNode* chosen) {
    const std::vector<afMenuNode*>& lines = menu.getChildren();
    const auto found = std::find(lines.begin(), lines.end(), chosen);
    return chosen && found != lines.end() ? static_cast<int>(found - lines.begin()) : -1;
}

} // namespace

EditorStatusController::EditorStatusController(afLayout* strip) : m_strip(strip) {}

EditorStatusController::~EditorStatusController() { unsubscribe(); }

void EditorStatusController::setEditor(Editor* editor) {
    if (editor == m_editor)
        return;
    unsubscribe();
    m_editor = editor;
    if (editor) {
        editor->caretMoved().add(this, [this](Editor&, const TextPosition& caret) { onCaretMoved(caret); });
        editor->formatChanged().add(
            this, [this](Editor&, const DocumentController::Format& format) { onFormatChanged(format); });
        editor->languageChanged().add(this,
                                      [this](Editor&, const std::wstring& grammar) { onLanguageChanged(grammar); });
    }
    const bool wasBuilt = m_built;
    rebuild(editor != nullptr);
    // A strip kept from the previous editor shows the new one's state at once.
    if (wasBuilt && editor)
        refresh();
}

void EditorStatusController::refresh() {
    if (!m_built)
        return;
    if (DocumentController* c = controller()) {
        onCaretMoved(c->getSelection().getCaret());
        onFormatChanged(c->getFormat());
        onLanguageChanged(c->getGrammarName());
        return;
    }
    for (int i = 0; i < BUTTONS; ++i)
        m_buttons[i]->setText(BUTTON_ROWS[i].text);
}

void EditorStatusController::unsubscribe() {
    if (!m_editor)
        return;
    m_editor->caretMoved().remove(this);
    m_editor->formatChanged().remove(this);
    m_editor->languageChanged().remove(this);
    m_editor = nullptr;
}

void EditorStatusController::rebuild(bool show) {
    if (!m_strip)
        return;
    if (show && !m_built) {
        emptyStrip();
        m_strip->setName(L"tool_strip");
        for (int i = 0; i < BUTTONS; ++i) {
            auto* button = new ViewVirtualButton(m_strip->getHost());
            button->setLabel(BUTTON_ROWS[i].label);
            button->setText(BUTTON_ROWS[i].text);
            button->setRoomFor(BUTTON_ROWS[i].room);
            button->setClickHandler(
                ViewVirtualButton::ClickHandler::bind<EditorStatusController, &EditorStatusController::onClick>(this));
            m_strip->addChild(button, -2, -2);
            m_buttons[i] = button;
        }
        m_built = true;
        refresh();
    } else if (!show && m_built) {
        emptyStrip();
        std::fill(std::begin(m_buttons), std::end(m_buttons), nullptr);
        m_built = false;
    }
}

void EditorStatusController::onClick(ViewVirtualButton* button) {
    for (int i = 0; i < BUTTONS; ++i)
        if (m_buttons[i] == button && BUTTON_ROWS[i].show)
            (this->*BUTTON_ROWS[i].show)(button);
}

void EditorStatusController::emptyStrip() {
    while (m_strip->getChildCount() > 0) {
        afView* child = m_strip->getChildAt(m_strip->getChildCount() - 1);
        m_strip->removeView(child);
        delete child;
    }
}

void EditorStatusController::onCaretMoved(const TextPosition& caret) {
    if (!m_built)
        return;
    m_buttons[LINE]->setText(std::to_wstring(caret.line + 1));
    // Characters as the caret steps over them: an emoji or a letter with its marks counts one.
    int32_t column = caret.lineOffset;
    if (DocumentController* c = controller()) {
        DocumentController::Lock lock(*c, DocumentController::LOCK_READ);
        column = c->getCharacterColumn(caret);
    }
    m_buttons[CHAR]->setText(std::to_wstring(column + 1));
}

std::wstring EditorStatusController::lineEndingTitle(uint32_t kind) {
    switch (kind) {
    case 0:
        return L"CR+LF";
    case 1:
        return L"LF";
    case 2:
        return L"CR";
    default:
        return std::wstring();
    }
}

std::wstring EditorStatusController::indentationTitle(const pel::Indentation& indentation) {
    return (indentation.soft ? L"Spaces (" : L"Tabs (") + std::to_wstring(indentation.size) + L")";
}

void EditorStatusController::onFormatChanged(const DocumentController::Format& format) {
    if (!m_built)
        return;
    m_buttons[ENCODING]->setText(encoding_title(format.encoding));
    const std::wstring ending = lineEndingTitle(format.lineEnding);
    if (!ending.empty())
        m_buttons[LINE_ENDING]->setText(ending);
    m_buttons[INDENTATION]->setText(indentationTitle(format.indentation));
}

void EditorStatusController::onLanguageChanged(const std::wstring& grammarName) {
    if (m_built)
        m_buttons[LANGUAGE]->setText(languageTitle(grammarName));
}

afMenuNode* EditorStatusController::runMenu(afMenu& menu, ViewVirtualButton* button) {
    return button ? button->trackMenu(menu) : nullptr;
}

void EditorStatusController::showLanguageMenu(ViewVirtualButton* button) {
    DocumentController* c = controller();
    EditorBundles* bundles = getEditorBundles();
    std::unique_ptr<afMenu> menu = afMenu::createPopup(L"Language");
    if (!c || !bundles || !menu)
        return;
    std::vector<GrammarBundleItemManager::Language> languages;
    bundles->getLanguageList(languages);
    for (const GrammarBundleItemManager::Language& language : languages) {
        if (language.hidden || !language.action)
            continue;
        afMenuItem* item = menu->addItem(new afActionMenuItem(language.title, language.action));
        item->setCheckMark(language.grammar && language.grammar->getName() == c->getGrammarName());
    }
    if (afMenuNode* chosen = runMenu(*menu, button))
        if (auto* item = dynamic_cast<afMenuItem*>(chosen))
            item->execute(nullptr);
}

void EditorStatusController::showEncodingMenu(ViewVirtualButton* button) {
    DocumentController* c = controller();
    std::unique_ptr<afMenu> menu = afMenu::createPopup(L"Encoding");
    if (!c || !menu)
        return;
    std::vector<uint32_t> codes;
    for (uint32_t code : bom_encoding_order())
        if (std::find(std::begin(MENU_ENCODINGS), std::end(MENU_ENCODINGS), code) != std::end(MENU_ENCODINGS)) {
            codes.push_back(code);
            addLine(*menu, encoding_title(code), code == c->getFormat().encoding);
        }
    const int chosen = indexOf(*menu, runMenu(*menu, button));
    if (chosen < 0 || !(c = controller()))
        return;
    c->getOwner().getDocumentManager().setDefaultEncoding(codes[chosen]);
    c->setEncoding(codes[chosen]);
}

void EditorStatusController::showLineEndingMenu(ViewVirtualButton* button) {
    DocumentController* c = controller();
    std::unique_ptr<afMenu> menu = afMenu::createPopup(L"Line Ending");
    if (!c || !menu)
        return;
    for (uint32_t kind : MENU_LINE_ENDINGS)
        addLine(*menu, lineEndingTitle(kind), kind == c->getFormat().lineEnding);
    const int chosen = indexOf(*menu, runMenu(*menu, button));
    if (chosen < 0 || !(c = controller()))
        return;
    c->setLineEnding(MENU_LINE_ENDINGS[chosen]);
    c->getOwner().getDocumentManager().setDefaultLineEnding(MENU_LINE_ENDINGS[chosen]);
}

void EditorStatusController::showIndentationMenu(ViewVirtualButton* button) {
    DocumentController* c = controller();
    std::unique_ptr<afMenu> menu = afMenu::createPopup(L"Indentation");
    if (!c || !menu)
        return;
    const pel::Indentation& now = c->getFormat().indentation;
    for (int width : MENU_WIDTHS)
        addLine(*menu, std::to_wstring(width), width == now.size);
    addLine(*menu, L"Use Spaces (Soft Tabs)", now.soft != 0);
    const int chosen = indexOf(*menu, runMenu(*menu, button));
    if (chosen < 0 || !(c = controller()))
        return;
    pel::Indentation indentation = c->getFormat().indentation;
    const int widths = static_cast<int>(sizeof MENU_WIDTHS / sizeof MENU_WIDTHS[0]);
    if (chosen < widths)
        indentation.set(MENU_WIDTHS[chosen], indentation.soft);
    else
        indentation.set(indentation.size, indentation.soft ? 0 : 1);
    c->setIndentation(indentation.size, indentation.soft != 0);
    c->getOwner().getDocumentManager().setDefaultIndentation(indentation.soft != 0, indentation.size);
}

} // namespace tessel
