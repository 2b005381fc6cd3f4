// The line tests the whole-program driver answers from one index of the line:
// each must say what a plain substring search of the line's codes says.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "nc/code_index.h"
#include "nc/word_scanner.h"
#include "rotate/driver_support.h"

namespace {

bool holds(const std::string &text, const char *code) { return find_text(text.c_str(), code) >= 0; }

int searched_plane(const std::string &text) {
    if (holds(text, "G18")) return 18;
    if (holds(text, "G19")) return 19;
    return 0;
}

int searched_pass_through(const std::string &text) {
    for (const char *code : {"G28", "G30", "G43", "G44", "G54", "G55", "G56", "G57", "G58", "G59", "G64",
                             "G65", "G05P", "G04", "G10", "G53"})
        if (holds(text, code)) return 1;
    return find_whole_code(text.c_str(), "G4") >= 0 ? 1 : 0;
}

int searched_distance_mode(const std::string &text) {
    if (holds(text, "G90")) return 90;
    if (holds(text, "G91")) return 91;
    return 0;
}

void expect_indexed_checks_match(const std::string &text) {
    CodeIndex index;
    index_codes(text.c_str(), index);
    ASSERT_EQ(searched_plane(text), indexed_plane_code(index)) << "[" << text << "]";
    ASSERT_EQ(searched_pass_through(text), is_indexed_whole_program_pass_through(index)) << "[" << text << "]";
    ASSERT_EQ(searched_distance_mode(text), stated_indexed_distance_mode(index)) << "[" << text << "]";
    ASSERT_EQ(stated_distance_mode(text.c_str()), stated_indexed_distance_mode(index)) << "[" << text << "]";
}

TEST(LineChecks, IndexedChecksAnswerAsTheSearchOfEachCode) {
    for (const char *text : {"G91 G28 Z0", "G90G54G00X0Y0", "G918", "G190", "G04 P500", "G4P1", "G40",
                             "G05P10000", "G05 P1", "G053", "G910 G28", "", "N10 G01 X1. (G18 G28)"}) {
        std::string work = text;
        strip_comment(work);
        expect_indexed_checks_match(work);
        if (HasFatalFailure()) return;
    }
    // Few distinct bytes, so that codes inside codes and near misses come often.
    const char alphabet[] = "GGGP0123456789012345 X.";
    std::mt19937 random(9091u);
    std::uniform_int_distribution<int> length_of(0, 24);
    std::uniform_int_distribution<size_t> byte_of(0, sizeof alphabet - 2);
    for (int round = 0; round < 4000; ++round) {
        std::string text;
        int length = length_of(random);
        for (int i = 0; i < length; ++i) text += alphabet[byte_of(random)];
        expect_indexed_checks_match(text);
        if (HasFatalFailure()) return;
    }
}

TEST(LineChecks, IndexedParseRecordsWhatTheTextParseRecords) {
    // The driver parses from its index of the work copy; the record must be the
    // one parse_block builds from the text, field for field.
    for (const char *text : {"N10 G91 G01 X10. Y-5 F200 S1200 M03", "G17 G1 X10.", "G41 D07 G02 X1 I2.5",
                             "G99 G81 X5. Y2.5 Z-10. R2. F100", "G92 X0 Y0 Z100.", "F200", "M30", "G04 P500"}) {
        BlockState by_text;
        BlockState by_index;
        init_block_state(by_text, 0);
        init_block_state(by_index, 0);
        int from_text = parse_block(text, by_text.pending_g, by_text.pending_m, by_text.modal, by_text.words,
                                    by_text.word_present, by_text.word_point, by_text.feed, by_text.mode);
        CodeIndex index;
        index_codes(text, index);
        int from_index = parse_indexed_block(index, by_index.pending_g, by_index.pending_m, by_index.modal,
                                             by_index.words, by_index.word_present, by_index.word_point,
                                             by_index.feed, by_index.mode);
        EXPECT_EQ(from_text, from_index) << text;
        EXPECT_EQ(0, std::memcmp(&by_text, &by_index, sizeof by_text)) << text;
    }
}

}  // namespace
