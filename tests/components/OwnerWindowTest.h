#pragma once
// The dialogs' tests: the framework started with a bare application and a shown window that
// owns the dialog under test, ended after it.

#include "afw/support/TestViews.h"
#include "afw/window/afWindow.h"

namespace tessel_test {

class OwnerWindowTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_TRUE(afApp::init(new BareApp, ::GetModuleHandleW(nullptr)));
        owner.build();
        owner.show();
    }
    void TearDown() override {
        // The dialog goes before its owner.
        releaseDialog();
        owner.closeNow();
        afApp::shutdown();
    }
    virtual void releaseDialog() = 0;

    afWindow owner;
};

} // namespace tessel_test
