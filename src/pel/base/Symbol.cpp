#include "pel/base/Symbol.h"

#include "pel/base/Assert.h"

#include <cstring>

namespace pel {

const Symbol Symbol::null;

Symbol Symbol::createSymbol(const char* name) {
    return name ? Symbol(crc32(name, std::strlen(name))) : null;
}

Symbol Symbol::createAndValidateSymbol(uint32_t hash_to_check, const char* name) {
    const Symbol new_symbol = createSymbol(name);
    if (new_symbol.getHash() != hash_to_check)
        assertionViolation(L"new_symbol.getHash() == hash_to_check", PEL_FILE, __LINE__);
    return new_symbol;
}

Symbol Symbol::createTSymbol(const wchar_t* name, uint32_t previous) {
    return Symbol(crc32Update(previous, name));
}

} // namespace pel
