// The tool-path model: how it reads the dialect, the motions and events it
// yields with their state, and the lines it refuses.
#include "toolpath/model.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "support/program_generator.h"
#include "test_support.h"

namespace {

struct Modelled {
    int status = 0;  // 0 read to the end, -1 refused
    int error_line = 0;
    std::string error;
    std::vector<Motion> motions;  // setup events included
};

Modelled model_text(const std::string &program) {
    TempDir dir;
    std::string path = dir.file("PART.NC");
    write_file_bytes(path, program);
    Modelled modelled;
    std::unique_ptr<ModelRun> run(new ModelRun);
    if (model_open(*run, path.c_str(), 0) < 0) {
        modelled.status = -2;
        return modelled;
    }
    const Motion *motion = nullptr;
    int got = 0;
    while ((got = model_next(*run, motion)) == 1) modelled.motions.push_back(*motion);
    model_close(*run);
    modelled.status = got;
    modelled.error_line = run->error_line;
    modelled.error = run->error;
    return modelled;
}

// The motions without the setup events.
std::vector<Motion> moves_of(const Modelled &modelled) {
    std::vector<Motion> moves;
    for (const Motion &motion : modelled.motions) {
        if (motion.kind != MOTION_SETUP) moves.push_back(motion);
    }
    return moves;
}

std::vector<Motion> moves_of_program(const std::string &program) {
    Modelled modelled = model_text(program);
    EXPECT_EQ(0, modelled.status) << modelled.error_line << ": " << modelled.error;
    return moves_of(modelled);
}

void expect_point(const Point3 &point, double x, double y, double z) {
    EXPECT_TRUE(point.known[0] && point.known[1] && point.known[2]);
    EXPECT_DOUBLE_EQ(x, point.v[0]);
    EXPECT_DOUBLE_EQ(y, point.v[1]);
    EXPECT_DOUBLE_EQ(z, point.v[2]);
}

void expect_refused(const std::string &program, int line, const std::string &reason_part) {
    Modelled modelled = model_text(program);
    EXPECT_EQ(-1, modelled.status) << program;
    EXPECT_EQ(line, modelled.error_line) << program;
    EXPECT_NE(std::string::npos, modelled.error.find(reason_part)) << program << " -> " << modelled.error;
}

TEST(ToolpathModel, DistanceModesNumbersAndSigns) {
    std::vector<Motion> moves = moves_of_program(
        "G90 G00 X10. Y+20. Z5.\n"
        "X100 Y-2500\n"       // no point: thousandths
        "G91 G01 X+1. Y.5 Z-1 F150\n"
        "G1 X1 F.15\n"        // G1 is G01, F.15 is 0.15
        "G90G0X0Y0Z1.000\n");
    ASSERT_EQ(5u, moves.size());
    EXPECT_EQ(MOTION_RAPID, moves[0].kind);
    expect_point(moves[0].end, 10.0, 20.0, 5.0);
    expect_point(moves[1].end, 0.1, -2.5, 5.0);
    EXPECT_EQ(MOTION_FEED, moves[2].kind);
    expect_point(moves[2].end, 1.1, -2.0, 4.999);
    EXPECT_DOUBLE_EQ(150.0, moves[2].state.feed);
    EXPECT_EQ(91, moves[2].state.distance);
    expect_point(moves[3].end, 1.101, -2.0, 4.999);
    EXPECT_DOUBLE_EQ(0.15, moves[3].state.feed);
    expect_point(moves[3].start, 1.1, -2.0, 4.999);
    EXPECT_EQ(MOTION_RAPID, moves[4].kind);
    expect_point(moves[4].end, 0.0, 0.0, 1.0);
    // The start of each move is where the one before ended.
    expect_point(moves[4].start, 1.101, -2.0, 4.999);
    // Before any G00 to G03 the control moves in its power-on mode, G00.
    moves = moves_of_program("G90 G43 H01 Z50.\nX10. Y0\n");
    ASSERT_EQ(2u, moves.size());
    EXPECT_EQ(MOTION_RAPID, moves[0].kind);
    EXPECT_EQ(MOTION_RAPID, moves[1].kind);
}

TEST(ToolpathModel, LinesCommentsAndBlanks) {
    // LF, CR LF and a lone CR each end a line; blanks inside words count for nothing;
    // words may follow a closed comment; "%" and the O line have no effect.
    std::string program =
        "%\r\n"
        "O0001 (\x83\x7C\x83\x50\x83\x62\x83\x67)\r\n"
        "N10 G90 G00 X 1 0 . Y0 Z5.\r"
        "(\x89\xC1\x8D\x48) G01 Z-1. F100 (CUT) X20.\n"
        "(UNCLOSED G00 X99.\n"
        "\n"
        "M30\r\n"
        "%\r\n"
        "\x1A";
    Modelled modelled = model_text(program);
    ASSERT_EQ(0, modelled.status) << modelled.error;
    std::vector<Motion> moves = moves_of(modelled);
    ASSERT_EQ(3u, moves.size());
    EXPECT_EQ(3, moves[0].line);
    expect_point(moves[0].end, 10.0, 0.0, 5.0);
    EXPECT_EQ(4, moves[1].line);
    expect_point(moves[1].end, 20.0, 0.0, -1.0);
    EXPECT_EQ(MOTION_END, moves[2].kind);
    EXPECT_EQ(30, moves[2].code);
    EXPECT_EQ(7, moves[2].line);
}

TEST(ToolpathModel, MovesThatGoNowhereAreNoMotions) {
    std::vector<Motion> moves = moves_of_program(
        "G90 G00 X10. Y0 Z5.\n"
        "X10. Y0\n"            // where it stands already
        "G91 X0 Z0\n"
        "G00 Z1.\n");
    ASSERT_EQ(2u, moves.size());
    expect_point(moves[1].end, 10.0, 0.0, 6.0);
    EXPECT_EQ(4, moves[1].line);
}

TEST(ToolpathModel, ArcsByCentreRadiusFullCircleAndHelix) {
    std::vector<Motion> moves = moves_of_program(
        "G90 G00 X10. Y0 Z0\n"
        "G03 X0 Y10. I-10. J0 F100\n"    // quarter, counter-clockwise about the origin
        "G02 X10. Y0 R10.\n"             // short arc back, clockwise: centre at the origin
        "G02 X0 Y10. R-10.\n"            // the long way round: centre (0, 0) again
        "G91 G03 I5. Z-2.\n"             // full circle, helix down by 2
        "G90 G02 X20. Y10. J-5.\n");     // a missing I is 0
    ASSERT_EQ(6u, moves.size());
    EXPECT_EQ(MOTION_ARC_CCW, moves[1].kind);
    expect_point(moves[1].end, 0.0, 10.0, 0.0);
    EXPECT_DOUBLE_EQ(0.0, moves[1].centre[0]);
    EXPECT_DOUBLE_EQ(0.0, moves[1].centre[1]);
    EXPECT_EQ(MOTION_ARC_CW, moves[2].kind);
    EXPECT_NEAR(0.0, moves[2].centre[0], 1e-9);
    EXPECT_NEAR(0.0, moves[2].centre[1], 1e-9);
    EXPECT_NEAR(0.0, moves[3].centre[0], 1e-9);
    EXPECT_NEAR(0.0, moves[3].centre[1], 1e-9);
    EXPECT_EQ(MOTION_ARC_CCW, moves[4].kind);
    expect_point(moves[4].start, 0.0, 10.0, 0.0);
    expect_point(moves[4].end, 0.0, 10.0, -2.0);
    EXPECT_DOUBLE_EQ(5.0, moves[4].centre[0]);
    EXPECT_DOUBLE_EQ(10.0, moves[4].centre[1]);
    EXPECT_DOUBLE_EQ(0.0, moves[5].centre[0]);
    EXPECT_DOUBLE_EQ(5.0, moves[5].centre[1]);

    // The centre of an R arc is found on the side that gives the arc asked for.
    std::vector<Motion> sides = moves_of_program(
        "G90 G00 X1. Y0 Z0\n"
        "G03 X0 Y1. R1. F10\n"    // counter-clockwise short arc: centre (0, 0)
        "G03 X1. Y0 R-1.\n"       // counter-clockwise long arc back: centre (0, 0)
        "G02 X0 Y1. R1.\n");      // clockwise short arc: centre (1, 1)
    ASSERT_EQ(4u, sides.size());
    EXPECT_NEAR(0.0, sides[1].centre[0], 1e-12);
    EXPECT_NEAR(0.0, sides[1].centre[1], 1e-12);
    EXPECT_NEAR(0.0, sides[2].centre[0], 1e-12);
    EXPECT_NEAR(0.0, sides[2].centre[1], 1e-12);
    EXPECT_NEAR(1.0, sides[3].centre[0], 1e-12);
    EXPECT_NEAR(1.0, sides[3].centre[1], 1e-12);

    // A radius a little short of half the chord is taken, within 0.0015.
    std::vector<Motion> tight = moves_of_program("G90 G00 X0 Y0 Z0\nG02 X10. Y0 R4.999 F10\n");
    ASSERT_EQ(2u, tight.size());
    EXPECT_NEAR(5.0, tight[1].centre[0], 1e-9);
    expect_refused("G90 G00 X0 Y0 Z0\nG02 X10. Y0 R4.998 F10\n", 2, "半径");
    expect_refused("G90 G00 X0 Y0 Z0\nG02 X0 Y0 R5. F10\n", 2, "始点と終点が同じ");
    expect_refused("G90 G02 X10. Y0 I5. F10\n", 1, "始点");
}

TEST(ToolpathModel, EveryCycleWithBothReturnLevels) {
    const int codes[] = {73, 74, 81, 82, 83, 84, 85, 86, 88, 89};
    for (int code : codes) {
        std::string program = "G90 G00 X0 Y0 Z50.\nG98 G" + std::to_string(code) +
                              " X10. Y5. Z-10. R2. Q3. P500 F100\nG99 X20.\nG80\n";
        std::vector<Motion> moves = moves_of_program(program);
        ASSERT_EQ(3u, moves.size()) << code;
        const Motion &first = moves[1];
        EXPECT_EQ(MOTION_HOLE, first.kind) << code;
        EXPECT_EQ(code, first.cycle);
        expect_point(first.end, 10.0, 5.0, 50.0);  // G98: back to the initial level
        EXPECT_DOUBLE_EQ(2.0, first.r_level);
        EXPECT_DOUBLE_EQ(-10.0, first.bottom);
        EXPECT_EQ(code == 73 || code == 83, first.q_given) << code;
        int dwells = code == 74 || code == 82 || code == 84 || code == 88 || code == 89;
        EXPECT_EQ(dwells, first.p_given) << code;
        if (dwells) {
            EXPECT_EQ(500, first.p);
        }
        EXPECT_DOUBLE_EQ(100.0, first.state.feed);
        // G99: back to the R level; R, Z, Q and P stay in force.
        expect_point(moves[2].end, 20.0, 5.0, 2.0);
        EXPECT_DOUBLE_EQ(-10.0, moves[2].bottom);
        EXPECT_EQ(first.q_given, moves[2].q_given);
    }
}

TEST(ToolpathModel, IncrementalCyclesRepeatWithK) {
    std::vector<Motion> moves = moves_of_program(
        "G90 G00 X0 Y0 Z20.\n"
        "G91 G99 G81 X10. Y0 Z-5. R-15. K3 F80\n"  // R from the initial level, Z from R
        "X0 Y5. K0\n"                               // data only: no move, no hole
        "G98 Y5.\n"
        "G80 M30\n");
    ASSERT_EQ(6u, moves.size());
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(MOTION_HOLE, moves[1 + i].kind);
        expect_point(moves[1 + i].end, 10.0 * (i + 1), 0.0, 5.0);
        EXPECT_DOUBLE_EQ(5.0, moves[1 + i].r_level);
        EXPECT_DOUBLE_EQ(0.0, moves[1 + i].bottom);
        EXPECT_EQ(i, moves[1 + i].item);
    }
    // K0 moved nothing: the next hole is 5 from the third one, back at the initial level.
    expect_point(moves[4].end, 30.0, 5.0, 20.0);
    EXPECT_EQ(MOTION_END, moves[5].kind);
}

