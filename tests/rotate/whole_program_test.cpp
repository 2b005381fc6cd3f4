// The whole program turned once: setup lines turned in place, positions that
// follow every line, cycles, words the writer does not produce, R arcs, the
// start block, and the programs that cannot be turned exactly.
#include <gtest/gtest.h>

#include <string>

#include "driver_harness.h"
#include "toolpath/check.h"

namespace {

// A program in the shape CAM post-processors write, with a tool change.
const char CamProgram[] =
    "%\n"
    "O1001 (PLATE)\n"
    "G90 G17 G40 G49 G80\n"
    "T1 M06\n"
    "T2\n"
    "G90 G54 G00 X-10. Y-10. S3000 M03\n"
    "G43 Z50. H01 M08\n"
    "Z5.\n"
    "G01 Z-3. F150\n"
    "X50. F500\n"
    "G03 X60. Y10. I0. J10.\n"
    "G01 Y40.\n"
    "G02 X50. Y50. R10.\n"
    "G01 X-10.\n"
    "Y-10.\n"
    "G00 Z50.\n"
    "M09\n"
    "M05\n"
    "G91 G28 Z0.\n"
    "M01\n"
    "T2 M06\n"
    "G90 G54 G00 X20. Y0. S1000 M03\n"
    "G43 Z50. H02 M08\n"
    "G99 G82 X20. Y0. Z-5. R2. P500 F100.\n"
    "X30.\n"
    "G80\n"
    "G00 Z50.\n"
    "M30\n"
    "%\n";

}  // namespace

TEST(WholeProgram, CamProgramAtNinetyDegrees) {
    DriverHarness h;
    int result = 0;
    std::string out = h.convert(WHOLE_PROGRAM, CamProgram, 90.0, 1, result);
    ASSERT_EQ(0, result) << first_error(h.log);
    EXPECT_EQ(
        "%\n"
        "O1001 (PLATE)\n"
        "G90G17G40G80G49\n"
        "T1 M06\n"
        "T2\n"
        "G90 G54 G00 X10.000 Y-10.000 S3000 M03\n"  // turned in place, the rest as it stands
        "G43 Z50. H01 M08\n"
        "Z5.000\n"                                   // measured from the turned positioning: Z alone
        "G01Z-3.000F150\n"
        "Y50.000F500\n"
        "G03X-10.000Y60.000I-10.000\n"
        "G01X-40.000\n"
        "G02X-50.000Y50.000R10.000\n"
        "G01Y-10.000\n"
        "X10.000\n"
        "G00Z50.000\n"
        "M09\n"
        "M05\n"
        "G91 G28 Z0.\n"
        "M01\n"
        "T2 M06\n"
        "G90 G54 G00 X0.000 Y20.000 S1000 M03\n"
        "G43 Z50. H02 M08\n"
        "G99G82Z-5.000R2.000F100P500\n"  // the cycle keeps its code, levels and dwell
        "Y30.000\n"
        "G80\n"
        "Z50.000\n"
        "M30\n"
        "%\n",
        out);
}

