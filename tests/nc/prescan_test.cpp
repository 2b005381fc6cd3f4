// The pre-scan: the program's first coordinate setting that gives X, Y and Z.
#include <gtest/gtest.h>

#include <string>

#include "nc/block_parser.h"
#include "test_support.h"

namespace {

struct Scan {
    int result;
    WordValues start;
};

Scan scan(const std::string &program) {
    TempDir dir;
    std::string path = dir.file("in.nc");
    write_file_bytes(path, program);
    Scan s = {0, {}};
    s.result = prescan_program(path.c_str(), s.start);
    return s;
}

}  // namespace

TEST(Prescan, FindsTheFirstCoordinateSettingWithXYAndZ) {
    Scan s = scan("%\r\nG90 G00 X5. Y5.\r\nG92 Z50.\r\nG92 X10. Y20 Z100.\r\nG92 X1. Y1. Z1.\r\n");
    EXPECT_EQ(1, s.result);
    EXPECT_EQ(10.0, s.start.v[WORD_X]);
    EXPECT_EQ(0.02, s.start.v[WORD_Y]);
    EXPECT_EQ(100.0, s.start.v[WORD_Z]);
    // Unreadable lines are passed over; a program without one has no start.
    s = scan("G01 X#1\r\nG92 X1. Y2.\r\nM30\r\n");
    EXPECT_EQ(0, s.result);
    TempDir dir;
    WordValues start = {};
    EXPECT_EQ(-1, prescan_program(dir.file("missing.nc").c_str(), start));
}
