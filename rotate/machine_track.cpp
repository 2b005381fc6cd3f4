// What a block does to the machine that runs it: its modal settings, and where
// it takes the tool. This is read for the source program before a line is
// written, so that a block that cannot be turned exactly is refused before any
// byte of it reaches the output.
#include <cmath>

#include "rotate/machine_track.h"

namespace {

const double CHORD_TOLERANCE = 0.0015;  // how far an R arc's end may lie beyond its reach

bool any_coordinate(const ParsedBlock &p) {
    return p.present[WORD_X] || p.present[WORD_Y] || p.present[WORD_Z] || p.present[WORD_I] ||
           p.present[WORD_J] || p.present[WORD_R];
}

// The modal settings of the block, in the order the control takes them before
// the block's motion.
void take_modal_settings(const ParsedBlock &p, MachineTrack &a) {
    if (p.distance) a.distance = p.distance;
    if (p.motion >= 0) {
        a.motion = p.motion;
        a.cycle = 0;  // a motion code ends a drilling cycle, as G80 does
    }
    if (p.cycle == 80) {
        a.cycle = 0;
    } else if (p.cycle > 0) {
        if (a.cycle == 0) {
            a.initial_level = a.pos[2];
            a.initial_known = a.known[2];
            a.r_given = 0;
            a.z_given = 0;
        }
        a.cycle = p.cycle;
    }
    if (p.cycle_return) a.cycle_return = p.cycle_return;
    if (p.has_feed) a.feed = p.feed;
    if (p.has_spindle) {
        a.speed = p.spindle;
        a.speed_given = 1;
    }
    if (p.written_m[3]) a.spindle = 3;
    if (p.written_m[4]) a.spindle = 4;
    if (p.written_m[5]) a.spindle = 5;
    if (p.written_m[7]) a.coolant |= 1;
    if (p.written_m[8]) a.coolant |= 2;
    if (p.written_m[9]) a.coolant = 0;
    if (p.cutter >= 0) a.cutter = p.cutter;
    if (p.cutting_mode) a.cutting_mode = p.cutting_mode;
    if (p.feed_mode) a.feed_mode = p.feed_mode;
    if (p.program_end) a.ended = 1;
}

// The highest Z the tool stood at since the last setup line.
void note_height(MachineTrack &a) {
    if (!a.known[2]) return;
    if (!a.clearance_known || a.pos[2] > a.clearance) a.clearance = a.pos[2];
    a.clearance_known = 1;
}

// A G28 or G30 goes through its intermediate point to the reference point; a
// G53 goes to a machine position. Either way the named axes end where the
// program's coordinates do not say.
int read_reference_move(const ParsedBlock &p, MachineTrack &a, LineInfo &info, const char *&why) {
    if (p.present[WORD_I] || p.present[WORD_J] || p.present[WORD_R] || p.present[WORD_Q]) {
        why = "基準点復帰・機械座標の行にI/J/R/Qは指令できません";
        return -1;
    }
    bool any = false;
    for (int axis = 0; axis < 3; ++axis) {
        if (!p.present[axis]) continue;
        any = true;
        a.known[axis] = 0;
    }
    if (!any) {
        why = "基準点復帰・機械座標の行に軸の指令がありません";
        return -1;
    }
    if (p.one_shot != 53 && a.distance == 0) {
        why = "G90/G91の指定より前に基準点復帰があります";
        return -1;
    }
    info.motion = LM_HOME;
    a.last_move = MOVE_RAPID;
    a.z_by_rapid = 1;
    if (p.present[WORD_Z]) {
        a.clearance_known = 0;
        a.z_at_reference = 1;
    }
    return 0;
}

// Another work offset puts the tool at coordinates the program has not named;
// another tool length compensation gives the same tip another Z.
void forget_changed_frames(const ParsedBlock &p, MachineTrack &a, LineInfo &info) {
    if (p.work_offset != 0) {
        int work_p = p.work_offset == 541 ? p.p : 0;
        if (p.work_offset != a.work_offset || work_p != a.work_p) {
            for (int axis = 0; axis < 3; ++axis) info.forgets[axis] = 1;
        }
        a.work_offset = p.work_offset;
        a.work_p = work_p;
    }
    int length = p.length != 0 ? p.length : a.length;
    int h = p.has_h ? p.h : a.length_h;
    if (length != a.length || (length != 49 && h != a.length_h)) info.forgets[2] = 1;
    a.length = length;
    a.length_h = h;
    for (int axis = 0; axis < 3; ++axis) {
        if (info.forgets[axis]) a.known[axis] = 0;
    }
}

int read_coordinate_setting(const ParsedBlock &p, MachineTrack &a, LineInfo &info, const char *&why) {
    if (p.present[WORD_I] || p.present[WORD_J] || p.present[WORD_R] || p.present[WORD_Q]) {
        why = "座標系設定の行にI/J/R/Qは指令できません";
        return -1;
    }
    if (!p.present[WORD_X] && !p.present[WORD_Y] && !p.present[WORD_Z]) {
        why = "座標系設定の行に軸の指令がありません";
        return -1;
    }
    for (int axis = 0; axis < 3; ++axis) {
        if (!p.present[axis]) continue;
        // A known point renamed shifts the frame; an unknown one sets it anew.
        a.frame_delta[axis] = a.known[axis] ? a.frame_delta[axis] + a.pos[axis] - p.value[axis] : 0.0;
        a.pos[axis] = p.value[axis];
        a.known[axis] = 1;
    }
    info.motion = LM_SET;
    note_height(a);
    return 0;
}

// The R and Z levels of a hole: absolute in G90; in G91 R from the initial
// level and Z from the R level. 0, or -1 when a level is not given or not known.
int hole_levels(const MachineTrack &a, double &r_level, double &bottom, int &known) {
    if (!a.r_given || !a.z_given) return -1;
    if (a.distance == 90) {
        r_level = a.r_word;
        bottom = a.z_word;
        known = 1;
        return 0;
    }
    r_level = a.initial_level + a.r_word;
    bottom = r_level + a.z_word;
    known = a.initial_known;
    return 0;
}

// The position words of the first axes (X, Y or X, Y, Z): a point in G90, an
// increment in G91, taken repeats times.
void take_position_words(const ParsedBlock &p, MachineTrack &a, int axes, int repeats) {
    for (int axis = 0; axis < axes; ++axis) {
        if (!p.present[axis]) continue;
        if (a.distance == 90) {
            a.pos[axis] = p.value[axis];
            a.known[axis] = 1;
        } else {
            a.pos[axis] += p.value[axis] * repeats;
        }
    }
}

int read_holes(const ParsedBlock &p, MachineTrack &a, LineInfo &info, const char *&why) {
    if (p.present[WORD_I] || p.present[WORD_J]) {
        why = "固定サイクルの行にI/Jは指令できません";
        return -1;
    }
    if (a.distance == 0) {
        why = "G90/G91の指定より前に座標指令があります";
        return -1;
    }
    if (p.present[WORD_R]) {
        a.r_word = p.value[WORD_R];
        a.r_given = 1;
    }
    if (p.present[WORD_Z]) {
        a.z_word = p.value[WORD_Z];
        a.z_given = 1;
    }
    double r_level = 0.0;
    double bottom = 0.0;
    int levels_known = 0;
    if (hole_levels(a, r_level, bottom, levels_known) < 0) {
        why = "固定サイクルのR点またはZ点が指令されていません";
        return -1;
    }
    info.hole_words = 1;
    info.holes = p.has_repeat ? p.repeat : 1;
    if (info.holes < 0) {
        why = "固定サイクルの繰返し回数が負です";
        return -1;
    }
    // K0 stores the cycle's data without drilling; where a control positions
    // the tool for it differs, and the data must reach the output whole.
    if (info.holes == 0) {
        why = "繰返し回数K0（穴あけなしのサイクル指令）は回転できません";
        return -1;
    }
    take_position_words(p, a, 2, info.holes);
    a.pos[2] = a.cycle_return == 99 ? r_level : a.initial_level;
    a.known[2] = a.cycle_return == 99 ? levels_known : a.initial_known;
    info.motion = LM_HOLE;
    a.last_move = MOVE_RAPID;
    a.z_by_rapid = 1;
    a.z_at_reference = 0;
    return 0;
}

// The centre of an R arc from start to end; the short way for R > 0, the long
// way for R < 0. -1 when the end lies beyond the radius' reach or on the start.
int r_arc_centre(const double start[2], const double end[2], double radius, int clockwise, double centre[2]) {
    double dx = end[0] - start[0];
    double dy = end[1] - start[1];
    double chord = std::sqrt(dx * dx + dy * dy);
    double r = std::fabs(radius);
    if (chord == 0.0 || chord / 2.0 > r + CHORD_TOLERANCE) return -1;
    double half = chord / 2.0;
    double height = half >= r ? 0.0 : std::sqrt(r * r - half * half);
    // Left of the chord for a counter-clockwise short arc; the long arc and the
    // clockwise direction each swap the side.
    double side = (clockwise ? -1.0 : 1.0) * (radius < 0 ? -1.0 : 1.0);
    centre[0] = start[0] + dx / 2.0 - side * height * dy / chord;
    centre[1] = start[1] + dy / 2.0 + side * height * dx / chord;
    return 0;
}

int read_arc(const ParsedBlock &p, const MachineTrack &before, MachineTrack &a, LineInfo &info,
             const char *&why) {
    info.arc = 1;
    if (!before.known[0] || !before.known[1]) {
        why = "円弧の始点が不明です";
        return -1;
    }
    bool ij = p.present[WORD_I] || p.present[WORD_J];
    if (ij && p.present[WORD_R]) {
        why = "円弧にI/JとRが両方指令されています";
        return -1;
    }
    if (!a.known[0] || !a.known[1]) {
        why = "円弧の終点が不明です";
        return -1;
    }
    if (ij) {
        // A centre within the output's rounding of the start would be written
        // as no centre at all.
        if (std::hypot(p.value[WORD_I], p.value[WORD_J]) < 0.001) {
            why = "円弧の半径（I、J）が0.001mmより小さいです";
            return -1;
        }
        info.arc_centre[0] = before.pos[0] + p.value[WORD_I];
        info.arc_centre[1] = before.pos[1] + p.value[WORD_J];
    } else if (p.present[WORD_R]) {
        if (r_arc_centre(before.pos, a.pos, p.value[WORD_R], a.motion == 2, info.arc_centre) < 0) {
            why = "R指令の円弧の終点が半径の届く範囲にありません";
            return -1;
        }
    } else {
        why = "円弧にI/JまたはRが指令されていません";
        return -1;
    }
    info.arc_centre_known = 1;
    return 0;
}

int read_move(const ParsedBlock &p, const MachineTrack &before, MachineTrack &a, LineInfo &info,
              const char *&why) {
    if (a.distance == 0) {
        why = "G90/G91の指定より前に座標指令があります";
        return -1;
    }
    // Before any G00 to G03 the control moves in its power-on mode, G00; the
    // block is written without a motion code of its own, as it stands, so the
    // machine does the same in the output whatever that mode is.
    int motion = a.motion < 0 ? 0 : a.motion;
    bool arc = motion >= 2;
    if (!arc && (p.present[WORD_I] || p.present[WORD_J] || p.present[WORD_R])) {
        why = "円弧以外の移動にI/J/Rは指令できません";
        return -1;
    }
    if (p.present[WORD_Q]) {
        why = "固定サイクル以外の移動にQは指令できません";
        return -1;
    }
    take_position_words(p, a, 3, 1);
    info.xy_words = p.present[WORD_X] || p.present[WORD_Y];
    info.z_word = p.present[WORD_Z];
    if (arc && read_arc(p, before, a, info, why) < 0) return -1;
    info.motion = motion == 0 ? LM_RAPID : LM_CUT;
    a.last_move = motion == 0 ? MOVE_RAPID : MOVE_CUT;
    if (info.z_word || !a.known[2]) a.z_by_rapid = motion == 0;
    if (info.z_word) a.z_at_reference = 0;
    return 0;
}

}  // namespace

