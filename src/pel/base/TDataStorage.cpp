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

TDataStorage::TDataStorage(size_t firstBlockChars)
    : m_firstBlock(firstBlockChars == 0 ? 1 : firstBlockChars > BLOCK_CHARS ? BLOCK_CHARS : firstBlockChars),
      m_nextBlock(m_firstBlock) {}

TDataStorage::~TDataStorage() { clear(); }

void TDataStorage::clear() {
    while (m_block) {
        char* previous = previousBlock(m_block);
        delete[] m_block;
        m_block = previous;
    }
    m_nextBlock = m_firstBlock;
    m_capacity = 0;
    m_offset = 0;
}

void TDataStorage::addBlock(size_t chars) {
    char* block = new char[sizeof(char*) + chars * sizeof(wchar_t)];
    std::memcpy(block, &m_block, sizeof m_block);
    m_block = block;
    m_offset = sizeof(char*);
    m_capacity = chars;
}

void TDataStorage::reserve(size_t size) {
    if (size > m_capacity)
        addBlock(size);
}

wchar_t* TDataStorage::allocateInNewBlock(size_t size) {
    if (size == 0)
        assertionViolation(L"size", PEL_FILE, __LINE__);
    addBlock(size > m_nextBlock ? size + m_nextBlock : m_nextBlock);
    m_nextBlock = m_nextBlock * 2 < BLOCK_CHARS ? m_nextBlock * 2 : BLOCK_CHARS;
    return allocate(size);
}

} // namespace pel
