// Copies per machining: each machining followed at once by its turned copies,
// cut by the tool that cut it, approached at the clearance height.
#include <gtest/gtest.h>

#include <string>

#include "driver_harness.h"
#include "rotate/machining_buffer.h"
#include "toolpath/check.h"

TEST(PerMachining, WorkedExampleTwoCopiesAt90) {
    DriverHarness h;
    int result = 0;
    std::string out = h.convert(PER_MACHINING,
                                "G90 G92 X0 Y0 Z100.\nG00 X10. Y0\nG00 Z5.\nG01 Z-1. F100\nG01 X20.\n"
                                "G00 Z100.\nM30\n",
                                90.0, 2, result);
    ASSERT_EQ(0, result) << first_error(h.log);
    EXPECT_EQ("G92X0Y0Z100000\nG90G00X10.000\nZ5.000\nG01Z-1.000F100\nX20.000\nG00Z100.000\n"
              "(ROTATION ANGLE 90.)\nX0.000Y10.000\nZ5.000\nG01Z-1.000\nY20.000\nG00Z100.000\nM30\n",
              out);
    EXPECT_EQ("", h.stray_files());
}

// A machining closes before the setup changes: its copies are cut by its own
// tool; the approach rises out of the cut first, and travels at the highest
// height the program used since its tool was set up.
TEST(PerMachining, CopiesComeBeforeTheSetupChangesAndTravelAtTheClearance) {
    DriverHarness h;
    int result = 0;
    std::string out = h.convert(PER_MACHINING,
                                "G90 G54 G00 X10. Y0 S1000 M03\nG43 Z50. H01\nZ2.\nG01 Z-2. F100\nX20.\n"
                                "G91 G28 Z0.\nT2 M06\nG90 G54 G00 X0 Y0\nG43 Z50. H02\n"
                                "G02 X0 Y0 I5. J0 Z40. F200\nG01 Z30.\nG00 Z50.\nM30\n",
                                90.0, 2, result);
    ASSERT_EQ(0, result) << first_error(h.log);
    EXPECT_EQ("G90 G54 G00 X10. Y0 S1000 M03\nG43 Z50. H01\nZ2.000\nG01Z-2.000F100\nX20.000\n"
              "(ROTATION ANGLE 90.)\nG00Z50.000\nX0.000Y10.000\nZ2.000\nG01Z-2.000\nY20.000\n"
              "G91 G28 Z0.\nT2 M06\nG90 G54 G00 X0 Y0\nG43 Z50. H02\n"
              // A machining that opens with an arc after a rapid is copied too.
              "G02Z40000I5000F200\nG01Z30.000\nG00Z50.000\n(ROTATION ANGLE 90.)\nG02Z40000J5000\n"
              "G01Z30.000\nG00Z50.000\nM30\n",
              out);
}

// After the copies the source goes on from its own point: a rapid to a new
// point goes straight there, a cut first comes back over the source's point.
// The machine state the machining began with is restored before each copy.
TEST(PerMachining, TheWayBackAndTheMachineStateOfEachCopy) {
    DriverHarness h;
    int result = 0;
    std::string out = h.convert(PER_MACHINING,
                                "G90 G54 G00 X10. Y0 S1000 M03\nG43 Z50. H01\nZ2.\nG01 Z-2. F100\nM08\nX20.\n"
                                "M09\nG00 Z2.\nG01 Z-4.\nX10.\nG00 Z2.\nX30.\nG81 X40. Z-3. R2.\nG80\nM30\n",
                                90.0, 2, result);
    ASSERT_EQ(0, result) << first_error(h.log);
    EXPECT_EQ("G90 G54 G00 X10. Y0 S1000 M03\nG43 Z50. H01\nZ2.000\nG01Z-2.000F100\nM08\nX20.000\nM09\n"
              "G00Z2.000\n(ROTATION ANGLE 90.)\nZ50.000\nX0.000Y10.000\nZ2.000\nG01Z-2.000\nM08\nY20.000\nM09\n"
              "G00Z2.000\n"
              // The second depth pass: back over the source's point first.
              "Z50.000\nX20.000Y0.000\nZ2.000\nG01Z-4.000\nX10.000\nG00Z2.000\n"
              "(ROTATION ANGLE 90.)\nZ50.000\nX0.000Y20.000\nZ2.000\nG01Z-4.000\nY10.000\nG00Z2.000\n"
              // Then back at the clearance before the source's rapid at Z2.
              "Z50.000\nX10.000Y0.000\nZ2.000\nX30.000\nG81X40.000Z-3.000R2.000\nG80\nM30\n",
              out);
}

