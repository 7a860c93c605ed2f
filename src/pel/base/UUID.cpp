#include "pel/base/UUID.h"

#include "pel/base/Assert.h"

#include <windows.h>
#include <rpc.h>

#include <cstring>

namespace pel {

static_assert(sizeof(UUID) == 16, "pel::UUID must have the GUID layout");
static_assert(sizeof(::UUID) == 16, "GUID size");

namespace {

::UUID* native(UUID* guid) {
    return reinterpret_cast<::UUID*>(guid);
}

const unsigned char* bytesOf(const UUID& guid) {
    return reinterpret_cast<const unsigned char*>(&guid);
}

} // namespace

void UUID::create(UUID* o_guid) {
    PEL_CHECK_PTR(o_guid);
    // A UUID that is unique only on this computer is not good enough for shared bundles.
    if (UuidCreate(native(o_guid)) != RPC_S_OK)
        throw SystemException(L"::UuidCraete failed");
}

UUID UUID::create() {
    UUID guid;
    create(&guid);
    return guid;
}

bool UUID::parse(const wchar_t* guid_string, UUID* o_guid) {
    PEL_CHECK_PTR(guid_string);
    PEL_CHECK_PTR(o_guid);
    // The system reads an empty text as the nil UUID; only the full form counts here.
    if (std::wcslen(guid_string) == 36 &&
        UuidFromStringW(reinterpret_cast<RPC_WSTR>(const_cast<wchar_t*>(guid_string)), native(o_guid)) == RPC_S_OK)
        return true;
    *o_guid = UUID();
    return false;
}

UUID UUID::fromString(const std::wstring& text) {
    UUID guid;
    parse(text.c_str(), &guid);
    return guid;
}

void UUID::toString(const UUID* guid, std::wstring* o_string) {
    PEL_CHECK_PTR(guid);
    PEL_CHECK_PTR(o_string);
    // The system's text, written here: the system call costs as much as a whole bundle menu
    // line, and menus and file names ask for thousands of these.
    wchar_t text[36];
    wchar_t* out = text;
    const auto hex = [&out](uint32_t value, int digits) {
        for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
            *out++ = L"0123456789abcdef"[(value >> shift) & 0xF];
    };
    hex(guid->data1, 8);
    *out++ = L'-';
    hex(guid->data2, 4);
    *out++ = L'-';
    hex(guid->data3, 4);
    *out++ = L'-';
    hex(guid->data4[0] << 8 | guid->data4[1], 4);
    *out++ = L'-';
    for (int i = 2; i < 8; ++i)
        hex(guid->data4[i], 2);
    o_string->assign(text, 36);
}

std::wstring UUID::toString() const {
    std::wstring text;
    toString(this, &text);
    return text;
}

int UUID::compare(const UUID& a, const UUID& b) {
    const int difference = std::memcmp(bytesOf(a), bytesOf(b), sizeof(UUID));
    return difference < 0 ? 1 : (difference > 0 ? -1 : 0);
}

void UUID::copy(const UUID& source, UUID* o_dst) {
    PEL_CHECK_PTR(o_dst);
    *o_dst = source;
}

bool UUID::isNil() const {
    static const UUID zero;
    return std::memcmp(this, &zero, sizeof(UUID)) == 0;
}

} // namespace pel
