#pragma once
// Bytes that end where a no-access page begins: a read past them faults, so a test of a reader
// that must stay inside its input fails loudly instead of reading on.

#include <windows.h>

#include <cstring>
#include <string>

namespace tessel_test {

class GuardedBytes {
public:
    explicit GuardedBytes(const std::string& bytes) {
        const size_t page = 4096, room = (bytes.size() + page - 1) / page * page + page;
        m_base = static_cast<char*>(::VirtualAlloc(nullptr, room + page, MEM_COMMIT, PAGE_READWRITE));
        DWORD old;
        ::VirtualProtect(m_base + room, page, PAGE_NOACCESS, &old);
        m_data = m_base + room - bytes.size();
        std::memcpy(m_data, bytes.data(), bytes.size());
    }
    // UTF-16 text, without its NUL.
    explicit GuardedBytes(const std::wstring& text)
        : GuardedBytes(std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t))) {}
    ~GuardedBytes() { ::VirtualFree(m_base, 0, MEM_RELEASE); }
    GuardedBytes(const GuardedBytes&) = delete;
    GuardedBytes& operator=(const GuardedBytes&) = delete;

    const char* data() const { return m_data; }
    const wchar_t* text() const { return reinterpret_cast<const wchar_t*>(m_data); }

private:
    char* m_base;
    char* m_data;
};

} // namespace tessel_test
