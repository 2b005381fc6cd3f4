// Copies of the whole program: the source without its end, then the turned copies.
#include <gtest/gtest.h>

#include <string>

#include "driver_harness.h"
#include "log/message_log.h"

namespace {

const char Program[] =
    "%\r\n"
    "O0002\r\n"
    "G90 G92 X0 Y0 Z100.\r\n"
    "T01 M06\r\n"
    "(ROUGH)\r\n"
    "S1000 M03\r\n"
    "G00 X10. Y0 M08\r\n"
    "G43 Z5. H01\r\n"
    "G01 Z-1. F100\r\n"
    "X20. (CUT)\r\n"
    "G00 Z100. M09\r\n"
    "M05\r\n"
    "G28 Z0\r\n"
    "M30\r\n"
    "%\r\n";

TEST(Copies, TwoPlacementsAt90) {
    DriverHarness h;
    std::string output;
    ASSERT_EQ(0, h.run(COPIES, Program, 90.0, 2, output));
    EXPECT_EQ(expected_output("copies_90x2.nc"), output) << output;
    ASSERT_EQ(2u, h.log.lines.size());
    EXPECT_EQ("回転角度：0.°書込中", h.log.lines[0]);
    EXPECT_EQ("回転角度：90.°書込中", h.log.lines[1]);
    EXPECT_EQ(90.0, h.angle[0]);
}

TEST(Copies, ThreePlacementsAt120) {
    DriverHarness h;
    std::string output;
    ASSERT_EQ(0, h.run(COPIES, Program, 120.0, 3, output));
    EXPECT_EQ(expected_output("copies_120x3.nc"), output) << output;
    ASSERT_EQ(3u, h.log.lines.size());
    EXPECT_EQ("回転角度：120.°書込中", h.log.lines[1]);
    EXPECT_EQ("回転角度：240.°書込中", h.log.lines[2]);
    EXPECT_EQ(240.0, h.angle[0]);
    EXPECT_EQ(120.0, h.angle[2]);
}

TEST(Copies, ProgramEndsAndDegenerateCounts) {
    DriverHarness h;
    std::string output;
    // One-digit end codes leave the source pass as the two-digit ones do; M25 is no end.
    ASSERT_EQ(0, h.run(COPIES,
                       "O0005\n"
                       "G90 G92 X0 Y0 Z0\n"
                       "G00 X10. M25\n"
                       "M5\n"
                       "M9 (COOLANT OFF)\n"
                       "G04 P500\n"
                       "G53 Z0.\n"
                       "M2",
                       90.0, 2, output));
    // The last copy ends the program: its end code is written, whatever its form.
    // The copy starts where the source left the tool, in the system the source set.
    EXPECT_EQ("O0005\r\nG90 G92 X0 Y0 Z0\r\nG00 X10. M25\r\nG04 P500\r\nG53 Z0.\r\n"
              "G00X0.000Y10.000\r\nM05\r\nM09\r\nM02\r\n",
              output);
    ASSERT_EQ(0, h.run(COPIES, "G90 G92 X0 Y0 Z0\nS500 M03\nG00 X10. M08\nM02\n", 90.0, 3, output));
    EXPECT_EQ("G90 G92 X0 Y0 Z0\r\nS500 M03\r\nG00 X10. M08\r\n"
              "G00X0.000Y10.000\r\n"
              "X-10.000Y0.000\r\nM02\r\n",
              output);

    // A retract that carries an end code keeps its move in the source pass.
    ASSERT_EQ(0, h.run(COPIES, "%\nO1\nG90 G92 X0 Y0 Z9.\nG01 Z-1. F99\nG00 Z9. M09 (M30)\nM30\n", 90.0, 2,
                       output));
    EXPECT_EQ("%\r\nO1\r\nG90 G92 X0 Y0 Z9.\r\nG01 Z-1. F99\r\nG00 Z9.\r\n"
              "G01Z-1.000F99\r\nG00Z9.000M09\r\nM30\r\n",
              output);

    // Count 1: the program follows itself unrotated, head removed; count 0 turns it back.
    ASSERT_EQ(0, h.run(COPIES, "%\nO0006\nG90 G00 X10. Y0\nM30\n%\n", 90.0, 1, output));
    EXPECT_EQ("%\r\nO0006\r\nG90 G00 X10. Y0\r\nG00\r\nM30\r\n%\r\n", output);
    EXPECT_EQ(0.0, h.angle[0]);
    ASSERT_EQ(0, h.run(COPIES, "%\nO0006\nG90 G00 X10. Y0\nM30\n%\n", 90.0, 0, output));
    EXPECT_EQ("%\r\nO0006\r\nG90 G00 X10. Y0\r\nG00X0.000Y-10.000\r\nM30\r\n%\r\n", output);
    EXPECT_EQ(-90.0, h.angle[0]);
}

TEST(Copies, RefusalsAndMissingInput) {
    DriverHarness h;
    std::string output;
    // The source pass tests the raw line: a plane named even in a comment stops it.
    ASSERT_EQ(-1, h.run(COPIES, "%\nO0007\nG00 X1.\n(G19 NEXT)\nX2.\n", 90.0, 2, output));
    EXPECT_EQ("%\r\nO0007\r\nG00 X1.\r\n", output);
    ASSERT_EQ(1u, h.log.boxes.size());
    EXPECT_EQ("ＮＣデータにG19平面が含まれてます。\n\nG17以外の座標平面はサポート外です。", h.log.boxes[0].text);
    EXPECT_EQ(BOX_ERROR, h.log.boxes[0].kind);

    h.log.boxes.clear();
    std::string missing = h.dir.file("NOWHERE.NC");
    double angle[3] = {90, 90, 90};
    double centre[3] = {0, 0, 0};
    std::string sink;
    TextWriter writer;
    text_open_memory(writer, sink);
    EXPECT_EQ(-1, rotate_copies(nullptr, writer, missing.c_str(), angle, centre, 2));
    ASSERT_EQ(1u, h.log.boxes.size());
    EXPECT_EQ("エラー：回転するＮＣファイル " + missing + " 開けません", h.log.boxes[0].text);
}

}  // namespace

