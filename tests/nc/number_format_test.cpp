// Number formatting: the two coordinate styles, the rounded display form, the
// trimmed angle step and the feed word.
#include "nc/number_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

std::string fixed3(double value) {
    std::string text;
    format_fixed(value, text, 3);
    return text;
}
std::string thousandths(double value) {
    std::string text;
    format_thousandths(value, text);
    return text;
}
std::string rounded(double value) {
    std::string text;
    format_rounded(value, text);
    return text;
}
std::string trimmed(double value, int keep_point) {
    std::string text = "stale";
    EXPECT_EQ(0, format_trimmed_3f(text, value, keep_point));
    return text;
}
std::string feed(double value) {
    std::string text;
    format_feed(value, text);
    return text;
}

struct FormatRow {
    double value;
    const char *with_point;
    const char *without_point;
    const char *rounded;
    const char *trimmed;
};

TEST(NumberFormat, TableOfTheFourFormsHoldsByteForByte) {
    const FormatRow rows[] = {
        {0, "0.000", "0", "0.", "0."},
        {12.5, "12.500", "12500", "12.5", "12.5"},
        {12.3456, "12.346", "12346", "12.346", "12.346"},
        {5.3, "5.300", "5300", "5.3", "5.3"},
        {-3.25, "-3.250", "-3250", "-3.25", "-3.25"},
        {0.05, "0.050", "50", "0.05", "0.05"},
        {0.0004, "0.000", "0", "0.", "0."},
        {0.0006, "0.001", "1", "0.001", "0.001"},
        {-0.0004, "-0.000", "-0", "0.", "-0."},
        {100, "100.000", "100000", "100.", "100."},
    };
    for (const FormatRow &row : rows) {
        SCOPED_TRACE(row.value);
        EXPECT_EQ(row.with_point, fixed3(row.value));
        EXPECT_EQ(row.without_point, thousandths(row.value));
        EXPECT_EQ(row.rounded, rounded(row.value));
        EXPECT_EQ(row.trimmed, trimmed(row.value, 1));
    }
}

TEST(NumberFormat, RoundedDropsTrailingZerosAndKeepsThePoint) {
    EXPECT_EQ("12.", rounded(12));
    EXPECT_EQ("90.", rounded(90));
    EXPECT_EQ("12.345", rounded(12.345));
    EXPECT_EQ("0.5", rounded(0.5));
    EXPECT_EQ("0.125", rounded(0.125));
    EXPECT_EQ("0.012", rounded(0.012));
    EXPECT_EQ("0.001", rounded(0.001));
    EXPECT_EQ("-0.05", rounded(-0.05));
    EXPECT_EQ("-12.", rounded(-12.0002));
    // Halves of a thousandth go away from zero, on both sides.
    EXPECT_EQ("0.002", rounded(0.0015));
    EXPECT_EQ("-0.002", rounded(-0.0015));
    EXPECT_EQ("1000.", rounded(999.9996));
}

TEST(NumberFormat, TrimmedDropsThePointOnlyWhenAsked) {
    EXPECT_EQ("90", trimmed(90, 0));
    EXPECT_EQ("90.", trimmed(90, 1));
    EXPECT_EQ("100", trimmed(100, 0));
    EXPECT_EQ("22.5", trimmed(22.5, 0));
    EXPECT_EQ("0.25", trimmed(0.25, 0));
    EXPECT_EQ("0", trimmed(0, 0));
    EXPECT_EQ("-7.125", trimmed(-7.125, 0));
}

TEST(NumberFormat, FeedKeepsItsFractionAndWritesWholeFeedsWithoutPoint) {
    EXPECT_EQ("150", feed(150));
    EXPECT_EQ("2000", feed(2000));
    EXPECT_EQ("0.15", feed(0.15));
    EXPECT_EQ("1.25", feed(1.25));
    EXPECT_EQ("1.2", feed(1.2));
    // Digits past the thousandths stay, up to six decimals: a feed per
    // revolution of F0.0125 is no F0.013.
    EXPECT_EQ("150.0004", feed(150.0004));
    EXPECT_EQ("149.9996", feed(149.9996));
    EXPECT_EQ("0.0006", feed(0.0006));
    EXPECT_EQ("12.3456", feed(12.3456));
    EXPECT_EQ("0.0125", feed(0.0125));
    EXPECT_EQ("0.000001", feed(0.000001));
    EXPECT_EQ("123456.789012", feed(123456.789012));
    EXPECT_EQ("1.000001", feed(1.000001));
    EXPECT_TRUE(feed_fits_output(0.123456));
    EXPECT_TRUE(feed_fits_output(99999.999999));
    EXPECT_FALSE(feed_fits_output(0.1234567));
    EXPECT_FALSE(feed_fits_output(100.0000001));
}

