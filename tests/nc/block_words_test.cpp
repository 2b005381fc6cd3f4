// Splitting a block into words: every number read whole or the block refused.
#include "nc/block_words.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

namespace {

// The words as "letter=value" (",C" for corner words), or "fault K at N".
std::string words_of(const std::string &text) {
    NcBlock block;
    BlockFault fault;
    if (scan_block(text.data(), text.size(), block, fault) < 0) {
        return "fault " + std::to_string(fault.kind) + " at " + std::to_string(fault.at);
    }
    std::string out;
    for (const NcWord &word : block.words) {
        if (!out.empty()) out += ' ';
        if (word.comma) out += ',';
        out += word.letter;
        char value[64];
        if (!word.comma && (word.letter == 'G' || word.letter == 'M')) {
            std::snprintf(value, sizeof value, "%d", word.integer);
        } else {
            std::snprintf(value, sizeof value, "%.17g%s", word.value, word.has_point ? "." : "");
        }
        out += value;
    }
    if (block.tape_mark) out += "%";
    if (block.program_number) out += " (program)";
    if (block.has_comment) out += " (comment)";
    return out;
}

}  // namespace

TEST(BlockWords, WordsNumbersAndComments) {
    EXPECT_EQ("N10 G10 X12.5. Y-3 F150", words_of("N10 G01 X12.5 Y-3 F150"));
    EXPECT_EQ("G900 G10 X10. Y-0.5.", words_of("G90G1X+10.Y-.5"));
    // G codes in tenths: G54.1 is 541; M codes whole.
    EXPECT_EQ("G541 P2 M3 M30", words_of("G54.1 P2 M3 M30"));
    // Words after a closed comment are words; an open one runs to the end.
    EXPECT_EQ("G10 X1. Y2. (comment)", words_of("G01 X1.(A) Y2."));
    EXPECT_EQ("G10 X1. (comment)", words_of("G01 X1. (A Y2."));
    EXPECT_EQ(" (comment)", words_of("(\x83\x7C\x83\x50\x83\x62\x83\x67)"));
    EXPECT_EQ("G10 X1. ,R2. ,C0.5.", words_of("G01 X1. ,R2. ,C.5"));
    EXPECT_EQ("%", words_of("%"));
    EXPECT_EQ("% (comment)", words_of("% (TAPE)"));
    EXPECT_EQ("O1234 (program) (comment)", words_of("O1234 (PART)"));
    EXPECT_EQ("", words_of(" \t "));
    // Long numbers are read whole, to the last bit strtod gives.
    EXPECT_EQ("X0.10000000000000001.", words_of("X0.1000000000000000000000000001"));
    char huge[64];
    std::snprintf(huge, sizeof huge, "X%.17g.", 1e200);
    EXPECT_EQ(huge, words_of("X1" + std::string(200, '0') + "."));
}

TEST(BlockWords, WhatABlockMayNotHoldIsRefusedWithItsPlace) {
    EXPECT_EQ("fault 3 at 4", words_of("G01 X1.2.3"));
    EXPECT_EQ("fault 3 at 4", words_of("G01 X- Y1."));
    EXPECT_EQ("fault 3 at 4", words_of("G01 X Y1."));
    EXPECT_EQ("fault 3 at 0", words_of("X5-3"));
    EXPECT_EQ("fault 3 at 0", words_of("X+-5"));
    EXPECT_EQ("fault 2 at 4", words_of("G01 x10."));
    EXPECT_EQ("fault 5 at 4", words_of("G01 X#1"));
    EXPECT_EQ("fault 5 at 4", words_of("G01 X[1+2]"));
    EXPECT_EQ("fault 6 at 0", words_of("/G01 X10."));
    EXPECT_EQ("fault 7 at 4", words_of("G01 %"));
    EXPECT_EQ("fault 7 at 1", words_of("%X"));
    EXPECT_EQ("fault 8 at 4", words_of("G01 O100"));
    EXPECT_EQ("fault 9 at 0", words_of("G54.12"));
    EXPECT_EQ("fault 9 at 0", words_of("M3.5"));
    EXPECT_EQ("fault 4 at 0", words_of("X1" + std::string(400, '0') + "."));
    EXPECT_EQ("fault 4 at 0", words_of("G99999"));
    EXPECT_EQ("fault 1 at 7", words_of("G01 X1.;"));
    EXPECT_EQ("fault 1 at 0", words_of(",X1."));
    EXPECT_EQ("fault 1 at 0", words_of("\x83\x7C"));
}

