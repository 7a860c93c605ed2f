#pragma once
// One field of a form: a vertical linear layout whose first row holds a caption label on the
// left and a hint or message label on the right; the caller adds the field's control below the
// row and makes it the caption's buddy. The row and its labels are made on first use, once.

#include "afw/layout/afLayoutLinear.h"

#include <string>

class afLabel;

class afLayoutField : public afLayoutLinear {
public:
    explicit afLayoutField(afViewPlatform* host) : afLayoutLinear(host, VERTICAL) {}

    // Makes the row (a horizontal linear layout filling the width) at the top, unless made.
    void initRow();
    // The caption label, left-aligned, with the text.
    afLabel* setCaption(const std::wstring& text);
    // The message label showing the hint (visual style 3) with the alignment; the hint is kept.
    afLabel* setHint(const std::wstring& text, int32_t alignment);
    // The message label showing a message (visual style 4) until the hint is restored.
    afLabel* setMessage(const std::wstring& text);
    // Shows the last hint again, with its alignment.
    void restoreHint();

    afLayoutLinear* getRow() const { return m_row; }
    afLabel* getCaption() const { return m_caption; }
    afLabel* getMessageLabel() const { return m_message; }

private:
    afLabel* messageLabel();

    afLayoutLinear* m_row = nullptr;
    afLabel* m_caption = nullptr;
    afLabel* m_message = nullptr;
    int32_t m_hintAlignment = 5;
    std::wstring m_hintText;
};