TEST(NumberFormat, HugeValuesAreWrittenWhole) {
    std::string text;
    format_fixed(1e300, text, 3);
    ASSERT_EQ(301u + 4u, text.size());
    EXPECT_EQ('1', text[0]);
    EXPECT_EQ(".000", text.substr(text.size() - 4));
    format_rounded(-1e300, text);
    ASSERT_EQ(1u + 301u + 1u, text.size());
    EXPECT_EQ("-1", text.substr(0, 2));
    EXPECT_EQ('.', text.back());
    format_thousandths(1e300, text);
    EXPECT_EQ(304u, text.size());
    format_feed(1e300, text);
    EXPECT_EQ(301u, text.size());
    EXPECT_EQ(0, format_trimmed_3f(text, 1e300, 0));
    EXPECT_EQ(301u, text.size());
}

// The printf route the formatting must equal byte for byte.
std::string printed(const char *format, double value) {
    char text[400];
    snprintf(text, sizeof text, format, value);
    return text;
}

// format_rounded as defined: halves away from zero on |value| x 1000, then
// "%.3f" of the result with trailing zeros dropped.
std::string rounded_by_printf(double value) {
    if (value > -0.0005 && value < 0.0005) return "0.";
    double r = value;
    if (std::isfinite(value) && std::fabs(value) < 1e15) {
        r = std::round(std::fabs(value) * 1000.0) / 1000.0;
        if (value < 0) r = -r;
    }
    std::string digits = printed("%.3f", std::fabs(r));
    size_t point = digits.find('.');
    if (point != std::string::npos) {
        size_t last = digits.find_last_not_of('0');
        digits.resize(last + 1 > point + 1 ? last + 1 : point + 1);
    }
    return r < 0 ? "-" + digits : digits;
}

// The feed word: whole after rounding to 0.001 gives "%.0f" of the value,
// anything else the rounded value with up to three decimals.
std::string feed_by_printf(double value) {
    double r = value;
    if (std::isfinite(value) && std::fabs(value) < 1e9 &&
        std::round(std::fabs(value) * 1e6) != std::round(std::fabs(value) * 1e3) * 1000.0) {
        std::string text = printed("%.6f", std::copysign(std::round(std::fabs(value) * 1e6) / 1e6, value));
        size_t last = text.find_last_not_of('0');
        text.resize(last + 1);
        return text;
    }
    if (std::isfinite(value) && std::fabs(value) < 1e15) {
        r = std::round(std::fabs(value) * 1000.0) / 1000.0;
        if (value < 0) r = -r;
    }
    if (std::isfinite(r) && std::fmod(std::fabs(r), 1.0) == 0.0) return printed("%.0f", value);
    std::string text = printed("%.3f", r);
    size_t point = text.find('.');
    if (point != std::string::npos) {
        size_t last = text.find_last_not_of('0');
        text.resize(last + 1 > point + 1 ? last + 1 : point + 1);
    }
    return text;
}

bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Values where the whole-number route has its edges: ties of the last decimal,
// the limits of the route, zeros of both signs, the smallest doubles, and the
// values printf alone writes.
std::vector<double> edge_values() {
    std::vector<double> values = {0.0, -0.0, 0.0005, -0.0005, 0.0004999999999999999, 0.00049999,
                                  0.0625, 0.1875, 2.5e-4, 1.0005, 2.0005, 0.0015, -0.0015, 999.9995,
                                  4.5e-4, 5e-4, 1e12, -1e12, 999999999999.9995, 1e15, -1e15,
                                  999999999999999.9, 1e16, 4503599627370495.5, 9007199254740993.0,
                                  std::numeric_limits<double>::denorm_min(),
                                  -std::numeric_limits<double>::denorm_min(),
                                  std::numeric_limits<double>::min(), std::numeric_limits<double>::max(),
                                  -std::numeric_limits<double>::max(),
                                  std::numeric_limits<double>::infinity(),
                                  -std::numeric_limits<double>::infinity(),
                                  std::numeric_limits<double>::quiet_NaN()};
    // Exact ties: odd multiples of half a thousandth (and of half a unit for "%.0f").
    for (int k = -4001; k <= 4001; k += 2) {
        values.push_back(k / 2000.0);
        values.push_back(k / 2.0);
        values.push_back(k / 2000.0 + 1e9);
    }
    // Neighbours of the limits and of ties, one ulp either side.
    std::vector<double> around = {1e12, 1e15, 0.0625, 0.0005, 1.0005, 2.5};
    for (double v : around) {
        values.push_back(std::nextafter(v, 0.0));
        values.push_back(std::nextafter(v, 1e300));
        values.push_back(-std::nextafter(v, 0.0));
        values.push_back(-std::nextafter(v, 1e300));
    }
    return values;
}

