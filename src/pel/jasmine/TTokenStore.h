#pragma once
// Every token of one document, in order, with a copy of its text that the store owns, so that
// ranges of the document can be reproduced exactly. A token added alone gets a record (records
// come in blocks of 64) and its text in a character arena, as a 32-bit length, the characters
// and a NUL; the arena starts with a small block and grows. A whole text taken at once, as
// documents are read, fills one block of the arena with just its records and one copy of the
// text. Entry files and new entries' templates are small, and thousands of their stores are kept.

#include "pel/base/Exception.h"
#include "pel/base/TDataStorage.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <type_traits>
#include <vector>

namespace pel {

// Index of a token in a store.
using xindex = uint32_t;

template <class Token>
class TTokenStore {
public:
    static constexpr size_t BLOCK_RECORDS = 64;
    static constexpr size_t FIRST_TEXT_CHARS = 1024;

    TTokenStore() = default;
    // A copy holds copies of every token and text; indexes stay the same.
    TTokenStore(const TTokenStore& other) { copyFrom(other); }
    TTokenStore& operator=(const TTokenStore& other) {
        if (this != &other) {
            clear();
            copyFrom(other);
        }
        return *this;
    }

    // Replaces the content with the tokens of one text, tokens[0..count) in order, whose texts
    // all lie within text[0, length] (an InvalidArgumentException "tokens" otherwise). One block
    // of the arena holds just the records and one copy of the text, with a NUL after it, into
    // which the records point.
    void assign(const wchar_t* text, size_t length, const Token* tokens, size_t count) {
        for (size_t i = 0; i < count; ++i)
            if (tokens[i].text < text || tokens[i].text + tokens[i].length() > text + length)
                throw InvalidArgumentException(L"tokens");
        clear();
        // The arena hands out characters: room for the records and their alignment.
        size_t space = count * sizeof(Token) + alignof(Token);
        const size_t recordChars = (space + sizeof(wchar_t) - 1) / sizeof(wchar_t);
        m_text.reserve(recordChars + length + 1);
        void* records = m_text.allocate(recordChars);
        m_first = static_cast<Token*>(std::align(alignof(Token), count * sizeof(Token), records, space));
        wchar_t* const copy = m_text.allocate(length + 1);
        std::memcpy(copy, text, length * sizeof(wchar_t));
        copy[length] = L'\0';
        for (size_t i = 0; i < count; ++i) {
            Token* const record = new (m_first + i) Token(tokens[i]);
            record->text = copy + (tokens[i].text - text);
        }
        m_firstRecords = m_capacity = count;
        m_count = static_cast<xindex>(count);
    }

    // Appends a copy of token and of its text; returns the stored record.
    Token& addToken(const Token& token) {
        const uint32_t length = token.length();
        wchar_t* room = m_text.allocate(length + 3);
        std::memcpy(room, &length, sizeof length);
        if (length)
            std::memcpy(room + 2, token.text, length * sizeof(wchar_t));
        room[2 + length] = L'\0';

        Token& record = newRecord();
        record = token;
        record.text = room + 2;
        return record;
    }

    // Token i; IndexOutOfBoundsException "i" when i is not below size().
    Token& at(xindex i) {
        if (i >= m_count)
            throw IndexOutOfBoundsException(L"i");
        return recordAt(i);
    }
    const Token& at(xindex i) const { return const_cast<TTokenStore*>(this)->at(i); }

    xindex size() const { return m_count; }
    bool empty() const { return m_count == 0; }

    // Appends the texts of tokens first..last (inclusive) to out; nothing when first > last.
    // Returns last.
    xindex appendText(xindex first, xindex last, std::wstring& out) const {
        if (first > last)
            return last;
        for (xindex i = first;; ++i) {
            const Token& token = at(i);
            out.append(token.text, token.length());
            if (i == last) // also ends a range that reaches the largest index
                break;
        }
        return last;
    }

    // Forgets every token and text.
    void clear() {
        m_count = 0;
        m_text.clear();
        m_first = nullptr;
        m_ownedFirst.reset();
        m_blocks.clear();
        m_firstRecords = BLOCK_RECORDS;
        m_capacity = 0;
    }

private:
    // A record appended after the last, in a new block when the blocks are full.
    Token& newRecord() {
        if (m_count == m_capacity) {
            if (!m_first) {
                m_ownedFirst.reset(new Token[m_firstRecords]);
                m_first = m_ownedFirst.get();
                m_capacity = m_firstRecords;
            } else {
                std::unique_ptr<Token[]> block(new Token[BLOCK_RECORDS]);
                m_blocks.push_back(std::move(block));
                m_capacity += BLOCK_RECORDS;
            }
        }
        return recordAt(m_count++);
    }

    Token& recordAt(size_t i) {
        if (i < m_firstRecords)
            return m_first[i];
        i -= m_firstRecords;
        return m_blocks[i / BLOCK_RECORDS][i % BLOCK_RECORDS];
    }

    void copyFrom(const TTokenStore& other) {
        for (xindex i = 0; i < other.m_count; ++i)
            addToken(other.at(i));
    }

    static_assert(std::is_trivially_destructible<Token>::value, "records in the arena are never destroyed");

    Token* m_first = nullptr; // m_firstRecords records: m_ownedFirst, or in the arena after assign
    std::unique_ptr<Token[]> m_ownedFirst;
    std::vector<std::unique_ptr<Token[]>> m_blocks; // the later records, BLOCK_RECORDS in each
    size_t m_firstRecords = BLOCK_RECORDS;
    size_t m_capacity = 0; // records in all blocks
    xindex m_count = 0;
    TDataStorage m_text{FIRST_TEXT_CHARS};
};

} // namespace pel
