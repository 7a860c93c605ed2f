#include "JasmineTestSupport.h"

#include "pel/jasmine/JasmineWeaver.h"

using namespace pel;
using namespace tessel_test;

TEST(JasmineWeaver, TextWeaves) {
    // Operation, base, overlay of a weave or full document of an unweave, result.
    const wchar_t* const cases[][4] = {
        {L"weave", L"{\n\t// colours\n\ta: 2\n\tb: 3\n}", L"{\n\ta: 1\n}", L"{\n\ta: 1\n\tb: 3\n}"},
        {L"weave", L"{\n\tx: [1, 2] // list\n}", L"{\n\tx: inherit\n}", L"{\n\tx: [1, 2]\n}"},
        {L"weave", L"{a: 2}", L"{\n\t// gone\n\tz: inherit\n\ta: 1\n}", L"{\n\ta: 1\n}"},
        {L"weave", L"{a: 2, b: 3}", L"{a: \"inherit\", b: 'removed'}", L"{a: 2}"},
        {L"weave", L"{a: 2}", L"// head\n{a: 1} // tail", L"// head\n{a: 1}"},
        {L"unweave", L"{a: 1, b: 2}", L"{a: 1, b: 5, c: 7}", L"{a: inherit, b: 5, c: 7}"},
        {L"unweave", L"{a: [1 {x: 'y'}], b: 2}",
         L"// same\n{b: 2.0, a: [1, {\"x\": \"y\"}]}", L"// same\n{b: 2.0, a: inherit}"},
        {L"unweave", L"{\n\ta: 1\n\t// c\n\tb: 2\n}", L"{}", L"{\n\ta: removed\n\t// c\n\tb: removed}"},
        // Compact texts: nothing runs together, no comma is left after the brace.
        {L"weave", L"{a:2,b:3}", L"{a:1}", L"{a:1\nb:3}"},
        {L"weave", L"{a:2,b:3,c:/x/}", L"{c:/y/}", L"{c:/y/\na:2\nb:3}"},
        {L"weave", L"{a:'x','b':3}", L"{a:'y'}", L"{a:'y'\n'b':3}"},
        {L"weave", L"{a:0}", L"{x:removed,a:1}", L"{a:1}"},
        {L"weave", L"{}", L"{x:removed,y:inherit,}", L"{}"},
        {L"weave", L"{}", L"{b:1 x:\"removed\"a:2}", L"{b:1\na:2}"},
        {L"unweave", L"{a:2,b:3}", L"{a:2}", L"{a:inherit\nb:removed}"},
        {L"unweave", L"{a:1,b:2}", L"{a:\"x\"b:2}", L"{a:\"x\"b:inherit}"},
        {L"unweave", L"{c:1}", L"{a:'x'b:2}", L"{a:'x'b:2\nc:removed}"},
        // A repeated key counts once, at its last place, as it does when read.
        {L"weave", L"{b:[5]}", L"{a:1, b:inherit, a:2}", L"{ b:[5], a:2}"},
        {L"weave", L"{a:0}", L"{a:1, b:2, a:removed}", L"{ b:2}"},
        {L"weave", L"{a:0, b:1, a:2}", L"{c:3}", L"{c:3 a:2 b:1}"},
        {L"unweave", L"{a:1}", L"{a:5, a:1}", L"{ a:inherit}"},
        // Only bare words are markers: a quoted one is a string in the weave, and one the full
        // document holds as a bare word is quoted by the unweave. The tail can be kept.
        {L"weave bare", L"{a: 2, b: 3}", L"{a: \"inherit\", b: 'removed', c: removed, d: inherit}",
         L"{a: \"inherit\", b: 'removed'}"},
        {L"unweave bare", L"{a: 1, c: 2}", L"{a: removed, b: inherit, c: 2}",
         L"{a: \"removed\", b: \"inherit\", c: inherit}"},
        {L"weave tail", L"{a: 2}", L"// head\n{a: 1} // tail\n", L"// head\n{a: 1} // tail\n"},
        {L"unweave tail", L"{a: 1}", L"{a: 1}\n", L"{a: inherit}\n"},
        // Rewrites to the document of the third column (for rewriteMember its one member):
        // unchanged members keep their text, changed values are written in place and indented
        // like their member, a member that went goes with its leading text, new ones follow the
        // last member on lines of their own.
        {L"rewrite", L"// head\n{\n\t// the name\n\tname: 'x' // kept\n\tb: [1, 2]\n\tgone: 1\n}\n",
         L"{b: [1, 3], name: \"x\", c: {d: removed}}",
         L"// head\n{\n\t// the name\n\tname: 'x' // kept\n\tb: [\n\t\t1\n\t\t\n\t\t3\n\t\t\n\t]\n\tc: {\n\t\td: removed\n\t}\n}\n"},
        {L"rewrite", L"{}", L"{a: 1}", L"{\n\ta: 1\n}"},
        {L"rewrite", L"{a:'x'b:2}", L"{a:5,b:2}", L"{a:5\nb:2}"},
        {L"rewrite", L"{t: 'a'}", L"{t: removed}", L"{t: \"removed\"}"},
        {L"rewrite", L"{a:1, b:2}", L"{b:2, c:3}", L"{b:2\nc: 3}"},
        {L"rewrite", L"{a:1, a:2}", L"{a:2}", L"{a:2}"},
        {L"rewrite", L"{\n\ta: 1 // one\n\tb: 2 // two\n\tc: 3\n}", L"{a: 1, c: 3}", L"{\n\ta: 1 // one\n\tc: 3\n}"},
        {L"member", L"{\n\ttitle: 'A' // t\n\tb: 1\n}", L"{title: \"B\"}", L"{\n\ttitle: \"B\" // t\n\tb: 1\n}"},
        {L"member", L"{\n\ta: 1 // note\n}\n", L"{b: [1]}", L"{\n\ta: 1 // note\n\tb: [\n\t\t1\n\t\t\n\t]\n}\n"},
        {L"member", L"  {}", L"{b: 2}", L"  {\n  \tb: 2\n  }"},
        {L"member", L"{\n\tx: {\n\t\ty: 1\n\t}\n}", L"{x: {y: 2}}", L"{\n\tx: {\n\t\ty: 2\n\t}\n}"},
    };
    for (const auto& c : cases) {
        const Stored a(c[1]), b(c[2]);
        const std::wstring op = c[0];
        unsigned options = 0;
        if (op.find(L" bare") != std::wstring::npos)
            options |= JasmineWeaver::BARE_MARKERS;
        if (op.find(L" tail") != std::wstring::npos)
            options |= JasmineWeaver::KEEP_TAIL;
        std::wstring result = L"old";
        if (op == L"rewrite")
            JasmineWeaver::rewrite(a.dictionary(), &a.store, b.dictionary(), &result);
        else if (op == L"member")
            JasmineWeaver::rewriteMember(a.dictionary(), &a.store, b.dictionary()->members().begin()->key(),
                                         *b.dictionary()->members().begin()->value(), &result);
        else
            (op[0] == L'w' ? JasmineWeaver::weave : JasmineWeaver::unweave)(a.dictionary(), &a.store, b.dictionary(),
                                                                             &b.store, &result, options);
        EXPECT_EQ(c[3], result) << c[0] << L": " << c[1] << L" / " << c[2];
    }
}