// Lines that set the work offset or the tool length and move: the position
// follows them, so the next move is measured from where they put the tool.
TEST(WholeProgram, PositionsFollowSetupLinesAndReferenceReturns) {
    DriverHarness h;
    int result = 0;
    // The plunge after a positioning line stays a plunge, at 0 degrees too.
    for (double angle : {90.0, 0.0}) {
        std::string out = h.convert(WHOLE_PROGRAM,
                                    "G90 G54 G00 X50. Y0.\nG43 H01 Z5.\nG01 Z-2. F100.\nG00 Z5.\n"
                                    "G91 G28 Z0.\nG43 H02 Z5.\nG90 G01 Z-2.\nG00 Z100.\nM30\n",
                                    angle, 1, result);
        ASSERT_EQ(0, result) << first_error(h.log);
        std::string expected_xy = angle == 90.0 ? "X0.000 Y50.000" : "X50. Y0.";
        EXPECT_EQ("G90 G54 G00 " + expected_xy +
                      "\nG43 H01 Z5.\nG01Z-2.000F100\nG00Z5.000\nG91 G28 Z0.\nG43 H02 Z5.\n"
                      "G90G01Z-2.000\nG00Z100.000\nM30\n",
                  out)
            << angle;
    }
    // A setup line that names only X gets its Y right after it, turned.
    std::string out = h.convert(WHOLE_PROGRAM, "G90 G54 G00 X0 Y10.\nG54 X10.\n", 90.0, 1, result);
    ASSERT_EQ(0, result) << first_error(h.log);
    EXPECT_EQ("G90 G54 G00 X-10000 Y0.000\nG54 X-10.000 Y10.000\n", out);
    // Another work offset puts the tool where the program names no point: a
    // move that names one axis only cannot be turned there.
    h.convert(WHOLE_PROGRAM, "G90 G54 G00 X0 Y10.\nG55 X10.\n", 90.0, 1, result);
    EXPECT_EQ("エラー：2行目 XY位置が不明なため回転できません： G55 X10.", first_error(h.log));
    // A return's intermediate point in G90 is a point of the part: turned in
    // place, as the check expects it.
    out = h.convert(WHOLE_PROGRAM, "G90 G54 G00 X10. Y0.\nG43 H01 Z50.\nG28 X10. Y5. Z60.\nM30\n", 90.0, 1, result);
    ASSERT_EQ(0, result) << first_error(h.log);
    EXPECT_EQ("G90 G54 G00 X0.000 Y10.000\nG43 H01 Z50.\nG28 X-5.000 Y10.000 Z60.\nM30\n", out);
    CheckParams params = {90.0, {0.0, 0.0}, 1, 0, 0};
    CheckResult check;
    EXPECT_EQ(0, h.check(params, check)) << check.found;
    // The last rapid of a program is no sideways move.
    out = h.convert(WHOLE_PROGRAM, "G90 G00 X10. Y0\nZ5.\nG01 Z-1. F100\nX20.\nG00 Z100.\n", 90.0, 1, result);
    EXPECT_EQ("G90G00X0.000Y10.000\nZ5.000\nG01Z-1.000F100\nY20.000\nG00Z100.000\n", out);
}

TEST(WholeProgram, StartBlockOnlyAtTheCoordinateSettingPointBeforeTheFirstCut) {
    DriverHarness h;
    h.centre[0] = 10.0;
    int result = 0;
    std::string out = h.convert(WHOLE_PROGRAM,
                                "G92 X0 Y0 Z100.\nG90 G00 X0 Y0 Z100.\nG01 Z-1. F100\nX20.\nG00 Z100.\n"
                                "X0 Y0\nM30\n",
                                90.0, 1, result);
    ASSERT_EQ(0, result) << first_error(h.log);
    // The start block stays where the tool stands; before the plunge the tool
    // goes over the turned point at the start height.
    EXPECT_EQ("G92X0Y0Z100000\nG90G00X0Y0Z100000\nX10000Y-10000\nG01Z-1.000F100\nY10.000\nG00Z100.000\n"
              "Y-10000\nM30\n",
              out);
    // Without a coordinate setting there is no start block: a program that
    // comes back to its first point is turned there too.
    h.centre[0] = 0.0;
    out = h.convert(WHOLE_PROGRAM, "G90 G00 X10. Y0\nZ5.\nG01 Z-1. F100\nX20.\nG00 Z5.\nX10. Y0\n", 90.0, 1, result);
    ASSERT_EQ(0, result);
    EXPECT_EQ("G90G00X0.000Y10.000\nZ5.000\nG01Z-1.000F100\nY20.000\nG00Z5.000\nY10.000\n", out);
}

