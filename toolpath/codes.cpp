// The tables of G and M codes of the tool-path model. A code outside the G
// table is refused: the model must understand every code it lets through.
#include "toolpath/codes.h"

#include <cstddef>
#include <cstdio>

namespace {

// The modal groups; two codes of one group in a block contradict each other.
enum CodeGroup {
    GROUP_ONE_SHOT,      // G04 G05 G08 G09 G10 G28 G30 G52 G53 G65 G92
    GROUP_MOTION,        // G00 .. G03
    GROUP_PLANE,         // G17 .. G19
    GROUP_DISTANCE,      // G90 G91
    GROUP_FEED_MODE,     // G93 .. G95
    GROUP_UNITS,         // G20 G21
    GROUP_CUTTER,        // G40 .. G42
    GROUP_LENGTH,        // G43 G44 G49
    GROUP_CYCLE,         // G73 .. G89
    GROUP_RETURN_LEVEL,  // G98 G99
    GROUP_SCALING,       // G50 G51
    GROUP_MACRO,         // G66 G67
    GROUP_CUTTING_MODE,  // G61 .. G64
    GROUP_WORK,          // G54 .. G59, G54.1
    GROUP_POLAR,         // G15 G16
    GROUP_ROTATION,      // G68 G69
    GROUP_SPINDLE_MODE,  // G96 G97
    GROUP_MIRROR,        // G50.1 G51.1
    GROUP_CONTOUR        // G05.1
};

struct GCodeEntry {
    int code;
    GCodeInfo info;
};

constexpr GCodeEntry GCodeTable[] = {
    {0, {ROLE_MOTION, GROUP_MOTION, nullptr}},                  // G00 rapid
    {10, {ROLE_MOTION, GROUP_MOTION, nullptr}},                 // G01 feed
    {20, {ROLE_MOTION, GROUP_MOTION, nullptr}},                 // G02 clockwise arc
    {30, {ROLE_MOTION, GROUP_MOTION, nullptr}},                 // G03 counter-clockwise arc
    {40, {ROLE_DWELL, GROUP_ONE_SHOT, nullptr}},                // G04 dwell
    {50, {ROLE_P_MODE, GROUP_ONE_SHOT, nullptr}},               // G05 high-speed machining, P the mode
    {51, {ROLE_Q_MODE, GROUP_CONTOUR, nullptr}},                // G05.1 contour control, Q the mode
    {80, {ROLE_P_MODE, GROUP_ONE_SHOT, nullptr}},               // G08 look-ahead, P the mode
    {90, {ROLE_NONE, GROUP_ONE_SHOT, nullptr}},                 // G09 exact stop
    {100, {ROLE_DATA_SETTING, GROUP_ONE_SHOT, nullptr}},        // G10 data setting
    {150, {ROLE_NONE, GROUP_POLAR, nullptr}},                   // G15 polar coordinates off
    {160, {ROLE_REFUSED, GROUP_POLAR, "極座標指令(G16)には対応していません"}},  // G16 polar coordinates
    {170, {ROLE_NONE, GROUP_PLANE, nullptr}},                   // G17 XY plane
    {180, {ROLE_REFUSED, GROUP_PLANE, "XY平面以外(G18)には対応していません"}},  // G18 ZX plane
    {190, {ROLE_REFUSED, GROUP_PLANE, "XY平面以外(G19)には対応していません"}},  // G19 YZ plane
    {200, {ROLE_REFUSED, GROUP_UNITS, "インチ指令(G20)には対応していません"}},  // G20 inch
    {210, {ROLE_NONE, GROUP_UNITS, nullptr}},                   // G21 millimetre
    {280, {ROLE_REFERENCE, GROUP_ONE_SHOT, nullptr}},           // G28 reference return
    {300, {ROLE_REFERENCE, GROUP_ONE_SHOT, nullptr}},           // G30 2nd .. 4th reference return
    {400, {ROLE_CUTTER, GROUP_CUTTER, nullptr}},                // G40 cutter compensation off
    {410, {ROLE_CUTTER, GROUP_CUTTER, nullptr}},                // G41 cutter compensation left
    {420, {ROLE_CUTTER, GROUP_CUTTER, nullptr}},                // G42 cutter compensation right
    {430, {ROLE_LENGTH, GROUP_LENGTH, nullptr}},                // G43 tool length compensation +
    {440, {ROLE_LENGTH, GROUP_LENGTH, nullptr}},                // G44 tool length compensation -
    {490, {ROLE_LENGTH, GROUP_LENGTH, nullptr}},                // G49 tool length compensation off
    {500, {ROLE_NONE, GROUP_SCALING, nullptr}},                 // G50 scaling off
    {501, {ROLE_NONE, GROUP_MIRROR, nullptr}},                  // G50.1 mirror image off
    {510, {ROLE_REFUSED, GROUP_SCALING, "スケーリング(G51)には対応していません"}},        // G51 scaling
    {511, {ROLE_REFUSED, GROUP_MIRROR, "ミラーイメージ(G51.1)には対応していません"}},     // G51.1 mirror image
    {520, {ROLE_REFUSED, GROUP_ONE_SHOT, "ローカル座標系(G52)には対応していません"}},     // G52 local system
    {530, {ROLE_MACHINE, GROUP_ONE_SHOT, nullptr}},             // G53 machine-coordinate move
    {540, {ROLE_WORK, GROUP_WORK, nullptr}},                    // G54 work offset 1
    {541, {ROLE_WORK, GROUP_WORK, nullptr}},                    // G54.1 additional work offsets, P1 .. P300
    {550, {ROLE_WORK, GROUP_WORK, nullptr}},                    // G55 work offset 2
    {560, {ROLE_WORK, GROUP_WORK, nullptr}},                    // G56 work offset 3
    {570, {ROLE_WORK, GROUP_WORK, nullptr}},                    // G57 work offset 4
    {580, {ROLE_WORK, GROUP_WORK, nullptr}},                    // G58 work offset 5
    {590, {ROLE_WORK, GROUP_WORK, nullptr}},                    // G59 work offset 6
    {610, {ROLE_CUTTING_MODE, GROUP_CUTTING_MODE, nullptr}},            // G61 exact stop mode
    {620, {ROLE_CUTTING_MODE, GROUP_CUTTING_MODE, nullptr}},            // G62 automatic corner override
    {630, {ROLE_CUTTING_MODE, GROUP_CUTTING_MODE, nullptr}},            // G63 tapping mode
    {640, {ROLE_CUTTING_MODE, GROUP_CUTTING_MODE, nullptr}},            // G64 cutting mode
    {650, {ROLE_REFUSED, GROUP_ONE_SHOT, "マクロ呼出し(G65)には対応していません"}},       // G65 macro call
    {660, {ROLE_REFUSED, GROUP_MACRO, "マクロ呼出し(G66)には対応していません"}},          // G66 modal macro call
    {670, {ROLE_REFUSED, GROUP_MACRO, "マクロ呼出し(G67)には対応していません"}},          // G67 modal macro call off
    {680, {ROLE_REFUSED, GROUP_ROTATION, "座標回転(G68)には対応していません"}},           // G68 coordinate rotation
    {690, {ROLE_NONE, GROUP_ROTATION, nullptr}},                // G69 coordinate rotation off
    {730, {ROLE_CYCLE, GROUP_CYCLE, nullptr}},                  // G73 high-speed peck drilling
    {740, {ROLE_CYCLE, GROUP_CYCLE, nullptr}},                  // G74 left-hand tapping
    {760, {ROLE_REFUSED, GROUP_CYCLE, "工具シフトのある固定サイクル(G76)には対応していません"}},  // G76 fine boring
    {800, {ROLE_CYCLE_CANCEL, GROUP_CYCLE, nullptr}},           // G80 cycle cancel
    {810, {ROLE_CYCLE, GROUP_CYCLE, nullptr}},                  // G81 drilling
    {820, {ROLE_CYCLE, GROUP_CYCLE, nullptr}},                  // G82 drilling with dwell
    {830, {ROLE_CYCLE, GROUP_CYCLE, nullptr}},                  // G83 peck drilling
    {840, {ROLE_CYCLE, GROUP_CYCLE, nullptr}},                  // G84 tapping
    {850, {ROLE_CYCLE, GROUP_CYCLE, nullptr}},                  // G85 boring, feed out
    {860, {ROLE_CYCLE, GROUP_CYCLE, nullptr}},                  // G86 boring, spindle stop, rapid out
    {870, {ROLE_REFUSED, GROUP_CYCLE, "工具シフトのある固定サイクル(G87)には対応していません"}},  // G87 back boring
    {880, {ROLE_CYCLE, GROUP_CYCLE, nullptr}},                  // G88 boring, manual out
    {890, {ROLE_CYCLE, GROUP_CYCLE, nullptr}},                  // G89 boring with dwell, feed out
    {900, {ROLE_DISTANCE, GROUP_DISTANCE, nullptr}},            // G90 absolute
    {910, {ROLE_DISTANCE, GROUP_DISTANCE, nullptr}},            // G91 incremental
    {920, {ROLE_COORDINATE_SETTING, GROUP_ONE_SHOT, nullptr}},  // G92 coordinate setting
    {930, {ROLE_REFUSED, GROUP_FEED_MODE, "時間の逆数送り(G93)には対応していません"}},    // G93 inverse time feed
    {940, {ROLE_FEED_MODE, GROUP_FEED_MODE, nullptr}},               // G94 feed per minute
    {950, {ROLE_FEED_MODE, GROUP_FEED_MODE, nullptr}},               // G95 feed per revolution
    {960, {ROLE_REFUSED, GROUP_SPINDLE_MODE, "周速一定制御(G96)には対応していません"}},   // G96 constant surface speed
    {970, {ROLE_NONE, GROUP_SPINDLE_MODE, nullptr}},            // G97 constant surface speed off
    {980, {ROLE_RETURN_LEVEL, GROUP_RETURN_LEVEL, nullptr}},    // G98 cycle return to the initial level
    {990, {ROLE_RETURN_LEVEL, GROUP_RETURN_LEVEL, nullptr}},    // G99 cycle return to the R level
};

struct MCodeEntry {
    int code;
    int role;
};

constexpr MCodeEntry MCodeTable[] = {
    {0, M_STOP},           // M00 program stop
    {1, M_STOP},           // M01 optional stop
    {2, M_END},            // M02 end of program
    {3, M_SPINDLE},        // M03 spindle clockwise
    {4, M_SPINDLE},        // M04 spindle counter-clockwise
    {5, M_SPINDLE},        // M05 spindle stop
    {6, M_TOOL_CHANGE},    // M06 tool change
    {7, M_COOLANT_ON},     // M07 mist coolant on
    {8, M_COOLANT_ON},     // M08 flood coolant on
    {9, M_COOLANT_OFF},    // M09 coolant off
    {30, M_END},           // M30 end of program and rewind
    {98, M_REFUSED},       // M98 subprogram call
    {99, M_REFUSED},       // M99 subprogram end
    {198, M_REFUSED},      // M198 subprogram call from external memory
};

// Every known code's place in its table, by code: one look-up per code of
// every block, the index built when the program is compiled.
const int G_CODE_SPAN = 1000;
const int M_CODE_SPAN = 200;

struct CodePlaces {
    signed char g[G_CODE_SPAN];
    signed char m[M_CODE_SPAN];
};

constexpr CodePlaces make_code_places() {
    CodePlaces places = {};
    for (signed char &place : places.g) place = -1;
    for (signed char &place : places.m) place = -1;
    for (size_t i = 0; i < sizeof GCodeTable / sizeof GCodeTable[0]; ++i) {
        places.g[GCodeTable[i].code] = static_cast<signed char>(i);
    }
    for (size_t i = 0; i < sizeof MCodeTable / sizeof MCodeTable[0]; ++i) {
        places.m[MCodeTable[i].code] = static_cast<signed char>(i);
    }
    return places;
}

constexpr CodePlaces Places = make_code_places();

}  // namespace

GCodeInfo g_code_info(int code) {
    int place = code >= 0 && code < G_CODE_SPAN ? Places.g[code] : -1;
    if (place < 0) return {ROLE_UNKNOWN, -1, nullptr};
    return GCodeTable[place].info;
}

int m_code_role(int code) {
    int place = code >= 0 && code < M_CODE_SPAN ? Places.m[code] : -1;
    return place < 0 ? M_NONE : MCodeTable[place].role;
}

void format_g_code(int code, char *text, int size) {
    if (code % 10 != 0) {
        std::snprintf(text, static_cast<size_t>(size), "G%02d.%d", code / 10, code % 10);
    } else {
        std::snprintf(text, static_cast<size_t>(size), "G%02d", code / 10);
    }
}
