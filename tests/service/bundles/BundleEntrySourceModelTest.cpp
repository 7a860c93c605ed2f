// A three-layer entry with comments, driven by random edits, saves and reloads: after every step
// both merges give the value a plain model expects, and a reload from disk gives what was saved.

#include "service/bundles/BundleEntrySource.h"

#include "service/base/error/ErrorList.h"

#include "BundleLayers.h"
#include "pel/jasmine/JasmineTestSupport.h"
#include "pel/jasmine/JasmineWeaver.h"

#include <gtest/gtest.h>

using namespace tessel;
using tessel_test::BundleLayers;
using tessel_test::Owned;
using Model = std::shared_ptr<pel::AbstractDictionaryValue>;

namespace {

// The Jasmine tests' value trees and member texts, with entry keys among their awkward ones
// and, at the top, the marker words as strings of every style.
class Random : public tessel_test::RandomDocuments {
public:
    Random() : RandomDocuments(36) {}
    std::wstring key() { return pick(below(2) ? std::vector<std::wstring>{L"title", L"scope", L"patterns"} : keys); }
    pel::Value* value() {
        const std::vector<std::wstring> markers = {pel::JasmineWeaver::INHERIT, pel::JasmineWeaver::REMOVED};
        return below(4) ? RandomDocuments::value(1) : new pel::StringValue(pick(markers), below(3));
    }
};

Model modelOf(pel::Value* value) { return Model(static_cast<pel::AbstractDictionaryValue*>(value)); }
Model read(const std::wstring& text) { return modelOf(pel::JasmineReaderHelper::read(text)); }

// An edit of the merged text as a person makes one: a comment, a member typed in, a member cut.
std::wstring editText(std::wstring text, Random& random, int step) {
    const size_t brace = text.rfind(L'}');
    const Model value = read(text);
    switch (value->empty() ? 0 : random.below(3)) {
    case 0:
        return text.insert(brace, L"\n\t// note " + std::to_wstring(step) + L"\n");
    case 1:
        return text.insert(brace, L"\n" + random.gap(false) + random.member(L"k" + std::to_wstring(step), *Owned(random.value())) + L"\n");
    default: {
        auto member = value->members().begin();
        for (int skip = random.below(static_cast<int>(value->size())); skip > 0; --skip)
            ++member;
        const pel::ValueSourceRange& range = member->value()->range;
        return text.erase(range.keyBegin.offset, range.outerEnd.offset - range.keyBegin.offset);
    }
    }
}

} // namespace

TEST(BundleEntrySourceModel, RandomEditsSavesAndReloadsAgreeWithTheModel) {
    BundleLayers layers;
    const std::vector<uint32_t> all = {BundleEntryRepository::T_Root, BundleEntryRepository::T_User,
                                       BundleEntryRepository::T_Changes};
    const BundleEntryFilePath changes = BundleLayers::grammar(BundleEntryRepository::T_Changes);
    layers.put(BundleLayers::grammar(all[0]), L"// A grammar\n{\n\t// shown in menus\n\ttitle: 'A' // the title\n"
                                              L"\tscope: \"source.x\"\n\t/* rules */\n\tpatterns: [{match: /x/}] // last\n}\n");
    layers.put(BundleLayers::grammar(all[1]), L"{\n\tscope: 'source.user' /* user */\n\textra: [1 2]\n}\n");
    layers.put(changes, L"{\n\ttitle: 'Changed' // mine\n\tpatterns: inherit\n\tgone: removed\n}\n");
    std::shared_ptr<BundleEntrySource> source = layers.source(all);
    ErrorList errors;
    Model model = modelOf(source->getValue(&errors)->clone()), saved = model;
    Random random;

    for (int step = 0; step < 2000; ++step) {
        const int kind = random.below(10);
        std::wstring what = std::to_wstring(step) + L": ";
        if (kind < 3) {
            const std::wstring key = random.key();
            const Owned value(random.value());
            what += L"value edit of " + key + L" to " + tessel_test::json(*value);
            ASSERT_TRUE(source->setValue(key, *value, &errors)) << what;
            model->setValue(key, value->clone());
        } else if (kind < 5) {
            const std::wstring text = editText(source->getSourceText(&errors), random, step);
            what += L"text edit to\n" + text;
            ASSERT_TRUE(source->setMerged(text, &errors)) << what;
            model = read(text);
        } else if (kind < 7) {
            const Model form = modelOf(model->clone());
            for (int n = 1 + random.below(3); n > 0; --n)
                random.below(3) ? form->setValue(random.key(), random.value()) : (void)form->remove(random.key(), nullptr);
            what += L"form edit to " + tessel_test::json(*form);
            ASSERT_TRUE(source->setMerged(*form, &errors)) << what;
            model = form;
        } else if (kind < 9) {
            what += L"save";
            ASSERT_TRUE(source->save(changes, &errors)) << what;
            saved = modelOf(model->clone());
        } else {
            what += L"reload";
            source = layers.source(all);
            model = modelOf(saved->clone());
        }
        // Both merges, the text's first or the value's first.
        const Model text = random.below(2) ? read(source->getSourceText(&errors)) : nullptr;
        const std::shared_ptr<const pel::AbstractDictionaryValue> value = source->getValue(&errors);
        ASSERT_TRUE(value && value->equals(*model)) << what << L"\nvalue " << (value ? tessel_test::json(*value) : L"none");
        ASSERT_TRUE((text ? text : read(source->getSourceText(&errors)))->equals(*model)) << what << L"\n"
                                                                                           << source->getSourceText(&errors);
        ASSERT_TRUE(errors.empty()) << what << L": " << errors.getFirst()->getMessage();
    }
}
