// The lines that carry positions, written turned: a block the writer writes
// again from what the source block gives (its end point and arc centre turned,
// its other words after its own), a coordinate setting that keeps the source's
// frame, the start block, and a setup line copied as it stands with its X and
// Y turned in place. Before a move that must start where the source's did (a
// cut, an increment, a hole, a move in Z only) the output tool is brought back
// over the source's point, turned.
#include "rotate/turned_blocks.h"

#include <cmath>
#include <cstring>
#include <string>

#include "log/message_log.h"
#include "nc/block_writer.h"
#include "nc/code_table.h"
#include "rotate/rotation.h"

namespace {

const double ARC_CENTRE_TOLERANCE = 0.0015;  // how far an R arc's written centre may stray from the turned one
// Repeated increments must land the last hole on its own rounded point: then
// every hole between lies within half a unit of its turned point, as a hole
// written alone does. (The values are whole thousandths; this is float noise.)
const double REPEAT_TOLERANCE = 0.0001;

int coordinate_fits(double value) {
    return std::isfinite(value) && std::fabs(value) <= OUTPUT_COORDINATE_LIMIT + 0.0004;
}

int refuse_range(Pass &pass, const LineInfo &info) {
    return refuse_line(pass, info, "座標値が出力できる範囲（±99999.999）を超えます");
}

// What a move makes of both machines.
struct MoveTargets {
    double xy[2];      // output XY after the move (when known)
    int xy_known[2];
    double inc[3];     // the increments a G91 block writes
    double z;          // output Z after the move
    int z_known;
    double ij[2];      // the arc centre from the output's start
    int write_ij;
    int keep_r;
    int expand_holes;  // repeats written as one block each (a turned step would drift)
};

int both_known(const MachineTrack &track) { return track.known[0] && track.known[1]; }

// The output XY of a move, and the increments of a G91 move.
int xy_targets(Pass &pass, const LineInfo &info, MoveTargets &t) {
    const MachineTrack &a = info.after;
    const MachineTrack &out = pass.out;
    const ParsedBlock &p = info.parsed;
    bool incremental = a.distance == 91;
    bool moves_xy = info.motion == LM_HOLE ? p.present[WORD_X] || p.present[WORD_Y] : info.xy_words || info.arc;
    for (int axis = 0; axis < 2; ++axis) {
        t.xy[axis] = out.pos[axis];
        t.xy_known[axis] = out.known[axis];
        t.inc[axis] = 0.0;
    }
    if (!moves_xy) return 0;
    if (pass.rotated) {
        int holes = info.motion == LM_HOLE ? info.holes : 1;
        turn_xy(pass, a.pos[0], a.pos[1], t.xy[0], t.xy[1]);
        t.xy_known[0] = t.xy_known[1] = 1;
        if (!incremental) return 0;
        // One increment for every repeat: the turned step of the first hole.
        double first[2] = {pass.src.pos[0] + p.value[WORD_X] * p.present[WORD_X],
                           pass.src.pos[1] + p.value[WORD_Y] * p.present[WORD_Y]};
        double turned_first[2];
        turn_xy(pass, first[0], first[1], turned_first[0], turned_first[1]);
        bool drifts = false;
        for (int axis = 0; axis < 2; ++axis) {
            t.inc[axis] = round_to_output(turned_first[axis] - out.pos[axis]);
            double reached = out.pos[axis] + t.inc[axis] * holes;
            drifts = drifts || std::fabs(reached - t.xy[axis]) > REPEAT_TOLERANCE;
        }
        // Where the rounding of one turned step would add up over the repeats,
        // each hole gets a block of its own with its own exact step.
        if (drifts) {
            t.expand_holes = holes;
            return 0;
        }
        for (int axis = 0; axis < 2; ++axis) t.xy[axis] = out.pos[axis] + t.inc[axis] * holes;
        return 0;
    }
    for (int axis = 0; axis < 2; ++axis) {
        if (incremental) {
            if (!p.present[axis]) continue;
            t.inc[axis] = p.value[axis];
            int holes = info.motion == LM_HOLE ? info.holes : 1;
            t.xy[axis] = out.pos[axis] + p.value[axis] * holes;
        } else if (a.known[axis]) {
            // The source's point on both axes: the output tool may stand
            // elsewhere (after the copies of a machining) on the one not given.
            t.xy[axis] = a.pos[axis];
            t.xy_known[axis] = 1;
        }
    }
    return 0;
}

void z_target(Pass &pass, const LineInfo &info, MoveTargets &t) {
    const MachineTrack &a = info.after;
    const ParsedBlock &p = info.parsed;
    t.inc[2] = 0.0;
    t.z = pass.out.pos[2];
    t.z_known = pass.out.known[2];
    if (info.motion == LM_HOLE) {
        // After the hole the tool stands at the return level, as the source's does.
        t.z = a.pos[2];
        t.z_known = a.known[2];
        return;
    }
    if (!p.present[WORD_Z]) return;
    if (a.distance == 91) {
        t.inc[2] = p.value[WORD_Z];
        t.z = pass.out.pos[2] + p.value[WORD_Z];
    } else {
        t.z = a.pos[2];
        t.z_known = 1;
    }
}

// The centre of an R arc as the output's end points and radius put it.
int r_arc_centre_of(const double start[2], const double end[2], double radius, int clockwise, double centre[2]) {
    double dx = end[0] - start[0];
    double dy = end[1] - start[1];
    double chord = std::sqrt(dx * dx + dy * dy);
    double r = std::fabs(radius);
    if (chord == 0.0 || chord / 2.0 > r) return -1;
    double half = chord / 2.0;
    double height = std::sqrt(r * r - half * half);
    double side = (clockwise ? -1.0 : 1.0) * (radius < 0 ? -1.0 : 1.0);
    centre[0] = start[0] + dx / 2.0 - side * height * dy / chord;
    centre[1] = start[1] + dy / 2.0 + side * height * dx / chord;
    return 0;
}

// The arc's centre, turned and measured from where the output tool stands. An
// R arc keeps its R only where the rounded, turned end points with that radius
// put the centre within the output's resolution of the turned centre.
void arc_targets(Pass &pass, const LineInfo &info, MoveTargets &t) {
    const ParsedBlock &p = info.parsed;
    t.write_ij = 0;
    t.keep_r = 0;
    if (!info.arc) return;
    if (!pass.rotated) {
        t.write_ij = p.present[WORD_I] || p.present[WORD_J];
        t.ij[0] = p.value[WORD_I];
        t.ij[1] = p.value[WORD_J];
        t.keep_r = p.present[WORD_R];
        return;
    }
    double turned[2];
    double centre[2];
    turning_centre(pass, centre);
    turn_point_by(info.arc_centre[0], info.arc_centre[1], centre, pass.angle, turned[0], turned[1]);
    t.ij[0] = round_to_output(turned[0] - pass.out.pos[0]);
    t.ij[1] = round_to_output(turned[1] - pass.out.pos[1]);
    if (p.present[WORD_R]) {
        double r_centre[2];
        double end[2] = {t.xy[0], t.xy[1]};
        if (r_arc_centre_of(pass.out.pos, end, p.value[WORD_R], info.after.motion == 2, r_centre) == 0 &&
            std::fabs(r_centre[0] - turned[0]) <= ARC_CENTRE_TOLERANCE &&
            std::fabs(r_centre[1] - turned[1]) <= ARC_CENTRE_TOLERANCE) {
            t.keep_r = 1;
            return;
        }
    }
    t.write_ij = 1;
}

// 1 when the block takes the source tool anywhere: a word that names another
// point than the one it stands at (or one it does not know), an increment that
// is not zero. A move to where the tool stands is no motion of the machine.
bool moves_source_tool(const Pass &pass, const LineInfo &info) {
    const ParsedBlock &p = info.parsed;
    if (info.arc || info.motion == LM_HOLE) return true;
    for (int axis = 0; axis < 3; ++axis) {
        if (!p.present[axis]) continue;
        if (info.after.distance == 91 ? p.value[axis] != 0.0
                                      : !pass.src.known[axis] || pass.src.pos[axis] != p.value[axis]) {
            return true;
        }
    }
    return false;
}

// XY must stand over the source's point, turned, before a cut, an increment in
// X or Y, or a move in Z only (it happens where the tool stands); Z before a
// cut, an increment in Z and a hole (whose initial level is where it starts).
// A block that moves the source tool nowhere must move the output tool nowhere
// either: where it stands elsewhere, the tool is brought back first.
int ready_for_motion(Pass &pass, const LineInfo &info) {
    const MachineTrack &a = info.after;
    const ParsedBlock &p = info.parsed;
    bool cut = info.motion == LM_CUT;
    bool hole = info.motion == LM_HOLE;
    bool incremental = a.distance == 91;
    bool moves_xy = hole ? p.present[WORD_X] || p.present[WORD_Y] : info.xy_words || info.arc;
    if (pass.rotated && moves_xy && !both_known(a)) {
        return refuse_line(pass, info, "XY位置が不明なため回転できません");
    }
    if (pass.rotated && cut && !both_known(pass.src)) {
        return refuse_line(pass, info, "XY位置が不明な状態の切削は回転できません");
    }
    bool stays = !moves_source_tool(pass, info);
    bool needs_xy = cut || (incremental && moves_xy) || !moves_xy || stays;
    bool needs_z = cut || hole || (incremental && info.z_word) || stays;
    // A rapid in Z alone where the program starts stays over its unturned point.
    if (pass.xy_hold && !cut && !hole && !moves_xy) needs_xy = false;
    // A rapid across from elsewhere, below the clearance, would cross ground the
    // source never crossed at that height: the tool comes back over the source's
    // point first, and the rapid then goes as the source's goes.
    if (!cut && !hole && moves_xy && !xy_in_step(pass) && out_below_clearance(pass)) {
        needs_xy = true;
        needs_z = true;
    }
    bool xy_ok = !needs_xy || xy_in_step(pass);
    bool z_ok = !needs_z || z_in_step(pass);
    if (xy_ok && z_ok) return 0;
    // A rapid in Z only where neither tool's XY is known stands over one point
    // for both (or, in a copy, wherever the copy before left it): nothing to turn.
    if (!xy_ok && z_ok && !cut && !(incremental && moves_xy) && !both_known(pass.src)) {
        bool same_point = !both_known(pass.out) && pass.d_known[0] && pass.d_known[1] &&
                          pass.d[0] == 0.0 && pass.d[1] == 0.0;
        if (same_point || pass.copy_start) return 0;
    }
    return return_over_source(pass, info, needs_z);
}

// Code tables with nothing pending.
struct ClearedCodes {
    int g[100];
    int m[10];
};
constexpr ClearedCodes cleared_codes() {
    ClearedCodes codes{};
    for (int &entry : codes.g) entry = -1;
    for (int &entry : codes.m) entry = -1;
    return codes;
}
constexpr ClearedCodes Cleared = cleared_codes();

void clear_pending(BlockState &writer) {
    // The writer leaves the tables clear after nearly every block. Filling them
    // anyway would have the writer's next look at them wait for the fresh stores.
    if (std::memcmp(writer.pending_g, Cleared.g, sizeof Cleared.g) != 0) {
        std::memcpy(writer.pending_g, Cleared.g, sizeof Cleared.g);
    }
    if (std::memcmp(writer.pending_m, Cleared.m, sizeof Cleared.m) != 0) {
        std::memcpy(writer.pending_m, Cleared.m, sizeof Cleared.m);
    }
    writer.modal.spindle_speed = 0;
    writer.modal.d_number = 0;
}

// The codes of the block for the writer, and the machine state it writes against.
void set_block_codes(Pass &pass, const LineInfo &info) {
    BlockState &w = pass.writer;
    const ParsedBlock &p = info.parsed;
    const MachineTrack &a = info.after;
    clear_pending(w);
    if (p.plane) w.pending_g[p.plane] = p.plane;
    if (p.cutter >= 0) w.pending_g[p.cutter] = p.cutter;
    if ((p.cutter == 41 || p.cutter == 42) && p.has_d && p.d > 0) w.modal.d_number = p.d;
    if (p.length == 49) w.pending_g[49] = 49;
    if (p.cycle >= 0) w.pending_g[p.cycle] = p.cycle;
    if (p.cycle_return) w.pending_g[p.cycle_return] = p.cycle_return;
    for (int n = 0; p.has_written_m && n < 10; ++n) {
        if (!p.written_m[n]) continue;
        if (n == 2 && pass.drop_program_end) continue;
        w.pending_m[n] = n;
    }
    if (p.has_spindle && p.spindle > 0) w.modal.spindle_speed = p.spindle;
    w.modal.motion = a.motion;
    w.modal.distance_mode = a.distance;
    w.mode.mode_now = a.distance;
    w.feed[0] = a.feed;
}

// The words of the source block that the writer does not produce, as they stood.
void build_tail(Pass &pass, const LineInfo &info, bool hole_block, bool drop_repeat = false) {
    const ParsedBlock &p = info.parsed;
    bool d_written = (p.cutter == 41 || p.cutter == 42) && p.has_d && p.d > 0;
    bool s_written = p.has_spindle && p.spindle > 0;
    pass.tail.clear();
    for (const NcWord &word : info.block.words) {
        bool keep = true;
        if (!word.comma) {
            switch (word.letter) {
            case 'N':
            case 'X':
            case 'Y':
            case 'Z':
            case 'I':
            case 'J':
            case 'R':
            case 'F':
                keep = false;
                break;
            case 'G': {
                const GCodeEntry *entry = find_g_code(word.integer);
                keep = entry && entry->kind == CODE_KEPT;
                break;
            }
            case 'M': {
                MCodeKind kind = classify_m_code(word.integer);
                keep = kind != M_WRITTEN && !(kind == M_END && pass.drop_program_end);
                break;
            }
            case 'Q':
                keep = !hole_block;
                break;
            case 'S':
                keep = !s_written;
                break;
            case 'D':
                keep = !d_written;
                break;
            case 'K':
            case 'L':
                keep = !drop_repeat;
                break;
            default:
                break;
            }
        }
        if (keep) pass.tail.insert(pass.tail.end(), info.text + word.start, info.text + word.end);
    }
}

// The source line as a comment before its block (DEBUG 666); brackets stand for
// its own parentheses, which would end the comment early.
void write_source_comment(Pass &pass, const LineInfo &info) {
    std::string comment = "(";
    for (size_t i = 0; i < info.length; ++i) {
        char c = info.text[i];
        comment += c == '(' ? '[' : c == ')' ? ']' : c;
    }
    comment += ")\n";
    text_write(*pass.output, comment.data(), comment.size());
}

// 1 when the writer writes this slot under these rules.
bool slot_written(const SlotRules &rules, const WordValues &current, const WordValues &previous, int slot) {
    SlotRule rule = rules.rule[slot];
    if (rule != SLOT_IF_CHANGED) return rule != SLOT_NEVER;  // SLOT_ALWAYS, SLOT_LITERAL: always
    double delta = slot <= WORD_Z ? current.v[slot] - previous.v[slot] : current.v[slot];
    return !(delta > -0.0004 && delta < 0.0005);
}

// The coordinate slots of a move or a hole, with the values the writer takes.
void fill_slots(Pass &pass, const LineInfo &info, const MoveTargets &t, SlotRules &rules, WordValues &current,
                WordValues &previous) {
    const ParsedBlock &p = info.parsed;
    bool incremental = info.after.distance == 91;
    bool hole = info.motion == LM_HOLE;
    current = WordValues{};
    previous = WordValues{};
    for (SlotRule &rule : rules.rule) rule = SLOT_NEVER;
    for (int axis = 0; axis < 2; ++axis) {
        if (incremental) {
            current.v[axis] = t.inc[axis];
            rules.rule[axis] = SLOT_IF_CHANGED;
        } else if (t.xy_known[axis]) {
            current.v[axis] = t.xy[axis];
            previous.v[axis] = pass.out.pos[axis];
            rules.rule[axis] = pass.out.known[axis] ? SLOT_IF_CHANGED : SLOT_ALWAYS;
        }
    }
    if (hole) {
        // The levels of a drilling cycle go out as the block gave them.
        const int levels[] = {WORD_Z, WORD_R, WORD_Q};
        for (int slot : levels) {
            if (!p.present[slot]) continue;
            current.v[slot] = p.value[slot];
            rules.rule[slot] = SLOT_LITERAL;
        }
    } else if (incremental) {
        current.v[WORD_Z] = t.inc[2];
        rules.rule[WORD_Z] = SLOT_IF_CHANGED;
    } else if (t.z_known) {
        current.v[WORD_Z] = t.z;
        previous.v[WORD_Z] = pass.out.pos[2];
        rules.rule[WORD_Z] = pass.out.known[2] ? SLOT_IF_CHANGED : SLOT_ALWAYS;
    }
    if (t.write_ij) {
        current.v[WORD_I] = t.ij[0];
        current.v[WORD_J] = t.ij[1];
        rules.rule[WORD_I] = rules.rule[WORD_J] = SLOT_IF_CHANGED;
    }
    if (t.keep_r) {
        current.v[WORD_R] = p.value[WORD_R];
        rules.rule[WORD_R] = SLOT_IF_CHANGED;
    }
    for (int slot = 0; slot < WORD_COUNT; ++slot) {
        if (p.present[slot]) pass.writer.word_point[slot] = p.point[slot];
        pass.writer.word_present[slot] = p.present[slot];
    }
    // Every source block that moves yields one written block that moves, or the
    // machine would skip a motion that the source makes (however short).
    bool any = false;
    for (int slot = 0; slot < WORD_COUNT && !any; ++slot) any = slot_written(rules, current, previous, slot);
    if (!any) {
        for (int slot = WORD_X; slot <= WORD_Z; ++slot) {
            bool given = p.present[slot] || (pass.rotated && slot <= WORD_Y && info.xy_words);
            if (given && rules.rule[slot] != SLOT_NEVER) {
                rules.rule[slot] = SLOT_ALWAYS;
                break;
            }
        }
    }
}

int slots_fit(const SlotRules &rules, const WordValues &current, const WordValues &previous, bool incremental) {
    for (int slot = 0; slot < WORD_COUNT; ++slot) {
        if (!slot_written(rules, current, previous, slot)) continue;
        double value = incremental && slot <= WORD_Z && rules.rule[slot] != SLOT_LITERAL
                           ? current.v[slot] - previous.v[slot]
                           : current.v[slot];
        if (!coordinate_fits(value)) return 0;
    }
    return 1;
}

// Both machines after a written move.
void commit_move(Pass &pass, const LineInfo &info, const MoveTargets &t) {
    pass.out = info.after;
    for (int axis = 0; axis < 2; ++axis) {
        pass.out.pos[axis] = t.xy[axis];
        pass.out.known[axis] = t.xy_known[axis];
    }
    pass.out.pos[2] = t.z;
    pass.out.known[2] = t.z_known;
    for (int axis = 0; axis < 3; ++axis) {
        bool moved = pass.src.known[axis] != info.after.known[axis] || pass.src.pos[axis] != info.after.pos[axis];
        if (moved) pass.copy_frame_known[axis] = 0;
    }
    pass.src = info.after;
    for (int axis = 0; axis < 3; ++axis) {
        if (pass.src.known[axis] && pass.out.known[axis]) {
            pass.d[axis] = pass.out.pos[axis] - pass.src.pos[axis];
            pass.d_known[axis] = 1;
        }
    }
    if (both_known(pass.src)) pass.copy_start = 0;
    if (info.motion == LM_CUT || info.motion == LM_HOLE) pass.fed = 1;
    if (info.motion != LM_RAPID || info.xy_words) pass.xy_hold = 0;
}

// The first rapid in G90 to the point the program's first G92 set, before any
// cut: written where it stands, unturned, as the program starts there.
bool is_start_block(const Pass &pass, const LineInfo &info) {
    const MachineTrack &a = info.after;
    if (!pass.start_block || pass.fed || !pass.start_point_known || info.motion != LM_RAPID) return false;
    if (a.distance != 90) return false;
    for (int axis = 0; axis < 3; ++axis) {
        if (!a.known[axis] || a.pos[axis] != pass.start_point[axis]) return false;
    }
    return true;
}

int emit_start_block(Pass &pass, LineInfo &info) {
    set_block_codes(pass, info);
    const ParsedBlock &p = info.parsed;
    for (int slot = 0; slot < WORD_COUNT; ++slot) {
        if (p.present[slot]) pass.writer.word_point[slot] = p.point[slot];
        pass.writer.word_present[slot] = p.present[slot];
    }
    if (ActiveCommandFlags.debug == 91) {
        message_format("%s [%d] %.*s", "Start", 0, static_cast<int>(info.length), info.text);
        log_post(pass.owner, 0);
    }
    build_tail(pass, info, false);
    double position[3] = {pass.start_point[0], pass.start_point[1], pass.start_point[2]};
    BlockState &w = pass.writer;
    write_start_block(*pass.output, position, w.modal, w.word_point, w.pending_g, w.mode, w.word_present,
                      pass.format);
    if (!pass.tail.empty()) text_write_line(*pass.output, pass.tail.data(), pass.tail.size());
    MoveTargets t = {};
    for (int axis = 0; axis < 2; ++axis) {
        t.xy[axis] = position[axis];
        t.xy_known[axis] = 1;
    }
    t.z = position[2];
    t.z_known = 1;
    pass.start_point_known = 0;
    commit_move(pass, info, t);
    pass.xy_hold = 1;
    return 0;
}

void post_trace_lines(Pass &pass, const LineInfo &info, const MoveTargets &t) {
    std::string x, y, z, a;
    format_rounded(info.after.pos[0], x);
    format_rounded(info.after.pos[1], y);
    format_rounded(info.after.pos[2], z);
    format_rounded(pass.angle, a);
    message_format("G%02d X%-10s Y%-10s Z%-10s A%s", info.after.motion, x.c_str(), y.c_str(), z.c_str(), a.c_str());
    log_post(pass.owner, 0);
    format_rounded(t.xy[0], x);
    format_rounded(t.xy[1], y);
    format_rounded(t.z, z);
    message_format("G%02d X%-10s Y%-10s Z%s", info.after.motion, x.c_str(), y.c_str(), z.c_str());
    log_post(pass.owner, 0);
}

// The holes after the first of a G91 repeat, one block each: the step from the
// turned hole before to the turned hole, so that every hole stands within the
// output's rounding of its turned place. t.xy becomes the last hole.
int write_repeated_holes(Pass &pass, const LineInfo &info, MoveTargets &t) {
    const ParsedBlock &p = info.parsed;
    double step[2] = {p.present[WORD_X] ? p.value[WORD_X] : 0.0, p.present[WORD_Y] ? p.value[WORD_Y] : 0.0};
    double before[2];
    turn_xy(pass, pass.src.pos[0] + step[0], pass.src.pos[1] + step[1], before[0], before[1]);
    BlockState &w = pass.writer;
    for (int hole = 2; hole <= t.expand_holes; ++hole) {
        double turned[2];
        turn_xy(pass, pass.src.pos[0] + step[0] * hole, pass.src.pos[1] + step[1] * hole, turned[0], turned[1]);
        clear_pending(w);
        SlotRules rules;
        for (SlotRule &rule : rules.rule) rule = SLOT_NEVER;
        rules.rule[WORD_X] = rules.rule[WORD_Y] = SLOT_IF_CHANGED;
        WordValues current = {};
        WordValues previous = {};
        for (int axis = 0; axis < 2; ++axis) current.v[axis] = turned[axis] - before[axis];
        if (!slot_written(rules, current, previous, WORD_X) && !slot_written(rules, current, previous, WORD_Y)) {
            rules.rule[WORD_X] = SLOT_ALWAYS;
        }
        for (int slot = 0; slot < WORD_COUNT; ++slot) w.word_present[slot] = slot <= WORD_Y;
        if (!coordinate_fits(current.v[0]) || !coordinate_fits(current.v[1])) return refuse_range(pass, info);
        write_block_words(*pass.output, w, current, previous, rules, nullptr, 0, pass.format);
        before[0] = turned[0];
        before[1] = turned[1];
    }
    t.xy[0] = before[0];
    t.xy[1] = before[1];
    return 0;
}

int emit_motion_block(Pass &pass, LineInfo &info) {
    // The start block goes where the tool stands, unturned: nothing to bring back.
    if (is_start_block(pass, info)) return emit_start_block(pass, info);
    if (ready_for_motion(pass, info) < 0) return -1;
    MoveTargets t = {};
    if (xy_targets(pass, info, t) < 0) return -1;
    z_target(pass, info, t);
    arc_targets(pass, info, t);
    SlotRules rules;
    WordValues current;
    WordValues previous;
    set_block_codes(pass, info);
    fill_slots(pass, info, t, rules, current, previous);
    if (!slots_fit(rules, current, previous, info.after.distance == 91)) return refuse_range(pass, info);
    rules.write_feed = info.parsed.has_feed;
    build_tail(pass, info, info.motion == LM_HOLE, t.expand_holes > 0);
    if (ActiveCommandFlags.debug == 3) post_trace_lines(pass, info, t);
    if (ActiveCommandFlags.debug == 666) write_source_comment(pass, info);
    write_block_words(*pass.output, pass.writer, current, previous, rules, pass.tail.data(), pass.tail.size(),
                      pass.format);
    if (t.expand_holes > 0 && write_repeated_holes(pass, info, t) < 0) return -1;
    commit_move(pass, info, t);
    return 0;
}

// A block without a move: its codes, S, M and F, and its other words.
int emit_modal_block(Pass &pass, LineInfo &info) {
    set_block_codes(pass, info);
    for (int &present : pass.writer.word_present) present = 0;
    SlotRules rules;
    for (SlotRule &rule : rules.rule) rule = SLOT_NEVER;
    rules.write_feed = info.parsed.has_feed;
    build_tail(pass, info, false);
    if (ActiveCommandFlags.debug == 666) write_source_comment(pass, info);
    WordValues none = {};
    write_block_words(*pass.output, pass.writer, none, none, rules, pass.tail.data(), pass.tail.size(),
                      pass.format);
    MachineTrack kept = pass.out;
    pass.out = info.after;
    for (int axis = 0; axis < 3; ++axis) {
        pass.out.pos[axis] = kept.pos[axis];
        pass.out.known[axis] = kept.known[axis];
    }
    pass.src = info.after;
    return 0;
}

// G92 names the point where the tool stands. The output tool stands d away
// from the source's (the path is turned, not the frame), so the setting is
// written d away too: after it the output runs in the very frame the source does.
int emit_coordinate_setting(Pass &pass, LineInfo &info) {
    const ParsedBlock &p = info.parsed;
    double values[3] = {0.0, 0.0, 0.0};
    int given[3] = {0, 0, 0};
    for (int axis = 0; axis < 3; ++axis) {
        if (!p.present[axis]) continue;
        given[axis] = 1;
        if (pass.copy_start && pass.copy_frame_known[axis]) {
            values[axis] = pass.copy_frame[axis];
        } else if (pass.d_known[axis]) {
            values[axis] = p.value[axis] + pass.d[axis];
        } else {
            return refuse_line(pass, info,
                               "前の回転コピーの終わりの工具位置がこの座標系設定（G92）の座標系で分からないため、"
                               "座標系設定を書けません");
        }
        if (pass.rotated || pass.d[axis] != 0.0) values[axis] = round_to_output(values[axis]);
        if (!coordinate_fits(values[axis])) return refuse_range(pass, info);
    }
    set_block_codes(pass, info);
    for (int slot = 0; slot < WORD_COUNT; ++slot) {
        if (p.present[slot]) pass.writer.word_point[slot] = p.point[slot];
        pass.writer.word_present[slot] = 0;
    }
    SlotRules none;
    for (SlotRule &rule : none.rule) rule = SLOT_NEVER;
    WordValues zero = {};
    // Codes that share the line go on a line of their own before it; the
    // distance mode goes with the setting itself.
    int mode_now = pass.writer.mode.mode_now;
    pass.writer.mode.mode_now = pass.writer.mode.mode_written;
    write_block_words(*pass.output, pass.writer, zero, zero, none, nullptr, 0, pass.format);
    pass.writer.mode.mode_now = mode_now;
    build_tail(pass, info, false);
    write_coordinate_setting(*pass.output, pass.writer, values, given, pass.tail.data(), pass.tail.size(),
                             pass.format);
    bool sets_xy_anew = (given[0] && !pass.src.known[0]) || (given[1] && !pass.src.known[1]);
    if (pass.start_block && (sets_xy_anew || (pass.xy_hold && (given[0] || given[1])))) pass.xy_hold = 1;
    MachineTrack kept = pass.out;
    pass.out = info.after;
    for (int axis = 0; axis < 3; ++axis) {
        pass.out.pos[axis] = given[axis] ? values[axis] : kept.pos[axis];
        pass.out.known[axis] = given[axis] ? 1 : kept.known[axis];
        if (given[axis]) {
            pass.d[axis] = values[axis] - p.value[axis];
            pass.d_known[axis] = 1;
            pass.copy_frame_known[axis] = 0;
        }
    }
    pass.src = info.after;
    if (!pass.start_point_known && !pass.fed && given[0] && given[1] && given[2] && !pass.start_point_taken) {
        for (int axis = 0; axis < 3; ++axis) pass.start_point[axis] = p.value[axis];
        pass.start_point_known = 1;
        pass.start_point_taken = 1;
    }
    return 0;
}

// ---------------------------------------------------------------------------
// Copied lines

// A coordinate word's number in the style of its word (and of DECIMAL).
void format_coordinate(double value, int with_point, const OutputFormat &format, std::string &text) {
    if (format.decimal_mode == 0) with_point = 0;
    if (format.decimal_mode > 0) with_point = 1;
    if (with_point) {
        format_fixed(value, text, 3);
    } else {
        format_thousandths(value, text);
    }
}

// The line with its X and Y words replaced by the turned values; a missing one
// of the two goes right after the other, in its style.
void write_turned_in_place(Pass &pass, const LineInfo &info, const double values[2]) {
    const ParsedBlock &p = info.parsed;
    const NcWord *words[2] = {p.present[WORD_X] ? &info.block.words[p.word_at[WORD_X]] : nullptr,
                              p.present[WORD_Y] ? &info.block.words[p.word_at[WORD_Y]] : nullptr};
    const NcWord *single = words[0] ? words[0] : words[1];
    std::string text[2];
    for (int axis = 0; axis < 2; ++axis) {
        int style = words[axis] ? words[axis]->has_point : single->has_point;
        format_coordinate(values[axis], style, pass.format, text[axis]);
        text[axis].insert(text[axis].begin(), axis == 0 ? 'X' : 'Y');
    }
    std::string line;
    size_t at = 0;
    const char *raw = info.text;
    // The missing word is set apart as the line sets its words apart.
    bool spaced = single->start > 0 && (raw[single->start - 1] == ' ' || raw[single->start - 1] == '\t');
    for (size_t index = 0; index < info.block.words.size(); ++index) {
        const NcWord *word = &info.block.words[index];
        int axis = word == words[0] ? 0 : word == words[1] ? 1 : -1;
        if (axis < 0) continue;
        line.append(raw + at, static_cast<size_t>(word->start) - at);
        line += text[axis];
        at = static_cast<size_t>(word->end);
        if (!words[1 - axis]) {
            if (spaced) line += ' ';
            line += text[1 - axis];
        }
    }
    line.append(raw + at, info.length - at);
    text_write_line(*pass.output, line.data(), line.size());
}

void write_copied_text(Pass &pass, const LineInfo &info) { text_write_line(*pass.output, info.text, info.length); }

// A reference return or a machine-coordinate move: as it stands. The named axes
// end at a machine point, the same for both tools.
// The intermediate point of a G28 or G30 in G90 is a point of the part the
// tool passes through: it is turned in place like a move. Only both X and Y
// can name a turned point, and naming the other axis would send it to the
// reference point too: with one of them alone the block cannot be turned.
int write_intermediate_point(Pass &pass, LineInfo &info) {
    const ParsedBlock &p = info.parsed;
    if (!p.present[WORD_X] || !p.present[WORD_Y]) {
        return refuse_line(pass, info, "G90の中間点をXとYの一方だけで指令した基準点復帰は回転できません");
    }
    // Across to the intermediate point at the height it stands: from the
    // source's point, as the source goes.
    if (!xy_in_step(pass) && out_below_clearance(pass) && return_over_source(pass, info, 1) < 0) return -1;
    double values[2];
    turn_xy(pass, p.value[WORD_X], p.value[WORD_Y], values[0], values[1]);
    for (double value : values) {
        if (!coordinate_fits(value)) return refuse_range(pass, info);
    }
    write_turned_in_place(pass, info, values);
    return 0;
}

int emit_reference_move(Pass &pass, LineInfo &info) {
    const ParsedBlock &p = info.parsed;
    bool intermediate_xy = p.one_shot != 53 && (p.present[WORD_X] || p.present[WORD_Y]);
    if (pass.rotated && intermediate_xy && info.after.distance == 91) {
        for (int axis = 0; axis < 2; ++axis) {
            if (p.present[axis] && p.value[axis] != 0.0) {
                return refuse_line(pass, info, "G91の中間点を通る基準点復帰は回転できません");
            }
        }
    }
    if (pass.rotated && intermediate_xy && info.after.distance == 90) {
        if (write_intermediate_point(pass, info) < 0) return -1;
    } else {
        write_copied_text(pass, info);
    }
    MachineTrack kept = pass.out;
    pass.out = info.after;
    for (int axis = 0; axis < 3; ++axis) {
        pass.out.pos[axis] = kept.pos[axis];
        pass.out.known[axis] = kept.known[axis];
        if (p.present[axis]) {
            pass.out.known[axis] = 0;
            pass.d[axis] = 0.0;
            pass.d_known[axis] = 1;
            pass.copy_frame_known[axis] = 0;
        }
    }
    pass.src = info.after;
    follow_written_line(pass, info);
    return 0;
}

// A setup line that also moves (G90 G54 G00 X.. Y.., G43 Z.. H..): a move, its
// X and Y turned in place, the rest of the line byte for byte.
int emit_setup_move(Pass &pass, LineInfo &info) {
    if (ready_for_motion(pass, info) < 0) return -1;
    MoveTargets t = {};
    if (xy_targets(pass, info, t) < 0) return -1;
    z_target(pass, info, t);
    bool incremental = info.after.distance == 91;
    for (int axis = 0; axis < 2; ++axis) {
        double written = incremental ? t.inc[axis] : t.xy[axis];
        if (info.xy_words && !coordinate_fits(written)) return refuse_range(pass, info);
    }
    if (pass.rotated && info.xy_words) {
        double values[2] = {incremental ? t.inc[0] : t.xy[0], incremental ? t.inc[1] : t.xy[1]};
        write_turned_in_place(pass, info, values);
    } else {
        write_copied_text(pass, info);
    }
    commit_move(pass, info, t);
    follow_written_line(pass, info);
    return 0;
}

}  // namespace