TEST(ToolpathModel, ReferenceReturnsAndMachineMovesLeaveAxesUnknown) {
    std::vector<Motion> moves = moves_of_program(
        "G90 G00 X10. Y20. Z30.\n"
        "G91 G28 Z0\n"              // no intermediate move
        "G90 G28 X10. Y0\n"         // intermediate X10. Y0: a rapid first
        "G30 P3 Z5.\n"
        "G53 Z-10.\n"
        "G91 G00 X5.\n");           // an increment on an unknown axis stays unknown
    ASSERT_EQ(8u, moves.size());
    EXPECT_EQ(MOTION_HOME, moves[1].kind);
    EXPECT_EQ(28, moves[1].reference);
    EXPECT_EQ(4, moves[1].axes);
    EXPECT_EQ(MOTION_RAPID, moves[2].kind);
    EXPECT_FALSE(moves[2].end.known[2]);
    EXPECT_DOUBLE_EQ(10.0, moves[2].end.v[0]);
    EXPECT_DOUBLE_EQ(0.0, moves[2].end.v[1]);
    EXPECT_EQ(MOTION_HOME, moves[3].kind);
    EXPECT_EQ(3, moves[3].axes);
    EXPECT_FALSE(moves[3].end.known[0] || moves[3].end.known[1] || moves[3].end.known[2]);
    EXPECT_EQ(MOTION_RAPID, moves[4].kind);  // G30's intermediate Z5.
    EXPECT_EQ(303, moves[5].reference);
    EXPECT_EQ(53, moves[6].reference);
    EXPECT_DOUBLE_EQ(-10.0, moves[6].machine[2]);
    EXPECT_EQ(MOTION_RAPID, moves[7].kind);
    EXPECT_FALSE(moves[7].end.known[0]);
    Modelled after = model_text(
        "G90 G00 X10. Y20. Z30.\nG53 X0\nG91 G00 X5. Y1.\nG90 G01 X1. F10\n");
    std::vector<Motion> rest = moves_of(after);
    ASSERT_EQ(4u, rest.size());
    EXPECT_FALSE(rest[2].end.known[0]);
    EXPECT_TRUE(rest[2].end.known[1]);
    EXPECT_DOUBLE_EQ(21.0, rest[2].end.v[1]);
    EXPECT_TRUE(rest[3].end.known[0]);
    expect_refused("G90 G00 X0 Y0 Z0\nG30 P5 Z0\n", 2, "P2");
}

