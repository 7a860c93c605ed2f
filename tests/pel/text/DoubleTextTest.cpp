#include "pel/text/DoubleText.h"
#include "pel/text/NumberText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <thread>
#include <vector>

using namespace pel;

namespace {

std::string shortest(double value) {
    char buffer[32];
    return formatDoubleShortest(buffer, value);
}

double fromBits(uint64_t bits) {
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Finite doubles of every magnitude, subnormals included.
std::vector<double> randomDoubles(size_t count, uint64_t seed) {
    std::mt19937_64 random(seed);
    std::vector<double> values;
    while (values.size() < count) {
        const double value = fromBits(random());
        if (std::isfinite(value))
            values.push_back(value);
    }
    return values;
}

} // namespace

TEST(DoubleText, Layout) {
    const double inf = std::numeric_limits<double>::infinity();
    const std::pair<double, const char*> rows[] = {
        {0.1, ".1"}, {0.001, ".001"}, {0.0001, ".0001"}, {0.00001, "1e-05"}, {100000, "100000"},
        {1000000, "1e+06"}, {123456789, "123456789"}, {1.5e300, "1.5e+300"}, {-2.5, "-2.5"},
        {1.0 / 3, ".3333333333333333"}, {0.0, "0"}, {-0.0, "-0"}, {inf, "Infinity"}, {-inf, "-Infinity"},
        {std::numeric_limits<double>::quiet_NaN(), "NaN"}, {12000, "12000"}, {12000000, "1.2e+07"},
        {std::ldexp(1.0, -1074), "5e-324"}, {std::numeric_limits<double>::max(), "1.7976931348623157e+308"},
    };
    for (const auto& [value, text] : rows)
        EXPECT_EQ(text, shortest(value));
    std::wstring out = L"x=";
    formatDouble(out, -0.5);
    EXPECT_EQ(L"x=-.5", out);
}

TEST(DoubleText, RandomDoublesReadBackBitIdentical) {
    std::vector<double> values = randomDoubles(50000, 20240601);
    // And as many ordinary values between 0 and 1000.
    std::mt19937_64 random(3);
    for (int i = 0; i < 50000; ++i)
        values.push_back(std::ldexp(static_cast<double>(random() >> 11), -53) * 1000.0);
    for (double value : values) {
        std::wstring text;
        formatDouble(text, value);
        double back = 0;
        ASSERT_TRUE(parseDouble(&back, text)) << std::string(text.begin(), text.end());
        ASSERT_EQ(0, std::memcmp(&value, &back, sizeof value)) << std::string(text.begin(), text.end());
    }
}

TEST(DoubleText, FourThreadsFormatAtOnce) {
    const std::vector<double> values = randomDoubles(20000, 7);
    std::vector<std::string> expected;
    for (double value : values)
        expected.push_back(shortest(value));
    std::vector<int> mismatches(4, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (size_t i = 0; i < 5 * values.size(); ++i) {
                const size_t k = (i + t * 997) % values.size();
                mismatches[t] += shortest(values[k]) != expected[k];
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ((std::vector<int>{0, 0, 0, 0}), mismatches);
}
