#include "pel/base/TDataStorage.h"

#include "pel/base/Assert.h"

#include <cstring>

namespace pel {

namespace {
// Each block starts with the link to the block allocated before it.
char* previousBlock(char* block) {
    char* previous;
    std::memcpy(&previous, block, sizeof previous);
    return previous;
}
} // namespace

TDataStorage::~TDataStorage() { clear(); }

void TDataStorage::clear() {
    while (m_block) {
        char* previous = previousBlock(m_block);
        delete[] m_block;
        m_block = previous;
    }
    m_capacity = 0;
    m_offset = 0;
}

wchar_t* TDataStorage::allocate(size_t size) {
    if (size == 0)
        assertionViolation(L"size", PEL_FILE, __LINE__);
    if (size > m_capacity) {
        const size_t chars = size > BLOCK_CHARS ? size + BLOCK_CHARS : BLOCK_CHARS;
        char* block = new char[sizeof(char*) + chars * sizeof(wchar_t)];
        std::memcpy(block, &m_block, sizeof m_block);
        m_block = block;
        m_offset = sizeof(char*);
        m_capacity = chars;
    }
    wchar_t* room = reinterpret_cast<wchar_t*>(m_block + m_offset);
    m_capacity -= size;
    m_offset += size * sizeof(wchar_t);
    return room;
}

} // namespace pel