TEST(ToolpathModel, CoordinateSettingTokensAndDeltas) {
    Modelled modelled = model_text(
        "G92 X0 Y0 Z100.\n"          // nothing known: new tokens
        "G90 G00 X10. Y5.\n"
        "G92 X0 Y0\n"                // known: the frame shifts by the position
        "G01 X1. F10\n"
        "G91 G28 Z0\n"
        "G92 Z50.\n"                 // Z unknown: a new token for Z only
        "G90 G01 Z0\n");
    ASSERT_EQ(0, modelled.status) << modelled.error;
    std::vector<Motion> moves = moves_of(modelled);
    ASSERT_EQ(4u, moves.size());
    const MachineState &first = moves[0].state;
    EXPECT_EQ(1, first.frame_token[0]);
    EXPECT_EQ(2, first.frame_token[1]);
    EXPECT_EQ(3, first.frame_token[2]);
    expect_point(moves[0].end, 10.0, 5.0, 100.0);
    const MachineState &shifted = moves[1].state;
    EXPECT_EQ(1, shifted.frame_token[0]);
    EXPECT_DOUBLE_EQ(10.0, shifted.frame_delta[0]);
    EXPECT_DOUBLE_EQ(5.0, shifted.frame_delta[1]);
    EXPECT_DOUBLE_EQ(0.0, shifted.frame_delta[2]);
    expect_point(moves[1].end, 1.0, 0.0, 100.0);
    const MachineState &reset = moves[3].state;
    EXPECT_EQ(1, reset.frame_token[0]);
    EXPECT_EQ(4, reset.frame_token[2]);
    EXPECT_DOUBLE_EQ(0.0, reset.frame_delta[2]);
    // The setting events tell which axes a G92 named.
    int settings = 0;
    for (const Motion &motion : modelled.motions) {
        if (motion.kind == MOTION_SETUP && motion.axes) ++settings;
    }
    EXPECT_EQ(3, settings);
}

