#pragma once
// Reads one registry key: every query opens the key, asks one thing and closes it again, so the
// object holds no handle between calls and a key that vanished only fails that query. A reader
// of many values holds the key open for as long as a Hold lives instead.

#include <cstdint>
#include <string>
#include <windows.h>

class RegistryKey {
public:
    explicit RegistryKey(std::wstring path, HKEY root = HKEY_CURRENT_USER, REGSAM access = KEY_READ);
    ~RegistryKey();
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    // Keeps the key open while it lives (when it can be opened); queries then share the handle.
    class Hold {
    public:
        explicit Hold(const RegistryKey& key);
        ~Hold();
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        const RegistryKey& m_key;
        bool m_opened;
    };

    // Whether the key can be opened.
    bool exists() const;
    // The number of values; -1 when the key cannot be read.
    int valueCount() const;
    // The name of value index (at most 16,383 characters); false when there is none.
    bool valueName(int index, std::wstring& name) const;
    // The value's type (REG_SZ, ...); REG_NONE when it cannot be read.
    DWORD valueType(const std::wstring& name) const;
    // A REG_SZ, REG_EXPAND_SZ or REG_MULTI_SZ value up to its first NUL; the data need not end
    // in one. False for other types, an odd byte count or a failed read.
    bool readString(const std::wstring& name, std::wstring& value) const;

private:
    class Query;
    // Opens the key unless a Hold keeps it open; false when it cannot be opened.
    bool open() const;
    void close() const;

    REGSAM m_access;
    HKEY m_root;
    std::wstring m_path;
    mutable HKEY m_handle = nullptr;
    mutable bool m_held = false;
};
