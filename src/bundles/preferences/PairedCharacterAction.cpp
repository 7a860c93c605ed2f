#include "bundles/preferences/PairedCharacterAction.h"

#include "afw/action/afActionInvoker.h"
#include "afw/action/afActionRegistry.h"
#include "afw/core/afApp.h"

#include <cwchar>

namespace tessel {

namespace {

afAction::RunOp runOf(PairedCharacterAction::Role role) {
    return [role](afActionHandler& handler, afActionEvent& event) {
        auto* pairs = dynamic_cast<PairedCharacterHandler*>(&handler);
        if (!pairs)
            return false;
        return role == PairedCharacterAction::INSERT ? pairs->insertPair(event) : pairs->closePair(event);
    };
}

} // namespace

std::wstring PairedCharacterAction::pairName(const std::wstring& selectorText, const PairedCharacter& pair) {
    wchar_t codes[16];
    std::swprintf(codes, sizeof codes / sizeof codes[0], L"%x%x", static_cast<unsigned>(pair.open),
                  static_cast<unsigned>(pair.close));
    std::wstring name = std::wstring(L"document.context.char_pair.") + (pair.block ? L"block." : L"") + codes;
    if (!selectorText.empty())
        name += L" " + selectorText;
    return name;
}

std::wstring PairedCharacterAction::triggerScope(const std::wstring& selectorText, const PairedCharacter& pair,
                                                 Role role) {
    if (role == INSERT || selectorText.empty())
        return selectorText;
    return selectorText + L", " + pairName(std::wstring(), pair);
}

PairedCharacterAction::PairedCharacterAction(afActionContext* handler, const std::wstring& selectorText,
                                             const PairedCharacter& pair, Role i_role)
    : afAction(ORIGIN, pairName(selectorText, pair).c_str(), PRESENTATION_ITEM, handler, runOf(i_role), nullptr,
               triggerScope(selectorText, pair, i_role).c_str()),
      open(pair.open), close(pair.close), block(pair.block), role(i_role) {
    setType(TYPE);
}

std::array<PairedCharacterAction*, 2> registerPairedCharacter(const std::wstring& selectorText,
                                                              const PairedCharacter& pair) {
    std::array<PairedCharacterAction*, 2> actions{};
    afActionRegistry* registry = afApp::getActionRegistry();
    if (!registry)
        return actions;
    afActionContext* editor = afFindOrCreateActionContext(L"Editor", registry);
    const wchar_t characters[2] = {pair.open, pair.close};
    const PairedCharacterAction::Role roles[2] = {PairedCharacterAction::INSERT, PairedCharacterAction::CLOSE};
    for (size_t i = 0; i < actions.size(); ++i) {
        actions[i] = new PairedCharacterAction(editor, selectorText, pair, roles[i]);
        afRegisterAction(registry, actions[i]);
        afAddCharTrigger(characters[i], afFindKeyInvoker(registry), actions[i]);
    }
    return actions;
}

} // namespace tessel