TEST(ToolpathModel, MachineStateAtEveryMotion) {
    Modelled modelled = model_text(
        "T5\n"                         // the next tool, chosen early
        "G90 G54 G00 X0 Y0 M08\n"
        "M06\n"                        // now T5 is in the spindle
        "T6 G43 H5 Z50.\n"
        "S1200 M03 G41 D5\n"
        "G01 X10. F300\n"
        "M09\n"
        "M07 M04\n"
        "G55 G49 G40 G00 X1. Y1. Z1.\n"
        "G54.1 P7 X2.\n"
        "M06 G43 H6 Z3.\n");
    ASSERT_EQ(0, modelled.status) << modelled.error;
    std::vector<Motion> moves = moves_of(modelled);
    ASSERT_EQ(6u, moves.size());
    EXPECT_EQ(0, moves[0].state.tool);
    EXPECT_EQ(1, moves[0].state.flood);
    EXPECT_EQ(540, moves[0].state.work_offset);
    const MachineState &cut = moves[2].state;
    EXPECT_EQ(5, cut.tool);
    EXPECT_EQ(43, cut.length_comp);
    EXPECT_EQ(5, cut.length_h);
    EXPECT_EQ(41, cut.cutter_comp);
    EXPECT_EQ(5, cut.cutter_d);
    EXPECT_EQ(3, cut.spindle);
    EXPECT_EQ(1200, cut.spindle_s);
    EXPECT_DOUBLE_EQ(300.0, cut.feed);
    const MachineState &moved = moves[3].state;
    EXPECT_EQ(550, moved.work_offset);
    EXPECT_EQ(49, moved.length_comp);
    EXPECT_EQ(40, moved.cutter_comp);
    EXPECT_EQ(4, moved.spindle);
    EXPECT_EQ(1, moved.mist);
    EXPECT_EQ(0, moved.flood);
    EXPECT_EQ(541, moves[4].state.work_offset);
    EXPECT_EQ(7, moves[4].state.work_p);
    // Another work system: the tool stands where the program has not said.
    EXPECT_FALSE(moves[4].end.known[1]);
    EXPECT_EQ(6, moves[5].state.tool);
    EXPECT_EQ(6, moves[5].state.length_h);
    // A line that changes the setup gives an event before its motion.
    int setups = 0;
    for (const Motion &motion : modelled.motions) setups += motion.kind == MOTION_SETUP;
    EXPECT_EQ(6, setups);
}

