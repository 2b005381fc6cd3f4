// The whole program rotated once.
#include <gtest/gtest.h>

#include <string>

#include "driver_harness.h"
#include "log/message_log.h"

namespace {

TEST(WholeProgram, PassThroughLinesCommentsAndArcsAt90) {
    DriverHarness h;
    std::string output;
    ASSERT_EQ(0, h.run(WHOLE_PROGRAM,
                       "%\r\n"
                       "O0003 (G28 IN A COMMENT)\r\n"
                       "G90 G92 X0 Y0 Z100.\r\n"
                       "G00 X0 Y0 Z100.\r\n"
                       "G00 X10. Y0 (G04 MENTIONED)\r\n"
                       "G43 Z5. H01\r\n"
                       "G04 X1.\r\n"
                       "G53 Z0.\r\n"
                       "G10 L2 P1 X-100. Y-50.\r\n"
                       "G01 Z-1. F100\r\n"
                       "G02 X20. Y0 I5. J0\r\n"
                       "F200\r\n"
                       "G01 X20 Y10.\r\n"
                       "G00 Z100.\r\n"
                       "G91 G28 Z0\r\n"
                       "M30\r\n"
                       "%\r\n",
                       90.0, 0, output));
    EXPECT_EQ(expected_output("whole_program_90.nc"), output) << output;
    EXPECT_EQ(90.0, h.angle[0]);
    ASSERT_EQ(1u, h.log.lines.size());
    EXPECT_EQ("回転角度：90.°書込中", h.log.lines[0]);
}

TEST(WholeProgram, StartBlockIsTheRapidThatReachesTheStartPointInG90) {
    DriverHarness h;
    ActiveCommandFlags.debug = 91;
    std::string output;
    // The closing G00 Z100. has the start point's words with X and Y absent, but
    // the tool stands at (10, 0): it is rotated like any other block.
    ASSERT_EQ(0, h.run(WHOLE_PROGRAM,
                       "G90 G92 X0 Y0 Z100.\n"
                       "G00 X10. Y0\n"
                       "G01 Z-1. F100\n"
                       "G00 Z100.\n",
                       90.0, 0, output));
    EXPECT_EQ("G92X0Y0Z100000\r\nG90G00Y10.000\r\nG01Z-1.000F100\r\nG00Z100.000\r\n", output);

    // In G91 the words are increments: a block whose words equal the start point is no start block.
    // The coordinate setting names the point where the tool stands before any move, the
    // unrotated start, so it is written as it stands and the path turns about the centre.
    ASSERT_EQ(0, h.run(WHOLE_PROGRAM,
                       "G90 G92 X10. Y0 Z0\n"
                       "G91 G00 X10. Y0 Z0\n"
                       "X-10.\n",
                       90.0, 0, output));
    EXPECT_EQ("G92X10.000Y0.000Z0.000\r\nG91G00X-10.000Y20.000\r\nY-10.000\r\n", output);
    for (const std::string &line : h.log.lines) EXPECT_EQ(std::string::npos, line.find("Start")) << line;

    // The real start block is written at the unrotated start point and marked in the log.
    ASSERT_EQ(0, h.run(WHOLE_PROGRAM,
                       "G90 G92 X10. Y0 Z50.\n"
                       "G00 X10. Y0. Z50.\n"
                       "X20.\n",
                       90.0, 0, output));
    EXPECT_EQ("G92X10.000Y0.000Z50.000\r\nG90G00X10.000Y0.000Z50.000\r\nX0.000Y20.000\r\n", output);
    EXPECT_EQ("Start [0] G00 X10. Y0. Z50.\n", h.log.lines.back());

    // A coordinate setting under rapid motion at the start point is no start block:
    // it keeps its G92, and the moves before and after it stay moves.
    ASSERT_EQ(0, h.run(WHOLE_PROGRAM,
                       "G90 G00 X50. Y50.\n"
                       "G90 G92 X0 Y0 Z100.\n"
                       "G00 X10. Y0\n",
                       90.0, 0, output));
    // Set after a rotated move, the setting is turned with the path.
    EXPECT_EQ("G90G00X-50.000Y50.000\r\nG92X0Y0Z100000\r\nY10.000\r\n", output);
}

TEST(WholeProgram, RefusesOtherPlanesAndMissingInput) {
    DriverHarness h;
    std::string output;
    // A comment that names G18 is harmless here.
    ASSERT_EQ(0, h.run(WHOLE_PROGRAM, "G90 G92 X0 Y0 Z0\nG00 X10. Y0 (G18 LATER)\n", 90.0, 0, output));
    EXPECT_EQ("G92X0Y0Z0\r\nG90G00Y10.000\r\n", output);
    EXPECT_TRUE(h.log.boxes.empty());

    ASSERT_EQ(-1, h.run(WHOLE_PROGRAM, "%\nG90 G92 X0 Y0 Z0\nG00 X10. Y0\nG19 G02 Y5. Z5. R5.\nX0\n", 90.0, 0,
                        output));
    EXPECT_EQ("%\r\nG92X0Y0Z0\r\nG90G00Y10.000\r\n", output);
    ASSERT_FALSE(h.log.boxes.empty());
    EXPECT_EQ("ＮＣデータにG19平面が含まれてます。\n\nG17以外の座標平面はサポート外です。", h.log.boxes.back().text);
    EXPECT_EQ(BOX_ERROR, h.log.boxes.back().kind);

    h.log.boxes.clear();
    write_file_bytes(h.input_path, "G00 X1.\n");
    std::string missing = h.dir.file("NOWHERE.NC");
    double angle[3] = {90, 90, 90};
    double centre[3] = {0, 0, 0};
    std::string sink;
    TextWriter writer;
    text_open_memory(writer, sink);
    EXPECT_EQ(-1, rotate_whole_program(nullptr, writer, missing.c_str(), angle, centre));
    EXPECT_EQ("", sink);
    ASSERT_EQ(1u, h.log.boxes.size());
    EXPECT_EQ("エラー：スタート座標の取り出しに失敗しました。", h.log.boxes[0].text);
}

TEST(WholeProgram, DiagnosticsByDebugLevel) {
    DriverHarness h;
    std::string output;
    ActiveCommandFlags.debug = 666;
    // The last line has no line end: nothing of it is cut for the comment.
    ASSERT_EQ(0, h.run(WHOLE_PROGRAM, "G90 G92 X0 Y0 Z0\r\nG01 X10. Y5.\r\nG00 X0 (HOME)", 0.0, 0, output));
    EXPECT_EQ("(G90 G92 X0 Y0 Z0)\r\nG92X0Y0Z0\r\n(G01 X10. Y5.)\r\nG90G01X10.000Y5.000\r\n"
              "(G00 X0 (HOME))\r\nG00X0\r\n",
              output);

    ActiveCommandFlags.debug = 100;
    h.log.lines.clear();
    ASSERT_EQ(0, h.run(WHOLE_PROGRAM, "G92 X1. Y2. Z3.\n", 0.0, 0, output));
    ASSERT_GE(h.log.lines.size(), 5u);
    EXPECT_EQ("$$$ 出力パラメータ", h.log.lines[0]);
    EXPECT_EQ("$$$ 小数点　 == -1", h.log.lines[1]);
    EXPECT_EQ("$$$ コメント == 1", h.log.lines[2]);
    EXPECT_EQ("", h.log.lines[3]);
    EXPECT_EQ("スタート座標 X1." + std::string(9, ' ') + "Y2." + std::string(9, ' ') + "Z3.", h.log.lines[4]);

    ActiveCommandFlags.debug = 3;
    h.log.lines.clear();
    ASSERT_EQ(0, h.run(WHOLE_PROGRAM, "G90 G00 X10. Y0 Z5.\n", 90.0, 0, output));
    ASSERT_EQ(4u, h.log.lines.size());
    EXPECT_EQ("G00 X10." + std::string(8, ' ') + "Y0." + std::string(9, ' ') + "Z5." + std::string(9, ' ') + "A90.",
              h.log.lines[2]);
    EXPECT_EQ("G00 X0." + std::string(9, ' ') + "Y10." + std::string(8, ' ') + "Z5.", h.log.lines[3]);
}

TEST(WholeProgram, AnyBytesALineCanHold) {
    DriverHarness h;
    std::string output;
    // One long line is one block: X and Y far apart are both read.
    std::string long_line = "G90 G01 X10." + std::string(300, ' ') + "Y0 F100\n";
    // A comment of a megabyte is dropped with the parsed block it follows.
    std::string huge_comment = "G00 Z5. (" + std::string(1 << 20, 'C') + ")\n";
    std::string nul_line("\0G01 X5.\n", 9);
    std::string odd_words = "G01 X- Y. Z--5\n";
    std::string high_bytes = "(\x83\x65\x83\x58\x83\x67)\n";
    ASSERT_EQ(0, h.run(WHOLE_PROGRAM, "G90 G92 X0 Y0 Z100.\n" + long_line + huge_comment + nul_line + high_bytes + odd_words + "X1.",
                       90.0, 0, output));
    std::string expected = "G92X0Y0Z100000\r\nG90G01Y10.000F100\r\nG00Z5.000\r\n" + std::string("\0G01 X5.\r\n", 10) +
                           "(\x83\x65\x83\x58\x83\x67)\r\n";
    ASSERT_GE(output.size(), expected.size());
    EXPECT_EQ(expected, output.substr(0, expected.size()));
    // The last line without a line end is still a block.
    EXPECT_EQ("Y1.000\r\n", output.substr(output.size() - 8));
}

}  // namespace

TEST(WholeProgram, BlocksWithoutCoordinatesLeaveTheToolWhereItStands) {
    DriverHarness h;
    h.centre[0] = 5.0;
    h.centre[1] = 5.0;
    std::string output;
    // The safety block moves nothing: the first move is measured from the
    // unrotated start, where the tool stands, and both axes are written.
    ASSERT_EQ(0, h.run(WHOLE_PROGRAM, "G90 G92 X0 Y0 Z100.\nG90 G17 G40 G80\nG00 X10. Y0\n", 90.0, 0, output));
    EXPECT_EQ("G92X0Y0Z100000\r\nG90G17G40G80\r\nG00X10.000Y10.000\r\n", output);
}
