#pragma once
// The Win32 text platform's resource manager: it makes the family factory on first request and
// hands out the same one afterwards.

#include "afw/impl/win32/uniscribe/afFontManager_WIN32_US.h"

class afResourceManager_WIN32 : public afIResourceManager {
public:
    std::shared_ptr<afIFontManager> getFontManager() override {
        if (!m_fontManager)
            m_fontManager = std::make_shared<afFontManager_WIN32_US>();
        return m_fontManager;
    }

private:
    std::shared_ptr<afIFontManager> m_fontManager;
};
