#pragma once
// A data object of one wide string, offered and taken as Unicode text (CF_UNICODETEXT) with
// its terminating NUL.

#include "afw/data/afDataObject.h"

#include <string>

class afDataObjectText : public afDataObjectSimple {
public:
    afDataObjectText();
    explicit afDataObjectText(const std::wstring& text);

    virtual void setText(const std::wstring& text);
    // A null chars stores nothing.
    virtual void setText(const wchar_t* chars, uint32_t count);
    virtual const std::wstring& getText() const;
    // In characters.
    virtual uint32_t getLength() const;

    using afDataObjectSimple::getData;
    using afDataObjectSimple::setData;
    // (length + 1) x 2 bytes.
    uint32_t getSize() const override;
    bool getData(void* buffer) const override;
    // size / 2 characters from data; size 0 stores an empty text.
    bool setData(uint32_t size, const void* data) override;
    void clear() override;

private:
    std::wstring m_text;
};
