#pragma once
// Every token of one document, in order, each with its own copy of its text, so that ranges of
// the document can be reproduced exactly. Records come in blocks of 64; the texts live in one
// character arena, each as a 32-bit length, the characters and a NUL.

#include "pel/base/Exception.h"
#include "pel/base/TDataStorage.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace pel {

// Index of a token in a store.
using xindex = uint32_t;

template <class Token>
class TTokenStore {
public:
    static constexpr size_t BLOCK_RECORDS = 64;

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

    // Appends a copy of token and of its text; returns the stored record.
    Token& addToken(const Token& token) {
        const uint32_t length = token.length();
        wchar_t* room = m_text.allocate(length + 3);
        std::memcpy(room, &length, sizeof length);
        if (length)
            std::memcpy(room + 2, token.text, length * sizeof(wchar_t));
        room[2 + length] = L'\0';

        if (m_count == m_blocks.size() * BLOCK_RECORDS)
            m_blocks.emplace_back(new Token[BLOCK_RECORDS]);
        Token& record = m_blocks[m_count / BLOCK_RECORDS][m_count % BLOCK_RECORDS];
        record = token;
        record.text = room + 2;
        m_index.push_back(&record);
        ++m_count;
        return record;
    }

    // Token i; IndexOutOfBoundsException "i" when i is not below size().
    Token& at(xindex i) {
        if (i >= m_count)
            throw IndexOutOfBoundsException(L"i");
        return *m_index[i];
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
        m_index.clear();
        m_count = 0;
        m_text.clear();
    }

private:
    void copyFrom(const TTokenStore& other) {
        m_index.reserve(other.m_count);
        for (xindex i = 0; i < other.m_count; ++i)
            addToken(*other.m_index[i]);
    }

    std::vector<std::unique_ptr<Token[]>> m_blocks;
    xindex m_count = 0;
    TDataStorage m_text;
    std::vector<Token*> m_index;
};

} // namespace pel
