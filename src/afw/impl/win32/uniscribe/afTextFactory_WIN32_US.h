#pragma once
// The Win32 text platform's text factory. Text objects are not made on this platform: lines are
// laid out by afUnicode; the factory lets go of what it is given and hands back nothing.

#include "afw/unicode/afTextPlatform.h"

class afTextFactory_WIN32_US : public afITextFactory {
public:
    std::shared_ptr<afIText> createText(std::shared_ptr<const std::wstring> text,
                                        std::shared_ptr<afIFontFamily> family) override {
        text.reset();
        family.reset();
        return nullptr;
    }
};
