// The word scanner: substring search, whole codes, comments, and the numbers
// after the address letters.
#include "nc/word_scanner.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cstring>
#include <random>
#include <string>

namespace {

struct ReadNumber {
    double value;
    int has_point;
};
ReadNumber number_of(const std::string &word) {
    ReadNumber read = {-99.0, -1};
    read_word_number(word.c_str(), read.value, read.has_point);
    return read;
}
int integer_of(const std::string &word) {
    int stored = -99;
    int returned = read_word_integer(word.c_str(), stored);
    EXPECT_EQ(returned, stored) << word;
    return stored;
}

TEST(WordScanner, PlainSearchFindsCodesInsideOthersWholeCodeSearchDoesNot) {
    EXPECT_EQ(3, find_text("G90G0X1.", "G0"));
    EXPECT_EQ(0, find_text("G17 G1 X1.", "G1"));
    EXPECT_EQ(-1, find_text("G01 X1.", "Y"));
    EXPECT_EQ(-1, find_text(nullptr, "G"));
    EXPECT_EQ(4, find_whole_code("G17 G1 X1.", "G1"));
    EXPECT_EQ(-1, find_whole_code("G17 X1.", "G1"));
    EXPECT_EQ(-1, find_whole_code("M30", "M3"));
    EXPECT_EQ(6, find_whole_code("S1000 M3", "M3"));
    EXPECT_EQ(0, find_whole_code("G1X5.", "G1"));
    EXPECT_EQ(4, find_whole_code("G04 G0.", "G0"));
    EXPECT_EQ(-1, find_whole_code("G0", ""));
}

TEST(WordScanner, CommentRunsToTheEndOfTheLine) {
    std::string line = "G01 X1.(A) Y2.\n";
    strip_comment(line);
    EXPECT_EQ("G01 X1.", line);
    line = "(ONLY A COMMENT)\n";
    strip_comment(line);
    EXPECT_EQ("", line);
    line = "G00 X0 Y0\n";
    strip_comment(line);
    EXPECT_EQ("G00 X0 Y0\n", line);
}

TEST(WordScanner, CoordinateWithoutPointCountsThousandths) {
    ReadNumber read = number_of("X100");
    EXPECT_DOUBLE_EQ(0.1, read.value);
    EXPECT_EQ(0, read.has_point);
    read = number_of("X100.");
    EXPECT_DOUBLE_EQ(100.0, read.value);
    EXPECT_EQ(1, read.has_point);
    read = number_of("X-0.5");
    EXPECT_DOUBLE_EQ(-0.5, read.value);
    EXPECT_EQ(1, read.has_point);
    read = number_of("X.5 Y2.");
    EXPECT_DOUBLE_EQ(0.5, read.value);
    read = number_of("Y-5 F200");
    EXPECT_DOUBLE_EQ(-0.005, read.value);
    EXPECT_EQ(0, read.has_point);
}

TEST(WordScanner, CoordinateTakesTheLongestLeadingNumberOfItsRun) {
    // "+" is no number character: the number text is empty.
    ReadNumber read = number_of("X+10.");
    EXPECT_EQ(0.0, read.value);
    EXPECT_EQ(0, read.has_point);
    EXPECT_EQ(0.0, number_of("XY5.").value);
    EXPECT_EQ(0.0, number_of("X").value);
    EXPECT_DOUBLE_EQ(1.2, number_of("X1.2.3").value);
    // "5-3" reads 5, and without a point that is 5 thousandths.
    EXPECT_DOUBLE_EQ(0.005, number_of("X5-3").value);
    read = number_of("X-");
    EXPECT_EQ(0.0, read.value);
    EXPECT_EQ(0, read.has_point);
    read = number_of("X.");
    EXPECT_EQ(0.0, read.value);
    EXPECT_EQ(1, read.has_point);
    EXPECT_EQ(0.0, number_of("X--5").value);
    EXPECT_DOUBLE_EQ(0.001, number_of("X1e5").value);
}

TEST(WordScanner, LongNumbersAreReadWhole) {
    // Leading zeros beyond any short buffer still belong to the number.
    ReadNumber read = number_of("X" + std::string(40, '0') + "12.5");
    EXPECT_DOUBLE_EQ(12.5, read.value);
    EXPECT_EQ(1, read.has_point);
    read = number_of("X" + std::string(35, '0') + "5.");
    EXPECT_DOUBLE_EQ(5.0, read.value);
    EXPECT_EQ(1, read.has_point);
    // Beyond the range of a number: 0, as any number that cannot be converted.
    read = number_of("X" + std::string(400, '9'));
    EXPECT_EQ(0.0, read.value);
    EXPECT_EQ(0, read.has_point);
    read = number_of("X-" + std::string(400, '7') + ".5");
    EXPECT_EQ(0.0, read.value);
    EXPECT_EQ(1, read.has_point);
    // Many digits within range are still the right value.
    read = number_of("X1." + std::string(400, '0') + "1");
    EXPECT_DOUBLE_EQ(1.0, read.value);
    read = number_of("X" + std::string(1 << 20, '0') + "7.");
    EXPECT_DOUBLE_EQ(7.0, read.value);
}

// The full conversion of the longest leading number, 0 when there is none.
double converted_in_full(const std::string &text) {
    double value = 0.0;
    std::from_chars_result result = std::from_chars(text.data(), text.data() + text.size(), value,
                                                    std::chars_format::fixed);
    return result.ec == std::errc() ? value : 0.0;
}

TEST(WordScanner, DecimalConversionIsTheCorrectlyRoundedValueToTheLastBit) {
    // Runs of number characters as blocks hold them: short and long digit runs,
    // leading and trailing zeros, stray points and minus signs.
    const char *const fixed_cases[] = {"0", "-0", "-0.000", ".5", "-.5", "5.", "1.2.3", "5-3", "--5", "-",
                                       ".", "-.", "0.1", "0.3", "123456789012345", "1234567890123456",
                                       "9007199254740993", "0.000000000000000000001", "1e5",
                                       "0.0000000000000000000001", "00000000000000000000012.5",
                                       "999999999999999.9", "1.7976931348623157"};
    for (const char *text : fixed_cases) {
        double expected = converted_in_full(text);
        double got = convert_decimal(text, std::strlen(text));
        EXPECT_EQ(0, std::memcmp(&expected, &got, sizeof got)) << text << " " << got;
    }
    const char alphabet[] = "0123456789000.-";
    std::mt19937 random(4242u);
    std::uniform_int_distribution<size_t> byte_of(0, sizeof alphabet - 2);
    std::uniform_int_distribution<int> length_of(1, 26);
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        for (int i = length_of(random); i > 0; --i) text += alphabet[byte_of(random)];
        double expected = converted_in_full(text);
        double got = convert_decimal(text.data(), text.size());
        ASSERT_EQ(0, std::memcmp(&expected, &got, sizeof got)) << text << " " << got;
    }
}

