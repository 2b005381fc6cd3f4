// The expected motions of a conversion. The source is modelled as a stream and
// read again for every copy (of the whole program, or of one machining from its
// mark), so that memory stays flat however long the program is.
#include "toolpath/expected_motions.h"

#include <cmath>
#include <cstring>

namespace {

// Degrees to radians with pi cut to ten decimals, as the rewrite turns.
const double DEGREES_TO_RADIANS = 0.017453292519444445;

int fail_source(ExpectedStream &stream, const ModelRun &run) {
    stream.error_line = run.error_line;
    stream.error = run.error;
    return -1;
}

// ---------------------------------------------------------------------------
// The start block

// A cheap look before a line is read in full: a G, maybe zeros, then 9 and 2.
int may_set_coordinates(const char *bytes, size_t length) {
    const char *end = bytes + length;
    for (const char *nine = static_cast<const char *>(std::memchr(bytes, '9', length)); nine;
         nine = static_cast<const char *>(std::memchr(nine + 1, '9', static_cast<size_t>(end - nine - 1)))) {
        const char *before = nine - 1;
        while (before >= bytes && (*before == ' ' || *before == '\t' || *before == '0')) --before;
        if (before < bytes || *before != 'G') continue;
        const char *after = nine + 1;
        while (after < end && (*after == ' ' || *after == '\t')) ++after;
        if (after < end && *after == '2') return 1;
    }
    return 0;
}

int names_all_axes(const BlockWords &words) {
    return (words.present & (letter_bit('X') | letter_bit('Y') | letter_bit('Z'))) ==
           (letter_bit('X') | letter_bit('Y') | letter_bit('Z'));
}

int is_blank(char byte) { return byte == ' ' || byte == '\t'; }

// Whether the 9 at bytes[nine] of a view that starts with a line may be the 9
// of a G92 as may_set_coordinates looks for it: a line end stops the look as
// the line's end does. (The view's last line, which may go on beyond the view,
// is read whole in any case.)
int may_be_coordinate_setting(const char *bytes, size_t count, size_t nine) {
    size_t before = nine;
    while (before > 0 && (is_blank(bytes[before - 1]) || bytes[before - 1] == '0')) --before;
    if (before == 0 || bytes[before - 1] != 'G') return 0;
    size_t after = nine + 1;
    while (after < count && is_blank(bytes[after])) ++after;
    return after < count && bytes[after] == '2';
}

// Where the line that holds bytes[at] starts, in a view that starts with a line.
size_t line_start_before(const char *bytes, size_t at) {
    while (at > 0 && bytes[at - 1] != '\n' && bytes[at - 1] != '\r') --at;
    return at;
}

// Where the first line of the view that may set coordinates starts; without
// one, where the view's last line starts (it may go on beyond the view, and
// its line end may lie beyond it too).
size_t start_of_candidate(const char *bytes, size_t count) {
    const char *end = bytes + count;
    for (const char *nine = static_cast<const char *>(std::memchr(bytes, '9', count)); nine;
         nine = static_cast<const char *>(std::memchr(nine + 1, '9', static_cast<size_t>(end - nine - 1)))) {
        size_t at = static_cast<size_t>(nine - bytes);
        if (may_be_coordinate_setting(bytes, count, at)) return line_start_before(bytes, at);
    }
    return count > 0 ? line_start_before(bytes, count - 1) : 0;
}

// 1 when a line before offset is longer than LINE_LIMIT or cannot be read: a
// reading line by line stops there, before a setting beyond it.
int stops_before(const char *path, long long offset) {
    std::unique_ptr<LineReader> reader(new LineReader);
    if (line_open(*reader, path) < 0) return 1;
    LineText line;
    int got = line_next(*reader, line);
    while (got == 1 && line.offset < offset) got = line_next(*reader, line);
    line_close(*reader);
    return got < 0;
}

// The point of the first G92 that names X, Y and Z: 1 when there is one, 0
// when there is none (or the file cannot be read: the main pass says why).
// The lines read whole are only those where a G92 may stand, found by a search
// for its 9 over the bytes ahead: nearly every line is passed over unread. As
// a reading line by line, the search finds nothing past a line longer than
// LINE_LIMIT.
int find_start_setting(const char *path, double point[3]) {
    std::unique_ptr<LineReader> reader(new LineReader);
    if (line_open(*reader, path) < 0) return 0;
    std::unique_ptr<BlockWords> words(new BlockWords);
    WordError error;
    LineText line;
    const char *ahead = nullptr;
    size_t count = 0;
    int found = 0;
    while (!found && line_ahead(*reader, ahead, count) == 0 && count > 0) {
        line_pass_over(*reader, start_of_candidate(ahead, count));
        if (line_next(*reader, line) != 1) break;
        if (!may_set_coordinates(line.bytes, line.length)) continue;
        if (read_block_words(line.bytes, line.length, *words, error) < 0 || !names_all_axes(*words)) continue;
        for (int i = 0; i < words->g_count; ++i) {
            if (words->g_codes[i] != 920) continue;
            point[0] = words->value['X' - 'A'];
            point[1] = words->value['Y' - 'A'];
            point[2] = words->value['Z' - 'A'];
            found = 1;
        }
    }
    line_close(*reader);
    // A line too long among those passed over: found only where no line before it can be that long.
    if (found && line.offset > static_cast<long long>(LINE_LIMIT) && stops_before(path, line.offset)) found = 0;
    return found;
}

// The first rapid before any cut or hole, in G90, that reaches exactly the
// point of the start's G92 is written where it stands: the tool starts from
// there unturned.
int is_start_block(ExpectedStream &stream, const Motion &motion) {
    if (motion.kind == MOTION_FEED || motion.kind == MOTION_ARC_CW || motion.kind == MOTION_ARC_CCW ||
        motion.kind == MOTION_HOLE) {
        stream.start_armed = 0;
    }
    if (!stream.start_armed || motion.kind != MOTION_RAPID || motion.state.distance != 90) return 0;
    for (int axis = 0; axis < 3; ++axis) {
        if (!motion.end.known[axis]) return 0;
    }
    if (stream.start_scan == 0) {
        stream.start_scan = find_start_setting(stream.input_path.c_str(), stream.start_point) ? 1 : -1;
    }
    if (stream.start_scan < 0) return 0;
    for (int axis = 0; axis < 3; ++axis) {
        if (motion.end.v[axis] != stream.start_point[axis]) return 0;
    }
    stream.start_armed = 0;
    return 1;
}

// ---------------------------------------------------------------------------
// Clearance

void restart_clearance(ExpectedStream &stream, const Point3 &where) {
    stream.high_known = where.known[AXIS_Z];
    stream.high_z = where.v[AXIS_Z];
}

void raise_clearance(ExpectedStream &stream, const Motion &motion) {
    if (!motion.end.known[AXIS_Z]) return;
    if (!stream.high_known || motion.end.v[AXIS_Z] > stream.high_z) {
        stream.high_z = motion.end.v[AXIS_Z];
        stream.high_known = 1;
    }
}

// A setup line (a tool, an offset, a frame) starts the clearance afresh; the
// whole program also learns the start point from the first G92 naming X, Y, Z.
void take_setup(ExpectedStream &stream, const Motion &setup) {
    restart_clearance(stream, setup.end);
    if (stream.start_scan == 0 && setup.axes == 7) {
        stream.start_scan = 1;
        for (int axis = 0; axis < 3; ++axis) stream.start_point[axis] = setup.end.v[axis];
    }
}

// Hands out one motion turned by steps times the angle, with the clearance before it.
int hand_out(ExpectedStream &stream, const Motion &motion, int pass, int steps, ExpectedMotion &expected) {
    expected.motion = motion;
    expected.pass = pass;
    double angle = stream.params.angle * steps;
    // No turn at all leaves every point as it is, a half-known one included.
    if (angle != 0.0) {
        if (angle != stream.turn.angle) turn_factors(angle, stream.turn);
        // The centre is a point of the part: where a G92 has shifted the frame
        // the same point has other numbers, and the turn stays one rigid turn.
        const double *shift = motion.state.frame_delta;
        const double centre[2] = {stream.params.centre[0] - shift[AXIS_X], stream.params.centre[1] - shift[AXIS_Y]};
        turn_motion(expected.motion, stream.turn, centre);
    }
    expected.clearance = stream.high_z;
    expected.clearance_known = stream.high_known;
    raise_clearance(stream, motion);
    return 1;
}

// ---------------------------------------------------------------------------
// The whole program turned once

int knows_xy(const Point3 &point) { return point.known[AXIS_X] && point.known[AXIS_Y]; }

int same_xy(const Point3 &a, const Point3 &b) {
    return knows_xy(a) && knows_xy(b) && a.v[AXIS_X] == b.v[AXIS_X] && a.v[AXIS_Y] == b.v[AXIS_Y];
}

// A G92 that starts a frame of its own in X or Y names the point where the
// tool stands on the machine: the output sets the same point, unturned. One
// that shifts the frame while the tool stands there renames that point.
void follow_anchor_setting(ExpectedStream &stream, const Motion &setup) {
    const int *token = setup.state.frame_token;
    int started = token[AXIS_X] != stream.last_token[AXIS_X] || token[AXIS_Y] != stream.last_token[AXIS_Y];
    if ((setup.axes & 3) && (started || stream.anchored)) {
        stream.anchored = knows_xy(setup.end);
        stream.anchor[0] = setup.end.v[AXIS_X];
        stream.anchor[1] = setup.end.v[AXIS_Y];
    }
    stream.last_token[AXIS_X] = token[AXIS_X];
    stream.last_token[AXIS_Y] = token[AXIS_Y];
}

void put_xy(Point3 &point, const double xy[2]) {
    point.v[AXIS_X] = xy[0];
    point.v[AXIS_Y] = xy[1];
}

// While the tool stands at its unturned point, a rapid starts from there, and
// one that keeps X and Y (a move in Z) stays there. A cut or a hole is cut at
// its turned place: the composition brings the tool there first.
void keep_anchor(ExpectedStream &stream, const Motion &source, Motion &expected) {
    if (!stream.anchored) return;
    if (!knows_xy(source.start) || source.kind != MOTION_RAPID) {
        stream.anchored = 0;
        return;
    }
    put_xy(expected.start, stream.anchor);
    if (same_xy(source.start, source.end) && (source.kind != MOTION_ARC_CW && source.kind != MOTION_ARC_CCW)) {
        put_xy(expected.end, stream.anchor);
        return;
    }
    stream.anchored = 0;
}

int next_whole(ExpectedStream &stream, ExpectedMotion &expected) {
    const Motion *motion = nullptr;
    for (;;) {
        int got = model_next(*stream.source, motion);
        if (got < 0) return fail_source(stream, *stream.source);
        if (got == 0) return 0;
        if (motion->kind == MOTION_SETUP) {
            take_setup(stream, *motion);
            follow_anchor_setting(stream, *motion);
            continue;
        }
        int start_block = is_start_block(stream, *motion);
        hand_out(stream, *motion, 0, start_block ? 0 : 1, expected);
        keep_anchor(stream, *motion, expected.motion);
        if (start_block) {
            stream.anchored = 1;
            stream.anchor[0] = motion->end.v[AXIS_X];
            stream.anchor[1] = motion->end.v[AXIS_Y];
        }
        return 1;
    }
}

// ---------------------------------------------------------------------------
// Copies of the whole program: the source read again for every copy, its
// settings carried on as the machine carries them (the tool, the G92 frames,
// the modes of motion and distance, the feed), except what the left-out end
// code undoes and what a program may leave unnamed because the control starts
// in it: the spindle stopped, the coolant off, the machine's own work offset,
// no tool length, G94, G64 and G98. A copy moves in those as the source did.
// Only the last pass ends the program.

// A copy starts wherever the pass before left the tool: like the source at its
// start, it knows no position until it names one.
void forget_positions(ModelState &state) {
    for (int axis = 0; axis < 3; ++axis) state.position.known[axis] = 0;
    state.position_by_rapid = 0;
}

void start_as_the_program_starts(ModelState &state) {
    forget_positions(state);
    set_power_on_modes(state);
    state.machine.spindle = 5;
    state.machine.mist = 0;
    state.machine.flood = 0;
    state.machine.work_offset = 0;
    state.machine.work_p = 0;
    state.machine.length_comp = 49;
}

int next_copy_of_program(ExpectedStream &stream, ExpectedMotion &expected) {
    const Motion *motion = nullptr;
    for (;;) {
        int got = model_next(*stream.source, motion);
        if (got < 0) return fail_source(stream, *stream.source);
        if (got == 0) {
            if (stream.pass + 1 >= stream.pass_count) return 0;
            stream.pass += 1;
            if (model_restart(*stream.source) < 0) return fail_source(stream, *stream.source);
            start_as_the_program_starts(stream.source->state);
            restart_clearance(stream, stream.source->state.position);
            continue;
        }
        if (motion->kind == MOTION_SETUP) {
            take_setup(stream, *motion);
            continue;
        }
        if (motion->kind == MOTION_END && stream.pass + 1 < stream.pass_count) continue;
        return hand_out(stream, *motion, stream.pass, stream.pass, expected);
    }
}

// ---------------------------------------------------------------------------
// Copies per machining

// The machining is complete with count items: its copies follow.
void close_machining(ExpectedStream &stream, long long count) {
    MachiningTrack &track = stream.track;
    track.open = 0;
    track.previous_cut = 0;
    if (stream.pass_count < 2 || count <= 0) return;
    track.copying = 1;
    track.copy = 0;
    track.copy_items = count;
    track.copy_left = 0;
}

// The next item of the copies, 1; 0 when the copies are done; -1 on error.
int next_machining_copy(ExpectedStream &stream, ExpectedMotion &expected) {
    MachiningTrack &track = stream.track;
    while (track.copy_left == 0) {
        track.copy += 1;
        if (track.copy >= stream.pass_count) {
            track.copying = 0;
            return 0;
        }
        if (model_seek(*stream.copies, track.mark) < 0) return fail_source(stream, *stream.copies);
        track.copy_left = track.copy_items;
        track.copy_first = 1;
    }
    const Motion *motion = nullptr;
    int got = model_next(*stream.copies, motion);
    if (got <= 0) {
        if (got == 0) stream.copies->error = "変換元ファイルが途中で変わりました";
        return fail_source(stream, *stream.copies);
    }
    track.copy_left -= 1;
    hand_out(stream, *motion, track.copy, track.copy, expected);
    // A copy is entered from its entry point as the source entered the machining.
    if (track.copy_first) expected.motion.start_by_rapid = 1;
    track.copy_first = 0;
    return 1;
}

// Follows the source through machinings. 1 when the motion is handed out as
// it is, 0 when it was taken (a setup line) or held back behind the copies.
int follow_machining(ExpectedStream &stream, const Motion &motion) {
    MachiningTrack &track = stream.track;
    switch (motion.kind) {
    case MOTION_FEED:
    case MOTION_ARC_CW:
    case MOTION_ARC_CCW:
        if (track.open) {
            track.items += 1;
            track.through_cut = track.items;
        } else if (!track.previous_cut) {
            track.open = 1;
            model_mark(*stream.source, motion, track.mark);
            track.items = 1;
            track.through_cut = 1;
        }
        track.previous_cut = 1;
        return 1;
    case MOTION_DWELL:
    case MOTION_STOP:
        if (track.open) track.items += 1;
        return 1;
    case MOTION_RAPID:
        track.previous_cut = 0;
        if (track.open) {
            track.items += 1;
            close_machining(stream, track.items);
        }
        return 1;
    default:
        // A setup line, a hole, a reference return or the end: the machining
        // ends with its last cut, and the copies come before this item.
        if (track.open) {
            close_machining(stream, track.through_cut);
            track.holding = 1;
            track.held = motion;
            return 0;
        }
        track.previous_cut = 0;
        if (motion.kind == MOTION_SETUP) {
            take_setup(stream, motion);
            return 0;
        }
        return 1;
    }
}

int next_per_machining(ExpectedStream &stream, ExpectedMotion &expected) {
    MachiningTrack &track = stream.track;
    for (;;) {
        if (track.copying) {
            int got = next_machining_copy(stream, expected);
            if (got != 0) return got;
            continue;
        }
        const Motion *motion = nullptr;
        Motion held;
        if (track.holding) {
            track.holding = 0;
            held = track.held;
            motion = &held;
        } else {
            if (track.source_done) return 0;
            int got = model_next(*stream.source, motion);
            if (got < 0) return fail_source(stream, *stream.source);
            if (got == 0) {
                track.source_done = 1;
                if (track.open) close_machining(stream, track.through_cut);
                continue;
            }
        }
        if (follow_machining(stream, *motion)) return hand_out(stream, *motion, 0, 0, expected);
    }
}

void turn_xy(double &x, double &y, double c, double s, const double centre[2]) {
    double dx = x - centre[0];
    double dy = y - centre[1];
    x = centre[0] + dx * c - dy * s;
    y = centre[1] + dx * s + dy * c;
}

// A point is turned only when both X and Y are known: either alone says
// nothing about where the turned point lies.
void turn_point(Point3 &point, double c, double s, const double centre[2]) {
    if (!point.known[AXIS_X] || !point.known[AXIS_Y]) {
        point.known[AXIS_X] = point.known[AXIS_Y] = 0;
        return;
    }
    turn_xy(point.v[AXIS_X], point.v[AXIS_Y], c, s, centre);
}

}  // namespace

