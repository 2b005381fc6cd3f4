// The block parser and update_position: which words and codes a block yields,
// the chains that take one code, and the absolute position of a block.
#include "nc/block_parser.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A record as the per-machining and copy drivers start it.
BlockState fresh_state() {
    BlockState state;
    init_block_state(state, -1);
    return state;
}

// Parses one block as a driver does: words and presence cleared first.
int parse(BlockState &state, const std::string &block) {
    for (int i = 0; i < WORD_COUNT; ++i) {
        state.words.v[i] = 0.0;
        state.word_present[i] = 0;
    }
    return parse_block(block.c_str(), state.pending_g, state.pending_m, state.modal, state.words,
                       state.word_present, state.word_point, state.feed, state.mode);
}

int pending_g_count(const BlockState &state) {
    int count = 0;
    for (int entry : state.pending_g) count += entry >= 0;
    return count;
}

TEST(BlockParser, FullBlockYieldsWordsCodesAndModalState) {
    BlockState state = fresh_state();
    ASSERT_EQ(1, parse(state, "N10 G91 G01 X10. Y-5 F200 S1200 M03\n"));
    EXPECT_DOUBLE_EQ(10.0, state.words.v[WORD_X]);
    EXPECT_EQ(1, state.word_point[WORD_X]);
    EXPECT_DOUBLE_EQ(-0.005, state.words.v[WORD_Y]);
    EXPECT_EQ(0, state.word_point[WORD_Y]);
    EXPECT_EQ(0, state.word_present[WORD_Z]);
    EXPECT_DOUBLE_EQ(200.0, state.feed[0]);
    EXPECT_EQ(0.0, state.feed[1]);
    EXPECT_EQ(1, state.modal.feed_flag);
    EXPECT_EQ(1200, state.modal.spindle_speed);
    EXPECT_EQ(91, state.modal.distance_mode);
    EXPECT_EQ(91, state.mode.mode_now);
    EXPECT_EQ(91, state.pending_g[91]);
    EXPECT_EQ(1, state.pending_g[1]);
    EXPECT_EQ(1, state.modal.block_motion);
    EXPECT_EQ(1, state.modal.motion);
    EXPECT_EQ(3, state.pending_m[3]);
    // N10 is not a code the parser knows.
    EXPECT_EQ(2, pending_g_count(state));
}

TEST(BlockParser, ChainsTakeTheirFirstCodeWhateverTheOrderInTheBlock) {
    BlockState state = fresh_state();
    parse(state, "G91 G90 X1.");
    EXPECT_EQ(90, state.modal.distance_mode);
    EXPECT_EQ(-1, state.pending_g[91]);
    state = fresh_state();
    parse(state, "G90 G91 X1.");
    EXPECT_EQ(90, state.mode.mode_now);
    state = fresh_state();
    parse(state, "G41 G40 X1.");
    EXPECT_EQ(40, state.pending_g[40]);
    EXPECT_EQ(-1, state.pending_g[41]);
    state = fresh_state();
    parse(state, "G19 G17");
    EXPECT_EQ(17, state.modal.plane);
    EXPECT_EQ(-1, state.pending_g[19]);
    state = fresh_state();
    parse(state, "G81 G80");
    EXPECT_EQ(80, state.pending_g[80]);
    EXPECT_EQ(-1, state.pending_g[81]);
    // Codes outside the chains are each recorded.
    state = fresh_state();
    EXPECT_EQ(1, parse(state, "G43 G98 G92 G73"));
    EXPECT_EQ(43, state.pending_g[43]);
    EXPECT_EQ(98, state.pending_g[98]);
    EXPECT_EQ(92, state.pending_g[92]);
    EXPECT_EQ(73, state.pending_g[73]);
}

TEST(BlockParser, MotionCodeCountsOnlyAsAWholeCode) {
    BlockState state = fresh_state();
    parse(state, "G00 X0 Y0");
    ASSERT_EQ(0, state.modal.motion);
    // The "G1" inside "G17" is not a motion; the G1 after it is, and the
    // feed move must not stay a rapid.
    ASSERT_EQ(1, parse(state, "G17 G1 X10."));
    EXPECT_EQ(1, state.modal.block_motion);
    EXPECT_EQ(1, state.modal.motion);
    EXPECT_EQ(0, state.modal.prev_motion);
    EXPECT_EQ(1, state.pending_g[1]);
    EXPECT_EQ(17, state.pending_g[17]);

    state = fresh_state();
    parse(state, "G1 X10.");
    EXPECT_EQ(1, state.modal.motion);
    parse(state, "G3 X5. I2.");
    EXPECT_EQ(3, state.modal.motion);
    EXPECT_EQ(1, state.modal.prev_motion);
    EXPECT_EQ(-1, state.modal.older_motion);
    // The first form of the chain wins: G0 before G2.
    parse(state, "G2 G0 X1.");
    EXPECT_EQ(0, state.modal.motion);
    EXPECT_EQ(3, state.modal.prev_motion);
    EXPECT_EQ(1, state.modal.older_motion);

    // Dwell, data setting and G17 alone give no motion and keep the one in force.
    for (const char *block : {"G04 P500", "G4 P500", "G10 L2 P1 X5.", "G17", "G09 X1."}) {
        SCOPED_TRACE(block);
        BlockState other = fresh_state();
        parse(other, "G01 X1.");
        parse(other, block);
        EXPECT_EQ(-1, other.modal.block_motion);
        EXPECT_EQ(1, other.modal.motion);
        EXPECT_EQ(-1, other.modal.prev_motion);
    }
}

