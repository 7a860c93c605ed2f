#pragma once
// The invokers own the triggers of their kinds and decide what a key press, a typed character or
// the word before the caret starts. The key invoker sits on the road of every key message: the
// application loop offers it each one before translation and dispatch.

#include "afw/action/afActionTrigger.h"

#include <map>
#include <vector>
#include <windows.h>

namespace tessel {
class ScopePath;
}
class afViewPlatform;

class afActionInvoker {
public:
    explicit afActionInvoker(afActionRegistry* registry) : m_registry(registry) {}
    virtual ~afActionInvoker() = default;
    afActionInvoker(const afActionInvoker&) = delete;
    afActionInvoker& operator=(const afActionInvoker&) = delete;

    // Takes the trigger of the action out of this invoker's tables and the action's list and
    // deletes it; nothing unless it is one of this invoker's kinds and the action's.
    virtual void removeTrigger(afAction* action, afActionTrigger* trigger) = 0;

    afActionRegistry* getRegistry() const { return m_registry; }

private:
    afActionRegistry* m_registry;
};

// Key combinations and typed characters; one per process, registered for both kinds.
class afActionInvokerKey : public afActionInvoker {
public:
    using Table = std::multimap<uint32_t, afActionTriggerKey*>; // equal keys in insertion order

    explicit afActionInvokerKey(afActionRegistry* registry) : afActionInvoker(registry) {}
    // Deletes every trigger (and takes it out of its action's list).
    ~afActionInvokerKey() override;

    void removeTrigger(afAction* action, afActionTrigger* trigger) override;

    // The look at a message before dispatch (key messages only); true when it was consumed. The
    // widget is that of the message's window; null falls back to this thread's foreground
    // window's, then to the application's main widget.
    bool preTranslate(MSG* msg, afViewPlatform* widget);

    const Table& getShortcuts() const { return m_shortcuts; }
    const Table& getCharacters() const { return m_characters; }
    // Set while the characters of a consumed key are to be swallowed.
    bool getSuppressChar() const { return m_suppressChar; }

    // Alt went with something the application took itself: a key consumed here (noted here), or
    // a click that a view reads Alt for (noted by the view). The system's default handling saw
    // no other key go down with Alt, and would take its release for Alt pressed alone and arm
    // the menu bar (DefWindowProc sends SC_KEYMENU on Alt's key-up), so that release is answered
    // here instead. Alt's next press forgets it.
    void noteAltChord() { m_altChord = true; }

private:
    friend afAction* afAddKeyTrigger(afActionInvokerKey* invoker, afAction* action, afKeyCombination combination,
                                     bool primary);
    friend afAction* afAddCharTrigger(wchar_t character, afActionInvokerKey* invoker, afAction* action);

    bool keyDown(const MSG& msg, afViewPlatform* widget);

    Table m_shortcuts;
    Table m_characters;
    bool m_suppressChar = false;
    bool m_altChord = false;
};

// Tab-trigger words, longest first (equal lengths in the order added). Made by the application.
class afActionInvokerTab : public afActionInvoker {
public:
    explicit afActionInvokerTab(afActionRegistry* registry) : afActionInvoker(registry) {}
    ~afActionInvokerTab() override;

    void removeTrigger(afAction* action, afActionTrigger* trigger) override;

    const std::vector<afActionTriggerTab*>& getTriggers() const { return m_triggers; }

private:
    friend afAction* afAddTabTrigger(const std::wstring& word, afActionInvokerTab* invoker, afAction* action);

    std::vector<afActionTriggerTab*> m_triggers;
};

// The invokers registered for "shortcut" and "tab_trigger", or null.
afActionInvokerKey* afFindKeyInvoker(afActionRegistry* registry);
afActionInvokerTab* afFindTabInvoker(afActionRegistry* registry);

// Each binding returns the action; a null invoker or action, combination 0, character 0 or an
// empty word binds nothing. Unparsable key text binds nothing either.
afAction* afAddKeyTrigger(afActionInvokerKey* invoker, afAction* action, afKeyCombination combination, bool primary);
afAction* afAddKeyTriggerText(afActionInvokerKey* invoker, afAction* action, const std::wstring& text, bool primary);
afAction* afAddCharTrigger(wchar_t character, afActionInvokerKey* invoker, afAction* action);
afAction* afAddTabTrigger(const std::wstring& word, afActionInvokerTab* invoker, afAction* action);

// Runs the best-ranked action bound to the combination in the contexts: the only one of the top
// score, or the only primary one among them, or the one chosen among them. True when something
// was bound there (also when the choice was cancelled); false, to let the key go on, when nothing
// was, and for a tie met while a chooser is open.
bool afInvokeKey(afActionInvokerKey* invoker, tessel::ScopePath& contexts, afViewPlatform* widget,
                 afKeyCombination combination);
// Runs the last action bound to the character that applies in the contexts: its answer.
bool afInvokeChar(afActionInvokerKey* invoker, tessel::ScopePath& contexts, wchar_t character);
// Appends the tab triggers that end the text (length units before the caret) on a word boundary
// and apply in the contexts: the top-scoring ones of the longest such length, ordered by title.
// The number appended.
size_t afFindTabTriggers(afActionInvokerTab* invoker, std::vector<afActionCandidate>& o_list,
                         tessel::ScopePath& contexts, const wchar_t* text, size_t length);
// How many units before the caret afFindTabTriggers looks at: the longest trigger and a surrogate
// pair before it. Given only that many (or the whole text when shorter), it finds what it would
// find given the whole text; 0 without an invoker.
size_t afTabTriggerReach(const afActionInvokerTab* invoker);