TEST(WordScanner, IntegerWords) {
    EXPECT_EQ(1200, integer_of("S1200"));
    EXPECT_EQ(-5, integer_of("S-5"));
    EXPECT_EQ(7, integer_of("D07"));
    EXPECT_EQ(1, integer_of("G01"));
    EXPECT_EQ(12, integer_of("S12.5"));
    EXPECT_EQ(0, integer_of("S"));
    EXPECT_EQ(0, integer_of("S M03"));
    EXPECT_EQ(0, integer_of("S--5"));
    EXPECT_EQ(5, integer_of("S5-3"));
    EXPECT_EQ(0, integer_of("S" + std::string(400, '9')));
    EXPECT_EQ(0, integer_of("S99999999999"));
    EXPECT_EQ(3, integer_of("S" + std::string(100, '0') + "3"));
    EXPECT_EQ(0, integer_of(""));
}

TEST(WordScanner, FeedTextIsTheWholeRunOfNumberCharacters) {
    std::string text = "stale";
    read_feed_text("F150 S1000", text);
    EXPECT_EQ("150", text);
    read_feed_text("F.15", text);
    EXPECT_EQ(".15", text);
    read_feed_text("F", text);
    EXPECT_EQ("", text);
    std::string long_feed = std::string(100, '0') + "250.5";
    read_feed_text(("F" + long_feed + "M03").c_str(), text);
    EXPECT_EQ(long_feed, text);
    EXPECT_DOUBLE_EQ(150.0, convert_decimal("150", 3));
    EXPECT_DOUBLE_EQ(0.15, convert_decimal(".15", 3));
    EXPECT_DOUBLE_EQ(1.0, convert_decimal("1.5", 2));
    EXPECT_EQ(0.0, convert_decimal("-", 1));
    EXPECT_EQ(0.0, convert_decimal("", 0));
}

TEST(WordScanner, CopyTailStaysInsideTheText) {
    std::string out = "stale";
    EXPECT_EQ(3, copy_tail("G01 X1.", 4, 6, out));
    EXPECT_EQ("X1.", out);
    // The caller passes the length as last: the copy ends at the terminator.
    EXPECT_EQ(3, copy_tail("G01 X1.", 4, 7, out));
    EXPECT_EQ(3, copy_tail("G01 X1.", 4, 5000, out));
    EXPECT_EQ("X1.", out);
    EXPECT_EQ(0, copy_tail("G01", 10, 20, out));
    EXPECT_EQ("", out);
    EXPECT_EQ(0, copy_tail("G01", -1, 2, out));
}

}  // namespace
