// pel::UUID writes its text itself; it must stay the system's text. Apart from UUIDTest.cpp
// because the system headers bring a UUID of their own.
#include "pel/base/UUID.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <rpc.h>

#include <string>
#include <vector>

TEST(UUID, TextIsTheSystemText) {
    pel::UUID ones{0xFFFFFFFFu, 0xFFFF, 0xFFFF, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}};
    pel::UUID steps{0x12345678u, 0x9ABC, 0xDEF0, {0x09, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E, 0x6F, 0x80}};
    std::vector<pel::UUID> guids = {pel::UUID::nil(), ones, steps};
    for (int i = 0; i < 100; ++i)
        guids.push_back(pel::UUID::create());
    for (pel::UUID guid : guids) {
        RPC_WSTR system = nullptr;
        ASSERT_EQ(RPC_S_OK, UuidToStringW(reinterpret_cast<::UUID*>(&guid), &system));
        EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(system)), guid.toString());
        RpcStringFreeW(&system);
    }
}