TEST(BlockParser, EveryListedMCodeIsRecordedInEitherForm) {
    BlockState state = fresh_state();
    ASSERT_EQ(1, parse(state, "M05 M09"));
    EXPECT_EQ(5, state.pending_m[5]);
    EXPECT_EQ(9, state.pending_m[9]);

    state = fresh_state();
    ASSERT_EQ(1, parse(state, "S1000 M03"));
    EXPECT_EQ(1000, state.modal.spindle_speed);
    EXPECT_EQ(3, state.pending_m[3]);

    state = fresh_state();
    ASSERT_EQ(1, parse(state, "S1000 M3"));
    EXPECT_EQ(1000, state.modal.spindle_speed);
    EXPECT_EQ(3, state.pending_m[3]);

    state = fresh_state();
    parse(state, "M8 M1 M0");
    EXPECT_EQ(8, state.pending_m[8]);
    EXPECT_EQ(1, state.pending_m[1]);
    EXPECT_EQ(0, state.pending_m[0]);

    // M30 holds "M3" and "M03" nowhere as a code; M06 and M6 are not listed.
    state = fresh_state();
    EXPECT_EQ(1, parse(state, "G00 X0 Y0 M30"));
    EXPECT_EQ(0, parse(state, "M30"));
    EXPECT_EQ(0, parse(state, "M06 T02"));
    EXPECT_EQ(0, parse(state, "M6"));
    for (int n = 0; n < 10; ++n) EXPECT_EQ(-1, state.pending_m[n]) << n;
}

TEST(BlockParser, FeedAloneIsReadButDoesNotMakeTheBlock) {
    BlockState state = fresh_state();
    EXPECT_EQ(0, parse(state, "F200"));
    EXPECT_DOUBLE_EQ(200.0, state.feed[0]);
    EXPECT_EQ(0.0, state.feed[1]);
    EXPECT_EQ(1, state.modal.feed_flag);
    EXPECT_EQ(0, parse(state, "F.15"));
    EXPECT_DOUBLE_EQ(0.15, state.feed[0]);
    EXPECT_DOUBLE_EQ(200.0, state.feed[1]);
    EXPECT_EQ(0, parse(state, "N20 T03"));
    EXPECT_EQ(-1, state.modal.feed_flag);
    EXPECT_DOUBLE_EQ(0.15, state.feed[0]);
    EXPECT_EQ(0, parse(state, ""));
}

TEST(BlockParser, DWordBelongsToAPendingCompensation) {
    BlockState state = fresh_state();
    EXPECT_EQ(0, parse(state, "D05"));
    EXPECT_EQ(-1, state.modal.d_number);
    parse(state, "G41 D07 X1.");
    EXPECT_EQ(7, state.modal.d_number);
    // G41 is still pending: a D of its own is read.
    EXPECT_EQ(0, parse(state, "D08"));
    EXPECT_EQ(8, state.modal.d_number);
    state.pending_g[41] = -1;
    parse(state, "D09");
    EXPECT_EQ(8, state.modal.d_number);
}

TEST(BlockParser, AnyBytesParseWithoutHarm) {
    BlockState state = fresh_state();
    std::string nul_block("G01 X5.\0Y7.", 11);
    EXPECT_EQ(1, parse(state, nul_block));
    EXPECT_DOUBLE_EQ(5.0, state.words.v[WORD_X]);
    EXPECT_EQ(0, state.word_present[WORD_Y]);
    EXPECT_EQ(1, parse(state, "\x82\xa0\xff\x80 X-"));
    EXPECT_EQ(0.0, state.words.v[WORD_X]);
    EXPECT_EQ(1, parse(state, "X. Y--5 Z" + std::string(400, '9')));
    EXPECT_EQ(1, state.word_point[WORD_X]);
    EXPECT_EQ(0.0, state.words.v[WORD_Y]);
    EXPECT_EQ(0.0, state.words.v[WORD_Z]);
    EXPECT_EQ(1, parse(state, "S" + std::string(400, '9')));
    EXPECT_EQ(0, state.modal.spindle_speed);
    // A megabyte block is one block: a word at its end is found whole.
    std::string huge = "G01" + std::string(1 << 20, ' ') + "Y123.456";
    EXPECT_EQ(1, parse(state, huge));
    EXPECT_DOUBLE_EQ(123.456, state.words.v[WORD_Y]);
}