TEST(PerMachining, CompensatedMachiningsAreRefusedAndCyclesAreNot) {
    DriverHarness h;
    int result = 0;
    h.convert(PER_MACHINING, "G90 G00 X0 Y0 Z5.\nG41 D01 G01 X10. F100\nY10.\nG40 G00 Z50.\n", 90.0, 2, result);
    EXPECT_EQ(-1, result);
    EXPECT_EQ("エラー：2行目 工具径補正中の加工は加工毎に回転コピーできません： G41 D01 G01 X10. F100",
              first_error(h.log));
    EXPECT_EQ("", h.stray_files());
    // A feed retract before a drilling cycle closes the machining; the cycle is no part of it.
    std::string out = h.convert(PER_MACHINING,
                                "G90 G00 X0 Y0 Z5.\nG01 Z-1. F100\nZ2.\nG81 X10. Z-5. R2.\nG80\nM30\n", 90.0,
                                2, result);
    ASSERT_EQ(0, result) << first_error(h.log);
    EXPECT_EQ("G90G00X0Y0Z5000\nG01Z-1.000F100\nZ2.000\n(ROTATION ANGLE 90.)\nG00Z5.000\nG01Z-1.000\n"
              "Z2.000\nG81X10.000Z-5.000R2.000\nG80\nM30\n",
              out);
    // The user hears once that the holes are drilled where the source drills them.
    h.log.lines.clear();
    h.convert(PER_MACHINING, "G90 G00 X0 Y0 Z5.\nG81 X10. Z-5. R2.\nX20.\nG80\nG81 X30. Z-5. R2.\nM30\n", 90.0, 2,
              result);
    ASSERT_EQ(0, result) << first_error(h.log);
    int notes = 0;
    for (const std::string &line : h.log.lines) {
        if (line.rfind("注意：", 0) != 0) continue;
        ++notes;
        EXPECT_EQ("注意：2行目 穴あけサイクルは加工毎の回転コピーに含まれず、元の位置で１回だけ加工されます： "
                  "G81 X10. Z-5. R2.",
                  line);
    }
    EXPECT_EQ(1, notes);
}

// A machining longer than what is kept in memory goes to the move file, which
// never replaces a file that is there and never stays behind.
TEST(PerMachining, LongMachiningsGoToTheMoveFileAndItGoes) {
    DriverHarness h;
    write_file_bytes(h.dir.file("PART_0.NC"), "not ours");
    std::string program = "G90 G00 X0 Y0 Z5.\nG01 Z-1. F100\n";
    for (int i = 0; program.size() < MACHINING_MEMORY_LIMIT + 1000; ++i) {
        program += "X" + std::to_string(i % 100) + ". Y" + std::to_string(i % 7) + ".\n";
    }
    program += "G00 Z5.\nM30\n";
    int result = 0;
    std::string out = h.convert(PER_MACHINING, program, 90.0, 3, result);
    ASSERT_EQ(0, result) << first_error(h.log);
    EXPECT_EQ("not ours", read_file_bytes(h.dir.file("PART_0.NC")));
    EXPECT_EQ("PART_0.NC ", h.stray_files());
    // Every copy holds every line of the machining.
    size_t copy = out.find("(ROTATION ANGLE 90.)");
    size_t second = out.find("(ROTATION ANGLE 180.)");
    ASSERT_NE(std::string::npos, second);
    EXPECT_GT(second - copy, MACHINING_MEMORY_LIMIT / 2);
}

