#include "RandomDocuments.h"

#include "pel/jasmine/JasmineReaderHelper.h"
#include "pel/jasmine/JasmineWeaver.h"
#include "pel/stream/WideStringTextReader.h"

#include <gtest/gtest.h>

#include <memory>

using namespace pel;
using namespace tessel_test;

namespace {

// A dictionary read into a token store of its own, as the weaver takes it.
struct Document {
    explicit Document(const std::wstring& text) {
        WideStringTextReader reader(text);
        value.reset(static_cast<DictionaryValue*>(JasmineReaderHelper::readToStore(&reader, &store)));
    }
    TTokenStore<JasmineToken> store;
    std::unique_ptr<DictionaryValue> value;
};

} // namespace

TEST(JasmineWeaver, TextWeaves) {
    using Operation = void (*)(const AbstractDictionaryValue*, const TTokenStore<JasmineToken>*,
                               const AbstractDictionaryValue*, const TTokenStore<JasmineToken>*, std::wstring*);
    const Operation weave = JasmineWeaver::weave, unweave = JasmineWeaver::unweave;
    struct Case {
        Operation operation;
        const wchar_t* base;
        const wchar_t* other; // the overlay of a weave, the full document of an unweave
        const wchar_t* result;
    } cases[] = {
        {weave, L"{\n\t// colours\n\ta: 2\n\tb: 3\n}", L"{\n\ta: 1\n}", L"{\n\ta: 1\n\tb: 3\n}"},
        {weave, L"{\n\tx: [1, 2] // list\n}", L"{\n\tx: inherit\n}", L"{\n\tx: [1, 2]\n}"},
        {weave, L"{a: 2}", L"{\n\t// gone\n\tz: inherit\n\ta: 1\n}", L"{\n\ta: 1\n}"},
        {weave, L"{a: 2, b: 3}", L"{a: \"inherit\", b: 'removed'}", L"{a: 2}"},
        {weave, L"{a: 2}", L"// head\n{a: 1} // tail", L"// head\n{a: 1}"},
        {unweave, L"{a: 1, b: 2}", L"{a: 1, b: 5, c: 7}", L"{a: inherit, b: 5, c: 7}"},
        {unweave, L"{a: [1 {x: 'y'}], b: 2}", L"// same\n{b: 2.0, a: [1, {\"x\": \"y\"}]}", L"// same\n{b: 2.0, a: inherit}"},
        {unweave, L"{\n\ta: 1\n\t// c\n\tb: 2\n}", L"{}", L"{\n\ta: removed\n\t// c\n\tb: removed}"},
        // Compact texts: nothing runs together, no comma is left after the brace.
        {weave, L"{a:2,b:3}", L"{a:1}", L"{a:1\nb:3}"},
        {weave, L"{a:2,b:3,c:/x/}", L"{c:/y/}", L"{c:/y/\na:2\nb:3}"},
        {weave, L"{a:'x','b':3}", L"{a:'y'}", L"{a:'y'\n'b':3}"},
        {weave, L"{a:0}", L"{x:removed,a:1}", L"{a:1}"},
        {weave, L"{}", L"{x:removed,y:inherit,}", L"{}"},
        {weave, L"{}", L"{b:1 x:\"removed\"a:2}", L"{b:1\na:2}"},
        {unweave, L"{a:2,b:3}", L"{a:2}", L"{a:inherit\nb:removed}"},
        {unweave, L"{a:1,b:2}", L"{a:\"x\"b:2}", L"{a:\"x\"b:inherit}"},
        {unweave, L"{c:1}", L"{a:'x'b:2}", L"{a:'x'b:2\nc:removed}"},
        // A repeated key counts once, at its last place, as it does when read.
        {weave, L"{b:[5]}", L"{a:1, b:inherit, a:2}", L"{ b:[5], a:2}"},
        {weave, L"{a:0}", L"{a:1, b:2, a:removed}", L"{ b:2}"},
        {weave, L"{a:0, b:1, a:2}", L"{c:3}", L"{c:3 a:2 b:1}"},
        {unweave, L"{a:1}", L"{a:5, a:1}", L"{ a:inherit}"},
    };
    for (const Case& c : cases) {
        const Document a(c.base), b(c.other);
        std::wstring result = L"old";
        c.operation(a.value.get(), &a.store, b.value.get(), &b.store, &result);
        EXPECT_EQ(result, c.result) << c.base << L" / " << c.other;
    }
}

TEST(JasmineWeaver, ValueWeave) {
    const Document a(L"{a: 1, b: 2, c: 3}"), b(L"{d: 4, a: inherit, b: \"inherit\", c: removed, e: inherit, f: 'removed'}");
    DictionaryValue result;
    result.setValue(L"b", Value::create());
    JasmineWeaver::weaveValues(a.value.get(), b.value.get(), &result);
    std::unique_ptr<Value> expected(JasmineReaderHelper::read(L"{b: 'inherit', d: 4, a: 1, f: removed}"));
    EXPECT_TRUE(result.equals(*expected));
    EXPECT_EQ(result.insertionOrderBegin()->key(), L"b");
    EXPECT_THROW(JasmineWeaver::weaveValues(a.value.get(), b.value.get(), nullptr), NullPointerException);
}

// For a base B and an edited copy W, weaving B with unweave(B, W) gives W back, in text and in
// values.
TEST(JasmineWeaver, WeaveUndoesUnweave) {
    RandomDocuments random(3);
    const std::vector<std::wstring> keys(random.keys.begin(), random.keys.begin() + 10);
    for (int round = 0; round < 3000; ++round) {
        std::vector<std::pair<std::wstring, std::shared_ptr<Value>>> base, edited;
        for (int n = random.below(6); n > 0; --n)
            base.emplace_back(random.pick(keys), std::shared_ptr<Value>(random.value(1)));
        for (const auto& member : base) {
            const int change = random.below(5);
            if (change == 0)
                continue; // removed
            edited.emplace_back(member.first, change == 1 ? std::shared_ptr<Value>(random.value(1)) : member.second);
        }
        for (int n = random.below(3); n > 0; --n)
            edited.emplace(edited.begin() + random.below(static_cast<int>(edited.size()) + 1), random.pick(keys),
                           std::shared_ptr<Value>(random.value(1)));
        auto text = [&](const std::vector<std::pair<std::wstring, std::shared_ptr<Value>>>& members) {
            std::wstring out = random.below(2) ? L"// head\n{" : L"{";
            for (size_t i = 0; i < members.size(); ++i)
                out += random.gap(i > 0) + random.member(members[i].first, *members[i].second);
            return out + random.gap(!members.empty()) + L"}";
        };
        const Document b(text(base)), w(text(edited));
        std::wstring overlay, woven;
        JasmineWeaver::unweave(b.value.get(), &b.store, w.value.get(), &w.store, &overlay);
        const Document o(overlay);
        JasmineWeaver::weave(b.value.get(), &b.store, o.value.get(), &o.store, &woven);
        std::unique_ptr<Value> back(JasmineReaderHelper::read(woven));
        ASSERT_TRUE(back->equals(*w.value)) << overlay << L"\n=>\n" << woven;
        DictionaryValue values;
        JasmineWeaver::weaveValues(b.value.get(), o.value.get(), &values);
        ASSERT_TRUE(values.equals(*w.value)) << overlay;
    }
}