TEST(ToolpathModel, DwellsStopsAndEnd) {
    std::vector<Motion> moves = moves_of_program(
        "G04 X1.5\n"
        "G04 X250\n"       // no point: milliseconds
        "G04 P2000\n"
        "M00\n"
        "M1\n"
        "M02\n"
        "%\n"
        "(AFTER THE END)\n");
    ASSERT_EQ(6u, moves.size());
    EXPECT_DOUBLE_EQ(1.5, moves[0].seconds);
    EXPECT_DOUBLE_EQ(0.25, moves[1].seconds);
    EXPECT_DOUBLE_EQ(2.0, moves[2].seconds);
    EXPECT_EQ(MOTION_STOP, moves[3].kind);
    EXPECT_EQ(0, moves[3].code);
    EXPECT_EQ(1, moves[4].code);
    EXPECT_EQ(MOTION_END, moves[5].kind);
    EXPECT_EQ(2, moves[5].code);
}

TEST(ToolpathModel, RefusedLinesAndTheirNumbers) {
    expect_refused("G90 G00 X0 Y0\nG65 P9000 L2\n", 2, "G65");
    expect_refused("G90 G00 X0 Y0\nG66 P9000\n", 2, "G66");
    expect_refused("G90\nG68 X0 Y0 R30.\n", 2, "G68");
    expect_refused("G90 G00 X0 A10.\n", 1, "A10.");
    expect_refused("G90\ng00 X0\n", 2, "小文字");
    expect_refused(std::string("G90\nG00 X0\0 Y0\n", 14), 2, "NUL");
    expect_refused(std::string("G90\n(A\0B)\n", 10), 2, "NUL");
    expect_refused("G90 G00 X0\n\x1A" "G00 X1.\n", 2, "Ctrl-Z");
    expect_refused("G90 G00 X1. X2.\n", 1, "X2.");
    expect_refused("G90 G00 G01 X1.\n", 1, "G00 G01");
    expect_refused("G90 G91\n", 1, "G90 G91");
    expect_refused("G81 G83 X0\n", 1, "G81 G83");
    expect_refused("G00 X10.\n", 1, "G90/G91");
    expect_refused("G90 G00 X1.2.3\n", 1, "X1.2.3");
    expect_refused("G90 G00 X-\n", 1, "X-");
    expect_refused("G90 G00 X\n", 1, "X");
    expect_refused("G90 G00 5-3\n", 1, "5");
    expect_refused("G90 G00 X1e999\n", 1, "e");
    expect_refused("G90 G00 X" + std::string(400, '9') + ".\n", 1, "範囲");
    expect_refused("S99999999999\n", 1, "S999");
    expect_refused("/G90 G00 X0\n", 1, "/");
    expect_refused("#1=10.\n", 1, "#");
    expect_refused("G90 G01 X1. F10;\n", 1, ";");
    expect_refused("G17 G18\n", 1, "G18");
    expect_refused("G90 G00 X0 M08 M09\n", 1, "クーラント");
    expect_refused("G19\n", 1, "G19");
    expect_refused("G20\n", 1, "G20");
    expect_refused("G90 G76 X0 Y0 Z-1. R1. Q1.\n", 1, "G76");
    expect_refused("G51 X0 Y0 P2\n", 1, "G51");
    expect_refused("G12\n", 1, "G12");
    expect_refused("M98 P100\n", 1, "M98");
    expect_refused("M30\nG00 X0\n", 2, "M02/M30");
    expect_refused("G90 G01 X1. P5 F10\n", 1, "P");
    expect_refused("G90 G00 X1. Y1. Z1.\nG81 X0 R1. F10\n", 2, "Z");
    expect_refused(std::string(70000, ' ') + "\n", 1, "64KiB");
    expect_refused("G90 S100.\n", 1, "S100.");
    expect_refused("G90 G00 X0 M03 M05\n", 1, "主軸");
    expect_refused("N1 O100\n", 1, "O");
    expect_refused("% G90\n", 1, "%");
}

