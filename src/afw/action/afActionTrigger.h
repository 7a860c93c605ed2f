#pragma once
// Ways of starting an action, owned by the invoker of their kind: a key combination, a typed
// character, a tab-trigger word. And the events that actions started by them receive.

#include "afw/action/afAction.h"
#include "afw/action/afKeyCombination.h"

#include <cstddef>
#include <string>

class afActionTrigger {
public:
    virtual ~afActionTrigger();
    afActionTrigger(const afActionTrigger&) = delete;
    afActionTrigger& operator=(const afActionTrigger&) = delete;

    // What menus and the chooser show: the key text, the character, the word.
    virtual const wchar_t* getText() const = 0;

    // Triggers alive in the process: each is deleted once, through its invoker.
    static size_t getLiveCount();

    afAction* const action; // not owned
    const uint32_t kind;

protected:
    afActionTrigger(afAction* action, uint32_t kind);
};

// A key combination ("shortcut") or a typed character ("character").
class afActionTriggerKey : public afActionTrigger {
public:
    // A shortcut: the text is the formatted combination.
    afActionTriggerKey(afAction* action, afKeyCombination combination, bool primary);
    // A character: always primary.
    afActionTriggerKey(afAction* action, wchar_t character);

    const wchar_t* getText() const override { return text.c_str(); }

    const afKeyCombination combination; // 0 for a character
    const wchar_t character;            // 0 for a shortcut
    const std::wstring text;
    // Among bindings of equal rank, a single primary one runs without a chooser.
    const bool primary;
};

// A word that the editor expands when Tab is pressed after it.
class afActionTriggerTab : public afActionTrigger {
public:
    afActionTriggerTab(afAction* action, const std::wstring& word);

    const wchar_t* getText() const override { return word.c_str(); }

    const std::wstring word;
};

// An action started by a key or a typed character.
class afActionEventKey : public afActionEvent {
public:
    explicit afActionEventKey(uint32_t kind) : afActionEvent(kind) {}
};

// An action started by a tab trigger; the sender fills the text.
class afActionEventTab : public afActionEvent {
public:
    afActionEventTab() : afActionEvent(AF_ACTION_KIND_TAB_TRIGGER) {}

    std::wstring text;
};