TEST(WholeProgram, WordsTheWriterDoesNotProduceFollowTheBlock) {
    DriverHarness h;
    int result = 0;
    std::string out = h.convert(WHOLE_PROGRAM,
                                "G90 G00 X0 Y0 Z5.\n"
                                "G00 X10. Y0. T02\n"
                                "M29 S500\n"
                                "G01 X20. H03 M50 F100\n"
                                "X30. ,C1.\n"
                                "Y10. ,R2.\n"
                                "G04 P500\n"
                                "G05.1 Q1\n"
                                "N100 G61 G01 X0\n"
                                "G00 Z100. M30\n",
                                90.0, 1, result);
    ASSERT_EQ(0, result) << first_error(h.log);
    EXPECT_EQ("G90G00X0Y0Z5000\n"
              "Y10.000T02\n"
              "S500M29\n"
              "G01Y20.000F100H03M50\n"
              "Y30.000,C1.\n"
              "X-10.000,R2.\n"
              "G04 P500\n"
              "G05.1 Q1\n"
              "Y0G61\n"
              "G00Z100.000M30\n",
              out);
    // A feed keeps every decimal it has: per revolution F0.0125 is no F0.013.
    out = h.convert(WHOLE_PROGRAM, "G95 G90 G00 X0 Y0 Z5.\nG01 Z-1. F0.0125\nX10. F.15\nY10. F123.456789\nX0 F100.\n",
                    90.0, 1, result);
    ASSERT_EQ(0, result) << first_error(h.log);
    EXPECT_EQ("G90G00X0Y0Z5000G95\nG01Z-1.000F0.0125\nY10.000F0.15\nX-10.000F123.456789\nY0F100\n", out);
    CheckParams params = {90.0, {0.0, 0.0}, 1, 0, 0};
    CheckResult check;
    EXPECT_EQ(0, h.check(params, check)) << check.found;
}

// An R arc keeps R only where the rounded, turned end points with that radius
// put the centre where the turned centre is; else it is written with I and J.
TEST(WholeProgram, RArcsKeepTheirCentre) {
    DriverHarness h;
    int result = 0;
    // A near-semicircle: a rounding of 0.0005 in an end point moves its centre far.
    std::string out = h.convert(WHOLE_PROGRAM, "G90 G00 X0 Y0 Z5.\nG02 X20. Y0.001 R10. F100\n", 33.0, 1, result);
    ASSERT_EQ(0, result) << first_error(h.log);
    EXPECT_EQ(std::string::npos, out.find('R')) << out;
    // Centre (10, 0.0005) turned by 33 degrees: (8.38644, 5.44681).
    EXPECT_NE(std::string::npos, out.find("G02X16.773Y10.894I8.386J5.447F100")) << out;
    // A quarter arc keeps its R.
    out = h.convert(WHOLE_PROGRAM, "G90 G00 X0 Y0 Z5.\nG02 X10. Y10. R10. F100\n", 33.0, 1, result);
    EXPECT_NE(std::string::npos, out.find("R10.000")) << out;
}

