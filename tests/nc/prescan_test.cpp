// The pre-scan: the start position of a program and the state left for the
// main pass, read from real files of every line-end form.
#include <gtest/gtest.h>

#include <string>

#include "nc/block_parser.h"
#include "test_support.h"

namespace {

struct Scan {
    BlockState state;
    WordValues start = {};
    WordValues previous = {};
    int result = 0;
};

Scan prescan_text(const TempDir &dir, const std::string &bytes) {
    std::string path = dir.file("program.nc");
    write_file_bytes(path, bytes);
    Scan scan;
    init_block_state(scan.state, 0);
    BlockState &s = scan.state;
    scan.result = prescan_program(path.c_str(), s.pending_g, s.pending_m, s.modal, scan.start,
                                  scan.previous, s.words, s.word_present, s.word_point, s.feed, s.mode);
    return scan;
}

TEST(Prescan, StopsAtTheFirstCoordinateSettingWithXYZ) {
    TempDir dir;
    Scan scan = prescan_text(dir,
                             "%\r\n"
                             "O1234 (PLATE)\r\n"
                             "G92 X0 Y0\r\n"
                             "G91 G92 X0 Y0 Z100. F300 (HOME)\r\n"
                             "G90 G00 X50. Y50.\r\n"
                             "G92 X1. Y2. Z3.\r\n");
    ASSERT_EQ(1, scan.result);
    EXPECT_EQ(0.0, scan.start.v[WORD_X]);
    EXPECT_EQ(0.0, scan.start.v[WORD_Y]);
    EXPECT_DOUBLE_EQ(100.0, scan.start.v[WORD_Z]);
    EXPECT_DOUBLE_EQ(100.0, scan.previous.v[WORD_Z]);
    EXPECT_EQ(92, scan.state.pending_g[92]);
    EXPECT_EQ(91, scan.state.pending_g[91]);
    EXPECT_EQ(91, scan.state.modal.distance_mode);
    // The state the main pass starts from.
    EXPECT_DOUBLE_EQ(300.0, scan.state.feed[2]);
    EXPECT_EQ(0.0, scan.state.feed[0]);
    EXPECT_EQ(0.0, scan.state.feed[1]);
    EXPECT_EQ(-1, scan.state.modal.motion);
    EXPECT_EQ(-1, scan.state.modal.spindle_speed);
    EXPECT_EQ(-1, scan.state.modal.d_number);
}

TEST(Prescan, WithoutCoordinateSettingTracksThePathToTheEnd) {
    TempDir dir;
    Scan scan = prescan_text(dir,
                             "G90 G17 G00 X10. Y20. Z50. S1000 M03\n"
                             "G73 X5. Y6. Z-3. R1.\n"
                             "G80 M09\n"
                             "G91 G01 X5. Y-5 F200\n"
                             "G43 Z5. H01\n"
                             "G30 X7.\n"
                             "G81 X30. Y40. Z-5. R2.\n"
                             "G04 X2.\n"
                             "G4 P500 X3.\n"
                             "G10 L2 P1 X-100. Y-50.\n"
                             "G53 Z-20.\n"
                             "X-1.5 (LAST MOVE)");
    ASSERT_EQ(1, scan.result);
    // From G73 (tracked, unlike G81 with R): 5 + 5 - 1.5, 6 - 0.005, -3; none
    // of the incremental lines skipped after it moved the position.
    EXPECT_DOUBLE_EQ(8.5, scan.start.v[WORD_X]);
    EXPECT_DOUBLE_EQ(5.995, scan.start.v[WORD_Y]);
    EXPECT_DOUBLE_EQ(-3.0, scan.start.v[WORD_Z]);
    EXPECT_DOUBLE_EQ(8.5, scan.previous.v[WORD_X]);
    EXPECT_EQ(91, scan.state.modal.distance_mode);
    EXPECT_EQ(17, scan.state.modal.plane);
    EXPECT_DOUBLE_EQ(200.0, scan.state.feed[2]);
    for (int n = 0; n < 10; ++n) EXPECT_EQ(-1, scan.state.pending_m[n]) << n;
}

TEST(Prescan, ALongLineIsOneBlock) {
    TempDir dir;
    // A 79-character piece would end inside X123.456, just before its point.
    std::string padding(72, ' ');
    Scan scan = prescan_text(dir, "G90 G00 X1. Y1. Z1.\nG01" + padding + "X123.456 Y7.\n");
    ASSERT_EQ(1, scan.result);
    EXPECT_DOUBLE_EQ(123.456, scan.start.v[WORD_X]);
    EXPECT_DOUBLE_EQ(7.0, scan.start.v[WORD_Y]);
    EXPECT_DOUBLE_EQ(1.0, scan.start.v[WORD_Z]);

    std::string megabyte(1 << 20, '0');
    scan = prescan_text(dir, "G90 G92 X" + megabyte + "5. Y" + megabyte + "6. Z7.\r\nG00 X0\r\n");
    ASSERT_EQ(1, scan.result);
    EXPECT_DOUBLE_EQ(5.0, scan.start.v[WORD_X]);
    EXPECT_DOUBLE_EQ(6.0, scan.start.v[WORD_Y]);
    EXPECT_DOUBLE_EQ(7.0, scan.start.v[WORD_Z]);
}

TEST(Prescan, OddBytesDoNotDisturbTheScan) {
    TempDir dir;
    std::string bytes = "G90 G00 X1. Y2. Z3.\n";
    bytes += std::string("\0\0\x81\x40\xff X-\n", 9);
    bytes += "X--5 Y. Z" + std::string(400, '9') + "\n";
    Scan scan = prescan_text(dir, bytes);
    ASSERT_EQ(1, scan.result);
    EXPECT_EQ(0.0, scan.start.v[WORD_X]);
    EXPECT_EQ(0.0, scan.start.v[WORD_Y]);
    EXPECT_EQ(0.0, scan.start.v[WORD_Z]);

    scan = prescan_text(dir, "");
    EXPECT_EQ(1, scan.result);
    EXPECT_EQ(0.0, scan.start.v[WORD_X]);
}

TEST(Prescan, MissingFileChangesNothing) {
    TempDir dir;
    Scan scan;
    init_block_state(scan.state, 0);
    scan.state.feed[0] = 120.0;
    scan.state.modal.motion = 1;
    scan.previous.v[WORD_X] = 4.0;
    BlockState &s = scan.state;
    std::string path = dir.file("absent.nc");
    EXPECT_EQ(-1, prescan_program(path.c_str(), s.pending_g, s.pending_m, s.modal, scan.start,
                                  scan.previous, s.words, s.word_present, s.word_point, s.feed, s.mode));
    EXPECT_DOUBLE_EQ(120.0, s.feed[0]);
    EXPECT_EQ(0.0, s.feed[2]);
    EXPECT_EQ(1, s.modal.motion);
    EXPECT_DOUBLE_EQ(4.0, scan.previous.v[WORD_X]);
}

TEST(Prescan, NonPathBlocks) {
    for (const char *block : {"G04 P500", "G4 X2.", "G4", "G10 L2 P1 X-100.", "G53 Z0", "G90 G4."}) {
        EXPECT_EQ(1, is_non_path_block(block)) << block;
    }
    for (const char *block : {"G40 X0", "G41 D01", "G43 Z5.", "G01 X4.", "G1 X10.", ""}) {
        EXPECT_EQ(0, is_non_path_block(block)) << block;
    }
}

}  // namespace
