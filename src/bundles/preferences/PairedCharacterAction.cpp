#include "bundles/preferences/PairedCharacterAction.h"

#include "afw/afActionInvoker.h"
#include "afw/afActionRegistry.h"
#include "afw/afApp.h"

#include <cwchar>

namespace tessel {

std::wstring PairedCharacterAction::pairName(const std::wstring& selectorText, const PairedCharacter& pair) {
    wchar_t codes[16];
    std::swprintf(codes, sizeof codes / sizeof codes[0], L"%x%x", static_cast<unsigned>(pair.open),
                  static_cast<unsigned>(pair.close));
    std::wstring name = std::wstring(L"document.context.char_pair.") + (pair.block ? L"block." : L"") + codes;
    if (!selectorText.empty())
        name += L" " + selectorText;
    return name;
}

PairedCharacterAction::PairedCharacterAction(afActionContext* handler, const std::wstring& selectorText,
                                             const PairedCharacter& pair)
    : afAction(ORIGIN, pairName(selectorText, pair).c_str(), PRESENTATION_PLAIN, handler, nullptr, nullptr,
               selectorText.c_str()),
      open(pair.open), close(pair.close), block(pair.block) {}

std::array<PairedCharacterAction*, 2> registerPairedCharacter(const std::wstring& selectorText,
                                                              const PairedCharacter& pair) {
    std::array<PairedCharacterAction*, 2> actions{};
    afActionRegistry* registry = afApp::getActionRegistry();
    if (!registry)
        return actions;
    afActionContext* editor = afFindOrCreateActionContext(L"Editor", registry);
    const wchar_t characters[2] = {pair.open, pair.close};
    for (size_t i = 0; i < actions.size(); ++i) {
        actions[i] = new PairedCharacterAction(editor, selectorText, pair);
        afRegisterAction(registry, actions[i]);
        afAddCharTrigger(characters[i], afFindKeyInvoker(registry), actions[i]);
    }
    return actions;
}

} // namespace tessel
