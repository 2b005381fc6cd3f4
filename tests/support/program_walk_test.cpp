// The dialect walk must accept the shapes shops write and stop at each rule a
// program breaks; otherwise the corpus and generator tests prove nothing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/program_walk.h"

namespace {

std::string crlf(const std::vector<std::string> &lines) {
    std::string text;
    for (const std::string &line : lines) text += line + "\r\n";
    return text;
}

// A short valid program; the fault tests change one line of it.
std::vector<std::string> good_lines() {
    return {"%",
            "O1000(テスト)",
            "G90 G17 G40 G80",
            "G91 G28 Z0.",
            "T1 M06",
            "G90 G54 G00 X-10. Y-10. S3000 M03",
            "G43 Z50. H01 M08",
            "Z2.",
            "G01 Z-2. F100",
            "X40000 Y-10000 ,R2.",
            "Y20.",
            "G03 X30. Y30. I-10. J0",
            "G02 X10. Y30. R10.",
            "G03 I-5. Z-3.",
            "G91 G01 X-10.",
            "G90 G00 Z50.",
            "G99 G81 X10. Y10. Z-5. R2. F80",
            "X20.",
            "G80",
            "G00 Z50.",
            "M05",
            "G91 G28 Z0.",
            "M30",
            "%"};
}

int walk_with(std::vector<std::string> lines, size_t index, const std::string &replacement, WalkResult &result) {
    lines[index] = replacement;
    return walk_program(crlf(lines), result);
}

TEST(ProgramWalk, AcceptsAShopProgramAndCountsItsShapes) {
    WalkResult result;
    ASSERT_EQ(0, walk_program(crlf(good_lines()), result)) << result.fault_line << ": " << result.fault;
    EXPECT_EQ(LINE_END_CRLF, result.line_end);
    EXPECT_TRUE(result.last_line_has_end);
    EXPECT_FALSE(result.eof_mark);
    EXPECT_EQ(1, result.features["arc_ij"]);
    EXPECT_EQ(1, result.features["arc_r"]);
    EXPECT_EQ(1, result.features["full_circle"]);
    EXPECT_EQ(1, result.features["helix"]);
    EXPECT_EQ(1, result.features["corner_round"]);
    EXPECT_EQ(2, result.features["hole"]);
    EXPECT_EQ(1, result.features["cycle_81"]);

    std::string text = crlf(good_lines());
    text.resize(text.size() - 2);
    ASSERT_EQ(0, walk_program(text + "\x1a", result));
    EXPECT_FALSE(result.last_line_has_end);
    EXPECT_TRUE(result.eof_mark);
}

TEST(ProgramWalk, StopsAtEachBrokenRule) {
    struct Case {
        size_t index;
        const char *line;
        const char *fault;
    };
    const Case cases[] = {
        {2, "G17 G40 G80 Z100.", "a coordinate word before G90 or G91"},
        {11, "G03 X30. Y30. I-10. J1.", "an arc whose centre is not equidistant from its ends"},
        {12, "G02 X10. Y30. R9.", "an R arc whose radius is shorter than half its chord"},
        {13, "G91 G28 X0. Y0.", "an incremental XY move from an unknown position"},
        {9, "x40000 Y-10000", "a lower-case letter"},
        {9, "#100=1.", "a character outside the dialect: #"},
        {9, "G65 P9000", "a G code outside the dialect: G65"},
        {9, "G18", "a G code outside the dialect: G18"},
        {9, "X40. A90.", "a word outside the dialect: A"},
        {9, "X40.1234", "too many decimals: X"},
        {9, "X40. F100.1234567", "too many decimals: F"},
        {10, "M08", "a corner word not followed by a straight XY feed"},
        {17, "G91 X10.", "cycle levels kept across a change of G90 and G91"},
        {16, "M29 S500", "M29 not followed by a tapping cycle"},
        {16, "G99 G81 X10. Y10. Z5. R2. F80", "a cycle's bottom not below its R level"},
        {22, "M01", "a tape mark inside the program"},
        {8, "G01 Z-2.", "a feed move without a feed"},
        {19, "Z50.", "a move while no motion code is in force"},
        {5, "G90 G54 G00 X-10. S3000 M03", "an absolute move naming one of X and Y while the other is unknown"},
        {1, "O1000(開く", "a comment without its closing parenthesis"},
    };
    for (const Case &c : cases) {
        WalkResult result;
        EXPECT_EQ(-1, walk_with(good_lines(), c.index, c.line, result)) << c.line;
        EXPECT_EQ(c.fault, result.fault) << c.line;
    }
    WalkResult result;
    std::vector<std::string> lines = good_lines();
    lines.insert(lines.begin() + 15, "G02 X0 Y0 R10.");
    EXPECT_EQ(-1, walk_program(crlf(lines), result));
    EXPECT_EQ(16, result.fault_line);
    EXPECT_EQ("an R arc whose ends meet", result.fault);
    lines = good_lines();
    lines.resize(lines.size() - 2);
    EXPECT_EQ(-1, walk_program(crlf(lines), result));
    EXPECT_EQ("no M30 or M02 at the end", result.fault);
}

TEST(ProgramWalk, ReferenceReturnsAndFramesForgetThePosition) {
    WalkResult result;
    // After G28 in Z, a G91 Z move has nothing to count from.
    std::vector<std::string> lines = good_lines();
    lines.insert(lines.begin() + 4, "G91 G01 Z-1. F100");
    EXPECT_EQ(-1, walk_program(crlf(lines), result));
    EXPECT_EQ("an incremental Z move from an unknown height", result.fault);
    // A second work offset leaves X and Y to be named outright.
    lines = good_lines();
    lines.insert(lines.begin() + 14, "G55");
    EXPECT_EQ(-1, walk_program(crlf(lines), result));
    EXPECT_EQ("an incremental XY move from an unknown position", result.fault);
    // Cutter compensation is noted, and must be on a straight move.
    lines = good_lines();
    lines[10] = "G41 G01 Y20. D01";
    lines[14] = "G40 G91 G01 X-10.";
    ASSERT_EQ(0, walk_program(crlf(lines), result)) << result.fault_line << ": " << result.fault;
    EXPECT_TRUE(result.compensation);
    lines[10] = "G41 G03 X30. Y30. I-10. J0 D01";
    EXPECT_EQ(-1, walk_program(crlf(lines), result));
    EXPECT_EQ("compensation started on a block that is no straight XY move", result.fault);
}

}  // namespace
