// The conversion check: the output is modelled on its own and its motions are
// paired, one by one, with the motions the source and the parameters demand;
// between them only the composition's own rapids above the clearance may stand.
#include "toolpath/check.h"

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>

#include "settings/program_values.h"
#include "toolpath/check_run.h"
#include "toolpath/describe.h"
#include "toolpath/expected_motions.h"

namespace {

const double POSITION_TOLERANCE = 0.0015;  // mm, each axis
const double FEED_TOLERANCE = 0.0000005;  // the feed goes out with every decimal it has (up to six)
const double DWELL_TOLERANCE = 1e-6;       // seconds

// The pairing of G92 frame tokens on one axis: an output frame stands for one
// expected frame (in copies of the whole program, shifted by a fixed offset).
struct FramePair {
    int set;
    int out_token;
    int exp_token;
    double offset;        // output delta minus expected delta
    int last_exp_token;   // the expected frame at the last paired cut
    double last_exp_delta;
};

// The frame pairs after a paired cut: changed is 0 where they stand as before.
struct FrameUpdate {
    int changed;
    FramePair frames[3];
};

// The G92 frames of one state, as their bits stand.
struct FrameValues {
    int token[3];
    double delta[3];
};

struct Pairing {
    int composition;
    ExpectedStream expected;
    std::unique_ptr<ModelRun> output;
    FramePair frames[3];
    // The frames of the last cut whose frames were paired: a cut with the very
    // same frames on both sides is paired as that one was, and changes nothing.
    int frames_seen;
    FrameValues last_expected_frames;
    FrameValues last_output_frames;
    long long checked;
    CheckResult *result;
    const CheckObserver *observer;
};

int same_value(double a, double b, double tolerance) { return std::fabs(a - b) <= tolerance; }

// How an axis the source leaves unknown is compared.
enum UnknownRule {
    UNKNOWN_ON_BOTH,  // the output must not know it either
    UNKNOWN_IS_OPEN   // a copy of the whole program starts where the pass before left the tool
};

int same_axis(double e, int e_known, double o, int o_known, int rule) {
    if (!e_known) return rule == UNKNOWN_IS_OPEN || !o_known;
    return o_known && same_value(e, o, POSITION_TOLERANCE);
}

int known_everywhere(const Point3 &point) { return point.known[0] & point.known[1] & point.known[2]; }

int same_point(const Point3 &e, const Point3 &o, int rule) {
    // Both points known on every axis, as nearly all are: the distances alone decide.
    if (known_everywhere(e) & known_everywhere(o)) {
        return same_value(e.v[0], o.v[0], POSITION_TOLERANCE) & same_value(e.v[1], o.v[1], POSITION_TOLERANCE) &
               same_value(e.v[2], o.v[2], POSITION_TOLERANCE);
    }
    for (int axis = 0; axis < 3; ++axis) {
        if (!same_axis(e.v[axis], e.known[axis], o.v[axis], o.known[axis], rule)) return 0;
    }
    return 1;
}

int unknown_rule(const Pairing &pairing, const ExpectedMotion &expected) {
    return pairing.composition == COMPOSITION_COPIES && expected.pass > 0 ? UNKNOWN_IS_OPEN : UNKNOWN_ON_BOTH;
}

int is_cut_or_hole(int kind) {
    return kind == MOTION_FEED || kind == MOTION_ARC_CW || kind == MOTION_ARC_CCW || kind == MOTION_HOLE;
}

int compare_hole(const Motion &e, const Motion &o, int rule) {
    if (e.cycle != o.cycle || e.q_given != o.q_given || e.p_given != o.p_given) return DIFFERENCE_HOLE;
    if (!same_axis(e.r_level, e.r_known, o.r_level, o.r_known, rule)) return DIFFERENCE_HOLE;
    if (!same_axis(e.bottom, e.bottom_known, o.bottom, o.bottom_known, rule)) return DIFFERENCE_HOLE;
    if (e.q_given && !same_value(e.q, o.q, POSITION_TOLERANCE)) return DIFFERENCE_HOLE;
    if (e.p_given && e.p != o.p) return DIFFERENCE_HOLE;
    return DIFFERENCE_NONE;
}

int compare_home(const Motion &e, const Motion &o) {
    if (e.axes != o.axes || e.reference != o.reference) return DIFFERENCE_HOME;
    if (e.reference != 53) return DIFFERENCE_NONE;
    for (int axis = 0; axis < 3; ++axis) {
        if ((e.axes & (1 << axis)) && !same_value(e.machine[axis], o.machine[axis], POSITION_TOLERANCE)) {
            return DIFFERENCE_HOME;
        }
    }
    return DIFFERENCE_NONE;
}

// Where the motion goes: points for the moves, the details for the events.
int compare_geometry(const Motion &e, const Motion &o, int rule) {
    switch (e.kind) {
    case MOTION_DWELL:
        return same_value(e.seconds, o.seconds, DWELL_TOLERANCE) ? DIFFERENCE_NONE : DIFFERENCE_DWELL;
    case MOTION_STOP:
    case MOTION_END: return e.code == o.code ? DIFFERENCE_NONE : DIFFERENCE_CODE;
    case MOTION_HOME: return compare_home(e, o);
    default: break;
    }
    if (!same_point(e.end, o.end, rule)) return DIFFERENCE_END;
    if (e.kind == MOTION_HOLE) return compare_hole(e, o, rule);
    if (e.kind == MOTION_RAPID) return DIFFERENCE_NONE;
    // A cut must begin where the source's cut begins, turned.
    if (!same_point(e.start, o.start, rule)) return DIFFERENCE_START;
    if (e.kind == MOTION_FEED) return DIFFERENCE_NONE;
    if (!same_value(e.centre[0], o.centre[0], POSITION_TOLERANCE) ||
        !same_value(e.centre[1], o.centre[1], POSITION_TOLERANCE)) {
        return DIFFERENCE_CENTRE;
    }
    return DIFFERENCE_NONE;
}

// The modes and numbers of a state, every one an int, lie before its feed.
static_assert(offsetof(MachineState, feed) == 14 * sizeof(int), "MachineState: the ints come first");

// The numbers that act only with their code (H under G43/G44, D under
// G41/G42, S while the spindle turns) are compared only then. Two states
// equal in every mode and number differ in none of them: one comparison of
// their bytes settles the cut that changes nothing, as nearly every cut does.
int compare_state(const MachineState &e, const MachineState &o) {
    if (std::memcmp(&e, &o, offsetof(MachineState, feed)) == 0) {
        return same_value(e.feed, o.feed, FEED_TOLERANCE) ? DIFFERENCE_NONE : DIFFERENCE_FEED;
    }
    if (e.work_offset != o.work_offset || e.work_p != o.work_p) return DIFFERENCE_WORK;
    if (e.tool != o.tool) return DIFFERENCE_TOOL;
    if (e.length_comp != o.length_comp || (e.length_comp != 49 && e.length_h != o.length_h)) return DIFFERENCE_LENGTH;
    if (e.cutter_comp != o.cutter_comp || (e.cutter_comp != 40 && e.cutter_d != o.cutter_d)) return DIFFERENCE_CUTTER;
    if (e.spindle != o.spindle || (e.spindle != 5 && e.spindle_s != o.spindle_s)) return DIFFERENCE_SPINDLE;
    if (e.mist != o.mist || e.flood != o.flood) return DIFFERENCE_COOLANT;
    if (e.distance != o.distance) return DIFFERENCE_DISTANCE;
    if (e.feed_mode != o.feed_mode) return DIFFERENCE_FEED_MODE;
    if (e.cutting_mode != o.cutting_mode) return DIFFERENCE_CUTTING_MODE;
    if (!same_value(e.feed, o.feed, FEED_TOLERANCE)) return DIFFERENCE_FEED;
    return DIFFERENCE_NONE;
}

// One axis of the G92 frame at a paired cut. The pair of tokens is made the
// first time they meet and must hold. A copy of the whole program reads the
// source's G92 again where the tool stands at the copy's start, which the
// output need not repeat: from the first cut after such a G92 the output frame
// may stand shifted from the expected one, by one offset, until the next.
int pair_frame_axis(const Pairing &pairing, const ExpectedMotion &expected, const Motion &output, int axis,
                    FramePair &pair) {
    int exp_token = expected.motion.state.frame_token[axis];
    double exp_delta = expected.motion.state.frame_delta[axis];
    int out_token = output.state.frame_token[axis];
    double out_delta = output.state.frame_delta[axis];
    const FramePair old = pairing.frames[axis];
    int shifted_copy = pairing.composition == COMPOSITION_COPIES && expected.pass > 0;
    int set_again = old.set && (old.last_exp_token != exp_token || old.last_exp_delta != exp_delta);
    pair = old;
    pair.last_exp_token = exp_token;
    pair.last_exp_delta = exp_delta;
    if (shifted_copy && set_again) {
        pair.out_token = out_token;
        pair.exp_token = exp_token;
        pair.offset = out_delta - exp_delta;
        return 1;
    }
    if (old.set && out_token == old.out_token && exp_token == old.exp_token) {
        return same_value(out_delta - exp_delta, old.offset, POSITION_TOLERANCE);
    }
    // A new pair: both frames new, and "no G92 yet" only ever with itself.
    if (old.set && (out_token == old.out_token || exp_token == old.exp_token)) return 0;
    if ((out_token == 0) != (exp_token == 0)) return 0;
    if (!same_value(out_delta, exp_delta, POSITION_TOLERANCE)) return 0;
    pair.set = 1;
    pair.out_token = out_token;
    pair.exp_token = exp_token;
    pair.offset = 0.0;
    return 1;
}

int clearance_before(const ExpectedMotion *next, const ExpectedStream &stream, double &height);

// A rapid is matched by where it ends, but one that sets out from another
// point than the source's crosses ground the source never crossed: it may do
// so only at or above the clearance, or from a reference height.
int rapid_from_elsewhere_low(const Pairing &pairing, const ExpectedMotion &expected, const Motion &output) {
    const Point3 &e = expected.motion.start;
    const Point3 &o = output.start;
    if (!e.known[AXIS_X] || !e.known[AXIS_Y] || !o.known[AXIS_X] || !o.known[AXIS_Y]) return 0;
    if (same_value(e.v[AXIS_X], o.v[AXIS_X], POSITION_TOLERANCE) &&
        same_value(e.v[AXIS_Y], o.v[AXIS_Y], POSITION_TOLERANCE)) {
        return 0;
    }
    if (!o.known[AXIS_Z] || output.start_z_at_reference) return 0;
    double height = 0.0;
    if (!clearance_before(&expected, pairing.expected, height)) return 1;
    return o.v[AXIS_Z] < height - POSITION_TOLERANCE;
}

void take_frame_values(FrameValues &values, const MachineState &state) {
    std::memcpy(values.token, state.frame_token, sizeof values.token);
    std::memcpy(values.delta, state.frame_delta, sizeof values.delta);
}

int same_frame_values(const FrameValues &values, const MachineState &state) {
    return std::memcmp(values.token, state.frame_token, sizeof values.token) == 0 &&
           std::memcmp(values.delta, state.frame_delta, sizeof values.delta) == 0;
}

// The frames of both sides are bit for bit those of the last cut that paired
// them: pair_frame_axis, given the same numbers again, accepts them and leaves
// every pair as it is.
int frames_as_last_cut(const Pairing &pairing, const ExpectedMotion &expected, const Motion &output) {
    return pairing.frames_seen && same_frame_values(pairing.last_expected_frames, expected.motion.state) &&
           same_frame_values(pairing.last_output_frames, output.state);
}

int compare(const Pairing &pairing, const ExpectedMotion &expected, const Motion &output, FrameUpdate &update) {
    const Motion &e = expected.motion;
    update.changed = 0;
    if (e.kind != output.kind) return DIFFERENCE_KIND;
    int difference = compare_geometry(e, output, unknown_rule(pairing, expected));
    if (difference == DIFFERENCE_NONE && e.kind == MOTION_RAPID && rapid_from_elsewhere_low(pairing, expected, output)) {
        return DIFFERENCE_START;
    }
    if (difference != DIFFERENCE_NONE || !is_cut_or_hole(e.kind)) return difference;
    difference = compare_state(e.state, output.state);
    if (difference != DIFFERENCE_NONE) return difference;
    if (frames_as_last_cut(pairing, expected, output)) return DIFFERENCE_NONE;
    update.changed = 1;
    for (int axis = 0; axis < 3; ++axis) {
        if (!pair_frame_axis(pairing, expected, output, axis, update.frames[axis])) return DIFFERENCE_FRAME;
    }
    return DIFFERENCE_NONE;
}

// A paired cut keeps the frame pairs it made, and the frames it made them from.
void keep_frames(Pairing &pairing, const FrameUpdate &update, const ExpectedMotion &expected, const Motion &output) {
    if (!update.changed) return;
    for (int axis = 0; axis < 3; ++axis) pairing.frames[axis] = update.frames[axis];
    take_frame_values(pairing.last_expected_frames, expected.motion.state);
    take_frame_values(pairing.last_output_frames, output.state);
    pairing.frames_seen = 1;
}

// ---------------------------------------------------------------------------
// Composition moves

int all_known(const Point3 &point) { return point.known[0] && point.known[1] && point.known[2]; }

// The clearance before the next expected motion: the highest Z since the last
// setup, and never below the point that motion starts from.
int clearance_before(const ExpectedMotion *next, const ExpectedStream &stream, double &height) {
    int known = next ? next->clearance_known : stream.high_known;
    height = next ? next->clearance : stream.high_z;
    if (next && next->motion.start.known[AXIS_Z]) {
        double start_z = next->motion.start.v[AXIS_Z];
        if (!known || start_z > height) height = start_z;
        known = 1;
    }
    return known;
}

// Down in Z onto the point the next motion starts from, which the source also
// reached by a rapid: the composition's own approach of a copy.
int descends_onto_start(const Motion &output, const ExpectedMotion *next) {
    if (!next || !next->motion.start_by_rapid || !all_known(next->motion.start)) return 0;
    return same_point(next->motion.start, output.end, UNKNOWN_ON_BOTH);
}

// Across in X and Y, onto the point the next expected motion starts from,
// while Z stands at a reference point or machine position (G28, G30, G53): the
// height the program itself chose to travel at.
int is_across_at_reference_height(const Motion &output, const ExpectedMotion *next) {
    if (!output.start_z_at_reference || !output.end_z_at_reference) return 0;
    if (!next || !next->motion.start.known[AXIS_X] || !next->motion.start.known[AXIS_Y]) return 0;
    if (!output.start.known[AXIS_X] || !output.start.known[AXIS_Y]) return 0;
    return same_value(output.end.v[AXIS_X], next->motion.start.v[AXIS_X], POSITION_TOLERANCE) &&
           same_value(output.end.v[AXIS_Y], next->motion.start.v[AXIS_Y], POSITION_TOLERANCE);
}

// A rapid of the composition's own: straight up; across at or above the
// clearance; straight down to the clearance or onto the next start. A move up
// from a Z the program does not know (after a reference return) is taken when
// it ends at or above the clearance.
int is_composition_move(const Motion &output, const ExpectedMotion *next, const ExpectedStream &stream) {
    if (output.kind == MOTION_RAPID && is_across_at_reference_height(output, next)) return 1;
    if (output.kind != MOTION_RAPID || !all_known(output.end)) return 0;
    if (!output.start.known[AXIS_X] || !output.start.known[AXIS_Y]) return 0;
    const double *from = output.start.v;
    const double *to = output.end.v;
    int from_z_known = output.start.known[AXIS_Z];
    int same_xy = same_value(from[AXIS_X], to[AXIS_X], POSITION_TOLERANCE) &&
                  same_value(from[AXIS_Y], to[AXIS_Y], POSITION_TOLERANCE);
    double height = 0.0;
    int height_known = clearance_before(next, stream, height);
    int above = height_known && to[AXIS_Z] >= height - POSITION_TOLERANCE;
    if (same_xy) {
        if (from_z_known && to[AXIS_Z] >= from[AXIS_Z] - POSITION_TOLERANCE) return 1;
        return above || descends_onto_start(output, next);
    }
    return from_z_known && same_value(from[AXIS_Z], to[AXIS_Z], POSITION_TOLERANCE) && above;
}

// A straight move of the source shorter than the output's rounding: turned
// and rounded it may come out as no move at all.
int is_within_rounding(const ExpectedMotion &expected, const Motion &output) {
    const Motion &e = expected.motion;
    if (e.kind != MOTION_RAPID && e.kind != MOTION_FEED) return 0;
    if (!all_known(e.start) || !all_known(e.end) || !all_known(output.start)) return 0;
    for (int axis = 0; axis < 3; ++axis) {
        if (!same_value(e.start.v[axis], e.end.v[axis], POSITION_TOLERANCE)) return 0;
        if (!same_value(output.start.v[axis], e.end.v[axis], POSITION_TOLERANCE)) return 0;
    }
    return 1;
}

// A straight move of the source from a point it does not know (a copy of the
// whole program starts where the pass before left the tool) to the point the
// output tool already stands at: the output has nothing to move there.
int is_already_there(const Pairing &pairing, const ExpectedMotion &expected, const Motion &output) {
    const Motion &e = expected.motion;
    if (e.kind != MOTION_RAPID && e.kind != MOTION_FEED) return 0;
    if (all_known(e.start)) return 0;
    int rule = unknown_rule(pairing, expected);
    for (int axis = 0; axis < 3; ++axis) {
        if (!e.end.known[axis]) {
            if (rule != UNKNOWN_IS_OPEN && output.start.known[axis]) return 0;
            continue;
        }
        if (!output.start.known[axis] || !same_value(e.end.v[axis], output.start.v[axis], POSITION_TOLERANCE)) {
            return 0;
        }
    }
    return 1;
}

// ---------------------------------------------------------------------------
// Results

void observe(const Pairing &pairing, const Motion &motion, int pass) {
    if (pairing.observer) pairing.observer->output_motion(pairing.observer->context, motion, pass);
}

int next_output(Pairing &pairing, const Motion *&motion) {
    for (;;) {
        int got = model_next(*pairing.output, motion);
        if (got != 1 || motion->kind != MOTION_SETUP) return got;
    }
}

// The rest of the output, for the picture, after the check has stopped.
void observe_rest(Pairing &pairing, const Motion *current) {
    if (!pairing.observer) return;
    if (current) observe(pairing, *current, PASS_UNCHECKED);
    const Motion *motion = nullptr;
    while (next_output(pairing, motion) == 1) observe(pairing, *motion, PASS_UNCHECKED);
}

// Where a file could not be read: "<side> N行目: why", or the file where the
// fault has no line.
std::string fault_place(const char *side, int line, const char *path, const std::string &why) {
    char text[512];
    if (line > 0) {
        std::snprintf(text, sizeof text, "%s %d行目: %s", side, line, why.c_str());
    } else {
        std::snprintf(text, sizeof text, "%sファイル %s: %s", side, path, why.c_str());
    }
    return text;
}

int fail_source(Pairing &pairing, const char *input_path) {
    observe_rest(pairing, nullptr);
    CheckResult &result = *pairing.result;
    const ExpectedStream &stream = pairing.expected;
    result.input_line = stream.error_line;
    result.expected = fault_place("変換元", stream.error_line, input_path, stream.error);
    result.motions_checked = pairing.checked;
    return -1;
}

int fail_output(Pairing &pairing, const char *output_path) {
    CheckResult &result = *pairing.result;
    const ModelRun &run = *pairing.output;
    result.output_line = run.error_line;
    result.found = fault_place("出力", run.error_line, output_path, run.error);
    result.motions_checked = pairing.checked;
    return -1;
}

// A rapid that is neither the expected motion nor a move of the composition's
// own: the clearance it had to keep tells the programmer why.
void add_clearance(const Pairing &pairing, const ExpectedMotion *next, const Motion &output, std::string &text) {
    double height = 0.0;
    if (output.kind != MOTION_RAPID || !clearance_before(next, pairing.expected, height)) return;
    char words[64];
    std::snprintf(words, sizeof words, " (逃げ高さ Z%.3f)", height + 0.0);
    text += words;
}

int fail_difference(Pairing &pairing, const ExpectedMotion &expected, const Motion &output, int difference) {
    CheckResult &result = *pairing.result;
    result.output_line = output.line;
    result.input_line = expected.motion.line;
    describe_with_difference(expected.motion, difference, result.expected);
    describe_with_difference(output, difference, result.found);
    add_clearance(pairing, &expected, output, result.found);
    result.motions_checked = pairing.checked;
    observe_rest(pairing, &output);
    return -1;
}

int fail_output_ended(Pairing &pairing, const ExpectedMotion &expected) {
    CheckResult &result = *pairing.result;
    result.output_line = pairing.output->line > 0 ? pairing.output->line : 1;
    result.input_line = expected.motion.line;
    describe_motion(expected.motion, result.expected);
    result.found = "(出力はここで終わっています)";
    result.motions_checked = pairing.checked;
    return -1;
}

int fail_output_left_over(Pairing &pairing, const Motion &output) {
    CheckResult &result = *pairing.result;
    result.output_line = output.line;
    result.input_line = 0;
    result.expected = "(変換元の動作はここまでです)";
    describe_motion(output, result.found);
    add_clearance(pairing, nullptr, output, result.found);
    result.motions_checked = pairing.checked;
    observe_rest(pairing, &output);
    return -1;
}

int fail_cancelled(Pairing &pairing) {
    pairing.result->found = "照合を中止しました";
    pairing.result->motions_checked = pairing.checked;
    return -1;
}

// Where the pairing stands: the expected motion next in turn, if any.
struct PairingCursor {
    ExpectedMotion expected;
    int have;
    const char *input_path;
};

// The expected motion is done with: the next one comes up. 0, or -1 after a
// source the check cannot read.
int advance_expected(Pairing &pairing, PairingCursor &cursor) {
    pairing.checked += 1;
    cursor.have = expected_next(pairing.expected, cursor.expected);
    return cursor.have < 0 ? fail_source(pairing, cursor.input_path) : 0;
}

int take_composition_move(Pairing &pairing, const Motion &output) {
    pairing.checked += 1;
    observe(pairing, output, PASS_COMPOSITION_MOVE);
    return 0;
}

// An output motion after the last expected one: only the composition's own.
int take_left_over(Pairing &pairing, const Motion &output) {
    if (!is_composition_move(output, nullptr, pairing.expected)) return fail_output_left_over(pairing, output);
    return take_composition_move(pairing, output);
}

int take_pair(Pairing &pairing, PairingCursor &cursor, const Motion &output, const FrameUpdate &update) {
    keep_frames(pairing, update, cursor.expected, output);
    observe(pairing, output, cursor.expected.pass);
    return advance_expected(pairing, cursor);
}

// One output motion: the expected motion it is, a move of the composition's
// own, or the first difference.
int pair_one(Pairing &pairing, PairingCursor &cursor, const Motion &output) {
    // The output need not move to where its tool already stands.
    while (cursor.have && is_already_there(pairing, cursor.expected, output)) {
        if (advance_expected(pairing, cursor) < 0) return -1;
    }
    if (!cursor.have) return take_left_over(pairing, output);
    FrameUpdate update;
    int difference = compare(pairing, cursor.expected, output, update);
    if (difference != DIFFERENCE_NONE && is_composition_move(output, &cursor.expected, pairing.expected)) {
        return take_composition_move(pairing, output);
    }
    // The expected move vanished in the rounding: the output stands where it
    // ends, and the same output motion meets the next expected one.
    while (cursor.have && difference != DIFFERENCE_NONE && is_within_rounding(cursor.expected, output)) {
        if (advance_expected(pairing, cursor) < 0) return -1;
        if (cursor.have) difference = compare(pairing, cursor.expected, output, update);
    }
    if (!cursor.have) return take_left_over(pairing, output);
    if (difference == DIFFERENCE_NONE) return take_pair(pairing, cursor, output, update);
    if (is_composition_move(output, &cursor.expected, pairing.expected)) return take_composition_move(pairing, output);
    return fail_difference(pairing, cursor.expected, output, difference);
}

// Pairs the output with the expected motions to the end of both.
int pair_all(Pairing &pairing, const char *input_path, const char *output_path) {
    PairingCursor cursor;
    cursor.input_path = input_path;
    cursor.have = expected_next(pairing.expected, cursor.expected);
    if (cursor.have < 0) return fail_source(pairing, input_path);
    const Motion *next = nullptr;
    for (;;) {
        // A job stopped by the user stops its check too.
        if (CancelRequested) return fail_cancelled(pairing);
        int got = next_output(pairing, next);
        if (got < 0) return fail_output(pairing, output_path);
        if (got == 0) return cursor.have ? fail_output_ended(pairing, cursor.expected) : 0;
        if (pair_one(pairing, cursor, *next) < 0) return -1;
    }
}

}  // namespace

int check_conversion_observed(const char *input_path, const char *output_path, const CheckParams &params,
                              CheckResult &result, const CheckObserver *observer) {
    result = CheckResult{};
    std::unique_ptr<Pairing> pairing(new Pairing{});
    pairing->composition = composition_of(params);
    pairing->result = &result;
    pairing->observer = observer;
    pairing->output.reset(new ModelRun);
    const char *input = input_path ? input_path : "";
    const char *output = output_path ? output_path : "";
    int status = 0;
    if (model_open(*pairing->output, output, 0) < 0) {
        status = fail_output(*pairing, output);
    } else if (expected_open(pairing->expected, input, params) < 0) {
        status = fail_source(*pairing, input);
    } else {
        status = pair_all(*pairing, input, output);
    }
    if (status == 0) result.motions_checked = pairing->checked;
    expected_close(pairing->expected);
    model_close(*pairing->output);
    return status;
}

int check_conversion(const char *input_path, const char *output_path, const CheckParams &params,
                     CheckResult &result) {
    return check_conversion_observed(input_path, output_path, params, result, nullptr);
}