TEST(WholeProgram, ProgramsThatCannotBeTurnedExactlyAreRefusedWithTheLine) {
    struct Case {
        const char *program;
        const char *error;
    };
    const Case cases[] = {
        {"G90 G00 X0 Y0 Z5.\nG68 X0 Y0 R45.\n", "エラー：2行目 座標回転指令は回転できません（G68）： G68 X0 Y0 R45."},
        {"G90 G00 X0 Y0 Z5.\nG52 X100. Y50.\n", "エラー：2行目 ローカル座標系は回転できません（G52）： G52 X100. Y50."},
        {"G16\n", "エラー：1行目 極座標指令は回転できません（G16）： G16"},
        {"G90 G00 X0 Y0\nM98 P1000\n", "エラー：2行目 サブプログラムの呼出し・復帰は回転できません（M98）： M98 P1000"},
        {"G90 G00 X0 Y0\nG01 X10. A90. F100\n", "エラー：2行目 アドレスAは扱えません（回転軸などの指令）： G01 X10. A90. F100"},
        {"G90 G00 X0 Y0\nG76 X1. Y1. Z-5. R1. Q1.\n",
         "エラー：2行目 機械の決まった方向へ工具を逃がすサイクルは回転できません（G76）： G76 X1. Y1. Z-5. R1. Q1."},
        {"G90 G00 X#1\n", "エラー：1行目 マクロ変数・演算は扱えません： G90 G00 X#1"},
        {"G90 G00 X0 Y0\n/G01 X10.\n", "エラー：2行目 ブロックスキップ（/）は扱えません： /G01 X10."},
        {"G90 G00 x0\n", "エラー：1行目 小文字のアドレスは扱えません： G90 G00 x0"},
        {"G01 X10. F100\n", "エラー：1行目 G90/G91の指定より前に座標指令があります： G01 X10. F100"},
        {"G91 G01 X10. F100\n", "エラー：1行目 XY位置が不明なため回転できません： G91 G01 X10. F100"},
        {"G90 G00 X0 Y0\nG91 G28 X0 Y0\nG91 G01 X5. F100\n",
         "エラー：3行目 XY位置が不明なため回転できません： G91 G01 X5. F100"},
        {"G90 G00 X0 Y0 Z5.\nG91 G28 X10. Y0.\n",
         "エラー：2行目 G91の中間点を通る基準点復帰は回転できません： G91 G28 X10. Y0."},
        {"G90 G00 X0 Y0\nG01 X1. X2.\n", "エラー：2行目 アドレスXが１つのブロックに２つ以上あります： G01 X1. X2."},
        {"G90 G00 X0 Y0\nM30\nG00 X5.\n", "エラー：3行目 プログラム終了（M02/M30）の後にブロックがあります： G00 X5."},
        {"G90 G00 X0 Y0\nG02 X20. Y0 R5. F100\n",
         "エラー：2行目 R指令の円弧の終点が半径の届く範囲にありません： G02 X20. Y0 R5. F100"},
        {"G90 G00 X90000. Y90000.\n",
         "エラー：1行目 座標値が出力できる範囲（±99999.999）を超えます： G90 G00 X90000. Y90000."},
    };
    for (const Case &c : cases) {
        DriverHarness h;
        int result = 0;
        h.convert(WHOLE_PROGRAM, c.program, 45.0, 1, result);
        EXPECT_EQ(-1, result) << c.program;
        EXPECT_EQ(c.error, first_error(h.log)) << c.program;
    }
    DriverHarness h;
    int result = 0;
    h.convert(WHOLE_PROGRAM, "G90 G00 X0 Y0\nG18 G02 X1. Z1. R1.\n", 90.0, 1, result);
    EXPECT_EQ(-1, result);
    EXPECT_EQ("ＮＣデータにG18平面が含まれてます。\n\nG17以外の座標平面はサポート外です。", h.log.lines.back());
}

// A G91 repeat count writes one turned step for all its holes only where the
// step lands every hole within half a unit of its turned point; else each
// hole is a block of its own, its step rounded from the turned points.
TEST(WholeProgram, RepeatedHolesLandWhereTheTurnedHolesAre) {
    DriverHarness h;
    int result = 0;
    const char program[] = "G90 G54 G00 X0 Y0 S1000 M3\nG43 H1 Z50.\nG81 X5. Z-5. R2. F100\nG91 X10. K3\nG90 G80\nM30\n";
    std::string out = h.convert(WHOLE_PROGRAM, program, 90.0, 1, result);
    ASSERT_EQ(0, result) << first_error(h.log);
    EXPECT_EQ("G90 G54 G00 X0 Y0 S1000 M3\nG43 H1 Z50.\nG81Y5.000Z-5.000R2.000F100\nG91Y10.000K3\nG90G80\nM30\n", out);
    // At 30 degrees the step is 8.660254: three steps of 8.660 would leave the
    // last hole 0.0008 short of its turned point.
    out = h.convert(WHOLE_PROGRAM, program, 30.0, 1, result);
    ASSERT_EQ(0, result) << first_error(h.log);
    EXPECT_EQ("G90 G54 G00 X0 Y0 S1000 M3\nG43 H1 Z50.\nG81X4.330Y2.500Z-5.000R2.000F100\n"
              "G91X8.660Y5.000\nX8.661Y5.000\nX8.660Y5.000\nG90G80\nM30\n",
              out);
    CheckParams params = {30.0, {0.0, 0.0}, 1, 0, 0};
    CheckResult check;
    EXPECT_EQ(0, h.check(params, check)) << check.found;
}
