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

uint64_t bitsOf(double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

double fromBits(uint64_t bits) {
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

} // namespace

TEST(DoubleText, Layout) {
    EXPECT_EQ(".1", shortest(0.1));
    EXPECT_EQ(".001", shortest(0.001));
    EXPECT_EQ(".0001", shortest(0.0001));
    EXPECT_EQ("1e-05", shortest(0.00001));
    EXPECT_EQ("100000", shortest(100000));
    EXPECT_EQ("1e+06", shortest(1000000));
    EXPECT_EQ("123456789", shortest(123456789));
    EXPECT_EQ("1.5e+300", shortest(1.5e300));
    EXPECT_EQ("-2.5", shortest(-2.5));
    EXPECT_EQ(".3333333333333333", shortest(1.0 / 3));
    EXPECT_EQ("0", shortest(0.0));
    EXPECT_EQ("-0", shortest(-0.0));
    EXPECT_EQ("Infinity", shortest(std::numeric_limits<double>::infinity()));
    EXPECT_EQ("-Infinity", shortest(-std::numeric_limits<double>::infinity()));
    EXPECT_EQ("NaN", shortest(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_EQ("1.25", shortest(1.25));
    EXPECT_EQ("12000", shortest(12000));
    EXPECT_EQ("1.2e+07", shortest(12000000));
    EXPECT_EQ("5e-324", shortest(std::ldexp(1.0, -1074)));
    EXPECT_EQ("1.7976931348623157e+308", shortest(std::numeric_limits<double>::max()));
    EXPECT_EQ("-1.2345678901234567e-100", shortest(-1.2345678901234567e-100));
    EXPECT_EQ("1e+100", shortest(1e100));
}

TEST(DoubleText, DigitsAndDecimalPoint) {
    ShortestDigits d = dtoa(0.25);
    EXPECT_STREQ("25", d.digits);
    EXPECT_EQ(0, d.decpt);
    EXPECT_FALSE(d.negative);
    d = dtoa(-1234.5);
    EXPECT_STREQ("12345", d.digits);
    EXPECT_EQ(4, d.decpt);
    EXPECT_TRUE(d.negative);
    d = dtoa(0.0);
    EXPECT_STREQ("0", d.digits);
    EXPECT_EQ(1, d.decpt);
    d = dtoa(-std::numeric_limits<double>::infinity());
    EXPECT_STREQ("Infinity", d.digits);
    EXPECT_EQ(ShortestDigits::SPECIAL_DECPT, d.decpt);
    EXPECT_TRUE(d.negative);
}

TEST(DoubleText, WideFormAppends) {
    std::wstring out = L"x=";
    formatDouble(out, -0.5);
    EXPECT_EQ(L"x=-.5", out);
}

TEST(DoubleText, RandomDoublesReadBackBitIdentical) {
    std::mt19937_64 random(20240601);
    int checked = 0;
    while (checked < 100000) {
        // Half uniform bit patterns (every exponent, subnormals included), half ordinary values.
        const double value = (checked % 2) ? fromBits(random())
                                           : std::ldexp(static_cast<double>(random() >> 11), -53) * 1000.0;
        if (!std::isfinite(value))
            continue;
        std::wstring text;
        formatDouble(text, value);
        double back = 0;
        ASSERT_TRUE(parseDouble(&back, text)) << std::string(text.begin(), text.end());
        ASSERT_EQ(bitsOf(value), bitsOf(back)) << std::string(text.begin(), text.end());
        ++checked;
    }
}

TEST(DoubleText, FourThreadsFormatAtOnce) {
    std::mt19937_64 random(7);
    std::vector<double> values(20000);
    std::vector<std::string> expected(values.size());
    for (size_t i = 0; i < values.size(); ++i) {
        do
            values[i] = fromBits(random());
        while (!std::isfinite(values[i]));
        expected[i] = shortest(values[i]);
    }
    std::vector<int> mismatches(4, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 5; ++round) {
                for (size_t i = t; i < values.size() + t; ++i) {
                    const size_t k = i % values.size();
                    if (shortest(values[k]) != expected[k])
                        ++mismatches[t];
                }
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ((std::vector<int>{0, 0, 0, 0}), mismatches);
}
