#pragma once
// A Windows path text split into UNC node, drive, directories and name, with "." and ".."
// folded. Used to show a failing path in its parts; device paths ("user:x") are not paths here.

#include "pel/base/Exception.h"

#include <string>
#include <vector>

namespace pel {

PEL_DECLARE_EXCEPTION(PathSyntaxException, SyntaxException, L"PathSyntaxException");

class Path {
public:
    Path() = default;
    explicit Path(const wchar_t* text);

    // Clears every part and parses text; PathSyntaxException (message: the text) on bad syntax.
    void assign(const std::wstring& text);
    void clear();

    const std::wstring& node() const { return m_node; }
    const std::wstring& device() const { return m_device; }
    const std::wstring& name() const { return m_name; }
    const std::wstring& version() const { return m_version; }
    const std::vector<std::wstring>& directories() const { return m_directories; }
    bool isAbsolute() const { return m_absolute; }

private:
    std::wstring m_node;
    std::wstring m_device;
    std::wstring m_name;
    std::wstring m_version; // the Windows syntax has none
    std::vector<std::wstring> m_directories;
    bool m_absolute = false;
};

} // namespace pel
