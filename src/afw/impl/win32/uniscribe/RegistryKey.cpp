#include "afw/impl/win32/uniscribe/RegistryKey.h"

#include <vector>

namespace {

// The longest value name the registry allows.
constexpr DWORD kMaxValueName = 16383;

// Closes the key it was given when the query is over.
class OpenKey {
public:
    explicit OpenKey(HKEY& handle) : m_handle(handle) {}
    ~OpenKey() {
        if (m_handle) {
            ::RegCloseKey(m_handle);
            m_handle = nullptr;
        }
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;

private:
    HKEY& m_handle;
};

} // namespace

RegistryKey::RegistryKey(std::wstring path, HKEY root, REGSAM access)
    : m_access(access), m_root(root), m_path(std::move(path)) {}

HKEY RegistryKey::open() const {
    if (::RegOpenKeyExW(m_root, m_path.c_str(), 0, m_access, &m_handle) != ERROR_SUCCESS)
        m_handle = nullptr;
    return m_handle;
}

bool RegistryKey::exists() const {
    OpenKey guard(m_handle);
    return open() != nullptr;
}

int RegistryKey::valueCount() const {
    OpenKey guard(m_handle);
    DWORD count = 0;
    if (!open() || ::RegQueryInfoKeyW(m_handle, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                                      nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return -1;
    return static_cast<int>(count);
}

bool RegistryKey::valueName(int index, std::wstring& name) const {
    OpenKey guard(m_handle);
    if (index < 0 || !open())
        return false;
    std::vector<wchar_t> buffer(kMaxValueName + 1);
    DWORD length = kMaxValueName + 1;
    if (::RegEnumValueW(m_handle, static_cast<DWORD>(index), buffer.data(), &length, nullptr, nullptr, nullptr,
                        nullptr) != ERROR_SUCCESS)
        return false;
    name.assign(buffer.data(), length);
    return true;
}

DWORD RegistryKey::valueType(const std::wstring& name) const {
    OpenKey guard(m_handle);
    DWORD type = REG_NONE;
    if (!open() || ::RegQueryValueExW(m_handle, name.c_str(), nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS)
        return REG_NONE;
    return type;
}

bool RegistryKey::readString(const std::wstring& name, std::wstring& value) const {
    OpenKey guard(m_handle);
    DWORD type = REG_NONE, bytes = 0;
    if (!open() || ::RegQueryValueExW(m_handle, name.c_str(), nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS)
        return false;
    if ((type != REG_SZ && type != REG_EXPAND_SZ && type != REG_MULTI_SZ) || bytes % 2 != 0)
        return false;
    value.clear();
    if (bytes == 0)
        return true;
    // One unit more than the data: a value stored without its NUL keeps its last character.
    std::vector<wchar_t> buffer(bytes / 2 + 1, L'\0');
    DWORD read = bytes;
    if (::RegQueryValueExW(m_handle, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &read) !=
            ERROR_SUCCESS ||
        read > bytes)
        return false;
    buffer[read / 2] = L'\0';
    value.assign(buffer.data());
    return true;
}
