// The block writer: fixed word order, modal codes and values written only on
// change, the two coordinate styles, cycles, G92 and the start block.
#include "nc/block_writer.h"

#include <gtest/gtest.h>

#include <cstdio>

#include <string>

#include "nc/word_scanner.h"
#include "test_support.h"

namespace {

const CommandFlags NoFlags = {0, 0, 0, 0, 0};
const OutputFormat KeepStyle = {-1, 1};

// A program run through parser and writer without rotation, as a driver runs
// it: lines that do not parse are copied as read.
std::string rewrite_program(const std::string &path, const OutputFormat &format) {
    std::string out;
    TextWriter writer;
    text_open_memory(writer, out);
    TextReader reader;
    if (text_open_read(reader, path.c_str()) != 0) return "cannot open " + path;
    BlockState state;
    init_block_state(state, -1);
    WordValues previous = {}, current = {};
    std::string line;
    while (text_read_line(reader, line) == 1) {
        std::string work = line;
        strip_comment(work);
        for (int i = 0; i < WORD_COUNT; ++i) {
            state.words.v[i] = 0.0;
            state.word_present[i] = 0;
        }
        if (parse_block(work.c_str(), state.pending_g, state.pending_m, state.modal, state.words,
                        state.word_present, state.word_point, state.feed, state.mode) != 1) {
            text_write(writer, line.data(), line.size());
            continue;
        }
        update_position(state.modal, state.pending_g, state.word_present, current, previous, state.words);
        write_block(writer, state.modal, state.word_present, state.word_point, current, previous,
                    state.feed, state.mode, state.pending_g, state.pending_m, NoFlags, format);
        previous = current;
    }
    text_close_read(reader);
    return out;
}

TEST(BlockWriter, ProgramRewrittenWithoutRotationMatchesTheExpectedFile) {
    std::string written = rewrite_program(test_data_path("nc/data/writer_program.nc"), KeepStyle);
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
    // G91 X5. turned by 90 degrees about the origin: only Y moves. The mode
    // written stays G90 until a G91 of its own comes.
    Case rotated;
    rotated.state.mode = {91, 90};
    rotated.word(WORD_X, 0.0, 1);
    rotated.current.v[WORD_Y] = 5.0;
    EXPECT_EQ(1, rotated.write(KeepStyle));
    EXPECT_EQ("Y5.000\n", rotated.out);
    EXPECT_EQ(1, rotated.state.word_point[WORD_Y]);
    EXPECT_EQ(90, rotated.state.mode.mode_written);
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
    for (int n : {90, 99, 17, 42, 83, 2, 43, 73}) block.state.pending_g[n] = n;
    block.state.modal.motion = 2;
    block.state.modal.d_number = 3;
    block.state.modal.spindle_speed = 800;
    block.state.pending_m[8] = 8;
    block.state.pending_m[3] = 3;
    block.word(WORD_Z, -1.0, 1);
    block.word(WORD_R, 0.0, 1);
    block.word(WORD_Q, 0.5, 1);
    EXPECT_EQ(15, block.write(KeepStyle));
    EXPECT_EQ("G90G99G17G42D03G83G02G43G73Z-1.000R0.000Q0.500S800M03M08\n", block.out);
    for (int n = 0; n < 100; ++n) EXPECT_EQ(-1, block.state.pending_g[n]) << n;
    EXPECT_EQ(0, block.state.modal.d_number);
    EXPECT_EQ(0, block.state.modal.spindle_speed);
    EXPECT_EQ(2, block.state.modal.prev_motion);
    EXPECT_EQ(90, block.state.mode.mode_written);
}

TEST(BlockWriter, CoordinateSettingIsWrittenAbsoluteOnItsOwnLine) {
    Case absolute;
    absolute.state.mode = {90, 90};
    absolute.state.pending_g[92] = 92;
    absolute.state.pending_g[0] = 0;
    absolute.state.modal.spindle_speed = 500;
    absolute.state.pending_m[3] = 3;
    absolute.word(WORD_X, 0.0, 1);
    absolute.word(WORD_Y, 0.0, 1);
    absolute.current.v[WORD_Z] = 100.0;
    EXPECT_EQ(3, absolute.write(KeepStyle));
    EXPECT_EQ("G92X0.000Y0.000Z100.000\n", absolute.out);
    EXPECT_EQ(-1, absolute.state.pending_g[92]);
    // What else the block held waits for the next block.
    EXPECT_EQ(0, absolute.state.pending_g[0]);
    EXPECT_EQ(500, absolute.state.modal.spindle_speed);
    EXPECT_EQ(3, absolute.state.pending_m[3]);

    Case incremental;
    incremental.state.mode = {91, 91};
    incremental.state.pending_g[92] = 92;
    incremental.state.word_point[WORD_X] = 1;
    incremental.state.word_point[WORD_Y] = 0;
    incremental.current.v[WORD_Z] = -2.5;
    // No word at all: the style of X holds for the whole line.
    EXPECT_EQ(5, incremental.write(KeepStyle));
    EXPECT_EQ("G90\nG92X0.000Y0.000Z-2.500\nG91\n", incremental.out);
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
