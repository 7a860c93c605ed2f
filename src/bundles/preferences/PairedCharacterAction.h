#pragma once
// The typed-character actions of a character pair of the scope preferences: one fires on the
// opening character, one on the closing character, each only where the caret's scope matches
// the preference's selector; the closing one also inside a pair it inserted, whose scope (a
// string's, for quotes) the selector may leave out. Registered in the editor's handler slot "Editor", whose handler
// (the focused editor's commands, a PairedCharacterHandler) inserts, wraps and steps over the
// pair; a handler of another kind runs nothing.

#include "afw/action/afAction.h"
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
    // Which character of the pair starts the action.
    enum Role { INSERT, CLOSE };

    // "document.context.char_pair.", "block." for a block pair, the two characters' codes in
    // lower-case hexadecimal, then a blank and the selector when one is given. With the
    // selector it is the action id; without, the name of the span context that marks an
    // inserted pair.
    static std::wstring pairName(const std::wstring& selectorText, const PairedCharacter& pair);
    // The selector the action fires under: the preference's, and for the closing character also
    // the pair's span name (an empty selector, matching everywhere, stays as it is).
    static std::wstring triggerScope(const std::wstring& selectorText, const PairedCharacter& pair, Role role);

    // A selector the parser refuses throws its exception.
    PairedCharacterAction(afActionContext* handler, const std::wstring& selectorText, const PairedCharacter& pair,
                          Role role = INSERT);

    std::wstring getTitle() const override { return L"<PairedCharacterAction>"; }
    std::wstring getCategory() const override { return L"<Unknown>"; }

    // The pair's span name: the same for every selector, so a pair inserted under one scope's
    // preferences is stepped over by the close action of any.
    std::wstring spanName() const { return pairName(std::wstring(), {open, close, block}); }

    const wchar_t open;
    const wchar_t close;
    const bool block;
    const Role role;
};

// What serves the pair actions: the editor's commands.
class PairedCharacterHandler {
public:
    virtual ~PairedCharacterHandler() = default;
    // The typed opening character: the pair goes in around the caret, or around every range.
    virtual bool insertPair(afActionEvent& event) = 0;
    // The typed closing character: steps over the pair's inserted closing character, or types it.
    virtual bool closePair(afActionEvent& event) = 0;
};

// Makes, registers and binds the pair's two actions (the opening character's first) in the
// application's registry; null ones without a registry. Unregister them with
// afUnregisterAction, which takes their triggers off too.
std::array<PairedCharacterAction*, 2> registerPairedCharacter(const std::wstring& selectorText,
                                                              const PairedCharacter& pair);

} // namespace tessel