std::vector<double> random_values() {
    std::vector<double> values;
    std::mt19937_64 random(19700101u);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    std::uniform_int_distribution<int> exponent(-12, 17);
    std::uniform_int_distribution<long long> thousandths(-100000000LL, 100000000LL);
    for (int i = 0; i < 40000; ++i) {
        values.push_back(unit(random) * std::pow(10.0, exponent(random)));
        // Coordinates as the rotation makes them: a thousandth grid, slightly off.
        double grid = static_cast<double>(thousandths(random)) / 1000.0;
        values.push_back(grid);
        values.push_back(grid + unit(random) * 1e-7);
    }
    return values;
}

TEST(NumberFormat, CoordinateTextEqualsPrintfForEveryValue) {
    for (const std::vector<double> &set : {edge_values(), random_values()}) {
        for (double value : set) {
            ASSERT_EQ(printed("%.3f", value), fixed3(value)) << value;
            ASSERT_EQ(printed("%.0f", value * 1000.0), thousandths(value)) << value;
            std::string trimmed_text = printed("%.3f", value);
            while (trimmed_text.size() > 1 && trimmed_text.back() == '0') trimmed_text.pop_back();
            ASSERT_EQ(trimmed_text, trimmed(value, 1)) << value;
            char chars[FIXED_CHARS_SIZE];
            size_t length = format_fixed_chars(value, 3, chars);
            if (length > 0) {
                ASSERT_EQ(printed("%.3f", value), std::string(chars, length)) << value;
            }
            length = format_fixed_chars(value, 0, chars);
            if (length > 0) {
                ASSERT_EQ(printed("%.0f", value), std::string(chars, length)) << value;
            }
        }
    }
    // Other numbers of decimals are left to printf.
    char chars[FIXED_CHARS_SIZE];
    EXPECT_EQ(0u, format_fixed_chars(1.5, 2, chars));
    std::string text;
    format_fixed(1.005, text, 2);
    EXPECT_EQ(printed("%.2f", 1.005), text);
}

TEST(NumberFormat, RoundedTextValueAndFeedEqualTheTextRoute) {
    for (const std::vector<double> &set : {edge_values(), random_values()}) {
        for (double value : set) {
            std::string expected = rounded_by_printf(value);
            ASSERT_EQ(expected, rounded(value)) << value;
            // The value read back from the text, to the last bit (NaN stays NaN).
            double read_back = std::strtod(expected.c_str(), nullptr);
            double fast = rounded_value(value);
            if (std::isnan(read_back)) {
                ASSERT_TRUE(std::isnan(fast)) << value;
            } else {
                ASSERT_TRUE(same_bits(read_back, fast)) << value << " " << read_back << " " << fast;
            }
            ASSERT_EQ(feed_by_printf(value), feed(value)) << value;
            char chars[FIXED_CHARS_SIZE];
            size_t length = format_feed_chars(value, chars);
            if (length > 0) {
                ASSERT_EQ(feed_by_printf(value), std::string(chars, length)) << value;
            } else {
                // Left to format_feed: the huge, and those with digits past the thousandths.
                double magnitude = std::fabs(value);
                ASSERT_TRUE(!(magnitude < 1e14) ||
                            (magnitude < 1e9 && std::round(magnitude * 1e6) != std::round(magnitude * 1e3) * 1000.0))
                    << value;
            }
        }
    }
}

}  // namespace

TEST(NumberFormat, CodeTextEqualsPrintf) {
    // The table route of the codes below 100 against printf, with every
    // number of leading zeros, and printf's own route for the rest.
    std::mt19937 random(1123);
    for (int i = 0; i < 200000; ++i) {
        uint32_t pick = random();
        int number = pick % 4 == 0 ? static_cast<int>(random()) : static_cast<int>(pick % 300) - 50;
        int min_digits = static_cast<int>(random() % 21);
        if (pick % 3 == 0) min_digits %= 3;
        char letter = static_cast<char>('A' + pick % 26);
        char expected[64];
        std::snprintf(expected, sizeof expected, "%c%0*d", letter, min_digits, number);
        char chars[FIXED_CHARS_SIZE];
        size_t length = format_code_chars(letter, number, min_digits, chars);
        ASSERT_EQ(std::string(expected), std::string(chars, length)) << number << " " << min_digits;
    }
}