TEST(JasmineWeaver, ValueWeave) {
    const Stored a(L"{a: 1, b: 2, c: 3}"),
        b(L"{d: 4, a: inherit, b: \"inherit\", c: removed, e: inherit, f: 'removed'}");
    DictionaryValue result;
    result.setValue(L"b", Value::create()); // added to, not cleared
    JasmineWeaver::weaveValues(a.dictionary(), b.dictionary(), &result);
    EXPECT_EQ(LR"({"b":"inherit","d":4,"a":1,"f":"removed"})", json(result));
}

// For a base B and an edited copy W, weaving B with unweave(B, W) gives W back, in text and in
// values, with either kind of marker; rewriting B into W gives W, and so does rewriting B
// member by member into W's members.
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
        const Stored b(text(base)), w(text(edited));
        const unsigned options = round % 2 ? JasmineWeaver::BARE_MARKERS | JasmineWeaver::KEEP_TAIL : 0;
        std::wstring overlay, woven;
        JasmineWeaver::unweave(b.dictionary(), &b.store, w.dictionary(), &w.store, &overlay, options);
        const Stored o(overlay);
        JasmineWeaver::weave(b.dictionary(), &b.store, o.dictionary(), &o.store, &woven, options);
        ASSERT_TRUE(Owned(JasmineReaderHelper::read(woven))->equals(*w.value)) << overlay << L"\n=>\n" << woven;
        DictionaryValue values;
        JasmineWeaver::weaveValues(b.dictionary(), o.dictionary(), &values);
        ASSERT_TRUE(values.equals(*w.value)) << overlay;
        std::wstring rewritten;
        JasmineWeaver::rewrite(b.dictionary(), &b.store, w.dictionary(), &rewritten);
        ASSERT_TRUE(Owned(JasmineReaderHelper::read(rewritten))->equals(*w.value)) << b.all() << L"\n=>\n" << rewritten;
        auto step = std::make_unique<Stored>(b.all());
        for (const DictionaryMember& member : w.dictionary()->members()) {
            JasmineWeaver::rewriteMember(step->dictionary(), &step->store, member.key(), *member.value(), &rewritten);
            step = std::make_unique<Stored>(rewritten);
            ASSERT_TRUE(step->value && step->dictionary()->find(member.key())->equals(*member.value())) << rewritten;
        }
    }
}
