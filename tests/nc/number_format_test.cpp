// Number formatting: the two coordinate styles, the rounded display form, the
// trimmed angle step and the feed word.
#include "nc/number_format.h"

#include <gtest/gtest.h>

#include <string>

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
    EXPECT_EQ("150", feed(150.0004));
    EXPECT_EQ("150", feed(149.9996));
    EXPECT_EQ("0.15", feed(0.15));
    EXPECT_EQ("1.25", feed(1.25));
    EXPECT_EQ("1.2", feed(1.2));
    EXPECT_EQ("0.001", feed(0.0006));
    EXPECT_EQ("12.346", feed(12.3456));
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

}  // namespace
