#pragma once
// The concrete platform view of child widgets (controls, containers, the editor): it moves its
// window when its frame changes, queuing the move in its host's layout batch, answers its
// text's mnemonic, and destroys its window with itself. Its static window procedure is the one
// every framework window runs.

#include "afw/view/afViewPlatform.h"

#include <string>

class afWidget : public afViewPlatform {
public:
    explicit afWidget(afViewPlatform* host) : afViewPlatform(host) {}
    ~afWidget() override;

    // The shared window procedure. No exception leaves it: one thrown while the window is
    // being created fails the creation (createWidget throws it again); any other is reported
    // and the message answered with 0.
    static LRESULT CALLBACK s_WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    const wchar_t* getContextKey() const override { return L"ui.widget"; }
    // The mnemonic of the text, or one of the extra ones.
    bool hasMnemonic(wchar_t ch) override;
    void addMnemonic(wchar_t ch);
    bool onMnemonic(wchar_t ch) override;
    // Stores the frame and, when the rectangle in the host's client area changed, moves the
    // window (in the host's batch during its layout pass); lays out in any case.
    void setFrame(const afRect& frame) override;
    void onHandleCreated() override;

private:
    static LRESULT onNcCreate(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT onNcDestroy(afViewPlatform* widget, const afMessage& msg);
    static LRESULT onCreateMessage(afViewPlatform* widget, afMessage& msg);

    afRect m_applied; // the window's rectangle as last set, in the host's client coordinates
    std::wstring m_mnemonics;
};