int emit_rewritten_line(Pass &pass, LineInfo &info) {
    switch (info.motion) {
    case LM_SET:
        return emit_coordinate_setting(pass, info);
    case LM_RAPID:
    case LM_CUT:
    case LM_HOLE:
        return emit_motion_block(pass, info);
    default:
        return emit_modal_block(pass, info);
    }
}

int emit_copied_line(Pass &pass, LineInfo &info) {
    switch (info.parsed.one_shot) {
    case 28:
    case 30:
    case 53:
        return emit_reference_move(pass, info);
    default:
        break;
    }
    if (info.motion == LM_RAPID || info.motion == LM_CUT) return emit_setup_move(pass, info);
    write_copied_text(pass, info);
    MachineTrack kept = pass.out;
    pass.out = info.after;
    for (int axis = 0; axis < 3; ++axis) {
        pass.out.pos[axis] = kept.pos[axis];
        // Data setting may move every offset under the tool.
        pass.out.known[axis] = info.parsed.one_shot == 10 ? 0 : kept.known[axis];
    }
    pass.src = info.after;
    follow_written_line(pass, info);
    return 0;
}

int write_composition_rapid(Pass &pass, const LineInfo &info, const double target[3], const int axes[3]) {
    BlockState &w = pass.writer;
    clear_pending(w);
    int source_motion = w.modal.motion;
    w.modal.motion = 0;
    w.mode.mode_now = w.mode.mode_written;
    bool incremental = w.mode.mode_written == 91;
    SlotRules rules;
    for (SlotRule &rule : rules.rule) rule = SLOT_NEVER;
    rules.write_feed = 0;
    WordValues current = {};
    WordValues previous = {};
    for (int slot = 0; slot < WORD_COUNT; ++slot) w.word_present[slot] = slot < 3 && axes[slot];
    for (int axis = 0; axis < 3; ++axis) {
        if (!axes[axis]) continue;
        if (incremental && !pass.out.known[axis]) {
            return refuse_line(pass, info, "工具位置が不明なためG91で経路へ戻れません");
        }
        current.v[axis] = target[axis];
        previous.v[axis] = pass.out.known[axis] ? pass.out.pos[axis] : target[axis] + 1.0;
        rules.rule[axis] = SLOT_ALWAYS;
        if (!coordinate_fits(incremental ? target[axis] - previous.v[axis] : target[axis])) {
            return refuse_range(pass, info);
        }
    }
    write_block_words(*pass.output, w, current, previous, rules, nullptr, 0, pass.format);
    w.modal.motion = source_motion;
    for (int axis = 0; axis < 3; ++axis) {
        if (!axes[axis]) continue;
        pass.out.pos[axis] = target[axis];
        pass.out.known[axis] = 1;
        if (pass.src.known[axis]) {
            pass.d[axis] = pass.out.pos[axis] - pass.src.pos[axis];
            pass.d_known[axis] = 1;
        }
    }
    return 0;
}

void follow_written_line(Pass &pass, const LineInfo &info) {
    const ParsedBlock &p = info.parsed;
    const MachineTrack &a = info.after;
    if (p.distance) pass.writer.mode.mode_written = a.distance;
    pass.writer.mode.mode_now = a.distance;
    pass.writer.modal.distance_mode = a.distance;
    if (p.motion >= 0) pass.writer.modal.prev_motion = a.motion;
    pass.writer.modal.motion = a.motion;
    if (p.has_feed) pass.writer.feed[1] = a.feed;
    pass.writer.feed[0] = a.feed;
}
