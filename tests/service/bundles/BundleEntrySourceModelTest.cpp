// A three-layer entry with comments, driven by random edits, saves and reloads: after every step
// both merges give the value a plain model expects, and a reload from disk gives what was saved.

#include "service/bundles/BundleEntrySource.h"

#include "service/base/error/ErrorList.h"

#include "BundleLayers.h"
#include "pel/jasmine/JasmineReaderHelper.h"
#include "pel/jasmine/JasmineWriterHelper.h"
#include "pel/value/DictionaryValue.h"
#include "pel/value/ListValue.h"
#include "pel/value/ScalarValue.h"
#include "pel/value/StringValue.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>

using namespace tessel;
using tessel_test::BundleLayers;
using Owned = std::unique_ptr<pel::Value>;

namespace {

const wchar_t* const KEYS[] = {L"title", L"scope", L"patterns", L"extra", L"k1", L"k2", L"k-3"};
const wchar_t* const WORDS[] = {L"x", L"removed", L"inherit", L"a b", L"", L"null"};

class Random {
public:
    int below(int n) { return static_cast<int>(m_engine() % static_cast<unsigned>(n)); }
    const wchar_t* key() { return KEYS[below(7)]; }

    pel::Value* value(int depth = 0) {
        switch (below(depth < 2 ? 6 : 4)) {
        case 0: // every style, bare marker words included
            return new pel::StringValue(WORDS[below(6)], below(3));
        case 1:
            return new pel::ScalarValue(static_cast<int32_t>(below(1000) - 500));
        case 2:
            return pel::ScalarValue::createBool(below(2) == 1);
        case 3:
            return pel::Value::create();
        case 4: {
            pel::ListValue* list = pel::ListValue::create();
            for (int n = below(3); n > 0; --n)
                list->append(value(depth + 1));
            return list;
        }
        default: {
            pel::DictionaryValue* dictionary = pel::DictionaryValue::create();
            for (int n = below(3); n > 0; --n)
                dictionary->setValue(key(), value(depth + 1));
            return dictionary;
        }
        }
    }

private:
    std::mt19937 m_engine{36};
};

std::shared_ptr<pel::DictionaryValue> readDictionary(const std::wstring& text) {
    return std::shared_ptr<pel::DictionaryValue>(static_cast<pel::DictionaryValue*>(pel::JasmineReaderHelper::read(text)));
}

std::shared_ptr<pel::DictionaryValue> copyOf(const pel::Value& value) {
    return std::shared_ptr<pel::DictionaryValue>(static_cast<pel::DictionaryValue*>(value.clone()));
}

std::wstring json(const pel::Value* value) {
    std::wstring text = L"<none>";
    if (value)
        pel::JasmineWriterHelper::toJson(value, &text);
    return text;
}

// An edit of the merged text as a person makes one: a comment, a member typed in, a member cut.
std::wstring editText(std::wstring text, Random& random, int step) {
    const std::shared_ptr<pel::DictionaryValue> value = readDictionary(text);
    const size_t brace = text.rfind(L'}');
    switch (random.below(3)) {
    case 0:
        return text.insert(brace, L"\n\t// note " + std::to_wstring(step) + L"\n");
    case 1: {
        std::wstring member;
        pel::JasmineWriterHelper::toJasmine(Owned(random.value()).get(), &member);
        return text.insert(brace, L"\n\tk" + std::to_wstring(step) + L": " + member + L" /* typed */\n");
    }
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
