// pel::UUID writes its text itself; it must stay the system's text. Apart from UUIDTest.cpp
// because the system headers bring a UUID of their own.
#include "pel/base/UUID.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <rpc.h>

#include <cstring>
#include <string>
#include <vector>

TEST(UUID, TextIsTheSystemText) {
    pel::UUID ones, steps;
    std::memset(&ones, 0xFF, sizeof ones);
    for (size_t i = 0; i < sizeof steps; ++i)
        reinterpret_cast<unsigned char*>(&steps)[i] = static_cast<unsigned char>(i * 17 + 9);
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