TEST(BlockWords, AnyBytesEndInWordsOrAFault) {
    // Every byte value in every position of a short block: no crash, and every
    // word found lies inside the block.
    for (int byte = 0; byte < 256; ++byte) {
        for (int at = 0; at < 6; ++at) {
            std::string text = "G01X1.";
            text[at] = static_cast<char>(byte);
            NcBlock block;
            BlockFault fault;
            if (scan_block(text.data(), text.size(), block, fault) < 0) {
                EXPECT_LT(fault.at, static_cast<int>(text.size()));
                continue;
            }
            for (const NcWord &word : block.words) {
                EXPECT_LE(word.end, static_cast<int>(text.size()));
                EXPECT_LT(word.start, word.end);
            }
        }
    }
}

namespace {

// A random number text as a program may hold one: an optional sign, up to 30
// digits with runs of zeros, and a point anywhere or nowhere.
std::string random_number_text(std::mt19937 &random) {
    std::string text;
    uint32_t pick = random();
    if (pick % 4 == 0) text += (pick & 4) ? '-' : '+';
    int digits = 1 + static_cast<int>(random() % (pick % 8 == 0 ? 30 : 12));
    int point = pick % 3 == 0 ? -1 : static_cast<int>(random() % static_cast<uint32_t>(digits + 1));
    for (int i = 0; i < digits; ++i) {
        if (i == point) text += '.';
        uint32_t digit = random();
        text += digit % 3 == 0 ? '0' : static_cast<char>('0' + digit % 10);
    }
    if (point == digits) text += '.';
    return text;
}

bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// How many numbers the test reads: 300,000 in every run, more when
// PIVORA_NUMBER_TEXTS asks for a long soak.
int number_text_count() {
    const char *asked = std::getenv("PIVORA_NUMBER_TEXTS");
    long count = asked ? std::strtol(asked, nullptr, 10) : 0;
    return count > 300000 ? static_cast<int>(count < 100000000 ? count : 100000000) : 300000;
}

}  // namespace

TEST(BlockWords, NumbersReadAsStrtodReadsThem) {
    // The one-pass reading of a number, with its whole-number fast path,
    // against strtod of the same text, to the last bit.
    std::mt19937 random(424242);
    NcBlock block;
    BlockFault fault;
    for (int i = 0, count = number_text_count(); i < count; ++i) {
        std::string number = random_number_text(random);
        std::string text = "X" + number;
        ASSERT_EQ(0, scan_block(text.data(), text.size(), block, fault)) << text;
        ASSERT_EQ(1u, block.words.size()) << text;
        const NcWord &word = block.words[0];
        double expected = std::strtod(number.c_str(), nullptr);
        ASSERT_TRUE(same_bits(expected, word.value)) << text << " " << word.value;
        bool point = number.find('.') != std::string::npos;
        ASSERT_EQ(point ? 1 : 0, word.has_point) << text;
        bool integer = !point && expected >= INT_MIN && expected <= INT_MAX;
        ASSERT_EQ(integer ? 1 : 0, word.is_integer) << text;
        ASSERT_EQ(integer ? static_cast<int>(expected) : 0, word.integer) << text;
        ASSERT_EQ(static_cast<int>(text.size()), word.end) << text;
    }
}

TEST(BlockWords, CodesInTenthsAsTheirValuesGiveThem) {
    // G and M numbers with and without a point, against the reading through
    // the value: the tenths of the number, which must be whole.
    std::mt19937 random(7);
    NcBlock block;
    BlockFault fault;
    for (int i = 0; i < 200000; ++i) {
        uint32_t pick = random();
        char letter = pick % 2 ? 'G' : 'M';
        std::string number = std::to_string(pick % 12000 / (pick % 5 == 0 ? 1 : 100));
        if (pick % 7 == 0) number += "." + std::to_string(random() % 100);
        if (pick % 11 == 0) number = "0" + number;
        std::string text = letter + number;
        double value = std::strtod(number.c_str(), nullptr);
        double tenths = value * 10.0;
        double whole = std::floor(tenths + 0.5);
        bool point = number.find('.') != std::string::npos;
        bool readable = value <= 9999.9 && std::fabs(tenths - whole) <= 1e-6 && !(letter == 'M' && point);
        int result = scan_block(text.data(), text.size(), block, fault);
        ASSERT_EQ(readable ? 0 : -1, result) << text;
        if (!readable) {
            ASSERT_EQ(value > 9999.9 ? BLOCK_FAULT_RANGE : BLOCK_FAULT_CODE_DECIMALS, fault.kind) << text;
            continue;
        }
        int code = static_cast<int>(whole);
        ASSERT_EQ(letter == 'M' ? code / 10 : code, block.words[0].integer) << text;
    }
}
