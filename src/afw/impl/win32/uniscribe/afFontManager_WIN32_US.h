#pragma once
// The Win32 text platform's family factory.

#include "afw/impl/win32/uniscribe/afFontFamily_WIN32_US.h"

class afFontManager_WIN32_US : public afIFontManager {
public:
    std::shared_ptr<afIFontFamily> createFamily(const std::wstring& name) override {
        return std::make_shared<afFontFamily_WIN32_US>(name);
    }
};