// Every field of every motion, and how the reading ended, as text; numbers
// in hexadecimal so that a difference in the last bit shows.
std::string modelled_text(const Modelled &modelled) {
    std::string text = "status " + std::to_string(modelled.status) + " line " +
                       std::to_string(modelled.error_line) + " " + modelled.error + "\n";
    char field[64];
    auto number = [&](double value) {
        std::snprintf(field, sizeof field, " %a", value);
        text += field;
    };
    auto point = [&](const Point3 &p) {
        for (int axis = 0; axis < 3; ++axis) {
            text += p.known[axis] ? " +" : " ?";
            number(p.v[axis]);
        }
    };
    for (const Motion &m : modelled.motions) {
        text += std::to_string(m.kind) + " " + std::to_string(m.line) + "." + std::to_string(m.item) + " rapid " +
                std::to_string(m.start_by_rapid);
        point(m.start);
        point(m.end);
        number(m.centre[0]);
        number(m.centre[1]);
        text += " hole " + std::to_string(m.cycle) + " " + std::to_string(m.r_known) + std::to_string(m.bottom_known);
        number(m.r_level);
        number(m.bottom);
        text += " q" + std::to_string(m.q_given) + " p" + std::to_string(m.p_given) + " " + std::to_string(m.p);
        number(m.q);
        text += " home " + std::to_string(m.axes) + " " + std::to_string(m.reference);
        for (double machine : m.machine) number(machine);
        number(m.seconds);
        const MachineState &st = m.state;
        const int modes[] = {m.code,         st.work_offset, st.work_p,   st.tool,     st.length_comp, st.length_h,
                             st.cutter_comp, st.cutter_d,    st.spindle,  st.spindle_s, st.mist,       st.flood,
                             st.distance};
        for (int mode : modes) text += " " + std::to_string(mode);
        number(st.feed);
        for (int axis = 0; axis < 3; ++axis) {
            text += " t" + std::to_string(st.frame_token[axis]);
            number(st.frame_delta[axis]);
        }
        text += "\n";
    }
    return text;
}

