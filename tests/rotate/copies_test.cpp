// Copies of the whole program: the source, then each copy the program turned
// line for line, with its setup, frames and program end where they belong.
#include <gtest/gtest.h>

#include <string>

#include "driver_harness.h"
#include "toolpath/check.h"

namespace {

size_t count_of(const std::string &text, const std::string &part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

}  // namespace

// Every copy sets the machine up as the source does: reference returns, tool
// changes, spindle and coolant, stops; only the frame of the program is left
// out where it would end the program early.
TEST(Copies, EveryCopyIsTheProgramLineForLine) {
    DriverHarness h;
    int result = 0;
    std::string out = h.convert(COPIES,
                                "%\n"
                                "O1001 (PLATE)\n"
                                "G90 G17 G40 G49 G80\n"
                                "T1 M06\n"
                                "G90 G54 G00 X-10. Y-10. S3000 M03\n"
                                "G43 Z50. H01 M08\n"
                                "G01 Z-3. F150\n"
                                "X50.\n"
                                "G00 Z50.\n"
                                "M09\n"
                                "M05\n"
                                "G91 G28 Z0.\n"
                                "M01\n"
                                "T2 M06\n"
                                "G90 G55 G00 X20. Y0. S1000 M03\n"
                                "G43 Z50. H02\n"
                                "G99 G81 Z-5. R2. F100.\n"
                                "G80\n"
                                "G91 G28 Z0.\n"
                                "M30\n"
                                "%",
                                120.0, 3, result);
    ASSERT_EQ(0, result) << first_error(h.log);
    for (const char *line : {"T1 M06\n", "T2 M06\n", "M01\n", "M09\n", "G43 Z50. H01 M08\n", "G43 Z50. H02\n"}) {
        EXPECT_EQ(3u, count_of(out, line)) << line;
    }
    // The program leaves T2's spindle to its end code, which the copies leave
    // out: each copy stops it first, as the end code would.
    EXPECT_EQ(5u, count_of(out, "M05\n"));
    EXPECT_NE(std::string::npos, out.find("G91 G28 Z0.\nM05\nG98\nG90G17G40G80G49\n")) << out;
    EXPECT_EQ(6u, count_of(out, "G91 G28 Z0.\n"));
    EXPECT_EQ(1u, count_of(out, "O1001"));
    EXPECT_EQ(1u, count_of(out, "M30"));
    EXPECT_EQ(2u, count_of(out, "%\n"));
    EXPECT_EQ(0u, out.find("%\nO1001 (PLATE)\n"));
    // The positioning lines carry their spindle start, turned in place.
    EXPECT_NE(std::string::npos, out.find("G90 G54 G00 X13.660 Y-3.660 S3000 M03\n")) << out;
    EXPECT_NE(std::string::npos, out.find("G90 G54 G00 X-3.660 Y13.660 S3000 M03\n")) << out;
    EXPECT_NE(std::string::npos, out.find("G90 G55 G00 X-10.000 Y17.321 S1000 M03\n")) << out;
    // The program's last line had no line end: the copy after it starts on a line of its own.
    EXPECT_EQ(out.size() - 2, out.rfind("%\n"));
    EXPECT_EQ(240.0, h.angle[0]);
}

// A G92 declares where the tool stands: every copy runs in the source's frame
// (per-tool frames in Z included), the path turned, not the frame.
TEST(Copies, CoordinateSettingsKeepTheSourceFrame) {
    DriverHarness h;
    int result = 0;
    std::string out = h.convert(COPIES,
                                "G92 X0 Y0 Z100.\nG90 G00 X10. Y0 S800 M03\nZ2.\nG01 Z-1. F60\nX20.\n"
                                "G00 Z100.\nX0 Y0\nM05\nT02 M06\nG92 Z150.\nS1200 M03\nG00 X15. Y5.\n"
                                "Z2.\nG91 G01 Z-3. F40\nX5.\nG90 G00 Z150.\nX0 Y0\nM05\nM30\n",
                                90.0, 2, result);
    ASSERT_EQ(0, result) << first_error(h.log);
    // The copy starts where the source ended, at the first tool's frame again,
    // and its second frame is the source's second frame.
    std::string copy = out.substr(out.find("M05\nG92X0Y0Z100000\n") + 4);
    EXPECT_EQ("G92X0Y0Z100000\nY10.000S800M03\nZ2.000\nG01Z-1.000F60\nY20.000\nG00Z100.000\nY0\nM05\n"
              "T02 M06\nG92Z150000\nS1200M03\nX-5.000Y15.000\nZ2.000\nG91G01Z-3.000F40\nY5.000\n"
              "G90G00Z150.000\nX0Y0\nM05\nM30\n",
              copy);
    // A program that ends at its reference point in Z is run again from there:
    // the copy's G92 declares that Z as the source's does, and X and Y where the
    // tool stands in the source's frame.
    out = h.convert(COPIES, "G92 X0 Y0 Z50.\nG90 G00 X10. Y0 Z5.\nG01 Z-1. F60\nG00 Z50.\nG91 G28 Z0.\nM30\n",
                    90.0, 2, result);
    ASSERT_EQ(0, result) << first_error(h.log);
    EXPECT_EQ("G92 X0 Y0 Z50.\nG90 G00 X10. Y0 Z5.\nG01 Z-1. F60\nG00 Z50.\nG91 G28 Z0.\n"
              "G90\nG92X10000Y0Z50000\nX0.000Y10.000Z5.000\nG01Z-1.000\nG00Z50.000\nG91 G28 Z0.\nM30\n",
              out);
    // Where the program ends elsewhere, after a frame the copy cannot relate to
    // its first one, its G92 cannot be placed.
    h.convert(COPIES, "G92 X0 Y0 Z50.\nG90 G54 G00 X10. Y0 Z5.\nG55\nG00 X20.\nM30\n", 90.0, 2, result);
    EXPECT_EQ(-1, result);
    EXPECT_EQ("エラー：1行目 前の回転コピーの終わりの工具位置がこの座標系設定（G92）の座標系で分からないため、"
              "座標系設定を書けません： G92 X0 Y0 Z50.",
              first_error(h.log));
}

// A program that leaves G94, G64 and G98 unnamed runs in them because the control
// starts in them, and leaves the spindle and coolant to its end code. A copy after a pass that ended in G95 or G61 goes back to
// them first, or its F100 would be read per revolution. The check sees a copy
// that does not.
TEST(Copies, ModesTheControlStartsInComeBackForEveryCopy) {
    DriverHarness h;
    int result = 0;
    std::string out = h.convert(COPIES,
                                "G90 G54 G00 X10. Y0. S1000 M03\nG43 Z5. H01\nG01 Z-1. F100\n"
                                "G95 X20. F0.1\nG61 G00 Z50.\nM30\n",
                                90.0, 2, result);
    ASSERT_EQ(0, result) << first_error(h.log);
    EXPECT_EQ("G90 G54 G00 X10. Y0. S1000 M03\nG43 Z5. H01\nG01 Z-1. F100\nG95 X20. F0.1\nG61 G00 Z50.\n"
              "M05\nG64\nG94\n"
              "G90 G54 G00 X0.000 Y10.000 S1000 M03\nG43 Z5. H01\nG01Z-1.000F100\nY20.000F0.1G95\n"
              "G00Z50.000G61\nM30\n",
              out);
    CheckParams params = {90.0, {0.0, 0.0}, 2, 1, 0};
    CheckResult check;
    EXPECT_EQ(0, h.check(params, check)) << check.found;
    // Without the G94 the copy's first cut feeds per revolution.
    ASSERT_TRUE(h.replace_output_line("G94", ""));
    EXPECT_EQ(-1, h.check(params, check));
    EXPECT_NE(std::string::npos, check.expected.find("送りモード G94")) << check.expected;
    // A first hole without G98 or G99 returns to the initial level, in every copy.
    out = h.convert(COPIES,
                    "G90 G54 G00 X10. Y0. S1000 M03\nG43 Z50. H01\nG81 X10. Y0. Z-5. R2. F100\nG99 X20.\nG80\n"
                    "G00 Z50.\nM30\n",
                    90.0, 2, result);
    ASSERT_EQ(0, result) << first_error(h.log);
    EXPECT_EQ("G90 G54 G00 X10. Y0. S1000 M03\nG43 Z50. H01\nG81 X10. Y0. Z-5. R2. F100\nG99 X20.\nG80\nG00 Z50.\n"
              "M05\nG98\n"
              "G90 G54 G00 X0.000 Y10.000 S1000 M03\nG43 Z50. H01\nG81Z-5.000R2.000\nG99Y20.000\nG80\nZ50.000\nM30\n",
              out);
    EXPECT_EQ(0, h.check(params, check)) << check.found;
    ASSERT_TRUE(h.replace_output_line("G98", ""));
    EXPECT_EQ(-1, h.check(params, check));
    // The first tool cuts dry; the coolant the program leaves to its end code
    // goes off before the copy, or the check sees the dry cut flooded.
    out = h.convert(COPIES,
                    "G90 G54 G00 X10. Y0. S1000 M03\nG43 Z5. H01\nG01 Z-1. F100\nG00 Z50.\nM08\nG01 Z-1.\n"
                    "G00 Z50.\nM30\n",
                    90.0, 2, result);
    ASSERT_EQ(0, result) << first_error(h.log);
    EXPECT_NE(std::string::npos, out.find("G00 Z50.\nM05\nM09\nG90 G54 G00 X0.000 Y10.000")) << out;
    EXPECT_EQ(0, h.check(params, check)) << check.found;
    ASSERT_TRUE(h.replace_output_line("M09", ""));
    EXPECT_EQ(-1, h.check(params, check));
}
