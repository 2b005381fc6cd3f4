// What the drivers keep of the machine's state: lines copied as they stand still
// switch G90/G91, no block is written from a guessed mode, and per-machining
// copies take on no cycle or compensation that their move file cannot carry.
#include <gtest/gtest.h>

#include "driver_harness.h"

TEST(DistanceMode, CopiedLinesSetTheModeTheyState) {
    DriverHarness h;
    std::string output;
    ASSERT_EQ(0, h.run(WHOLE_PROGRAM,
                       "G92 X0 Y0 Z100.\n"
                       "G90 G54 G00 X10. Y0\n"
                       "G00 X20.\n"
                       "G91 G28 Z0\n"
                       "G00 X5.\n",
                       90.0, 0, output));
    // X20. is absolute under the G90 of the copied line; after G91 G28 the X5. is
    // an increment, and neither mode is written again. The copied line left the
    // tool at its own X10. Y0, so the next move gives X and Y outright.
    EXPECT_EQ("G92X0Y0Z100000\r\nG90 G54 G00 X10. Y0\r\nG00X0.000Y20.000\r\nG91 G28 Z0\r\nY5.000\r\n", output);
}

TEST(DistanceMode, CoordinatesBeforeAnyModeAreRefusedByEveryDriver) {
    for (DriverKind kind : {WHOLE_PROGRAM, PER_MACHINING, COPIES}) {
        SCOPED_TRACE(kind);
        DriverHarness h;
        std::string output;
        EXPECT_EQ(0, h.run(kind, "G92 X0 Y0 Z100.\nG90 G54\nG00 X10. Y0\n", 90.0, 2, output));
        EXPECT_TRUE(h.log.boxes.empty());

        EXPECT_EQ(-1, h.run(kind, "G92 X0 Y0 Z100.\nG54\nG00 X10. Y0\n", 90.0, 2, output));
        ASSERT_EQ(1u, h.log.boxes.size());
        EXPECT_EQ("エラー：G90/G91の指定より前に座標指令があります。 G00 X10. Y0", h.log.boxes[0].text);
        EXPECT_EQ(BOX_ERROR, h.log.boxes[0].kind);
        EXPECT_EQ(std::string::npos, output.find("G00X")) << output;
        EXPECT_EQ("", h.stray_files());
    }
}

TEST(DistanceMode, PerMachiningGoesBackBeforeTheSourceFeedsOn) {
    DriverHarness h;
    std::string output;
    // Two depth passes with only a retract between them: after the copies of the
    // first, the tool returns over the source's point before the second plunge.
    ASSERT_EQ(0, h.run(PER_MACHINING,
                       "G90 G92 X0 Y0 Z100.\n"
                       "G00 X10. Y0\n"
                       "G01 Z-1. F100\n"
                       "X20.\n"
                       "G00 Z5.\n"
                       "G01 Z-2.\n"
                       "X10.\n"
                       "G00 Z100.\n",
                       90.0, 2, output));
    size_t first_return = output.find("G00Z5.000\r\nX20.000Y0.000\r\nG01Z-2.000\r\n");
    EXPECT_NE(std::string::npos, first_return) << output;
}

TEST(DistanceMode, DrillingInsideAMachiningIsRefusedNotCopiedAsFeeds) {
    DriverHarness h;
    std::string output;
    EXPECT_EQ(-1, h.run(PER_MACHINING,
                        "G90 G92 X0 Y0 Z100.\n"
                        "G00 X10. Y0\n"
                        "G01 Z-1. F100\n"
                        "G81 X20. Z-5. R2. F50\n"
                        "X30.\n"
                        "G80\n"
                        "G00 Z100.\n",
                        90.0, 2, output));
    ASSERT_EQ(1u, h.log.boxes.size());
    EXPECT_EQ("エラー：加工中の固定サイクルは加工毎に回転コピーできません。 G81 X20. Z-5. R2. F50",
              h.log.boxes[0].text);
    EXPECT_EQ("", h.stray_files());

    // Drilling between machinings (after rapids, cancelled by G80) is written as it is.
    h.log.boxes.clear();
    EXPECT_EQ(0, h.run(PER_MACHINING,
                       "G90 G92 X0 Y0 Z100.\n"
                       "G00 X10. Y0 Z5.\n"
                       "G81 X20. Z-5. R2. F50\n"
                       "X30.\n"
                       "G80\n"
                       "G00 Z100.\n",
                       90.0, 2, output));
    EXPECT_TRUE(h.log.boxes.empty());
    EXPECT_NE(std::string::npos, output.find("G81")) << output;
}

TEST(DistanceMode, CompensatedMachiningIsRefusedForPerMachiningCopies) {
    DriverHarness h;
    std::string output;
    EXPECT_EQ(-1, h.run(PER_MACHINING,
                        "G90 G92 X0 Y0 Z100.\n"
                        "G00 X10. Y0\n"
                        "G01 Z-1. F100\n"
                        "G41 D01 X20.\n"
                        "Y10.\n"
                        "G40 X30.\n"
                        "G00 Z100.\n",
                        90.0, 2, output));
    ASSERT_EQ(1u, h.log.boxes.size());
    EXPECT_EQ("エラー：工具径補正中の加工は加工毎に回転コピーできません。 G41 D01 X20.", h.log.boxes[0].text);
    EXPECT_EQ("", h.stray_files());

    // Compensation cancelled before the cut opens is no obstacle.
    h.log.boxes.clear();
    EXPECT_EQ(0, h.run(PER_MACHINING,
                       "G90 G92 X0 Y0 Z100.\nG41 D01 G00 X10. Y0\nG40 X10.\nG01 Z-1. F100\nX20.\nG00 Z100.\n",
                       90.0, 2, output));
    EXPECT_TRUE(h.log.boxes.empty());
}

TEST(DistanceMode, AfterACopiedMoveTheNextMoveGivesXAndYOutright) {
    DriverHarness h;
    std::string output;
    // The copied line takes the tool to X10. Y0; the source then goes back to X0 Y0,
    // which the tracked position already holds: it must still be written.
    ASSERT_EQ(0, h.run(PER_MACHINING, "G90 G92 X0 Y0 Z100.\nG00 X0 Y0\nG90 G54 G00 X10. Y0\nG00 X0 Y0\n", 90.0,
                       2, output));
    EXPECT_EQ("G92X0Y0Z100000\r\nG90G00\r\nG90 G54 G00 X10. Y0\r\nX0Y0\r\n", output);

    // A dwell's X is a time, not a place: nothing is forced after it.
    ASSERT_EQ(0, h.run(WHOLE_PROGRAM, "G90 G92 X0 Y0 Z100.\nG00 X10. Y0\nG04 X1.\nG01 Z-1. F100\n", 90.0, 0,
                       output));
    EXPECT_EQ("G92X0Y0Z100000\r\nG90G00Y10.000\r\nG04 X1.\r\nG01Z-1.000F100\r\n", output);
}
