// The tool-path model: each line is read into its words, the words are given
// their roles (positions, offsets, mode flags), the block's settings take effect,
// and then its motions are handed out one at a time through a small queue.
#include "toolpath/model.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "toolpath/codes.h"

namespace {

// An arc given by R may miss its end point by this much before it is refused.
const double ARC_TOLERANCE = 0.0015;
// Start and end closer than half the output's resolution are one point.
const double SAME_POINT = 0.0005;

const uint32_t BIT_D = letter_bit('D');
const uint32_t BIT_F = letter_bit('F');
const uint32_t BIT_H = letter_bit('H');
const uint32_t BIT_I = letter_bit('I');
const uint32_t BIT_J = letter_bit('J');
const uint32_t BIT_K = letter_bit('K');
const uint32_t BIT_L = letter_bit('L');
const uint32_t BIT_N = letter_bit('N');
const uint32_t BIT_P = letter_bit('P');
const uint32_t BIT_Q = letter_bit('Q');
const uint32_t BIT_R = letter_bit('R');
const uint32_t BIT_S = letter_bit('S');
const uint32_t BIT_T = letter_bit('T');
const uint32_t BIT_X = letter_bit('X');
const uint32_t BIT_Y = letter_bit('Y');
const uint32_t BIT_Z = letter_bit('Z');
const uint32_t BIT_XYZ = BIT_X | BIT_Y | BIT_Z;
const uint32_t AXIS_BITS[3] = {BIT_X, BIT_Y, BIT_Z};
const char AXIS_LETTERS[3] = {'X', 'Y', 'Z'};
// Words that belong to no code: they may stand in any block.
const uint32_t FREE_WORDS = BIT_F | BIT_S | BIT_T | BIT_H | BIT_D | BIT_N;
// Words that set the machine without a code: offsets, feed, spindle speed, tool.
const uint32_t SETTING_WORDS = BIT_D | BIT_H | BIT_F | BIT_S | BIT_T;

// The G and M codes of one block, sorted by what they do (-1: not given).
struct BlockCodes {
    int motion;         // 0 .. 3
    int cycle;          // 0 for G80, else 73 .. 89
    int one_shot;       // ROLE_DWELL, ROLE_DATA_SETTING, ROLE_REFERENCE, ROLE_MACHINE, ROLE_COORDINATE_SETTING
    int one_shot_code;  // its code times ten
    int p_mode;         // G05 / G08 given
    int q_mode;         // G05.1 given
    int distance;       // 90, 91
    int cutter;         // 40 .. 42
    int length;         // 43, 44, 49
    int work;           // 540 .. 590, 541
    int return_level;   // 98, 99
    int feed_mode;      // 94, 95
    int cutting_mode;   // 61 .. 64
    int spindle;        // 3, 4, 5
    int mist;           // M07 given
    int flood;          // M08 given
    int coolant_off;    // M09 given
    int tool_change;    // M06 given
    int stop;           // 0, 1
    int end;            // 2, 30
    int setup;          // a code that changes the setup: M06, G43/G44/G49, a work offset, G28/G30/G53/G92/G10
};

// A block before its codes are sorted.
const BlockCodes NoCodes = {-1, -1, -1, -1, 0, 0, -1, -1, -1, -1, -1, -1, -1, -1, 0, 0, 0, 0, -1, -1, 0};

// What the block will do, decided before anything changes.
struct BlockPlan {
    int distance;      // the distance mode after the block's codes
    int motion;        // the motion mode after them
    int cycle;         // the cycle in force after them (0: none)
    int moves;         // a G00 .. G03 motion follows
    int drills;        // the block drills (cycle mode, X, Y, Z or R given)
    int p_for_cycle;   // P is the cycle's dwell
    int setup;         // the line changes the setup
};

int fail(ModelRun &run, const char *format, ...) __attribute__((format(printf, 2, 3)));

int fail(ModelRun &run, const char *format, ...) {
    char text[256];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    run.error_line = run.line;
    run.error = text;
    return -1;
}

int has(const BlockWords &words, uint32_t bit) { return (words.present & bit) != 0; }

void forget_position(ModelState &s, int axis) {
    s.position.known[axis] = 0;
    s.position_by_rapid = 0;
}

// ---------------------------------------------------------------------------
// Codes

void record_g_code(int code, const GCodeInfo &info, BlockCodes &codes) {
    switch (info.role) {
    case ROLE_MOTION: codes.motion = code / 10; break;
    case ROLE_CYCLE: codes.cycle = code / 10; break;
    case ROLE_CYCLE_CANCEL: codes.cycle = 0; break;
    case ROLE_DISTANCE: codes.distance = code / 10; break;
    case ROLE_CUTTER: codes.cutter = code / 10; break;
    case ROLE_LENGTH:
        codes.length = code / 10;
        codes.setup = 1;
        break;
    case ROLE_WORK:
        codes.work = code;
        codes.setup = 1;
        break;
    case ROLE_RETURN_LEVEL: codes.return_level = code / 10; break;
    case ROLE_FEED_MODE: codes.feed_mode = code / 10; break;
    case ROLE_CUTTING_MODE: codes.cutting_mode = code / 10; break;
    case ROLE_P_MODE: codes.p_mode = 1; break;
    case ROLE_Q_MODE: codes.q_mode = 1; break;
    case ROLE_DWELL:
        codes.one_shot = info.role;
        codes.one_shot_code = code;
        break;
    case ROLE_DATA_SETTING:
    case ROLE_REFERENCE:
    case ROLE_MACHINE:
    case ROLE_COORDINATE_SETTING:
        codes.one_shot = info.role;
        codes.one_shot_code = code;
        codes.setup = 1;
        break;
    default: break;
    }
}

// The code at index and the one before it in the block of the same group.
int refuse_same_group(ModelRun &run, int index, int group) {
    const BlockWords &words = run.words;
    int earlier = 0;
    while (g_code_info(words.g_codes[earlier]).group != group) ++earlier;
    char first[16];
    char second[16];
    format_g_code(words.g_codes[earlier], first, sizeof first);
    format_g_code(words.g_codes[index], second, sizeof second);
    return fail(run, "同じグループのGコードが同じ行にあります %s %s", first, second);
}

int sort_g_codes(ModelRun &run, BlockCodes &codes) {
    const BlockWords &words = run.words;
    uint32_t groups = 0;
    for (int i = 0; i < words.g_count; ++i) {
        int code = words.g_codes[i];
        GCodeInfo info = g_code_info(code);
        char name[16];
        if (info.role == ROLE_UNKNOWN) {
            format_g_code(code, name, sizeof name);
            return fail(run, "対応していないGコードです %s", name);
        }
        if (info.role == ROLE_REFUSED) return fail(run, "%s", info.refusal);
        uint32_t bit = 1u << info.group;
        if (groups & bit) return refuse_same_group(run, i, info.group);
        groups |= bit;
        record_g_code(code, info, codes);
    }
    return 0;
}

// M codes that contradict each other in one block: two spindle codes, coolant
// on and off, two stops or ends.
int sort_m_codes(ModelRun &run, BlockCodes &codes) {
    const BlockWords &words = run.words;
    for (int i = 0; i < words.m_count; ++i) {
        int code = words.m_codes[i];
        switch (m_code_role(code)) {
        case M_REFUSED: return fail(run, "サブプログラム(M%02d)には対応していません", code);
        case M_STOP:
        case M_END:
            if (codes.stop >= 0 || codes.end >= 0) return fail(run, "停止・終了のMコードが同じ行に二つあります");
            if (m_code_role(code) == M_STOP) codes.stop = code;
            else codes.end = code;
            break;
        case M_SPINDLE:
            if (codes.spindle >= 0) return fail(run, "主軸のMコードが同じ行に二つあります");
            codes.spindle = code;
            break;
        case M_TOOL_CHANGE:
            codes.tool_change = 1;
            codes.setup = 1;
            break;
        case M_COOLANT_ON:
            if (code == 7) codes.mist = 1;
            else codes.flood = 1;
            break;
        case M_COOLANT_OFF: codes.coolant_off = 1; break;
        default: break;
        }
    }
    if (codes.coolant_off && (codes.mist || codes.flood)) {
        return fail(run, "クーラントの入と切が同じ行にあります");
    }
    return 0;
}

// ---------------------------------------------------------------------------
// Word roles

// P belongs to one code; a block where two codes want it cannot be read.
int claim_p(ModelRun &run, const char *owner, const char *&claimed, uint32_t &used) {
    if (!has(run.words, BIT_P)) return 0;
    if (claimed) return fail(run, "Pが %s と %s の両方にかかります", claimed, owner);
    claimed = owner;
    used |= BIT_P;
    return 0;
}

int check_one_shot_words(ModelRun &run, const BlockCodes &codes, uint32_t &used, uint32_t &distance_words,
                         const char *&p_owner) {
    const BlockWords &words = run.words;
    switch (codes.one_shot) {
    case ROLE_DWELL:
        if (has(words, BIT_X) && has(words, BIT_P)) return fail(run, "G04 にXとPが両方あります");
        used |= BIT_X;
        return claim_p(run, "G04", p_owner, used);
    case ROLE_DATA_SETTING:
        used |= BIT_XYZ | BIT_I | BIT_J | BIT_R | BIT_Q | BIT_K | BIT_L;
        return claim_p(run, "G10", p_owner, used);
    case ROLE_REFERENCE:
        used |= BIT_XYZ;
        distance_words |= words.present & BIT_XYZ;
        if (codes.one_shot_code == 300) return claim_p(run, "G30", p_owner, used);
        return 0;
    case ROLE_MACHINE:
    case ROLE_COORDINATE_SETTING: used |= BIT_XYZ; return 0;
    default: return 0;
    }
}

int check_motion_words(ModelRun &run, BlockPlan &plan, uint32_t &used, uint32_t &distance_words,
                       const char *&p_owner) {
    const BlockWords &words = run.words;
    if (plan.cycle > 0) {
        used |= BIT_XYZ | BIT_R | BIT_Q | BIT_K | BIT_L;
        if (has(words, BIT_K) && has(words, BIT_L)) return fail(run, "KとLが両方あります");
        if (words.comma_present) return fail(run, "固定サイクルの行では面取り・コーナーR(,C ,R)は使えません");
        distance_words |= words.present & (BIT_XYZ | BIT_R | BIT_Q);
        plan.drills = (words.present & (BIT_XYZ | BIT_R)) != 0;
        if (has(words, BIT_P) && !p_owner) {
            plan.p_for_cycle = 1;
            return claim_p(run, "固定サイクル", p_owner, used);
        }
        return 0;
    }
    uint32_t moving = words.present & BIT_XYZ;
    used |= BIT_XYZ;
    if (plan.motion == 2 || plan.motion == 3) {
        moving |= words.present & (BIT_I | BIT_J | BIT_R);
        used |= BIT_I | BIT_J | BIT_R;
    }
    distance_words |= moving;
    plan.moves = moving != 0;
    // Before any G00 to G03 the control moves in its power-on mode, G00.
    if (plan.moves && plan.motion < 0) plan.motion = 0;
    if (words.comma_present && !(plan.moves && plan.motion >= 1)) {
        return fail(run, "この行では面取り・コーナーR(,C ,R)は使えません");
    }
    return 0;
}

int refuse_unused_word(ModelRun &run, uint32_t unused) {
    for (int letter = 0; letter < 26; ++letter) {
        if (unused & (1u << letter)) return fail(run, "この行では使えない語です %c", 'A' + letter);
    }
    return 0;
}

// Decides every word's role and refuses a block whose words cannot all be read.
int plan_block(ModelRun &run, const BlockCodes &codes, BlockPlan &plan) {
    const ModelState &s = run.state;
    const BlockWords &words = run.words;
    plan = BlockPlan{};
    plan.distance = codes.distance >= 0 ? codes.distance : s.machine.distance;
    plan.motion = codes.motion >= 0 ? codes.motion : s.motion;
    plan.cycle = (codes.motion >= 0 || codes.cycle == 0) ? 0 : (codes.cycle > 0 ? codes.cycle : s.cycle.code);
    plan.setup = codes.setup;
    if (codes.cycle > 0 && codes.motion >= 0) return fail(run, "固定サイクルとG00〜G03が同じ行にあります");
    if (codes.cycle > 0 && codes.one_shot >= 0) {
        char name[16];
        format_g_code(codes.one_shot_code, name, sizeof name);
        return fail(run, "固定サイクルと %s が同じ行にあります", name);
    }
    uint32_t used = FREE_WORDS;
    uint32_t distance_words = 0;
    const char *p_owner = nullptr;
    if (codes.work == 541 && claim_p(run, "G54.1", p_owner, used) < 0) return -1;
    if (codes.p_mode && claim_p(run, "G05/G08", p_owner, used) < 0) return -1;
    if (codes.q_mode) used |= BIT_Q;
    if (codes.one_shot >= 0) {
        if (check_one_shot_words(run, codes, used, distance_words, p_owner) < 0) return -1;
        if (words.comma_present) return fail(run, "この行では面取り・コーナーR(,C ,R)は使えません");
    } else if (check_motion_words(run, plan, used, distance_words, p_owner) < 0) {
        return -1;
    }
    if (distance_words && plan.distance == 0) return fail(run, "G90/G91 の指定より前に座標語があります");
    if (words.present & ~used) return refuse_unused_word(run, words.present & ~used);
    if (codes.work == 541 && (!has(words, BIT_P) || words.integer['P' - 'A'] < 1 || words.integer['P' - 'A'] > 300)) {
        return fail(run, "G54.1 には P1〜P300 が要ります");
    }
    return 0;
}

// ---------------------------------------------------------------------------
// Items handed out

// Every field is set: an item is made for every motion of the program, so it
// is filled field by field rather than cleared whole first.
void fill_item(ModelRun &run, Motion &item, MotionKind kind) {
    const ModelState &s = run.state;
    item.centre[0] = item.centre[1] = 0.0;
    item.cycle = 0;
    item.r_level = item.bottom = 0.0;
    item.r_known = item.bottom_known = 0;
    item.q_given = 0;
    item.q = 0.0;
    item.p_given = item.p = 0;
    item.axes = item.reference = 0;
    item.machine[0] = item.machine[1] = item.machine[2] = 0.0;
    item.seconds = 0.0;
    item.code = 0;
    item.kind = kind;
    item.line = run.line;
    item.item = run.next_item++;
    item.start_by_rapid = s.position_by_rapid;
    item.start_z_at_reference = s.z_at_reference;
    item.end_z_at_reference = 0;
    item.start = s.position;
    item.end = s.position;
    item.state = s.machine;
}

Motion &push_item(ModelRun &run, MotionKind kind) {
    Motion &item = run.queue[run.queued++];
    fill_item(run, item, kind);
    return item;
}

// ---------------------------------------------------------------------------
// Settings

void set_length_compensation(ModelRun &run, const BlockCodes &codes) {
    MachineState &m = run.state.machine;
    int comp = codes.length >= 0 ? codes.length : m.length_comp;
    int h = has(run.words, BIT_H) ? run.words.integer['H' - 'A'] : m.length_h;
    // A different compensation is a different Z for the same tool tip.
    if (comp != m.length_comp || (comp != 49 && h != m.length_h)) forget_position(run.state, AXIS_Z);
    m.length_comp = comp;
    m.length_h = h;
}

void set_work_offset(ModelRun &run, const BlockCodes &codes) {
    if (codes.work < 0) return;
    MachineState &m = run.state.machine;
    int p = codes.work == 541 ? run.words.integer['P' - 'A'] : 0;
    // Another system: the tool stands at coordinates the program has not named.
    if (codes.work != m.work_offset || p != m.work_p) {
        for (int axis = 0; axis < 3; ++axis) forget_position(run.state, axis);
    }
    m.work_offset = codes.work;
    m.work_p = p;
}

void set_spindle_coolant_tool(ModelRun &run, const BlockCodes &codes) {
    ModelState &s = run.state;
    const BlockWords &words = run.words;
    if (has(words, BIT_S)) s.machine.spindle_s = words.integer['S' - 'A'];
    if (codes.spindle >= 0) s.machine.spindle = codes.spindle;
    if (codes.mist) s.machine.mist = 1;
    if (codes.flood) s.machine.flood = 1;
    if (codes.coolant_off) s.machine.mist = s.machine.flood = 0;
    if (has(words, BIT_T)) s.next_tool = words.integer['T' - 'A'];
    if (codes.tool_change) s.machine.tool = s.next_tool;
}

// The cycle code and the motion code; a cycle started from no cycle remembers
// the Z it starts at (the initial level).
void set_motion_and_cycle(ModelRun &run, const BlockCodes &codes) {
    ModelState &s = run.state;
    if (codes.motion >= 0) {
        s.motion = codes.motion;
        s.cycle.code = 0;
    }
    if (codes.cycle == 0) s.cycle.code = 0;
    if (codes.cycle > 0) {
        if (s.cycle.code == 0) {
            s.cycle = CycleData{};
            s.cycle.initial_level = s.position.v[AXIS_Z];
            s.cycle.initial_known = s.position.known[AXIS_Z];
        }
        s.cycle.code = codes.cycle;
    }
}

void apply_settings(ModelRun &run, const BlockCodes &codes, const BlockPlan &plan) {
    ModelState &s = run.state;
    const BlockWords &words = run.words;
    s.machine.distance = plan.distance;
    // A block of positions alone, as most blocks are, sets nothing else.
    if (words.g_count == 0 && words.m_count == 0 && !(words.present & SETTING_WORDS)) return;
    if (codes.cutter >= 0) s.machine.cutter_comp = codes.cutter;
    if (has(words, BIT_D)) s.machine.cutter_d = words.integer['D' - 'A'];
    set_length_compensation(run, codes);
    set_work_offset(run, codes);
    if (codes.return_level >= 0) s.return_mode = codes.return_level;
    if (codes.feed_mode >= 0) s.machine.feed_mode = codes.feed_mode;
    if (codes.cutting_mode >= 0) s.machine.cutting_mode = codes.cutting_mode;
    if (has(words, BIT_F)) s.machine.feed = words.value['F' - 'A'];
    set_spindle_coolant_tool(run, codes);
    set_motion_and_cycle(run, codes);
}

// G92: the named axes are declared to stand at the given values. A known
// position shifts the frame; an unknown one starts a frame of its own.
void set_coordinates(ModelRun &run) {
    ModelState &s = run.state;
    for (int axis = 0; axis < 3; ++axis) {
        if (!has(run.words, AXIS_BITS[axis])) continue;
        double declared = run.words.value[AXIS_LETTERS[axis] - 'A'];
        if (s.position.known[axis]) {
            s.machine.frame_delta[axis] += s.position.v[axis] - declared;
        } else {
            s.machine.frame_token[axis] = ++s.token_count;
            s.machine.frame_delta[axis] = 0.0;
        }
        s.position.v[axis] = declared;
        s.position.known[axis] = 1;
    }
    s.position_by_rapid = 0;
}

void push_setup(ModelRun &run, const BlockCodes &codes) {
    Motion &item = push_item(run, MOTION_SETUP);
    if (codes.one_shot == ROLE_COORDINATE_SETTING) {
        for (int axis = 0; axis < 3; ++axis) {
            if (has(run.words, AXIS_BITS[axis])) item.axes |= 1 << axis;
        }
    }
}

// ---------------------------------------------------------------------------
// Motions

// The point the block's X, Y, Z words name, from the tool's position. Returns
// 1 when a named axis goes somewhere else: a word in G90 that differs from a
// known position (or names an unknown one), a non-zero increment in G91.
int target_point(const ModelRun &run, int distance, Point3 &point) {
    const ModelState &s = run.state;
    int changes = 0;
    point = s.position;
    for (int axis = 0; axis < 3; ++axis) {
        if (!has(run.words, AXIS_BITS[axis])) continue;
        double word = run.words.value[AXIS_LETTERS[axis] - 'A'];
        changes |= distance == 91 ? word != 0.0 : (!s.position.known[axis] || s.position.v[axis] != word);
        if (distance == 90) {
            point.v[axis] = word;
            point.known[axis] = 1;
        } else {
            point.v[axis] = s.position.v[axis] + word;
        }
    }
    return changes;
}

// The centre of an arc given by its radius: R > 0 the arc of at most 180 degrees,
// R < 0 the longer one; the counter-clockwise short arc has its centre on the left.
int radius_centre(ModelRun &run, const Point3 &start, const Point3 &end, int counter_clockwise, double centre[2]) {
    double radius = run.words.value['R' - 'A'];
    double dx = end.v[AXIS_X] - start.v[AXIS_X];
    double dy = end.v[AXIS_Y] - start.v[AXIS_Y];
    if (std::fabs(dx) < SAME_POINT && std::fabs(dy) < SAME_POINT) {
        return fail(run, "半径指定の円弧で始点と終点が同じです");
    }
    double chord = std::sqrt(dx * dx + dy * dy);
    double half = chord / 2.0;
    double size = std::fabs(radius);
    if (half > size + ARC_TOLERANCE) return fail(run, "円弧の半径が始点と終点の距離の半分より小さいです");
    double rise = half < size ? std::sqrt(size * size - half * half) : 0.0;
    double side = (counter_clockwise ? 1.0 : -1.0) * (radius > 0 ? 1.0 : -1.0);
    centre[0] = start.v[AXIS_X] + dx / 2.0 - side * rise * dy / chord;
    centre[1] = start.v[AXIS_Y] + dy / 2.0 + side * rise * dx / chord;
    return 0;
}

int arc_centre(ModelRun &run, const Point3 &start, const Point3 &end, int counter_clockwise, double centre[2]) {
    const BlockWords &words = run.words;
    if (!start.known[AXIS_X] || !start.known[AXIS_Y]) return fail(run, "円弧の始点のX,Yが分かりません");
    // With both given, the radius decides, as on the control.
    if (has(words, BIT_R)) return radius_centre(run, start, end, counter_clockwise, centre);
    if (!has(words, BIT_I) && !has(words, BIT_J)) return fail(run, "円弧の中心(I,J)も半径(R)もありません");
    centre[0] = start.v[AXIS_X] + (has(words, BIT_I) ? words.value['I' - 'A'] : 0.0);
    centre[1] = start.v[AXIS_Y] + (has(words, BIT_J) ? words.value['J' - 'A'] : 0.0);
    return 0;
}

int move_tool(ModelRun &run, const BlockPlan &plan) {
    static const MotionKind Kinds[4] = {MOTION_RAPID, MOTION_FEED, MOTION_ARC_CW, MOTION_ARC_CCW};
    ModelState &s = run.state;
    Point3 end;
    int changes = target_point(run, plan.distance, end);
    // A straight move to where the tool stands moves nothing: no motion of the machine.
    if (plan.motion < 2 && !changes) return 0;
    double centre[2] = {0.0, 0.0};
    if (plan.motion >= 2 && arc_centre(run, s.position, end, plan.motion == 3, centre) < 0) return -1;
    Motion &item = push_item(run, Kinds[plan.motion]);
    item.end = end;
    item.centre[0] = centre[0];
    item.centre[1] = centre[1];
    s.position = end;
    s.position_by_rapid = plan.motion == 0;
    if (has(run.words, BIT_Z)) s.z_at_reference = 0;
    item.end_z_at_reference = s.z_at_reference;
    return 0;
}

// G28 / G30: through the intermediate point (a rapid, when it moves the tool)
// to the reference point, where the program coordinates are not known.
int return_to_reference(ModelRun &run, const BlockCodes &codes, int distance) {
    ModelState &s = run.state;
    const BlockWords &words = run.words;
    int reference = 28;
    if (codes.one_shot_code == 300) {
        int p = has(words, BIT_P) ? words.integer['P' - 'A'] : 2;
        if (p < 2 || p > 4) return fail(run, "G30 のPは P2〜P4 です");
        reference = 300 + p;
    }
    Point3 middle;
    int changes = target_point(run, distance, middle);
    int axes = 0;
    for (int axis = 0; axis < 3; ++axis) {
        if (has(words, AXIS_BITS[axis])) axes |= 1 << axis;
    }
    if (changes) {
        Motion &rapid = push_item(run, MOTION_RAPID);
        rapid.end = middle;
        s.position = middle;
        s.position_by_rapid = 1;
    }
    Motion &home = push_item(run, MOTION_HOME);
    home.axes = axes;
    home.reference = reference;
    for (int axis = 0; axis < 3; ++axis) {
        if (axes & (1 << axis)) forget_position(s, axis);
    }
    if (axes & 4) s.z_at_reference = 1;
    home.end = s.position;
    return 0;
}

// G53: the named axes go to machine positions, unknown in program coordinates.
void move_in_machine_coordinates(ModelRun &run) {
    ModelState &s = run.state;
    Motion &home = push_item(run, MOTION_HOME);
    home.reference = 53;
    for (int axis = 0; axis < 3; ++axis) {
        if (!has(run.words, AXIS_BITS[axis])) continue;
        home.axes |= 1 << axis;
        home.machine[axis] = run.words.value[AXIS_LETTERS[axis] - 'A'];
        forget_position(s, axis);
    }
    if (home.axes & 4) s.z_at_reference = 1;
    home.end = s.position;
}

void dwell(ModelRun &run) {
    const BlockWords &words = run.words;
    Motion &item = push_item(run, MOTION_DWELL);
    // X was read in millimetres: with a point it is seconds, without one a
    // count of thousandths, that is milliseconds; either way the value is seconds.
    if (has(words, BIT_X)) item.seconds = words.value['X' - 'A'];
    if (has(words, BIT_P)) item.seconds = words.integer['P' - 'A'] / 1000.0;
}

// ---------------------------------------------------------------------------
// Canned cycles

void keep_cycle_data(ModelRun &run, const BlockPlan &plan) {
    CycleData &cycle = run.state.cycle;
    const BlockWords &words = run.words;
    if (has(words, BIT_R)) {
        cycle.has_r = 1;
        cycle.r_word = words.value['R' - 'A'];
    }
    if (has(words, BIT_Z)) {
        cycle.has_z = 1;
        cycle.z_word = words.value['Z' - 'A'];
    }
    if (has(words, BIT_Q)) {
        cycle.has_q = 1;
        cycle.q_word = words.value['Q' - 'A'];
    }
    if (plan.p_for_cycle) {
        cycle.has_p = 1;
        cycle.p_word = words.integer['P' - 'A'];
    }
}

int uses_q(int code) { return code == 73 || code == 83; }
int uses_p(int code) { return code == 74 || code == 82 || code == 84 || code == 88 || code == 89; }

// One hole: to X, Y at the level the tool stands at, down to R and the bottom,
// back to the initial level (G98) or the R level (G99).
void drill_hole(ModelRun &run, const HoleRepeat &hole) {
    ModelState &s = run.state;
    const CycleData &cycle = s.cycle;
    int incremental = s.machine.distance == 91;
    Motion &item = push_item(run, MOTION_HOLE);
    Point3 end = s.position;
    for (int axis = 0; axis < 2; ++axis) {
        if (!hole.given[axis]) continue;
        if (incremental) {
            end.v[axis] += hole.word[axis];
        } else {
            end.v[axis] = hole.word[axis];
            end.known[axis] = 1;
        }
    }
    item.cycle = cycle.code;
    item.r_level = incremental ? cycle.initial_level + cycle.r_word : cycle.r_word;
    item.r_known = incremental ? cycle.initial_known : 1;
    item.bottom = incremental ? item.r_level + cycle.z_word : cycle.z_word;
    item.bottom_known = incremental ? item.r_known : 1;
    item.q_given = uses_q(cycle.code) && cycle.has_q;
    item.q = item.q_given ? cycle.q_word : 0.0;
    item.p_given = uses_p(cycle.code) && cycle.has_p;
    item.p = item.p_given ? cycle.p_word : 0;
    if (s.return_mode == 98) {
        end.v[AXIS_Z] = cycle.initial_level;
        end.known[AXIS_Z] = cycle.initial_known;
    } else {
        end.v[AXIS_Z] = item.r_level;
        end.known[AXIS_Z] = item.r_known;
    }
    item.end = end;
    s.position = end;
    s.position_by_rapid = 0;
    s.z_at_reference = 0;
}

int drill(ModelRun &run, const BlockPlan &plan) {
    const BlockWords &words = run.words;
    keep_cycle_data(run, plan);
    if (!plan.drills) return 0;
    long long count = 1;
    if (has(words, BIT_K)) count = words.integer['K' - 'A'];
    if (has(words, BIT_L)) count = words.integer['L' - 'A'];
    if (count < 0) return fail(run, "繰返し回数が負です");
    if (!run.state.cycle.has_z) return fail(run, "固定サイクルの穴底(Z)がありません");
    if (!run.state.cycle.has_r) return fail(run, "固定サイクルのR点(R)がありません");
    if (count == 0) return 0;
    HoleRepeat hole = {};
    hole.left = count - 1;
    hole.given[0] = has(words, BIT_X);
    hole.given[1] = has(words, BIT_Y);
    hole.word[0] = words.value['X' - 'A'];
    hole.word[1] = words.value['Y' - 'A'];
    drill_hole(run, hole);
    run.repeat = hole;
    return 0;
}

// ---------------------------------------------------------------------------
// One block

void push_program_events(ModelRun &run, const BlockCodes &codes) {
    if (codes.stop < 0 && codes.end < 0) return;
    Motion &item = run.tail[run.tail_count++];
    fill_item(run, item, codes.stop >= 0 ? MOTION_STOP : MOTION_END);
    item.code = codes.stop >= 0 ? codes.stop : codes.end;
    if (codes.end >= 0) run.state.ended = 1;
}

int act(ModelRun &run, const BlockCodes &codes, const BlockPlan &plan) {
    switch (codes.one_shot) {
    case ROLE_DWELL: dwell(run); return 0;
    case ROLE_REFERENCE: return return_to_reference(run, codes, plan.distance);
    case ROLE_MACHINE: move_in_machine_coordinates(run); return 0;
    case ROLE_DATA_SETTING:
    case ROLE_COORDINATE_SETTING: return 0;
    default: break;
    }
    if (plan.cycle > 0) return drill(run, plan);
    if (plan.moves) return move_tool(run, plan);
    return 0;
}

// ---------------------------------------------------------------------------
// The common block
//
// Most blocks of a program only move the tool: at most a motion code (G00 to
// G03) and a distance code (G90, G91), the words of the move and a feed, and
// no canned cycle in force. Such a block is decided the short way below, which
// keeps and moves exactly as the full way (evaluate_block) would; any other
// block, and every block the full way would refuse, takes the full way.

// The words a common block may hold besides those of its move.
const uint32_t COMMON_FREE_WORDS = BIT_F;

// 1 with the plan when the block is a common one, 0 when it takes the full way.
// Nothing is changed either way.
int plan_common_block(const ModelRun &run, int &motion_code, BlockPlan &plan) {
    const BlockWords &words = run.words;
    const ModelState &s = run.state;
    if (words.m_count != 0 || words.comma_present) return 0;
    int distance_code = -1;
    motion_code = -1;
    for (int i = 0; i < words.g_count; ++i) {
        int role = g_code_info(words.g_codes[i]).role;
        int code = words.g_codes[i] / 10;
        if (role == ROLE_MOTION && motion_code < 0) {
            motion_code = code;
        } else if (role == ROLE_DISTANCE && distance_code < 0) {
            distance_code = code;
        } else {
            // Another code, or two of one group, which the full way refuses.
            return 0;
        }
    }
    plan = BlockPlan{};
    plan.distance = distance_code >= 0 ? distance_code : s.machine.distance;
    plan.motion = motion_code >= 0 ? motion_code : s.motion;
    if (motion_code < 0 && s.cycle.code > 0) return 0;
    // As check_motion_words decides them outside a cycle.
    uint32_t moving = words.present & BIT_XYZ;
    uint32_t used = BIT_XYZ | COMMON_FREE_WORDS;
    if (plan.motion == 2 || plan.motion == 3) {
        moving |= words.present & (BIT_I | BIT_J | BIT_R);
        used |= BIT_I | BIT_J | BIT_R;
    }
    if ((words.present & ~used) || (moving && plan.distance == 0)) return 0;
    plan.moves = moving != 0;
    // Before any G00 to G03 the control moves in its power-on mode, G00.
    if (plan.moves && plan.motion < 0) plan.motion = 0;
    return 1;
}

// The settings of a common block: its distance mode, its feed, its motion code
// (which ends a cycle mode, as in set_motion_and_cycle).
void apply_common_settings(ModelRun &run, int motion_code, const BlockPlan &plan) {
    ModelState &s = run.state;
    s.machine.distance = plan.distance;
    if (has(run.words, BIT_F)) s.machine.feed = run.words.value['F' - 'A'];
    if (motion_code >= 0) {
        s.motion = motion_code;
        s.cycle.code = 0;
    }
}

int evaluate_block(ModelRun &run) {
    if (run.state.ended) return fail(run, "プログラム終了(M02/M30)の後にブロックがあります");
    int motion_code = -1;
    BlockPlan common;
    if (plan_common_block(run, motion_code, common)) {
        apply_common_settings(run, motion_code, common);
        return common.moves ? move_tool(run, common) : 0;
    }
    BlockCodes codes = NoCodes;
    BlockPlan plan;
    if (sort_g_codes(run, codes) < 0 || sort_m_codes(run, codes) < 0 || plan_block(run, codes, plan) < 0) return -1;
    apply_settings(run, codes, plan);
    if (codes.one_shot == ROLE_COORDINATE_SETTING) set_coordinates(run);
    if (codes.one_shot == ROLE_DATA_SETTING) {
        // An offset may have changed: no axis is known to stand where it stood.
        for (int axis = 0; axis < 3; ++axis) forget_position(run.state, axis);
    }
    if (plan.setup) push_setup(run, codes);
    if (act(run, codes, plan) < 0) return -1;
    // The events of the block come after all of its motions, however many holes it drills.
    push_program_events(run, codes);
    return 0;
}

int has_block(const BlockWords &words) {
    return !words.program_number && (words.present || words.g_count || words.m_count || words.comma_present);
}

// Reads and evaluates the next line; 1 when a line was read, 0 at the end, -1 on error.
int read_line(ModelRun &run) {
    LineText text;
    int got = line_next(run.reader, text);
    if (got == 0) return 0;
    run.line = run.reader.line_number;
    if (got < 0) {
        if (run.reader.failed) return fail(run, "ファイルを読み込めません");
        return fail(run, "行が長すぎます(64KiBを超えています)");
    }
    run.line_offset = text.offset;
    run.next_item = 0;
    if (run.keep_line_start) run.line_start = run.state;
    WordError error;
    if (read_block_words(text.bytes, text.length, run.words, error) < 0) return fail(run, "%s", error.text);
    if (run.words.ctrl_z >= 0) {
        int rest = line_rest_is_blank(run.reader, text, static_cast<size_t>(run.words.ctrl_z));
        if (rest < 0) return fail(run, "ファイルを読み込めません");
        if (rest == 0) return fail(run, "Ctrl-Z(0x1A)の後にデータがあります");
        run.finished = 1;
    }
    if (has_block(run.words) && evaluate_block(run) < 0) return -1;
    return 1;
}

void reset_queue(ModelRun &run) {
    run.queued = 0;
    run.taken = 0;
    run.repeat = HoleRepeat{};
    run.tail_count = 0;
}

}  // namespace

