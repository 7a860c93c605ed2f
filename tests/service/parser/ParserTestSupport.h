#pragma once
// Shared pieces of the parsing tests: a fixture that records the test thread as the main
// thread, chains of scope records built from their names, and themes read from Jasmine text.

#include "pel/jasmine/JasmineReaderHelper.h"
#include "pel/thread/MainThread.h"
#include "pel/value/Value.h"
#include "service/parser/DocumentTheme.h"
#include "service/parser/base/DocumentScope.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace tessel_test {

class MainThreadTest : public testing::Test {
protected:
    MainThreadTest() { pel::store_main_thread_id(); } // the test runner's thread stands in for the entry point
};

// Records with index i and rule number i + 1, each nested in the one before unless added under
// another parent (null for a root).
class ScopeChain {
public:
    ScopeChain(std::initializer_list<const wchar_t*> outermostFirst) {
        for (const wchar_t* name : outermostFirst)
            add(name);
    }
    const tessel::DocumentScope& add(const wchar_t* name) {
        return addUnder(name, m_records.empty() ? nullptr : m_records.back().get());
    }
    const tessel::DocumentScope& addUnder(const wchar_t* name, const tessel::DocumentScope* parent) {
        const auto index = static_cast<uint16_t>(m_records.size());
        m_records.emplace_back(new tessel::DocumentScope(1, index, uint16_t(index + 1), parent, name));
        return *m_records.back();
    }
    const tessel::DocumentScope& operator[](size_t i) const { return *m_records[i]; }
    const tessel::DocumentScope& back() const { return *m_records.back(); }
    size_t size() const { return m_records.size(); }

private:
    std::vector<std::unique_ptr<tessel::DocumentScope>> m_records;
};

inline std::shared_ptr<tessel::DocumentTheme> readTheme(const std::wstring& jasmine) {
    auto theme = std::make_shared<tessel::DocumentTheme>();
    std::unique_ptr<pel::Value> value(pel::JasmineReaderHelper::read(jasmine));
    EXPECT_TRUE(theme->read(value.get()));
    return theme;
}

} // namespace tessel_test
