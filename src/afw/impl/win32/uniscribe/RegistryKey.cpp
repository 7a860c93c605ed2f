#include "afw/impl/win32/uniscribe/RegistryKey.h"

#include <vector>

namespace {

// The longest value name the registry allows.
constexpr DWORD kMaxValueName = 16383;

} // namespace

// One query: the key is open while it lives, and closed after it unless a Hold keeps it.
class RegistryKey::Query {
public:
    explicit Query(const RegistryKey& key) : m_key(key), m_open(key.open()) {}
    ~Query() { m_key.close(); }
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;
    explicit operator bool() const { return m_open; }

private:
    const RegistryKey& m_key;
    bool m_open;
};

RegistryKey::RegistryKey(std::wstring path, HKEY root, REGSAM access)
    : m_access(access), m_root(root), m_path(std::move(path)) {}

RegistryKey::~RegistryKey() {
    m_held = false;
    close();
}

RegistryKey::Hold::Hold(const RegistryKey& key) : m_key(key), m_opened(!key.m_held && key.open()) {
    if (m_opened)
        key.m_held = true;
}

RegistryKey::Hold::~Hold() {
    if (m_opened) {
        m_key.m_held = false;
        m_key.close();
    }
}

bool RegistryKey::open() const {
    if (m_handle)
        return true;
    if (::RegOpenKeyExW(m_root, m_path.c_str(), 0, m_access, &m_handle) != ERROR_SUCCESS)
        m_handle = nullptr;
    return m_handle != nullptr;
}

void RegistryKey::close() const {
    if (m_handle && !m_held) {
        ::RegCloseKey(m_handle);
        m_handle = nullptr;
    }
}

bool RegistryKey::exists() const {
    return static_cast<bool>(Query(*this));
}

int RegistryKey::valueCount() const {
    const Query query(*this);
    DWORD count = 0;
    if (!query || ::RegQueryInfoKeyW(m_handle, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                                      nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return -1;
    return static_cast<int>(count);
}

bool RegistryKey::valueName(int index, std::wstring& name) const {
    const Query query(*this);
    if (index < 0 || !query)
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
    const Query query(*this);
    DWORD type = REG_NONE;
    if (!query || ::RegQueryValueExW(m_handle, name.c_str(), nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS)
        return REG_NONE;
    return type;
}

bool RegistryKey::readString(const std::wstring& name, std::wstring& value) const {
    const Query query(*this);
    DWORD type = REG_NONE, bytes = 0;
    if (!query || ::RegQueryValueExW(m_handle, name.c_str(), nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS)
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
