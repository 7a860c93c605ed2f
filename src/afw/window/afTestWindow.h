#pragma once
// A top-level window of the framework's own for tests and tools (no part of the program makes
// one): class "afTestWindow", the arrow cursor, 800 x 600 unless told otherwise. It lays out
// the way windows do: layout requests merge into one posted validation, which measures the
// content to the client area and lays it out.

#include "afw/view/afWidget.h"

class afTestWindow : public afWidget {
public:
    static constexpr const wchar_t* CLASS_NAME = L"afTestWindow";
    static constexpr int DEFAULT_WIDTH = 800;
    static constexpr int DEFAULT_HEIGHT = 600;

    afTestWindow() : afWidget(nullptr) {}

    // Registers the class (once per process); test widgets of other kinds use it too.
    static void registerTestClass();
    // Null when top-level windows can be made here; else why not, for the test's failure.
    static const char* checkDisplay();

    bool buildSeed(afSeed& seed) override;
    bool isContextRoot() const override { return true; }
    void requestLayout(const wchar_t* reason) override;
    bool onRawMessage(afMessage& msg) override;
    bool focusChild(afView* view) override { return focusWindowOf(view); }

    // Measures the content exactly to the client area and lays it out.
    void validateLayout();
    bool isValidationPosted() const { return m_validationPosted; }

private:
    bool m_validationPosted = false;
};