void init_machine_track(MachineTrack &track) {
    track = MachineTrack{};
    track.motion = -1;
    track.cycle_return = 98;
    track.spindle = 5;
    track.cutter = 40;
    track.length = 49;
    track.z_by_rapid = 1;
}

int read_line_effect(const MachineTrack &before, LineInfo &info, const char *&why) {
    const ParsedBlock &p = info.parsed;
    MachineTrack &a = info.after;
    a = before;
    why = nullptr;
    if (p.motion >= 0 && p.cycle > 0 && p.cycle != 80) {
        why = "移動モードと固定サイクルが同じブロックに指令されています";
        return -1;
    }
    take_modal_settings(p, a);
    if (check_word_roles(p, a, why) < 0) return -1;
    for (int &forget : info.forgets) forget = 0;
    forget_changed_frames(p, a, info);
    info.setup = p.tool_change || p.length != 0 || p.work_offset != 0 || p.one_shot == 92 ||
                 p.one_shot == 28 || p.one_shot == 30 || p.one_shot == 53 || p.one_shot == 10;
    if (info.setup) a.clearance_known = 0;

    int result = 0;
    switch (p.one_shot) {
    case 4:  // a dwell: its X or P is a time
        for (int slot = WORD_Y; slot < WORD_COUNT; ++slot) {
            if (p.present[slot]) {
                why = "ドウェル（G04）の行には時間（XかP）のほかに座標の語は指令できません";
                return -1;
            }
        }
        return 0;
    case 10:  // data setting: an offset may have changed under every axis
        a.known[0] = a.known[1] = a.known[2] = 0;
        return 0;
    case 92:
        return read_coordinate_setting(p, a, info, why);
    case 28:
    case 30:
    case 53:
        return read_reference_move(p, a, info, why);
    default:
        break;
    }
    bool hole_words = p.present[WORD_X] || p.present[WORD_Y] || p.present[WORD_Z] || p.present[WORD_R];
    if (a.cycle != 0 && hole_words) {
        result = read_holes(p, a, info, why);
    } else if (any_coordinate(p)) {
        result = read_move(p, before, a, info, why);
    }
    if (result < 0) return -1;
    // Chamfers and corner rounds join two cutting moves: on any other block
    // the controls differ.
    if (p.has_corner && info.motion != LM_CUT) {
        why = "面取り・コーナーR（,C ,R）は切削送りで移動する行でしか使えません";
        return -1;
    }
    if (info.motion != LM_NONE) note_height(a);
    return 0;
}
