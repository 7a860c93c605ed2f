#pragma once
// The platform's text factories: a resource manager that hands out the font-family factory,
// families by name, and a factory of text objects. Shared by reference count; the Win32
// implementations live in impl/win32/uniscribe.

#include <cstdint>
#include <memory>
#include <string>

struct afFontEntry;
class afIText;

class afIFontFamily {
public:
    virtual ~afIFontFamily() = default;
    virtual bool equals(const afIFontFamily& other) const = 0;
    virtual bool notEquals(const afIFontFamily& other) const = 0;
    virtual const std::wstring& getName() const = 0;
    virtual afFontEntry* createFont(uint16_t pointSize, int variant) const = 0;
};

class afIFontManager {
public:
    virtual ~afIFontManager() = default;
    virtual std::shared_ptr<afIFontFamily> createFamily(const std::wstring& name) = 0;
};

class afIResourceManager {
public:
    virtual ~afIResourceManager() = default;
    virtual std::shared_ptr<afIFontManager> getFontManager() = 0;
};

class afITextFactory {
public:
    virtual ~afITextFactory() = default;
    virtual std::shared_ptr<afIText> createText(std::shared_ptr<const std::wstring> text,
                                                std::shared_ptr<afIFontFamily> family) = 0;
};