WordValues values(double x, double y, double z) {
    WordValues v = {};
    v.v[WORD_X] = x;
    v.v[WORD_Y] = y;
    v.v[WORD_Z] = z;
    return v;
}

// Parses a block and returns the position it reaches from previous.
WordValues position_after(BlockState &state, const std::string &block, const WordValues &previous) {
    for (int &entry : state.pending_g) entry = -1;
    parse(state, block);
    WordValues current = {};
    update_position(state.modal, state.pending_g, state.word_present, current, previous, state.words);
    return current;
}

TEST(UpdatePosition, DistanceModeDecidesHowWordsMove) {
    BlockState state = fresh_state();
    WordValues previous = values(1.0, 2.0, 3.0);
    state.modal.distance_mode = 91;
    WordValues current = position_after(state, "X1.", previous);
    EXPECT_DOUBLE_EQ(2.0, current.v[WORD_X]);
    EXPECT_DOUBLE_EQ(2.0, current.v[WORD_Y]);
    EXPECT_DOUBLE_EQ(3.0, current.v[WORD_Z]);
    state.modal.distance_mode = 90;
    current = position_after(state, "X1.", previous);
    EXPECT_DOUBLE_EQ(1.0, current.v[WORD_X]);
    EXPECT_DOUBLE_EQ(2.0, current.v[WORD_Y]);
    EXPECT_DOUBLE_EQ(3.0, current.v[WORD_Z]);
    // Arc words are the block's own, absent ones 0.
    current = position_after(state, "G02 X5. I2.5 R1.", previous);
    EXPECT_DOUBLE_EQ(2.5, current.v[WORD_I]);
    EXPECT_EQ(0.0, current.v[WORD_J]);
    EXPECT_DOUBLE_EQ(1.0, current.v[WORD_R]);
    // Before any G90 or G91 of the whole-program driver the arc words are not taken.
    state.modal.distance_mode = 0;
    current = position_after(state, "X7. I2.", previous);
    EXPECT_EQ(0.0, current.v[WORD_I]);
    EXPECT_DOUBLE_EQ(1.0, current.v[WORD_X]);
}

TEST(UpdatePosition, ValuesNearZeroSnapInAnAsymmetricBand) {
    BlockState state = fresh_state();
    state.modal.distance_mode = 91;
    WordValues current = position_after(state, "X0.0002 Y-0.0002 Z0.5", values(0.0002, -0.0002, -0.5));
    EXPECT_EQ(0.0, current.v[WORD_X]);  // 0.0004
    EXPECT_DOUBLE_EQ(-0.0004, current.v[WORD_Y]);
    EXPECT_EQ(0.0, current.v[WORD_Z]);
    state.modal.distance_mode = 90;
    current = position_after(state, "X0.0005 Y-0.00039 I0.0004 J-0.0004", values(0, 0, 0));
    EXPECT_DOUBLE_EQ(0.0005, current.v[WORD_X]);
    EXPECT_EQ(0.0, current.v[WORD_Y]);
    EXPECT_EQ(0.0, current.v[WORD_I]);
    EXPECT_DOUBLE_EQ(-0.0004, current.v[WORD_J]);
}

TEST(UpdatePosition, CoordinateSettingIsAbsoluteInEveryMode) {
    for (int mode : {91, 90, 0, -1}) {
        SCOPED_TRACE(mode);
        BlockState state = fresh_state();
        state.modal.distance_mode = mode;
        WordValues current = position_after(state, "G92 X0 Y0 Z100.", values(10.0, 20.0, 30.0));
        EXPECT_EQ(0.0, current.v[WORD_X]);
        EXPECT_EQ(0.0, current.v[WORD_Y]);
        EXPECT_DOUBLE_EQ(100.0, current.v[WORD_Z]);
        // Words it does not give keep the previous position.
        current = position_after(state, "G92 X5.", values(10.0, 20.0, 30.0));
        EXPECT_DOUBLE_EQ(5.0, current.v[WORD_X]);
        EXPECT_DOUBLE_EQ(20.0, current.v[WORD_Y]);
        EXPECT_DOUBLE_EQ(30.0, current.v[WORD_Z]);
    }
}

}  // namespace
