#pragma once
// The typed-character actions of a character pair of the scope preferences: one fires on the
// opening character, one on the closing character, each only where the caret's scope matches
// the preference's selector. Registered in the editor's handler slot "Editor", whose handler
// (the editor view) inserts and steps over the pair; until it serves, they run nothing.

#include "afw/afAction.h"
#include "service/bundles/preferences/ScopePreferencesBundleItem.h"

#include <array>
#include <string>

namespace tessel {

class PairedCharacterAction : public afAction {
public:
    // The event type code handlers check before taking an action for a PairedCharacterAction.
    static constexpr uint32_t TYPE = 0x0F52381C;
    // Its trigger kind: a typed character.
    static constexpr uint32_t ORIGIN = 2;

    // The action id: "document.context.char_pair.", "block." for a block pair, the two
    // characters' codes in lower-case hexadecimal, then a blank and the selector when one is
    // given. Also the name of the span context that marks an inserted pair.
    static std::wstring pairName(const std::wstring& selectorText, const PairedCharacter& pair);

    // A selector the parser refuses throws its exception.
    PairedCharacterAction(afActionContext* handler, const std::wstring& selectorText, const PairedCharacter& pair);

    std::wstring getTitle() const override { return L"<Unknown>"; }
    std::wstring getCategory() const override { return L"<Unknown>"; }

    const wchar_t open;
    const wchar_t close;
    const bool block;
};

// Makes, registers and binds the pair's two actions (the opening character's first) in the
// application's registry; null ones without a registry. Unregister them with
// afUnregisterAction.
std::array<PairedCharacterAction*, 2> registerPairedCharacter(const std::wstring& selectorText,
                                                              const PairedCharacter& pair);

} // namespace tessel
