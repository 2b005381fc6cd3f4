// The table of codes: one entry per code, with what it does on the machine.
#include "nc/code_table.h"

#include <cstddef>

namespace {

const char WhyPolar[] = "極座標指令は回転できません";
const char WhyPlane[] = "G17以外の座標平面は回転できません";
const char WhyInch[] = "インチ指令は扱えません";
const char WhyScaling[] = "スケーリングは回転できません";
const char WhyMirror[] = "ミラーイメージは回転できません";
const char WhyLocal[] = "ローカル座標系は回転できません";
const char WhyMacro[] = "マクロ呼出しは回転できません";
const char WhyRotation[] = "座標回転指令は回転できません";
const char WhyShift[] = "機械の決まった方向へ工具を逃がすサイクルは回転できません";
const char WhyInverseTime[] = "逆時間送りは扱えません";
const char WhySurfaceSpeed[] = "周速一定制御は扱えません";

const GCodeEntry GCodes[] = {
    {0, CODE_HANDLED, GROUP_MOTION, nullptr},          // G00 rapid positioning
    {10, CODE_HANDLED, GROUP_MOTION, nullptr},         // G01 linear feed
    {20, CODE_HANDLED, GROUP_MOTION, nullptr},         // G02 clockwise arc
    {30, CODE_HANDLED, GROUP_MOTION, nullptr},         // G03 counter-clockwise arc
    {40, CODE_COPIED, GROUP_ONE_SHOT, nullptr},        // G04 dwell: its X or P is a time
    {50, CODE_KEPT, GROUP_NONE, nullptr},              // G05 high-speed machining mode (P)
    {51, CODE_KEPT, GROUP_NONE, nullptr},              // G05.1 look-ahead contour control (Q)
    {80, CODE_KEPT, GROUP_NONE, nullptr},              // G08 look-ahead control (P)
    {90, CODE_KEPT, GROUP_NONE, nullptr},              // G09 exact stop for this block
    {100, CODE_COPIED, GROUP_ONE_SHOT, nullptr},       // G10 data setting: offsets, not positions
    {110, CODE_KEPT, GROUP_NONE, nullptr},             // G11 data setting cancel
    {150, CODE_KEPT, GROUP_NONE, nullptr},             // G15 polar coordinates cancel
    {160, CODE_REFUSED, GROUP_NONE, WhyPolar},         // G16 polar coordinates: radius and angle words
    {170, CODE_HANDLED, GROUP_PLANE, nullptr},         // G17 XY plane
    {180, CODE_REFUSED, GROUP_PLANE, WhyPlane},        // G18 ZX plane
    {190, CODE_REFUSED, GROUP_PLANE, WhyPlane},        // G19 YZ plane
    {200, CODE_REFUSED, GROUP_NONE, WhyInch},          // G20 inch: the output resolution is 0.001 mm
    {210, CODE_KEPT, GROUP_NONE, nullptr},             // G21 metric
    {280, CODE_COPIED, GROUP_ONE_SHOT, nullptr},       // G28 return to the reference point
    {300, CODE_COPIED, GROUP_ONE_SHOT, nullptr},       // G30 return to the 2nd to 4th reference point
    {400, CODE_HANDLED, GROUP_CUTTER, nullptr},        // G40 cutter compensation cancel
    {410, CODE_HANDLED, GROUP_CUTTER, nullptr},        // G41 cutter compensation left
    {420, CODE_HANDLED, GROUP_CUTTER, nullptr},        // G42 cutter compensation right
    {430, CODE_COPIED, GROUP_LENGTH, nullptr},         // G43 tool length compensation +
    {440, CODE_COPIED, GROUP_LENGTH, nullptr},         // G44 tool length compensation -
    {490, CODE_HANDLED, GROUP_LENGTH, nullptr},        // G49 tool length compensation cancel
    {500, CODE_KEPT, GROUP_NONE, nullptr},             // G50 scaling cancel
    {501, CODE_KEPT, GROUP_NONE, nullptr},             // G50.1 programmable mirror image cancel
    {510, CODE_REFUSED, GROUP_NONE, WhyScaling},       // G51 scaling
    {511, CODE_REFUSED, GROUP_NONE, WhyMirror},        // G51.1 programmable mirror image
    {520, CODE_REFUSED, GROUP_NONE, WhyLocal},         // G52 local coordinate system
    {530, CODE_COPIED, GROUP_ONE_SHOT, nullptr},       // G53 machine coordinates
    {540, CODE_COPIED, GROUP_WORK_OFFSET, nullptr},    // G54 work coordinate system 1
    {541, CODE_COPIED, GROUP_WORK_OFFSET, nullptr},    // G54.1 additional work coordinate systems (P)
    {550, CODE_COPIED, GROUP_WORK_OFFSET, nullptr},    // G55 work coordinate system 2
    {560, CODE_COPIED, GROUP_WORK_OFFSET, nullptr},    // G56 work coordinate system 3
    {570, CODE_COPIED, GROUP_WORK_OFFSET, nullptr},    // G57 work coordinate system 4
    {580, CODE_COPIED, GROUP_WORK_OFFSET, nullptr},    // G58 work coordinate system 5
    {590, CODE_COPIED, GROUP_WORK_OFFSET, nullptr},    // G59 work coordinate system 6
    {610, CODE_KEPT, GROUP_CUTTING_MODE, nullptr},     // G61 exact stop mode
    {620, CODE_KEPT, GROUP_CUTTING_MODE, nullptr},     // G62 automatic corner override
    {630, CODE_KEPT, GROUP_CUTTING_MODE, nullptr},     // G63 tapping mode
    {640, CODE_KEPT, GROUP_CUTTING_MODE, nullptr},     // G64 cutting mode
    {650, CODE_REFUSED, GROUP_NONE, WhyMacro},         // G65 macro call
    {660, CODE_REFUSED, GROUP_NONE, WhyMacro},         // G66 modal macro call
    {670, CODE_REFUSED, GROUP_NONE, WhyMacro},         // G67 modal macro call cancel
    {680, CODE_REFUSED, GROUP_NONE, WhyRotation},      // G68 coordinate rotation
    {690, CODE_KEPT, GROUP_NONE, nullptr},             // G69 coordinate rotation cancel
    {730, CODE_HANDLED, GROUP_CYCLE, nullptr},         // G73 high-speed peck drilling
    {740, CODE_HANDLED, GROUP_CYCLE, nullptr},         // G74 left-hand tapping
    {760, CODE_REFUSED, GROUP_CYCLE, WhyShift},        // G76 fine boring: shifts by Q in a fixed direction
    {800, CODE_HANDLED, GROUP_CYCLE, nullptr},         // G80 canned cycle cancel
    {810, CODE_HANDLED, GROUP_CYCLE, nullptr},         // G81 drilling
    {820, CODE_HANDLED, GROUP_CYCLE, nullptr},         // G82 drilling with a dwell
    {830, CODE_HANDLED, GROUP_CYCLE, nullptr},         // G83 peck drilling
    {840, CODE_HANDLED, GROUP_CYCLE, nullptr},         // G84 tapping
    {850, CODE_HANDLED, GROUP_CYCLE, nullptr},         // G85 boring, feed out
    {860, CODE_HANDLED, GROUP_CYCLE, nullptr},         // G86 boring, spindle stop, rapid out
    {870, CODE_REFUSED, GROUP_CYCLE, WhyShift},        // G87 back boring: shifts by Q in a fixed direction
    {880, CODE_HANDLED, GROUP_CYCLE, nullptr},         // G88 boring, dwell, spindle stop
    {890, CODE_HANDLED, GROUP_CYCLE, nullptr},         // G89 boring with a dwell, feed out
    {900, CODE_HANDLED, GROUP_DISTANCE, nullptr},      // G90 absolute
    {910, CODE_HANDLED, GROUP_DISTANCE, nullptr},      // G91 incremental
    {920, CODE_HANDLED, GROUP_ONE_SHOT, nullptr},      // G92 coordinate system setting
    {930, CODE_REFUSED, GROUP_FEED_MODE, WhyInverseTime},  // G93 inverse time feed
    {940, CODE_KEPT, GROUP_FEED_MODE, nullptr},        // G94 feed per minute
    {950, CODE_KEPT, GROUP_FEED_MODE, nullptr},        // G95 feed per revolution
    {960, CODE_REFUSED, GROUP_NONE, WhySurfaceSpeed},  // G96 constant surface speed
    {970, CODE_KEPT, GROUP_NONE, nullptr},             // G97 constant surface speed cancel
    {980, CODE_HANDLED, GROUP_RETURN, nullptr},        // G98 cycle return to the initial level
    {990, CODE_HANDLED, GROUP_RETURN, nullptr},        // G99 cycle return to the R level
};

// Codes by tenths for a look-up without a search; 0 means absent.
struct CodeLookup {
    unsigned char index[1000];
};

CodeLookup build_lookup() {
    CodeLookup lookup = {};
    for (size_t i = 0; i < sizeof GCodes / sizeof GCodes[0]; ++i) {
        lookup.index[GCodes[i].tenths] = static_cast<unsigned char>(i + 1);
    }
    return lookup;
}

}  // namespace

const GCodeEntry *find_g_code(int tenths) {
    static const CodeLookup lookup = build_lookup();
    if (tenths < 0 || tenths >= 1000) return nullptr;
    int entry = lookup.index[tenths];
    return entry ? &GCodes[entry - 1] : nullptr;
}

MCodeKind classify_m_code(int code) {
    switch (code) {
    case 0:    // program stop
    case 1:    // optional stop
    case 2:    // end of program
    case 3:    // spindle clockwise
    case 4:    // spindle counter-clockwise
    case 5:    // spindle stop
    case 7:    // mist coolant
    case 8:    // flood coolant
    case 9:    // coolant off
        return M_WRITTEN;
    case 6:    // tool change
        return M_TOOL_CHANGE;
    case 30:   // end of program with rewind
        return M_END;
    case 98:   // subprogram call
    case 99:   // subprogram return, or an endless main program
    case 198:  // subprogram call from external memory
        return M_REFUSED;
    default:
        return M_KEPT;
    }
}
