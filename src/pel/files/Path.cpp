#include "pel/files/Path.h"

#include "pel/base/Assert.h"

namespace pel {

namespace {
bool isSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }
bool isAsciiLetter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }
} // namespace

Path::Path(const wchar_t* text) {
    if (!text)
        assertionViolation(L"path", PEL_FILE, __LINE__);
    assign(text);
}

void Path::clear() {
    m_node.clear();
    m_device.clear();
    m_name.clear();
    m_version.clear();
    m_directories.clear();
    m_absolute = false;
}

void Path::assign(const std::wstring& text) {
    clear();
    const size_t length = text.size();
    size_t at = 0;
    bool unc = false;
    if (at < length && isSeparator(text[at])) {
        m_absolute = true;
        ++at;
        if (at < length && isSeparator(text[at])) {
            unc = true;
            ++at;
            while (at < length && !isSeparator(text[at]))
                m_node += text[at++];
            if (at < length)
                ++at;
        }
    }
    // A drive may only open the text: "\C:\x" and "1:\x" are refused, as are "C:" and "C:x".
    if (!unc && at + 1 < length && text[at + 1] == L':') {
        if (!isAsciiLetter(text[at]) || m_absolute)
            throw PathSyntaxException(text);
        m_device.assign(1, text[at]);
        m_absolute = true;
        at += 2;
        if (at >= length || !isSeparator(text[at]))
            throw PathSyntaxException(text);
        ++at;
    }

    std::wstring component;
    for (; at < length; ++at) {
        if (!isSeparator(text[at])) {
            component += text[at];
            continue;
        }
        if (component == L"..") {
            if (!m_directories.empty() && m_directories.back() != L"..")
                m_directories.pop_back();
            else if (!m_absolute)
                m_directories.push_back(component);
        } else if (!component.empty() && component != L".") {
            m_directories.push_back(component);
        }
        component.clear();
    }
    m_name = component;
    if (!m_node.empty() && m_directories.empty() && !m_name.empty()) {
        m_directories.push_back(m_name);
        m_name.clear();
        m_version.clear();
    }
}

} // namespace pel
