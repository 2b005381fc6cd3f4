// The block index must answer every code test exactly as the substring search
// does: same first position, same misses, codes inside longer codes included.
#include "nc/code_index.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "nc/word_scanner.h"

namespace {

// Every pattern the index answers from its tables, and a few it searches for.
std::vector<std::string> indexed_patterns() {
    std::vector<std::string> patterns;
    for (char letter = 'A'; letter <= 'Z'; ++letter) patterns.push_back(std::string(1, letter));
    for (int n = 0; n < 100; ++n) {
        char code[4] = {'G', static_cast<char>('0' + n / 10), static_cast<char>('0' + n % 10), '\0'};
        patterns.push_back(code);
        code[0] = 'M';
        patterns.push_back(code);
    }
    patterns.push_back("G05P");
    patterns.push_back("G0");   // not an indexed form: searched
    patterns.push_back("(");
    patterns.push_back("X1.");
    patterns.push_back("G05PQ");
    patterns.push_back("G123");
    patterns.push_back("");
    return patterns;
}

std::vector<std::string> whole_codes() {
    std::vector<std::string> codes;
    for (char digit = '0'; digit <= '9'; ++digit) {
        codes.push_back(std::string("G") + digit);
        codes.push_back(std::string("M") + digit);
    }
    codes.push_back("G00");  // not an indexed form: searched
    codes.push_back("S1");
    return codes;
}

void expect_index_matches_search(const std::string &text) {
    CodeIndex index;
    index_codes(text.c_str(), index);
    for (const std::string &pattern : indexed_patterns())
        ASSERT_EQ(find_text(text.c_str(), pattern.c_str()), index_find(index, pattern.c_str()))
            << "text [" << text << "] pattern [" << pattern << "]";
    for (const std::string &code : whole_codes())
        ASSERT_EQ(find_whole_code(text.c_str(), code.c_str()), index_find_whole(index, code.c_str()))
            << "text [" << text << "] code [" << code << "]";
    for (char letter = 'A'; letter <= 'Z'; ++letter)
        ASSERT_EQ(find_text(text.c_str(), std::string(1, letter).c_str()), index_letter(index, letter));
    for (int n = 0; n < 100; ++n) {
        std::string g = std::string("G") + static_cast<char>('0' + n / 10) + static_cast<char>('0' + n % 10);
        std::string m = "M" + g.substr(1);
        ASSERT_EQ(find_text(text.c_str(), g.c_str()) >= 0, index_has_g(index, n)) << text << " " << g;
        ASSERT_EQ(find_text(text.c_str(), m.c_str()) >= 0, index_has_m(index, n)) << text << " " << m;
    }
    for (int digit = 0; digit < 10; ++digit) {
        std::string g = std::string("G") + static_cast<char>('0' + digit);
        std::string m = std::string("M") + static_cast<char>('0' + digit);
        ASSERT_EQ(find_whole_code(text.c_str(), g.c_str()), index_whole_g(index, digit)) << text;
        ASSERT_EQ(find_whole_code(text.c_str(), m.c_str()) >= 0, index_has_whole_m(index, digit)) << text;
    }
}

TEST(CodeIndex, BlocksOfTheParserAndDriversAnswerAsTheSearchDoes) {
    const char *const blocks[] = {
        "",
        "G90G0X1.",
        "G17 G1 X1.",
        "N10 G91 G01 X10. Y-5 F200 S1200 M03",
        "G280 X0",          // "G28" inside a longer code
        "G05P10000",
        "G05 P1",           // no "G05P"
        "G0G05P1G05P2",
        "GG01MM3",
        "G1",               // whole code at the very end
        "M30 M3",
        "G04 G4X1.",
        "X1.X2.",
        "g01 x1.",          // lower case is no address
        "\x82\x60G18\x81\x40",  // bytes above 0x7F around a code
    };
    for (const char *block : blocks) {
        SCOPED_TRACE(block);
        expect_index_matches_search(block);
    }
}

TEST(CodeIndex, RandomBlocksAnswerAsTheSearchDoes) {
    // Few distinct bytes, so that codes, repeats and near misses come often.
    const char alphabet[] = "GMGMXYZP0123456789012.- (\x81";
    std::mt19937 random(20240611u);
    std::uniform_int_distribution<int> length_of(0, 40);
    std::uniform_int_distribution<size_t> byte_of(0, sizeof alphabet - 2);
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        int length = length_of(random);
        for (int i = 0; i < length; ++i) text += alphabet[byte_of(random)];
        expect_index_matches_search(text);
        if (HasFatalFailure()) return;
    }
}

TEST(CodeIndex, TextEndsAtItsFirstNul) {
    std::string text("G01 X1.\0G18 Y2.", 15);
    CodeIndex index;
    index_codes(text.c_str(), index);
    EXPECT_EQ(-1, index_find(index, "G18"));
    EXPECT_EQ(-1, index_find(index, "Y"));
    EXPECT_EQ(4, index_find(index, "X"));
    index_codes(nullptr, index);
    EXPECT_EQ(-1, index_find(index, "G01"));
    EXPECT_EQ(-1, index_find_whole(index, "G1"));
}

TEST(CodeIndex, LongLineIsIndexedWhole) {
    // A megabyte line: the first occurrence is found however far in it stands.
    std::string text(1 << 20, '9');
    text += "G05PG18X-1.";
    CodeIndex index;
    index_codes(text.c_str(), index);
    EXPECT_EQ(1 << 20, index_find(index, "G05P"));
    EXPECT_EQ((1 << 20) + 4, index_find(index, "G18"));
    EXPECT_EQ((1 << 20) + 7, index_letter(index, 'X'));
    EXPECT_EQ(find_text(text.c_str(), "-1."), index_find(index, "-1."));
}

TEST(FindText, ShortAndLongPatternsFindTheFirstOccurrence) {
    // The search for short patterns and the general one for long patterns must
    // both agree with the library's substring search.
    const char alphabet[] = "AAB\x82\xA0";
    std::mt19937 random(77u);
    std::uniform_int_distribution<size_t> byte_of(0, sizeof alphabet - 2);
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        std::string pattern;
        for (int i = round % 50; i > 0; --i) text += alphabet[byte_of(random)];
        for (int i = round % 13; i > 0; --i) pattern += alphabet[byte_of(random)];
        const char *hit = std::strstr(text.c_str(), pattern.c_str());
        int expected = hit ? static_cast<int>(hit - text.c_str()) : -1;
        ASSERT_EQ(expected, find_text(text.c_str(), pattern.c_str())) << text << " / " << pattern;
    }
}

}  // namespace
