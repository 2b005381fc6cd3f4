// Copies per machining: each machining followed at once by its rotated copies.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver_harness.h"
#include "rotate/driver_support.h"
#include "log/message_log.h"

namespace {

TEST(PerMachining, WorkedExampleTwoCopiesAt90) {
    DriverHarness h;
    std::string output;
    ASSERT_EQ(0, h.run(PER_MACHINING,
                       "G90 G92 X0. Y0. Z100.\r\n"
                       "G00 X10. Y0.\r\n"
                       "G00 Z5.\r\n"
                       "G01 Z-1. F100\r\n"
                       "G01 X20.\r\n"
                       "G00 Z100.\r\n"
                       "M30\r\n",
                       90.0, 2, output));
    EXPECT_EQ(expected_output("per_machining_90x2.nc"), output) << output;
    EXPECT_EQ("", h.stray_files());
    EXPECT_EQ(90.0, h.angle[0]);
}

// Two machinings, M codes, a dwell, a reference return and comments; the
// second machining starts from a block that leaves Y out.
TEST(PerMachining, ThreeCopiesAt120WithoutMCodesOrPassThroughLines) {
    DriverHarness h;
    std::string output;
    ASSERT_EQ(0, h.run(PER_MACHINING,
                       "%\r\n"
                       "O0001 (PLATE)\r\n"
                       "G90 G92 X0 Y0 Z100.\r\n"
                       "S1000 M03\r\n"
                       "G00 X10. Y0\r\n"
                       "Z5.\r\n"
                       "G01 Z-1. F100\r\n"
                       "G04 X1.\r\n"
                       "X20. (CUT)\r\n"
                       "G00 Z100.\r\n"
                       "(SECOND)\r\n"
                       "X30.\r\n"
                       "G01 Z-2. F50\r\n"
                       "G00 Z100. M05\r\n"
                       "G28 Z0\r\n"
                       "M30\r\n"
                       "%\r\n",
                       120.0, 3, output));
    EXPECT_EQ(expected_output("per_machining_120x3.nc"), output) << output;
    EXPECT_EQ(240.0, h.angle[0]);
    EXPECT_EQ(120.0, h.angle[1]);
    EXPECT_EQ(120.0, h.angle[2]);
    EXPECT_EQ("", h.stray_files());
}

// Each copied block keeps its own decimal-point style, and a move to X0 Y0 Z0
// is written in the copy like any other.
TEST(PerMachining, CopiesKeepEachBlockStyleAndMovesToZero) {
    DriverHarness h;
    const std::string program =
        "G90 G92 X0 Y0 Z100.\n"
        "G00 X10 Y0.\n"
        "Z5.\n"
        "G01 Z-1000 F100\n"
        "X20000\n"
        "G00 Z100.\n"
        "G00 X0 Y0\n"
        "Z5.\n"
        "G01 Z0\n"
        "X10. Y0.\n"
        "X0. Y0.\n"
        "G00 Z100.\n";
    std::string output;
    ASSERT_EQ(0, h.run(PER_MACHINING, program, 90.0, 2, output));
    EXPECT_EQ(expected_output("per_machining_styles.nc"), output) << output;

    // A forced style holds in the copies too.
    h.set_format(1, 0);
    ASSERT_EQ(0, h.run(PER_MACHINING, program, 90.0, 2, output));
    EXPECT_EQ(std::string::npos, output.find("ROTATION"));
    EXPECT_NE(std::string::npos, output.find("G01Z-1.000\r\nY20.000\r\n"));
    h.set_format(0, 1);
    ASSERT_EQ(0, h.run(PER_MACHINING, program, 90.0, 2, output));
    EXPECT_NE(std::string::npos, output.find("(ROTATION ANGLE 90.)\r\nX0Y10\r\nZ5000\r\n"));
}

// A machining that switches to G91 keeps its G91, and after the copies the
// program goes on to its own next point from where the copy left the tool.
TEST(PerMachining, IncrementalMachiningAndTheWayBackToTheSource) {
    DriverHarness h;
    std::string output;
    ASSERT_EQ(0, h.run(PER_MACHINING,
                       "G90 G92 X0 Y0 Z100.\n"
                       "G00 X10. Y0\n"
                       "Z5.\n"
                       "G91 G01 Z-6. F100\n"
                       "X10.\n"
                       "G00 Z105.\n"
                       "X10.\n",
                       90.0, 2, output));
    EXPECT_EQ(expected_output("per_machining_g91.nc"), output) << output;
}

TEST(PerMachining, MachiningsThatOpenOrCloseDifferently) {
    DriverHarness h;
    std::string output;
    // An arc straight after rapids opens nothing; a machining left open at the
    // end gets no copies; copy count 1 writes the source only.
    ASSERT_EQ(0, h.run(PER_MACHINING,
                       "G90 G92 X0 Y0 Z100.\n"
                       "G00 X10. Y0 Z-1.\n"
                       "G02 X-10. R10. F100\n"
                       "G00 Z100.\n"
                       "G01 Z-1.\n"
                       "X20.\n",
                       90.0, 2, output));
    EXPECT_EQ("G92X0Y0Z100000\r\nG90G00X10.000Z-1.000\r\nG02X-10.000R10.000F100\r\nG00Z100.000\r\n"
              "G01Z-1.000\r\nX20.000\r\n",
              output);
    EXPECT_EQ("", h.stray_files());

    ASSERT_EQ(0, h.run(PER_MACHINING, "G90 G92 X0 Y0 Z9.\nG00 X1.\nG01 Z0.\nG00 Z9.\n", 90.0, 1, output));
    EXPECT_EQ("G92X0Y0Z9000\r\nG90G00X1.000\r\nG01Z0.000\r\nG00Z9.000\r\n", output);
    EXPECT_EQ("", h.stray_files());
    EXPECT_EQ(90.0, h.angle[0]);
}

TEST(PerMachining, BlocksBeforeTheCoordinateSettingKeepTheirCodes) {
    DriverHarness h;
    std::string output;
    ASSERT_EQ(0, h.run(PER_MACHINING, "G90 G17 G40 G80\nG92 X0 Y0 Z100.\nG00 X10. Y0\n", 90.0, 2, output));
    EXPECT_EQ("G90G17G40G80\r\nG92X0Y0Z100000\r\nG00X10.000\r\n", output);
}

TEST(PerMachining, MoveFileNeverTouchesAFileItDidNotCreate) {
    DriverHarness h;
    const std::string program = "G90 G92 X0 Y0 Z9.\nG00 X1.\nG01 Z0.\nG00 Z9.\n";
    write_file_bytes(h.dir.file("PART_0.NC"), "KEEP ME\r\n");
    std::string output;
    ASSERT_EQ(0, h.run(PER_MACHINING, program, 90.0, 2, output));
    EXPECT_NE(std::string::npos, output.find("(ROTATION ANGLE 90.)\r\nX0.000Y1.000\r\n"));
    EXPECT_EQ("KEEP ME\r\n", read_file_bytes(h.dir.file("PART_0.NC")));
    EXPECT_EQ("PART_0.NC ", h.stray_files());

    // The output itself carries the name the move file would have had.
    std::string output_path = h.dir.file("PART_0.NC");
    TextWriter writer;
    ASSERT_EQ(0, text_open_write(writer, output_path.c_str()));
    double angle[3] = {90, 90, 90};
    double centre[3] = {0, 0, 0};
    ASSERT_EQ(0, rotate_per_machining(nullptr, writer, h.input_path.c_str(), angle, centre, 2));
    ASSERT_EQ(0, text_close_write(writer));
    EXPECT_NE(std::string::npos, read_file_bytes(output_path).find("(ROTATION ANGLE 90.)\r\nX0.000Y1.000\r\n"));
    EXPECT_EQ("PART_0.NC ", h.stray_files());
}

TEST(PerMachining, RefusalsAndUnreadableMoveFiles) {
    DriverHarness h;
    std::string output;
    // The plane test runs on the raw line: a comment naming G18 stops this driver,
    // and the move file of the machining under way goes.
    ASSERT_EQ(-1, h.run(PER_MACHINING, "G90 G92 X0 Y0 Z9.\nG00 X1.\nG01 Z0.\n(G18 BELOW)\n", 90.0, 2, output));
    EXPECT_EQ("G92X0Y0Z9000\r\nG90G00X1.000\r\nG01Z0.000\r\n", output);
    ASSERT_EQ(1u, h.log.boxes.size());
    EXPECT_EQ("ＮＣデータにG18平面が含まれてます。\n\nG17以外の座標平面はサポート外です。", h.log.boxes[0].text);
    EXPECT_EQ("", h.stray_files());

    // A record that does not read back in full stops the copy with an error.
    BlockState state;
    init_block_state(state, -1);
    OutputFormat format = {-1, 1};
    double centre[3] = {0, 0, 0};
    double angle[3] = {90, 0, 90};
    WordValues current = {};
    WordValues previous = {};
    std::vector<PointFlags> styles(2, PointFlags{{1, 1, 1, 1, 1, 1, 1, 1}});
    std::string move_name = h.dir.file("MOVES.NC");
    write_file_bytes(move_name, "17  0  10.000 0.000 100.000 0 0 0 0 0 0\r\n17  1  10.000 0.000\r\n");
    std::string sink;
    TextWriter writer;
    text_open_memory(writer, sink);
    EXPECT_EQ(-1, write_rotated_copy(writer, move_name.c_str(), state, state.pending_g, current, previous,
                                     state.feed, format, centre, angle, ActiveCommandFlags, state.mode, styles));
    EXPECT_EQ("エラー：テンポラリファイル " + move_name + " の2行目を読み込めません。", std::string(MessageText));
    MessageText[0] = '\0';

    // Fewer records than were written: the file was cut short.
    write_file_bytes(move_name, "17  0  10.000 0.000 100.000 0 0 0 0 0 0\r\n");
    EXPECT_EQ(-1, write_rotated_copy(writer, move_name.c_str(), state, state.pending_g, current, previous,
                                     state.feed, format, centre, angle, ActiveCommandFlags, state.mode, styles));
    EXPECT_EQ("エラー：テンポラリファイル " + move_name + " の2行目を読み込めません。", std::string(MessageText));
    MessageText[0] = '\0';

    std::string missing = h.dir.file("GONE.NC");
    EXPECT_EQ(-1, write_rotated_copy(writer, missing.c_str(), state, state.pending_g, current, previous,
                                     state.feed, format, centre, angle, ActiveCommandFlags, state.mode, styles));
    EXPECT_EQ("エラー：ＮＣファイル " + missing + " 開けません", std::string(MessageText));
    MessageText[0] = '\0';
}

}  // namespace
