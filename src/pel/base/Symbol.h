#pragma once
// A name reduced to its 32-bit CRC; symbols compare by hash. The hash 0 is the null symbol.

#include "pel/base/Crc.h"

#include <cstdint>

namespace pel {

class Symbol {
public:
    static const Symbol null;

    constexpr Symbol() = default;
    constexpr Symbol(uint32_t hash) : m_hash(hash) {}
    Symbol& operator=(uint32_t hash) {
        m_hash = hash;
        return *this;
    }

    constexpr uint32_t getHash() const { return m_hash; }
    constexpr bool isNull() const { return m_hash == 0; }

    // CRC-32 of the bytes of an 8-bit name; the empty name gives the null symbol.
    static Symbol createSymbol(const char* name);
    // As createSymbol, and a hard check that the result equals hash_to_check: code that keeps
    // a precomputed constant proves with it that the constant and the name agree.
    static Symbol createAndValidateSymbol(uint32_t hash_to_check, const char* name);
    // Continues previous over the low byte of each unit of a wide name.
    static Symbol createTSymbol(const wchar_t* name, uint32_t previous = 0);

    friend constexpr bool operator==(Symbol a, Symbol b) { return a.m_hash == b.m_hash; }
    friend constexpr bool operator!=(Symbol a, Symbol b) { return a.m_hash != b.m_hash; }
    friend constexpr bool operator<(Symbol a, Symbol b) { return a.m_hash < b.m_hash; }

private:
    uint32_t m_hash = 0;
};

} // namespace pel
