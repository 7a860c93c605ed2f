// A three-layer entry with comments, driven by random edits, saves and reloads: after every step
// both merges give the value a plain model expects, and a reload from disk gives what was saved.

#include "service/bundles/BundleEntrySource.h"

#include "service/base/error/ErrorList.h"

#include "BundleLayers.h"
#include "pel/jasmine/JasmineTestSupport.h"
#include "pel/jasmine/JasmineWeaver.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace tessel;
using tessel_test::BundleLayers;
using pel::JasmineWeaver;
using tessel_test::Owned;

namespace {

// The value trees and member texts of the Jasmine tests, with entry keys among their awkward
// ones and, at the top, the marker words as strings of every style.
class Random : public tessel_test::RandomDocuments {
public:
    Random() : RandomDocuments(36) {}

    std::wstring key() {
        static const std::vector<std::wstring> entryKeys = {L"title", L"scope", L"patterns", L"extra"};
        return pick(below(2) ? entryKeys : keys);
    }
    pel::Value* value() {
        static const std::vector<std::wstring> markers = {JasmineWeaver::INHERIT, JasmineWeaver::REMOVED};
        return below(4) ? RandomDocuments::value(1) : new pel::StringValue(pick(markers), below(3));
    }
};

std::shared_ptr<pel::DictionaryValue> readDictionary(const std::wstring& text) {
    return std::shared_ptr<pel::DictionaryValue>(static_cast<pel::DictionaryValue*>(pel::JasmineReaderHelper::read(text)));
}

std::shared_ptr<pel::DictionaryValue> copyOf(const pel::Value& value) {
    return std::shared_ptr<pel::DictionaryValue>(static_cast<pel::DictionaryValue*>(value.clone()));
}

std::wstring json(const pel::Value* value) { return value ? tessel_test::json(*value) : L"<none>"; }

// An edit of the merged text as a person makes one: a comment, a member typed in, a member cut.
std::wstring editText(std::wstring text, Random& random, int step) {
    const std::shared_ptr<pel::DictionaryValue> value = readDictionary(text);
    const size_t brace = text.rfind(L'}');
    switch (random.below(3)) {
    case 0:
        return text.insert(brace, L"\n\t// note " + std::to_wstring(step) + L"\n");
    case 1:
        return text.insert(brace, L"\n" + random.gap(false) + random.member(L"k" + std::to_wstring(step),
                                                                             *Owned(random.value())) + L"\n");
    default: {
        if (value->empty())
            return text;
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
    constexpr auto ROOT = BundleEntryRepository::T_Root, USER = BundleEntryRepository::T_User,
                   CHANGES = BundleEntryRepository::T_Changes;
    layers.put(BundleLayers::grammar(ROOT), L"// A grammar\n{\n\t// shown in menus\n\ttitle: 'A' // the title\n"
                                            L"\tscope: \"source.x\"\n\t/* rules */\n\tpatterns: [{match: /x/}] // last\n}\n");
    layers.put(BundleLayers::grammar(USER), L"{\n\tscope: 'source.user' /* user */\n\textra: [1 2]\n}\n");
    layers.put(BundleLayers::grammar(CHANGES), L"{\n\ttitle: 'Changed' // mine\n\tpatterns: inherit\n\tgone: removed\n}\n");
    std::shared_ptr<BundleEntrySource> source = layers.source({ROOT, USER, CHANGES});
    ErrorList errors;
    std::shared_ptr<pel::DictionaryValue> model = copyOf(*source->getValue(&errors)), saved = model;
    Random random;

    for (int step = 0; step < 2000; ++step) {
        const int kind = random.below(10);
        std::wstring what;
        if (kind < 3) {
            const std::wstring key = random.key();
            const Owned value(random.value());
            what = L"value edit of " + key + L" to " + json(value.get());
            ASSERT_TRUE(source->setValue(key, *value, &errors)) << what;
            model->setValue(key, value->clone());
        } else if (kind < 5) {
            const std::wstring text = editText(source->getSourceText(&errors), random, step);
            what = L"text edit to\n" + text;
            ASSERT_TRUE(source->setMerged(text, &errors)) << what;
            model = readDictionary(text);
        } else if (kind < 7) {
            const std::shared_ptr<pel::DictionaryValue> form = copyOf(*model);
            for (int n = 1 + random.below(3); n > 0; --n) {
                if (random.below(3) == 0)
                    form->remove(random.key(), nullptr);
                else
                    form->setValue(random.key(), random.value());
            }
            what = L"form edit to " + json(form.get());
            ASSERT_TRUE(source->setMerged(*form, &errors)) << what;
            model = form;
        } else if (kind < 9) {
            what = L"save";
            ASSERT_TRUE(source->save(BundleLayers::grammar(CHANGES), &errors)) << what;
            saved = copyOf(*model);
        } else {
            what = L"reload";
            source = layers.source({ROOT, USER, CHANGES});
            model = copyOf(*saved);
        }
        // Both merges, in either order.
        const bool textFirst = random.below(2) == 0;
        const std::shared_ptr<pel::DictionaryValue> fromText =
            textFirst ? readDictionary(source->getSourceText(&errors)) : nullptr;
        ASSERT_TRUE(source->getValue(&errors) && source->getValue(&errors)->equals(*model))
            << step << L": " << what << L"\nvalue " << json(source->getValue(&errors).get()) << L"\nmodel "
            << json(model.get());
        const std::shared_ptr<pel::DictionaryValue> text = fromText ? fromText : readDictionary(source->getSourceText(&errors));
        ASSERT_TRUE(text && text->equals(*model)) << step << L": " << what << L"\n" << source->getSourceText(&errors);
        ASSERT_TRUE(errors.empty()) << step << L": " << what << L": " << errors.getFirst()->getMessage();
    }
}