int composition_of(const CheckParams &params) {
    if (params.keep_source != 1) return COMPOSITION_WHOLE;
    return params.composition == 1 ? COMPOSITION_PER_MACHINING : COMPOSITION_COPIES;
}

void turn_factors(double angle, TurnFactors &factors) {
    double radians = angle * DEGREES_TO_RADIANS;
    factors.angle = angle;
    factors.cosine = std::cos(radians);
    factors.sine = std::sin(radians);
}

void turn_motion(Motion &motion, const TurnFactors &factors, const double centre[2]) {
    double c = factors.cosine;
    double s = factors.sine;
    turn_point(motion.start, c, s, centre);
    turn_point(motion.end, c, s, centre);
    if (motion.kind == MOTION_ARC_CW || motion.kind == MOTION_ARC_CCW) {
        turn_xy(motion.centre[0], motion.centre[1], c, s, centre);
    }
}

int expected_open(ExpectedStream &stream, const char *input_path, const CheckParams &params) {
    stream.params = params;
    stream.composition = composition_of(params);
    stream.pass_count = stream.composition == COMPOSITION_WHOLE || params.copy_count < 1 ? 1 : params.copy_count;
    stream.pass = 0;
    stream.input_path = input_path ? input_path : "";
    stream.start_scan = 0;
    stream.start_armed = stream.composition == COMPOSITION_WHOLE;
    stream.anchored = 0;
    stream.last_token[AXIS_X] = stream.last_token[AXIS_Y] = 0;
    stream.high_known = 0;
    stream.high_z = 0.0;
    turn_factors(0.0, stream.turn);
    stream.track = MachiningTrack{};
    stream.error_line = 0;
    stream.error.clear();
    stream.source.reset(new ModelRun);
    if (model_open(*stream.source, input_path, stream.composition == COMPOSITION_PER_MACHINING) < 0) {
        stream.error = "変換元ファイルを開けません";
        return -1;
    }
    if (stream.composition == COMPOSITION_PER_MACHINING) {
        stream.copies.reset(new ModelRun);
        if (model_open(*stream.copies, input_path, 0) < 0) {
            stream.error = "変換元ファイルを開けません";
            return -1;
        }
    }
    return 0;
}

int expected_next(ExpectedStream &stream, ExpectedMotion &expected) {
    switch (stream.composition) {
    case COMPOSITION_COPIES: return next_copy_of_program(stream, expected);
    case COMPOSITION_PER_MACHINING: return next_per_machining(stream, expected);
    default: return next_whole(stream, expected);
    }
}

void expected_close(ExpectedStream &stream) {
    if (stream.source) model_close(*stream.source);
    if (stream.copies) model_close(*stream.copies);
}