void set_power_on_modes(ModelState &state) {
    state.machine.feed_mode = 94;
    state.machine.cutting_mode = 64;
    state.return_mode = 98;
}

void model_initial_state(ModelState &s) {
    std::memset(&s, 0, sizeof s);
    s.machine.length_comp = 49;
    s.machine.cutter_comp = 40;
    s.machine.spindle = 5;
    s.machine.spindle_s = -1;
    set_power_on_modes(s);
    s.motion = -1;
}

int model_open(ModelRun &run, const char *path, int keep_line_start) {
    model_initial_state(run.state);
    run.keep_line_start = keep_line_start;
    run.line = 0;
    run.finished = 0;
    run.error_line = 0;
    run.error.clear();
    reset_queue(run);
    if (line_open(run.reader, path) < 0) {
        run.error = "ファイルを開けません";
        return -1;
    }
    return 0;
}

void model_close(ModelRun &run) { line_close(run.reader); }

int model_next(ModelRun &run, const Motion *&motion) {
    for (;;) {
        if (run.taken < run.queued) {
            motion = &run.queue[run.taken++];
            return 1;
        }
        run.queued = 0;
        run.taken = 0;
        if (run.repeat.left > 0) {
            run.repeat.left -= 1;
            drill_hole(run, run.repeat);
            continue;
        }
        if (run.tail_count > 0) {
            for (int i = 0; i < run.tail_count; ++i) run.queue[run.queued++] = run.tail[i];
            run.tail_count = 0;
            continue;
        }
        if (run.finished) return 0;
        int got = read_line(run);
        if (got < 0) {
            run.finished = 1;
            reset_queue(run);
            return -1;
        }
        if (got == 0) {
            run.finished = 1;
            return 0;
        }
    }
}

void model_mark(const ModelRun &run, const Motion &motion, ModelMark &mark) {
    mark.offset = run.line_offset;
    mark.line = motion.line;
    mark.item = motion.item;
    mark.state = run.line_start;
}

int model_seek(ModelRun &run, const ModelMark &mark) {
    if (line_seek(run.reader, mark.offset, mark.line) < 0) {
        run.error = "ファイルを読み込めません";
        return -1;
    }
    run.state = mark.state;
    run.finished = 0;
    reset_queue(run);
    const Motion *motion = nullptr;
    for (;;) {
        int got = model_next(run, motion);
        if (got <= 0) {
            if (got == 0) run.error = "ファイルが途中で変わりました";
            return -1;
        }
        if (motion->line == mark.line && motion->item == mark.item) break;
    }
    // The marked motion is handed out again by the next model_next.
    run.taken -= 1;
    return 0;
}

int model_restart(ModelRun &run) {
    if (line_seek(run.reader, 0, 1) < 0) {
        run.error = "ファイルを読み込めません";
        return -1;
    }
    run.state.ended = 0;
    run.finished = 0;
    reset_queue(run);
    return 0;
}