// The program with "N1 " before the first word of every block: a sequence
// number changes nothing, and it sends every block the full way.
std::string with_sequence_numbers(const std::string &program) {
    std::string out;
    size_t at = 0;
    while (at < program.size()) {
        size_t end = program.find_first_of("\r\n", at);
        end = end == std::string::npos ? program.size() : end;
        size_t first = program.find_first_not_of(" \t", at);
        if (first < end && program[first] >= 'A' && program[first] <= 'Z' && program[first] != 'O') {
            out += program.substr(at, first - at) + "N1 " + program.substr(first, end - first);
        } else {
            out += program.substr(at, end - at);
        }
        size_t next = program.find_first_not_of("\r\n", end);
        next = next == std::string::npos ? program.size() : next;
        // Line ends are kept as they are, one by one.
        out += program.substr(end, next - end);
        at = next;
    }
    return out;
}

TEST(ToolpathModel, CommonBlocksModelAsTheFullWayModelsThem) {
    std::vector<std::string> programs = {
        "G00 X1.\n",                                        // coordinates before G90/G91
        "G90 X1. Y2.\nG91 X1.\nY-1. F100\nG01 X0\n",     // the power-on G00, increments of zero
        "G90 G00 X0 Y0 Z5.\nG02 X10. Y0 R5.\nI1.\nX0 Y0 I-5. J0\nG03 X10. R-5. F50\n",
        "G90 G00 X0 Y0 Z5.\nG81 X1. Z-1. R1. F10\nX2.\nG01 X3.\nX4.\nG00 G00 X5.\nG01 G91 G90 X1.\n",
        "G90 G00 X0 Y0 Z5.\nG02 X1. Y1.\n",                // an arc without centre
        "G91 G02 X1. R1.\n",                               // an arc from an unknown point
        "G90 G00 X0 Y0 Z5.\nG01 X1. S100\nX2. Q1.\nG01 X3. ,C1.\nM30\nX4.\n",
    };
    for (const char *corpus : {"plate_pocket.nc", "boss_helix.nc", "slot_g91_passes.nc", "mold_plate.nc",
                               "flange_bolt_circle_g92.nc", "hole_rows_g91_k.nc", "two_fixtures.nc"}) {
        programs.push_back(read_file_bytes(test_data_path(std::string("corpus/") + corpus)));
    }
    for (uint32_t seed = 1; seed <= 400; ++seed) {
        GeneratedJob job;
        generate_job(seed, job, seed % 3 == 0);
        programs.push_back(job.program);
    }
    for (size_t i = 0; i < programs.size(); ++i) {
        std::string common = modelled_text(model_text(programs[i]));
        std::string full = modelled_text(model_text(with_sequence_numbers(programs[i])));
        ASSERT_EQ(full, common) << "program " << i << ":\n" << programs[i].substr(0, 400);
    }
}

TEST(ToolpathModel, MarkSeekAndRestartReadAgain) {
    TempDir dir;
    std::string path = dir.file("PART.NC");
    write_file_bytes(path,
                     "G90 G00 X0 Y0 Z5.\n"
                     "G01 Z-1. F100\n"
                     "X10.\n"
                     "G00 Z5.\n"
                     "G91 G01 Z-1.\n"
                     "X5.\n"
                     "M30\n");
    std::unique_ptr<ModelRun> run(new ModelRun);
    ASSERT_EQ(0, model_open(*run, path.c_str(), 1));
    const Motion *motion = nullptr;
    ModelMark mark = {};
    std::vector<Motion> first;
    while (model_next(*run, motion) == 1) {
        if (motion->line == 5) model_mark(*run, *motion, mark);
        first.push_back(*motion);
    }
    ASSERT_EQ(7u, first.size());
    ASSERT_EQ(0, model_seek(*run, mark));
    ASSERT_EQ(1, model_next(*run, motion));
    EXPECT_EQ(5, motion->line);
    expect_point(motion->end, 10.0, 0.0, 4.0);
    ASSERT_EQ(1, model_next(*run, motion));
    expect_point(motion->end, 15.0, 0.0, 4.0);
    // Again from the top: the end is forgotten, the distance mode carried.
    ASSERT_EQ(0, model_restart(*run));
    ASSERT_EQ(1, model_next(*run, motion));
    EXPECT_EQ(1, motion->line);
    EXPECT_EQ(90, motion->state.distance);
    model_close(*run);
}

}  // namespace
