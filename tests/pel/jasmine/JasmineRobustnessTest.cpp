// Damaged and hostile text must end in a value or a syntax error, never in a crash or in any
// other exception.

#include "JasmineSamples.h"
#include "JasmineTestSupport.h"

#include "pel/jasmine/JasmineReaderHelper.h"
#include "pel/value/Value.h"

#include <memory>
#include <random>

using namespace pel;
using namespace tessel_test;

namespace {

std::wstring mutate(std::wstring text, std::mt19937& random) {
    static const wchar_t inserted[] = L"\"'[]{}\\/*:,";
    const int changes = 1 + random() % 4;
    for (int i = 0; i < changes; ++i) {
        const size_t at = text.empty() ? 0 : random() % text.size();
        switch (random() % 5) {
        case 0: // flip one byte of a character
            if (!text.empty())
                text[at] ^= static_cast<wchar_t>((random() % 255 + 1) << (random() % 2 ? 8 : 0));
            break;
        case 1: // cut off
            text.resize(at);
            break;
        case 2: // drop a run
            text.erase(at, random() % 8);
            break;
        default: // insert a quote, a bracket, a backslash or another delimiter
            text.insert(at, 1, inserted[random() % (sizeof inserted / sizeof inserted[0] - 1)]);
            break;
        }
    }
    return text;
}

} // namespace

TEST(JasmineRobustness, MutatedSamplesEndInAValueOrASyntaxError) {
    const std::vector<std::wstring>& samples = jasmineSamples();
    std::mt19937 random(20240611);
    int values = 0, errors = 0;
    for (int round = 0; round < 100000; ++round) {
        const std::wstring text = mutate(samples[round % samples.size()], random);
        const bool throughStore = round % 10 == 0;
        try {
            std::unique_ptr<Value> value;
            if (throughStore) {
                WideStringTextReader reader(text);
                TTokenStore<JasmineToken> store;
                value.reset(JasmineReaderHelper::readToStore(&reader, &store));
                // The store keeps every character up to the end of the text (or its first NUL).
                std::wstring again;
                store.appendText(0, store.size() - 1, again);
                const size_t nul = text.find(L'\0');
                if (nul == std::wstring::npos && (text.empty() || text.back() != L'/')) {
                    ASSERT_EQ(text, again) << "round " << round;
                }
            } else {
                value.reset(JasmineReaderHelper::read(text));
            }
            ASSERT_NE(nullptr, value.get());
            std::unique_ptr<Value> copy(value->clone());
            ASSERT_TRUE(copy->equals(*value));
            ++values;
        } catch (const JasmineSyntaxException& e) {
            ASSERT_LE(e.start.offset, e.end.offset) << "round " << round;
            ASSERT_LE(e.end.offset, text.size()) << "round " << round;
            ++errors;
        } catch (const std::exception& e) {
            FAIL() << "round " << round << ": " << e.what();
        } catch (const Exception& e) {
            FAIL() << "round " << round << ": " << testing::PrintToString(e.displayText());
        }
    }
    // Both outcomes occur often, or the mutations test too little.
    EXPECT_GT(values, 5000);
    EXPECT_GT(errors, 5000);
}
