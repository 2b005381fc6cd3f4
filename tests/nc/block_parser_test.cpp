// Reading a block's words into what they give, and the codes it refuses.
#include "nc/block_parser.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Read {
    int result;
    ParsedBlock parsed;
    BlockRefusal refusal;
};

Read read(const std::string &text) {
    Read r;
    NcBlock block;
    BlockFault fault;
    EXPECT_EQ(0, scan_block(text.data(), text.size(), block, fault)) << text;
    r.result = parse_block(block, r.parsed, r.refusal);
    return r;
}

}  // namespace

TEST(BlockParser, FullBlockYieldsItsCodesAndWordsInMillimetres) {
    Read r = read("N10 G91 G01 X10. Y-5 F200 S1200 M03 T02 H01");
    ASSERT_EQ(0, r.result);
    EXPECT_EQ(91, r.parsed.distance);
    EXPECT_EQ(1, r.parsed.motion);
    EXPECT_EQ(10.0, r.parsed.value[WORD_X]);
    EXPECT_EQ(1, r.parsed.point[WORD_X]);
    EXPECT_EQ(-0.005, r.parsed.value[WORD_Y]);
    EXPECT_EQ(0, r.parsed.point[WORD_Y]);
    EXPECT_EQ(200.0, r.parsed.feed);
    EXPECT_EQ(1200, r.parsed.spindle);
    EXPECT_EQ(1, r.parsed.written_m[3]);
    EXPECT_EQ(2, r.parsed.t);
    EXPECT_EQ(1, r.parsed.h);
    EXPECT_EQ(1, r.parsed.has_sequence);

    r = read("G90 G54 G00 X-10. Y-10. S3000 M03");
    EXPECT_EQ(540, r.parsed.work_offset);
    EXPECT_EQ(1, r.parsed.copied);
    r = read("G99 G82 X20. Y0. Z-5. R2. P500 F100. K3");
    EXPECT_EQ(82, r.parsed.cycle);
    EXPECT_EQ(99, r.parsed.cycle_return);
    EXPECT_EQ(3, r.parsed.repeat);
    EXPECT_EQ(1, r.parsed.has_p);
    r = read("T01 M06 M19 M30");
    EXPECT_EQ(1, r.parsed.tool_change);
    EXPECT_EQ(30, r.parsed.program_end);
    EXPECT_EQ(0, r.parsed.has_written_m);
    r = read("G05.1 Q1 G61");
    EXPECT_EQ(1, r.parsed.kept);
    EXPECT_EQ(61, r.parsed.cutting_mode);
}

TEST(BlockParser, CodesWhoseGeometryCannotBeTurnedAreRefused) {
    struct Expect {
        const char *block;
        BlockRefusalKind kind;
        int code;
    };
    const Expect cases[] = {
        {"G68 X0. Y0. R45.", REFUSAL_G, 680},  {"G16", REFUSAL_G, 160},
        {"G52 X100. Y50.", REFUSAL_G, 520},    {"G51 P2000", REFUSAL_G, 510},
        {"G51.1 X0.", REFUSAL_G, 511},         {"G76 X1. Z-5. R1. Q1.", REFUSAL_G, 760},
        {"G87 X1. Z-5. R1. Q1.", REFUSAL_G, 870}, {"G65 P9001", REFUSAL_G, 650},
        {"G20", REFUSAL_G, 200},               {"G93 G01 X1. F2.", REFUSAL_G, 930},
        {"G22 X1.", REFUSAL_UNKNOWN_G, 220},   {"G54.5", REFUSAL_UNKNOWN_G, 545},
        {"G18 G02 X1. Z1. R1.", REFUSAL_PLANE, 18}, {"G19", REFUSAL_PLANE, 19},
        {"M98 P1000", REFUSAL_SUBPROGRAM, 98}, {"M99", REFUSAL_SUBPROGRAM, 99},
        {"G01 X1. A90.", REFUSAL_LETTER, 'A'}, {"G00 B45.", REFUSAL_LETTER, 'B'},
        {"C1.", REFUSAL_LETTER, 'C'},          {"U1.", REFUSAL_LETTER, 'U'},
        {"G01 X1. X2.", REFUSAL_DUPLICATE, 'X'}, {"G01 X1. F1. F2.", REFUSAL_DUPLICATE, 'F'},
        {"G00 G01 X1.", REFUSAL_GROUP, 10},    {"G90 G91", REFUSAL_GROUP, 910},
        {"G81 G83 Z1. R1.", REFUSAL_GROUP, 830}, {"S99999999999 M03", REFUSAL_NOT_INTEGER, 'S'},
        {"T2000000000000000000000000000", REFUSAL_NOT_INTEGER, 'T'},
        // A decimal point where the control counts, even on a whole number.
        {"S1500.5 M03", REFUSAL_POINT, 'S'},   {"S1500. M03", REFUSAL_POINT, 'S'},
        {"T1.5", REFUSAL_POINT, 'T'},          {"G43 Z50. H1.", REFUSAL_POINT, 'H'},
        {"G41 D1.", REFUSAL_POINT, 'D'},       {"G04 P1.5", REFUSAL_POINT, 'P'},
        {"G81 X1. Z-1. R1. K2.", REFUSAL_POINT, 'K'}, {"N10. G00 X1.", REFUSAL_POINT, 'N'},
    };
    for (const Expect &expect : cases) {
        Read r = read(expect.block);
        EXPECT_EQ(-1, r.result) << expect.block;
        EXPECT_EQ(expect.kind, r.refusal.kind) << expect.block;
        EXPECT_EQ(expect.code, r.refusal.code) << expect.block;
    }
    // The cycles that are only drilling and boring are taken like G81.
    for (const char *block : {"G73 X1. Z-1. R1. Q1.", "G74 X1. Z-1. R1.", "G85 X1. Z-1. R1.",
                              "G86 X1. Z-1. R1.", "G88 X1. Z-1. R1. P100", "G89 X1. Z-1. R1. P100"}) {
        EXPECT_EQ(0, read(block).result) << block;
    }
}