// Standing elsewhere after the copies, below the clearance, the tool comes
// back over the source's point before a block that moves the source tool
// nowhere (it must move the output tool nowhere either) and before a rapid
// across. A move in Z after a reference return comes back across at the
// reference height.
TEST(PerMachining, TheWayBackBelowTheClearanceAndAfterAReferenceReturn) {
    DriverHarness h;
    int result = 0;
    std::string out = h.convert(PER_MACHINING,
                                "G90 G54 G00 X35. Y-5. S1000 M03\nG43 H01 Z50.\nZ5.\nG01 Z-3. F80\nX45.\n"
                                "G00 Z5.\nX45.\nX35. Y-5.\nG01 Z-6. F80\nX45.\nG00 Z100.\nG91 G28 Z0.\nT02 M06\n"
                                "G90 G54\nG43 H02 Z50.\nG00 X60. Y0.\nM30\n",
                                90.0, 2, result);
    ASSERT_EQ(0, result) << first_error(h.log);
    EXPECT_EQ("G90 G54 G00 X35. Y-5. S1000 M03\nG43 H01 Z50.\nZ5.000\nG01Z-3.000F80\nX45.000\nG00Z5.000\n"
              "(ROTATION ANGLE 90.)\nZ50.000\nX5.000Y35.000\nZ5.000\nG01Z-3.000\nY45.000\nG00Z5.000\n"
              // Back over (45, -5) at the clearance: the source's rapid at Z5 then goes as it went.
              "Z50.000\nX45.000Y-5.000\nZ5.000\nX45.000\nX35.000\n"
              "G01Z-6.000\nX45.000\nG00Z100.000\n(ROTATION ANGLE 90.)\nX5.000Y35.000\nZ5.000\nG01Z-6.000\n"
              "Y45.000\nG00Z100.000\nG91 G28 Z0.\nT02 M06\nG90 G54\n"
              // Across at the reference height before the tool length line moves in Z.
              "X45.000Y-5.000\nG43 H02 Z50.\nX60.000Y0.000\nM30\n",
              out);
    CheckParams params = {90.0, {0.0, 0.0}, 2, 1, 1};
    CheckResult check;
    EXPECT_EQ(0, h.check(params, check)) << check.found;
}

// Each copy begins in the modes the machining began with, also those the
// program never named (G94, G64); a new H inside the machining would give the
// copies another tool length, and is refused.
TEST(PerMachining, CopiesBeginInTheMachiningsModesAndLength) {
    DriverHarness h;
    int result = 0;
    std::string out = h.convert(PER_MACHINING,
                                "G90 G54 G00 X10. Y0. S1000 M03\nG43 Z5. H01\nG01 Z-1. F100\n"
                                "G95 G61 X20. F0.1\nG00 Z50.\nM30\n",
                                90.0, 2, result);
    ASSERT_EQ(0, result) << first_error(h.log);
    EXPECT_EQ("G90 G54 G00 X10. Y0. S1000 M03\nG43 Z5. H01\nG01Z-1.000F100\nX20.000F0.1G95G61\nG00Z50.000\n"
              "(ROTATION ANGLE 90.)\nG64\nG94\nX0.000Y10.000\nZ5.000\nG01Z-1.000F100\nY20.000F0.1G95G61\n"
              "G00Z50.000\nM30\n",
              out);
    CheckParams params = {90.0, {0.0, 0.0}, 2, 1, 1};
    CheckResult check;
    EXPECT_EQ(0, h.check(params, check)) << check.found;
    h.convert(PER_MACHINING, "G90 G54 G00 X10. Y0. S1000 M03\nG43 Z5. H01\nG01 Z-1. F100\nX20. H02\nG00 Z50.\n",
              90.0, 2, result);
    EXPECT_EQ(-1, result);
    EXPECT_EQ("エラー：4行目 工具長補正の変わる加工は加工毎に回転コピーできません： X20. H02", first_error(h.log));
    EXPECT_EQ("", h.stray_files());
}

// A program that never gives S runs at the speed the machine holds: a copy
// starts the spindle again without S, since S0 would leave it standing. The
// check tells S0 from no S.
TEST(PerMachining, TheSpindleStartsAgainAtTheMachinesOwnSpeed) {
    DriverHarness h;
    int result = 0;
    std::string out = h.convert(PER_MACHINING,
                                "G90 G54 G00 X10. Y0. M03\nG43 Z5. H01\nG01 Z-1. F100\nX20.\nM05\nG00 Z50.\nM30\n",
                                90.0, 2, result);
    ASSERT_EQ(0, result) << first_error(h.log);
    EXPECT_EQ("G90 G54 G00 X10. Y0. M03\nG43 Z5. H01\nG01Z-1.000F100\nX20.000\nM05\nG00Z50.000\n"
              "(ROTATION ANGLE 90.)\nM03\nX0.000Y10.000\nZ5.000\nG01Z-1.000\nY20.000\nM05\nG00Z50.000\nM30\n",
              out);
    CheckParams params = {90.0, {0.0, 0.0}, 2, 1, 1};
    CheckResult check;
    EXPECT_EQ(0, h.check(params, check)) << check.found;
    ASSERT_TRUE(h.replace_output_line("M03", "S0M03"));
    EXPECT_EQ(-1, h.check(params, check));
    EXPECT_NE(std::string::npos, check.expected.find("S指定なし")) << check.expected;
}
