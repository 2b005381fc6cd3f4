// The block writer: fixed word order, modal codes and values written only on
// change, the two coordinate styles, cycles, G92 and the start block.
#include "nc/block_writer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include <string>

#include "rotate/drivers.h"
#include "test_support.h"

namespace {

const CommandFlags NoFlags = {0, 0, 0, 0, 0};
const OutputFormat KeepStyle = {-1, 1};

TEST(BlockWriter, ProgramRewrittenWithoutRotationMatchesTheExpectedFile) {
    TempDir dir;
    SettingsHome home(dir.path);
    std::string written;
    TextWriter writer;
    text_open_memory(writer, written);
    double angle[3] = {0.0, 0.0, 0.0};
    double centre[3] = {0.0, 0.0, 0.0};
    CapturedLog log;
    ASSERT_EQ(0, rotate_whole_program(nullptr, writer, test_data_path("nc/data/writer_program.nc").c_str(), angle,
                                      centre));
    EXPECT_EQ(read_file_bytes(test_data_path("nc/data/writer_program_expected.nc")), written);
}

// One block written on its own from a hand-made state.
struct Case {
    BlockState state;
    WordValues current = {};
    WordValues previous = {};
    std::string out;
    Case() { init_block_state(state, -1); }
    void word(int index, double value, int with_point) {
        state.word_present[index] = 1;
        state.word_point[index] = with_point;
        current.v[index] = value;
    }
    int write(const OutputFormat &format) {
        TextWriter writer;
        text_open_memory(writer, out);
        return write_block(writer, state.modal, state.word_present, state.word_point, current,
                           previous, state.feed, state.mode, state.pending_g, state.pending_m,
                           NoFlags, format);
    }
};

TEST(BlockWriter, DeltaBandIsAsymmetric) {
    WordValues current = {{1.0004, -0.0004, 0.0005, 0.0004, -0.0004, 2.0, 0.0, 0.00049}};
    WordValues previous = {{1.0, 0.0, 0.0, 9.0, 9.0, 9.0, 9.0, 9.0}};
    WordValues delta;
    position_delta(current, previous, delta);
    EXPECT_EQ(0.0, delta.v[WORD_X]);
    EXPECT_DOUBLE_EQ(-0.0004, delta.v[WORD_Y]);
    EXPECT_DOUBLE_EQ(0.0005, delta.v[WORD_Z]);
    EXPECT_EQ(0.0, delta.v[WORD_I]);
    EXPECT_DOUBLE_EQ(-0.0004, delta.v[WORD_J]);
    EXPECT_DOUBLE_EQ(2.0, delta.v[WORD_R]);
    EXPECT_EQ(0.0, delta.v[WORD_K]);

    Case in_g91;
    in_g91.state.mode = {91, 91};
    in_g91.word(WORD_X, 0.0004, 1);
    in_g91.word(WORD_Y, -0.0004, 1);
    EXPECT_EQ(1, in_g91.write(KeepStyle));
    EXPECT_EQ("Y-0.000\n", in_g91.out);
}

TEST(BlockWriter, IncrementalBlocksWriteTheChange) {
    // G91 X5. turned by 90 degrees about the origin: only Y moves. The machine
    // holds G90, so G91 goes out with the block: the increment must not be read
    // as an absolute value.
    Case rotated;
    rotated.state.mode = {91, 90};
    rotated.word(WORD_X, 0.0, 1);
    rotated.current.v[WORD_Y] = 5.0;
    EXPECT_EQ(2, rotated.write(KeepStyle));
    EXPECT_EQ("G91Y5.000\n", rotated.out);
    EXPECT_EQ(1, rotated.state.word_point[WORD_Y]);
    EXPECT_EQ(91, rotated.state.mode.mode_written);
}

TEST(BlockWriter, StyleFollowsTheFirstWordUnlessTheSettingFixesIt) {
    for (const auto &expected : {std::make_pair(-1, "X10Y5000Z-5300\n"), std::make_pair(0, "X10Y5000Z-5300\n"),
                                 std::make_pair(1, "X0.010Y5.000Z-5.300\n")}) {
        SCOPED_TRACE(expected.first);
        Case block;
        block.state.mode = {90, 90};
        block.word(WORD_X, 0.010, 0);
        block.word(WORD_Y, 5.0, 1);
        block.word(WORD_Z, -5.3, 1);
        EXPECT_EQ(3, block.write({expected.first, 1}));
        EXPECT_EQ(expected.second, block.out);
    }
    // The first word has a point: the others take it, even ones the block lacks.
    Case pointed;
    pointed.state.mode = {90, 90};
    pointed.word(WORD_Y, 5.0, 1);
    pointed.state.word_point[WORD_X] = 0;
    pointed.current.v[WORD_X] = 2.5;
    pointed.write(KeepStyle);
    EXPECT_EQ("X2.500Y5.000\n", pointed.out);
    Case unpointed;
    unpointed.state.mode = {90, 90};
    unpointed.word(WORD_Z, -5.3, 0);
    unpointed.write({0, 1});
    EXPECT_EQ("Z-5300\n", unpointed.out);
}

TEST(BlockWriter, CodesWithoutCoordinatesCarryNoFeed) {
    Case block;
    block.state.mode = {90, 90};
    block.state.pending_g[80] = 80;
    block.state.pending_m[9] = 9;
    block.state.feed[0] = 300.0;
    EXPECT_EQ(2, block.write(KeepStyle));
    EXPECT_EQ("G80M09\n", block.out);
    // The feed waits for the next block that moves.
    block.out.clear();
    block.word(WORD_X, 1.0, 1);
    EXPECT_EQ(2, block.write(KeepStyle));
    EXPECT_EQ("X1.000F300\n", block.out);

    Case nothing;
    EXPECT_EQ(0, nothing.write(KeepStyle));
    EXPECT_EQ("", nothing.out);
}

TEST(BlockWriter, FeedWithAFractionKeepsIt) {
    Case block;
    block.state.mode = {90, 90};
    block.word(WORD_X, 1.0, 1);
    block.state.feed[0] = 0.15;
    block.write(KeepStyle);
    EXPECT_EQ("X1.000F0.15\n", block.out);
    EXPECT_EQ(0.15, block.state.feed[1]);
    EXPECT_EQ(0, block.state.modal.feed_flag);
}

TEST(BlockWriter, UnknownMotionIsNeverWritten) {
    Case block;
    block.state.mode = {90, 90};
    block.state.modal.motion = -1;
    block.state.modal.prev_motion = 1;
    block.state.modal.older_motion = 0;
    block.word(WORD_X, 1.0, 1);
    block.write(KeepStyle);
    EXPECT_EQ("X1.000\n", block.out);
    EXPECT_EQ(1, block.state.modal.prev_motion);
    EXPECT_EQ(0, block.state.modal.older_motion);
}

TEST(BlockWriter, FixedOrderOfCodes) {
    Case block;
    block.state.mode = {90, 0};
    for (int n : {99, 17, 42, 83, 49}) block.state.pending_g[n] = n;
    block.state.modal.motion = 2;
    block.state.modal.d_number = 3;
    block.state.modal.spindle_speed = 800;
    block.state.pending_m[8] = 8;
    block.state.pending_m[3] = 3;
    block.word(WORD_Z, -1.0, 1);
    block.word(WORD_R, 0.0, 1);
    block.word(WORD_Q, 0.5, 1);
    EXPECT_EQ(14, block.write(KeepStyle));
    // The distance mode goes out because the machine holds none yet.
    EXPECT_EQ("G90G99G17G42D03G83G02G49Z-1.000R0.000Q0.500S800M03M08\n", block.out);
    for (int n = 0; n < 100; ++n) EXPECT_EQ(-1, block.state.pending_g[n]) << n;
    EXPECT_EQ(0, block.state.modal.d_number);
    EXPECT_EQ(0, block.state.modal.spindle_speed);
    EXPECT_EQ(2, block.state.modal.prev_motion);
    EXPECT_EQ(90, block.state.mode.mode_written);

    // Every drilling cycle keeps its code, and its levels go out as given.
    for (int code : {73, 74, 81, 82, 84, 85, 86, 88, 89}) {
        Case cycle;
        cycle.state.mode = {90, 90};
        cycle.state.pending_g[code] = code;
        cycle.word(WORD_X, 5.0, 1);
        cycle.word(WORD_Z, 0.0, 1);
        cycle.word(WORD_R, 2.0, 1);
        cycle.write(KeepStyle);
        EXPECT_EQ("G" + std::to_string(code) + "X5.000Z0.000R2.000\n", cycle.out) << code;
    }
}

TEST(BlockWriter, CoordinateSettingWritesTheGivenAxesAbsoluteOnItsOwnLine) {
    auto setting = [](int mode, const double values[3], const int given[3], int point, const char *tail) {
        BlockState state;
        init_block_state(state, -1);
        state.mode = {mode, mode};
        for (int &flag : state.word_point) flag = point;
        std::string out;
        TextWriter writer;
        text_open_memory(writer, out);
        write_coordinate_setting(writer, state, values, given, tail, std::strlen(tail), KeepStyle);
        return out;
    };
    double values[3] = {0.0, 0.0, 100.0};
    int all[3] = {1, 1, 1};
    EXPECT_EQ("G92X0.000Y0.000Z100.000\n", setting(90, values, all, 1, ""));
    EXPECT_EQ("G90\nG92X0.000Y0.000Z100.000\nG91\n", setting(91, values, all, 1, ""));
    // A machine left in G91 by the program before a G90 G92 line: G90 first.
    BlockState state;
    init_block_state(state, -1);
    state.mode = {90, 91};
    std::string out;
    TextWriter writer;
    text_open_memory(writer, out);
    write_coordinate_setting(writer, state, values, all, "", 0, KeepStyle);
    EXPECT_EQ("G90\nG92X0Y0Z100000\n", out);
    EXPECT_EQ(90, state.mode.mode_written);
    // Only the axes the source gave: the others keep the frame they have.
    int z_only[3] = {0, 0, 1};
    EXPECT_EQ("G92Z100000T02\n", setting(90, values, z_only, 0, "T02"));
}

TEST(BlockWriter, BlocksOfHugeNumbersAreWrittenWhole) {
    // Hundreds of digits per word: the block outgrows any small buffer and
    // every word still comes out as printf writes it, in order.
    auto printed = [](const char *format, double value) {
        char text[400];
        snprintf(text, sizeof text, format, value);
        return std::string(text);
    };
    Case huge;
    huge.state.mode = {90, 90};
    huge.state.modal.motion = 1;
    huge.state.pending_g[1] = 1;
    huge.word(WORD_X, 1e300, 1);
    huge.word(WORD_Y, -2.5e299, 1);
    huge.word(WORD_Z, -0.0004, 1);
    huge.word(WORD_I, 1.7976931348623157e308, 1);
    huge.state.feed[0] = 1e20;
    EXPECT_EQ(6, huge.write(KeepStyle));
    EXPECT_EQ("G01X" + printed("%.3f", 1e300) + "Y" + printed("%.3f", -2.5e299) + "Z-0.000I" +
                  printed("%.3f", 1.7976931348623157e308) + "F" + printed("%.0f", 1e20) + "\n",
              huge.out);

    Case without_point;
    without_point.state.mode = {90, 90};
    without_point.word(WORD_X, 1e200, 0);
    without_point.word(WORD_Y, 0.0125, 0);
    without_point.word(WORD_Z, -1e-9, 0);
    EXPECT_EQ(2, without_point.write(KeepStyle));
    EXPECT_EQ("X" + printed("%.0f", 1e200 * 1000.0) + "Y12\n", without_point.out);
}

TEST(BlockWriter, StartBlock) {
    BlockState state;
    init_block_state(state, -1);
    state.mode = {90, 0};
    state.pending_g[90] = 90;
    state.pending_g[91] = 91;
    state.pending_g[17] = 17;
    state.modal.motion = 0;
    state.word_present[WORD_X] = 1;
    state.word_point[WORD_X] = 1;
    state.word_point[WORD_Z] = 0;
    const double position[3] = {12.5, -3.25, 100.0};
    std::string out;
    TextWriter writer;
    text_open_memory(writer, out);
    EXPECT_EQ(0, write_start_block(writer, position, state.modal, state.word_point, state.pending_g,
                                   state.mode, state.word_present, KeepStyle));
    EXPECT_EQ("G90G17G00X12.500Y-3.250Z100.000\n", out);
    EXPECT_EQ(90, state.mode.mode_written);
    EXPECT_EQ(-1, state.pending_g[91]);
    EXPECT_EQ(0, state.modal.prev_motion);

    // Again: nothing modal left to write; the position always is.
    out.clear();
    write_start_block(writer, position, state.modal, state.word_point, state.pending_g, state.mode,
                      state.word_present, {0, 1});
    EXPECT_EQ("X12500Y-3250Z100000\n", out);

    // Motion not known: no motion code.
    out.clear();
    state.modal.motion = -1;
    write_start_block(writer, position, state.modal, state.word_point, state.pending_g, state.mode,
                      state.word_present, {1, 1});
    EXPECT_EQ("X12.500Y-3.250Z100.000\n", out);
    EXPECT_EQ(0, state.modal.prev_motion);
}

}  // namespace
