#pragma once
// The base of the framework's wrappers of standard controls (tree view, tab control, list view,
// combo box, edit, progress bar): a child window of the subclass's control class, created with
// the framework's window procedure attached by subclassing, so the control keeps painting itself
// while the framework sees every message. The notifications the control sends its parent
// (WM_COMMAND, WM_NOTIFY) come back to it through onReflectedMessage: it keeps a hook in its
// host's hook list while its window exists, and until its own part ends as it is deleted.

#include "afw/view/afWidget.h"

class afControl : public afWidget {
public:
    explicit afControl(afViewPlatform* host);
    // Takes the hook off its host: the window goes only after this part has (~afWidget), and
    // what the control tells its parent as it is destroyed must not come back to a control
    // whose own part is gone.
    ~afControl() override;

    // A WM_COMMAND or WM_NOTIFY the control sent its host; true when handled (msg.result is
    // then the host's answer). The base takes none.
    virtual bool onReflectedMessage(afMessage& /*msg*/) { return false; }

    const wchar_t* getContextKey() const override { return L"ui.control.generic"; }
    // A visible child tab stop; the subclass names the class.
    bool buildSeed(afSeed& seed) override;
    // Creates the window, then subclasses it.
    bool createWidget(const afSeed& seed) override;

private:
    // The host's hook: passes on the notifications that come from this control's window.
    bool reflect(afMessage& msg);
};