TEST(Copies, EveryCopyKeepsItsToolLengthCompensation) {
    DriverHarness h;
    std::string output;
    // The safety block cancels the compensation in every copy; the G43 line must follow.
    ASSERT_EQ(0, h.run(COPIES,
                       "%\nO0008\nG90 G17 G40 G49 G80\nG92 X0 Y0 Z100.\nG43 Z50. H01\nG00 X10. Y0\nM30\n%\n",
                       90.0, 3, output));
    size_t first_copy = output.find("G40G80G49");
    ASSERT_NE(std::string::npos, first_copy) << output;
    size_t second_copy = output.find("G40G80G49", first_copy + 1);
    ASSERT_NE(std::string::npos, second_copy) << output;
    EXPECT_NE(std::string::npos, output.find("G43 Z50. H01\r\n", first_copy)) << output;
    EXPECT_NE(std::string::npos, output.find("G43 Z50. H01\r\n", second_copy)) << output;
    // A block without coordinates moves nothing: each copy's first move is still
    // measured from where the tool stands.
    EXPECT_NE(std::string::npos, output.find("G00X0.000Y10.000\r\n", first_copy)) << output;
    EXPECT_NE(std::string::npos, output.find("X-10.000Y0.000\r\n", second_copy)) << output;

    // A compensation line that also moves in X or Y cannot be written unturned.
    EXPECT_EQ(-1, h.run(COPIES, "G90 G92 X0 Y0 Z100.\nG00 G43 X10. Z50. H01\nM30\n", 90.0, 2, output));
    ASSERT_EQ(1u, h.log.boxes.size());
    EXPECT_EQ("エラー：XY座標を含む工具交換または工具長補正の行は回転コピーできません。 G00 G43 X10. Z50. H01", h.log.boxes[0].text);
}

TEST(Copies, EveryCopyChangesToItsOwnToolsAndStartsTheSpindle) {
    DriverHarness h;
    std::string output;
    ASSERT_EQ(0, h.run(COPIES,
                       "%\nO0009\nG90 G92 X0 Y0 Z100.\n"
                       "T01 M06\nS1000 M03\nG00 X10. Y0\nG01 Z-1. F100\nG00 Z100.\n"
                       "T02\nM6\nS2000 M03\nG00 X20. Y0\nG01 Z-2. F50\nG00 Z100.\n"
                       "M05\nM30\n%\n",
                       90.0, 3, output));
    // The middle copy (at 90 degrees) cuts its first feature with T01 again, and
    // restarts the spindle after each change.
    size_t middle = output.find("T01 M06\r\nS1000M03\r\nG00X0.000Y10.000\r\n");
    ASSERT_NE(std::string::npos, middle) << output;
    EXPECT_NE(std::string::npos, output.find("T02\r\nM6\r\nS2000M03\r\n", middle)) << output;
    // Before its first tool change a copy leaves the running spindle alone.
    EXPECT_EQ(std::string::npos, output.find("S1000M03\r\nS1000M03")) << output;
}
