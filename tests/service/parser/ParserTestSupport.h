#pragma once
// Shared pieces of the parsing tests: the test thread recorded as the main thread, chains of
// scope records built from their names, and themes read from Jasmine text.

#include "pel/jasmine/JasmineReaderHelper.h"
#include "pel/thread/MainThread.h"
#include "pel/value/Value.h"
#include "service/parser/DocumentTheme.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace tessel_test {

class MainThreadTest : public testing::Test {
protected:
    MainThreadTest() { pel::store_main_thread_id(); } // the test runner's thread stands in for the entry point
};

// Record i has index i and rule number i + 1; add nests in the record before it.
struct ScopeChain : std::vector<std::unique_ptr<tessel::DocumentScope>> {
    ScopeChain(std::initializer_list<const wchar_t*> outermostFirst) {
        for (const wchar_t* name : outermostFirst)
            add(name);
    }
    const tessel::DocumentScope& add(const wchar_t* name) { return addUnder(name, empty() ? nullptr : back().get()); }
    const tessel::DocumentScope& addUnder(const wchar_t* name, const tessel::DocumentScope* parent) {
        const auto index = static_cast<uint16_t>(size());
        emplace_back(new tessel::DocumentScope(1, index, uint16_t(index + 1), parent, name));
        return *back();
    }
};

inline std::shared_ptr<tessel::DocumentTheme> readTheme(const std::wstring& jasmine) {
    auto theme = std::make_shared<tessel::DocumentTheme>();
    std::unique_ptr<pel::Value> value(pel::JasmineReaderHelper::read(jasmine));
    EXPECT_TRUE(theme->read(value.get()));
    return theme;
}

} // namespace tessel_test
