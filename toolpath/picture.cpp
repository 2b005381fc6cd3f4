// The tool-path picture. Two passes over the programs: the first measures the
// extent, the second draws into the record. Drawing is thinned to a grid over
// the extent, so a program of a million moves gives a picture of the size its
// detail needs; one that would still outgrow the step limit is drawn again on
// a coarser grid.
#include "toolpath/picture.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "toolpath/check_run.h"
#include "toolpath/expected_motions.h"
#include "toolpath/model.h"

namespace {

const double PI = 3.14159265358979323846;

// The colour of each stroke, 0xRRGGBB.
const unsigned long ColourValues[PICTURE_COLOURS] = {
    0xb4b4b4,  // the source, grey
    0x000000,  // moves of the composition's own
    0xe03131,  // after the check's first difference
    0x1c4fb0,  // the source's own place
    0xd9480f,  // copy 1
    0x2b8a3e,  // copy 2
    0x9c36b5,  // copy 3
    0xe67700,  // copy 4
    0x0c8599,  // copy 5
    0xc2255c,  // copy 6
    0x5c940d,  // copy 7
};

// Steps one move can add: the merged end, the pen set down, and a circle's two
// halves or a hole's line and cross, with the closing of its path.
const long long STEPS_PER_MOVE = 6;

// The pen of one drawing: the path being drawn and where it stands.
struct Pen {
    Picture *picture;
    double cell[2];         // millimetres per grid cell in X and Y
    int open;               // a path is open
    unsigned char colour;   // its look
    unsigned char dashed;
    double at[2];           // the last point drawn, in millimetres
    long cell_at[2];        // its cell
    int pending;            // a merged end not drawn yet
    double pending_at[2];
};

// Moves already drawn, by a key of their cells and look: 2^18 slots, a fixed
// table, so that memory stays flat however often a path is repeated.
const int SEEN_BITS = 18;

struct Drawing {
    Pen pen;
    long long step_limit;
    int last_grid;  // on the coarsest grid moves beyond the limit are counted, not drawn
    int full;       // the limit was reached
    std::unique_ptr<uint64_t[]> seen;
};

void extend(PathExtent &extent, double x, double y) {
    if (extent.empty) {
        extent.empty = 0;
        extent.min[0] = extent.max[0] = x;
        extent.min[1] = extent.max[1] = y;
        return;
    }
    if (x < extent.min[0]) extent.min[0] = x;
    if (x > extent.max[0]) extent.max[0] = x;
    if (y < extent.min[1]) extent.min[1] = y;
    if (y > extent.max[1]) extent.max[1] = y;
}

int is_arc(const Motion &motion) { return motion.kind == MOTION_ARC_CW || motion.kind == MOTION_ARC_CCW; }

// A move is drawn when it has a known start and end in X and Y.
int is_drawable(const Motion &motion) {
    if (motion.kind != MOTION_RAPID && motion.kind != MOTION_FEED && !is_arc(motion) && motion.kind != MOTION_HOLE) {
        return 0;
    }
    return motion.start.known[AXIS_X] && motion.start.known[AXIS_Y] && motion.end.known[AXIS_X] &&
           motion.end.known[AXIS_Y];
}

int is_full_circle(const Motion &motion) {
    return std::fabs(motion.start.v[AXIS_X] - motion.end.v[AXIS_X]) < 0.0005 &&
           std::fabs(motion.start.v[AXIS_Y] - motion.end.v[AXIS_Y]) < 0.0005;
}

// The angle an arc sweeps, in radians, in its own direction: (0, 2 pi].
double arc_sweep(const Motion &motion) {
    if (is_full_circle(motion)) return 2.0 * PI;
    double a0 = std::atan2(motion.start.v[AXIS_Y] - motion.centre[1], motion.start.v[AXIS_X] - motion.centre[0]);
    double a1 = std::atan2(motion.end.v[AXIS_Y] - motion.centre[1], motion.end.v[AXIS_X] - motion.centre[0]);
    double sweep = motion.kind == MOTION_ARC_CCW ? a1 - a0 : a0 - a1;
    while (sweep <= 0.0) sweep += 2.0 * PI;
    while (sweep > 2.0 * PI) sweep -= 2.0 * PI;
    return sweep;
}

double arc_radius(const Motion &motion) {
    return std::hypot(motion.start.v[AXIS_X] - motion.centre[0], motion.start.v[AXIS_Y] - motion.centre[1]);
}

// The extent of a move: its ends, and for an arc the quadrant points it passes.
void extend_by_motion(PathExtent &extent, const Motion &motion) {
    extend(extent, motion.start.v[AXIS_X], motion.start.v[AXIS_Y]);
    extend(extent, motion.end.v[AXIS_X], motion.end.v[AXIS_Y]);
    if (!is_arc(motion)) return;
    double radius = arc_radius(motion);
    double start = std::atan2(motion.start.v[AXIS_Y] - motion.centre[1], motion.start.v[AXIS_X] - motion.centre[0]);
    double sweep = arc_sweep(motion);
    double direction = motion.kind == MOTION_ARC_CCW ? 1.0 : -1.0;
    for (int quadrant = 0; quadrant < 4; ++quadrant) {
        double angle = quadrant * PI / 2.0;
        double from_start = direction * (angle - start);
        while (from_start < 0.0) from_start += 2.0 * PI;
        while (from_start >= 2.0 * PI) from_start -= 2.0 * PI;
        if (from_start <= sweep) {
            extend(extent, motion.centre[0] + radius * std::cos(angle), motion.centre[1] + radius * std::sin(angle));
        }
    }
}

// First pass over one program: its extent and the number of moves drawn.
int measure(const char *path, PathExtent &extent, long long &segments) {
    extent.empty = 1;
    segments = 0;
    std::unique_ptr<ModelRun> run(new ModelRun);
    if (model_open(*run, path, 0) < 0) return -1;
    const Motion *motion = nullptr;
    while (model_next(*run, motion) == 1) {
        if (!is_drawable(*motion)) continue;
        extend_by_motion(extent, *motion);
        segments += 1;
    }
    model_close(*run);
    return 0;
}

// The drawing's rectangle: both programs and the centre, with room in both
// directions even for a drawing of a line or a point.
void set_drawing_extent(Picture &picture, const double centre[2]) {
    PathExtent all = {1, {0.0, 0.0}, {0.0, 0.0}};
    for (const PathExtent *part : {&picture.facts.source_extent, &picture.facts.result_extent}) {
        if (part->empty) continue;
        extend(all, part->min[0], part->min[1]);
        extend(all, part->max[0], part->max[1]);
    }
    extend(all, centre[0], centre[1]);
    for (int axis = 0; axis < 2; ++axis) {
        if (all.max[axis] - all.min[axis] < 1.0) {
            double middle = (all.max[axis] + all.min[axis]) / 2.0;
            all.min[axis] = middle - 0.5;
            all.max[axis] = middle + 0.5;
        }
    }
    picture.extent = all;
    picture.centre[0] = centre[0];
    picture.centre[1] = centre[1];
}

// ---------------------------------------------------------------------------
// The pen

long cell_of(const Pen &pen, int axis, double value) {
    return static_cast<long>(std::floor((value - pen.picture->extent.min[axis]) / pen.cell[axis]));
}

void add_step(Pen &pen, PictureStepKind kind, double x, double y, uint32_t arc) {
    PictureStep step;
    step.at[0] = x;
    step.at[1] = y;
    step.arc = arc;
    step.kind = kind;
    pen.picture->steps.push_back(step);
    pen.picture->paths.back().count += 1;
    if (kind == STEP_LINE || kind == STEP_ARC) pen.picture->facts.drawn_segments += 1;
}

void place_pen(Pen &pen, double x, double y) {
    pen.at[0] = x;
    pen.at[1] = y;
    pen.cell_at[0] = cell_of(pen, 0, x);
    pen.cell_at[1] = cell_of(pen, 1, y);
}

void flush_pending(Pen &pen) {
    if (!pen.pending) return;
    add_step(pen, STEP_LINE, pen.pending_at[0], pen.pending_at[1], 0);
    place_pen(pen, pen.pending_at[0], pen.pending_at[1]);
    pen.pending = 0;
}

void close_path(Pen &pen) {
    if (!pen.open) return;
    flush_pending(pen);
    pen.open = 0;
}

int in_cell(const Pen &pen, double x, double y, const long cell[2]) {
    return cell_of(pen, 0, x) == cell[0] && cell_of(pen, 1, y) == cell[1];
}

// Brings the pen, in the look asked for, to the start of a move. A move that
// starts where the last one ended goes on from there (merged ends included).
void bring_pen(Pen &pen, unsigned char colour, unsigned char dashed, double x, double y) {
    if (pen.open && pen.colour == colour && pen.dashed == dashed) {
        const double *end = pen.pending ? pen.pending_at : pen.at;
        long end_cell[2] = {cell_of(pen, 0, end[0]), cell_of(pen, 1, end[1])};
        if (in_cell(pen, x, y, end_cell)) return;
        flush_pending(pen);
    } else {
        close_path(pen);
        PicturePath path;
        path.colour = colour;
        path.dashed = dashed;
        path.first = static_cast<uint32_t>(pen.picture->steps.size());
        path.count = 0;
        pen.picture->paths.push_back(path);
        pen.colour = colour;
        pen.dashed = dashed;
        pen.open = 1;
    }
    add_step(pen, STEP_MOVE, x, y, 0);
    place_pen(pen, x, y);
}

// A straight piece to (x, y): merged while it ends in the cell the pen is in.
void draw_line(Pen &pen, double x, double y) {
    if (in_cell(pen, x, y, pen.cell_at)) {
        pen.pending = 1;
        pen.pending_at[0] = x;
        pen.pending_at[1] = y;
        return;
    }
    pen.pending = 0;
    add_step(pen, STEP_LINE, x, y, 0);
    place_pen(pen, x, y);
}

void add_arc_piece(Pen &pen, const Motion &motion, double radius, int large, double x, double y) {
    PictureArc arc;
    arc.centre[0] = motion.centre[0];
    arc.centre[1] = motion.centre[1];
    arc.radius = radius;
    arc.counter_clockwise = motion.kind == MOTION_ARC_CCW;
    arc.large = static_cast<unsigned char>(large);
    pen.picture->arcs.push_back(arc);
    add_step(pen, STEP_ARC, x, y, static_cast<uint32_t>(pen.picture->arcs.size() - 1));
    place_pen(pen, x, y);
}

void draw_arc(Pen &pen, const Motion &motion) {
    double radius = arc_radius(motion);
    double x = motion.end.v[AXIS_X];
    double y = motion.end.v[AXIS_Y];
    if (radius < pen.cell[0] && radius < pen.cell[1]) {
        draw_line(pen, x, y);
        return;
    }
    flush_pending(pen);
    if (is_full_circle(motion)) {
        // One arc piece cannot close on itself: the circle is drawn in two halves.
        double opposite_x = 2.0 * motion.centre[0] - motion.start.v[AXIS_X];
        double opposite_y = 2.0 * motion.centre[1] - motion.start.v[AXIS_Y];
        add_arc_piece(pen, motion, radius, 0, opposite_x, opposite_y);
        add_arc_piece(pen, motion, radius, 0, x, y);
        return;
    }
    add_arc_piece(pen, motion, radius, arc_sweep(motion) > PI ? 1 : 0, x, y);
}

// A hole: its positioning, and a cross where it is drilled.
void draw_hole(Pen &pen, double x, double y) {
    int new_cell = !in_cell(pen, x, y, pen.cell_at);
    draw_line(pen, x, y);
    if (new_cell) add_step(pen, STEP_HOLE, x, y, 0);
}

uint64_t mix(uint64_t hash, uint64_t value) {
    hash ^= value + 0x9e3779b97f4a7c15ull + (hash << 6) + (hash >> 2);
    hash ^= hash >> 31;
    hash *= 0xbf58476d1ce4e5b9ull;
    return hash ^ (hash >> 29);
}

// A move drawn before from the same cell to the same cell in the same look
// (a pocket cut again and again at one place, the copies over one another)
// adds nothing to the picture.
int drawn_before(Drawing &drawing, const Motion &motion, int colour, int dashed) {
    const Pen &pen = drawing.pen;
    char style[16];
    picture_style_name(colour, dashed, style);
    uint64_t key = 0;
    for (const char *byte = style; *byte; ++byte) key = mix(key, static_cast<unsigned char>(*byte));
    key = mix(key, static_cast<uint64_t>(motion.kind));
    const double points[3][2] = {{motion.start.v[AXIS_X], motion.start.v[AXIS_Y]},
                                 {motion.end.v[AXIS_X], motion.end.v[AXIS_Y]},
                                 {motion.centre[0], motion.centre[1]}};
    for (const auto &point : points) {
        key = mix(key, static_cast<uint64_t>(cell_of(pen, 0, point[0])));
        key = mix(key, static_cast<uint64_t>(cell_of(pen, 1, point[1])));
    }
    key |= 1;
    uint64_t &slot = drawing.seen[key >> (64 - SEEN_BITS)];
    if (slot == key) return 1;
    slot = key;
    return 0;
}

// Whether the picture has room for one more move. Past the limit a finer grid
// gives up (the picture is drawn again, coarser); the coarsest counts what it leaves out.
int has_room(Drawing &drawing) {
    if (drawing.full && !drawing.last_grid) return 0;
    if (static_cast<long long>(drawing.pen.picture->steps.size()) + STEPS_PER_MOVE <= drawing.step_limit) return 1;
    drawing.full = 1;
    return 0;
}

void draw_motion(Drawing &drawing, const Motion &motion, int colour) {
    if (!is_drawable(motion)) return;
    int dashed = motion.kind == MOTION_RAPID || motion.kind == MOTION_HOLE;
    if (!has_room(drawing)) {
        // What is left out is counted once, as what is drawn is drawn once.
        if (drawing.last_grid && !drawn_before(drawing, motion, colour, dashed)) drawing.pen.picture->omitted += 1;
        return;
    }
    if (drawn_before(drawing, motion, colour, dashed)) return;
    Pen &pen = drawing.pen;
    bring_pen(pen, static_cast<unsigned char>(colour), static_cast<unsigned char>(dashed), motion.start.v[AXIS_X],
              motion.start.v[AXIS_Y]);
    if (is_arc(motion)) {
        draw_arc(pen, motion);
    } else if (motion.kind == MOTION_HOLE) {
        draw_hole(pen, motion.end.v[AXIS_X], motion.end.v[AXIS_Y]);
    } else {
        draw_line(pen, motion.end.v[AXIS_X], motion.end.v[AXIS_Y]);
    }
}

// A fresh pen and an empty table of moves drawn, for each of the two programs.
void start_drawing(Drawing &drawing) {
    Picture *picture = drawing.pen.picture;
    std::memset(&drawing.pen, 0, sizeof drawing.pen);
    drawing.pen.picture = picture;
    drawing.pen.cell[0] = (picture->extent.max[0] - picture->extent.min[0]) / picture->grid;
    drawing.pen.cell[1] = (picture->extent.max[1] - picture->extent.min[1]) / picture->grid;
    if (!drawing.seen) drawing.seen.reset(new uint64_t[1u << SEEN_BITS]);
    std::memset(drawing.seen.get(), 0, sizeof(uint64_t) << SEEN_BITS);
}

void draw_source(Drawing &drawing, const char *path) {
    start_drawing(drawing);
    std::unique_ptr<ModelRun> run(new ModelRun);
    if (model_open(*run, path, 0) < 0) return;
    const Motion *motion = nullptr;
    while (model_next(*run, motion) == 1) {
        draw_motion(drawing, *motion, COLOUR_SOURCE);
        if (drawing.full && !drawing.last_grid) break;
    }
    model_close(*run);
    close_path(drawing.pen);
}

// The output coloured by what the check found each move to be.
void draw_output_motion(void *context, const Motion &motion, int pass) {
    int colour = COLOUR_PLACEMENT + pass % PLACEMENT_COLOURS;
    if (pass == PASS_COMPOSITION_MOVE) colour = COLOUR_COMPOSITION;
    else if (pass == PASS_UNCHECKED) colour = COLOUR_UNCHECKED;
    draw_motion(*static_cast<Drawing *>(context), motion, colour);
}

// A difference shows in the colours (the rest of the output is drawn as
// unchecked); the check's result is kept for the caller's words in the legend.
void draw_result(Drawing &drawing, const char *input_path, const char *output_path, const CheckParams &params) {
    start_drawing(drawing);
    CheckObserver observer = {&drawing, draw_output_motion};
    Picture &picture = *drawing.pen.picture;
    picture.check = CheckResult();
    picture.check_status = check_conversion_observed(input_path, output_path, params, picture.check, &observer);
    close_path(drawing.pen);
}

// Draws both programs on the picture's grid; 1 when they fitted the limit (or
// the grid is the coarsest), 0 when they must be drawn again coarser.
int draw_programs(Picture &picture, Drawing &drawing, const char *input_path, const char *output_path,
                  const CheckParams &params) {
    picture.paths.clear();
    picture.steps.clear();
    picture.arcs.clear();
    picture.facts.drawn_segments = 0;
    picture.omitted = 0;
    drawing.full = 0;
    drawing.last_grid = picture.grid / 2 < PICTURE_COARSEST_GRID;
    draw_source(drawing, input_path);
    if (!drawing.full || drawing.last_grid) draw_result(drawing, input_path, output_path, params);
    return !drawing.full || drawing.last_grid;
}

// ---------------------------------------------------------------------------
// The legend

std::string extent_text(const char *label, const PathExtent &extent) {
    if (extent.empty) return std::string(label) + " 描ける移動なし";
    char text[200];
    std::snprintf(text, sizeof text, "%s X%.3f〜%.3f Y%.3f〜%.3f", label, extent.min[0] + 0.0, extent.max[0] + 0.0,
                  extent.min[1] + 0.0, extent.max[1] + 0.0);
    return text;
}

const char *composition_name(const CheckParams &params) {
    switch (composition_of(params)) {
    case COMPOSITION_COPIES: return "全体のコピー";
    case COMPOSITION_PER_MACHINING: return "加工毎のコピー";
    default: return "全体を回転";
    }
}

PictureKey key_of(int colour, int dashed, const std::string &label) {
    PictureKey key;
    key.colour = static_cast<unsigned char>(colour);
    key.dashed = static_cast<unsigned char>(dashed);
    key.label = label;
    return key;
}

void set_legend(Picture &picture, const CheckParams &params, const char *check_text) {
    char line[300];
    int written = std::snprintf(line, sizeof line, "%s  回転角度 %.3f°  回転中心 X%.3f Y%.3f", composition_name(params),
                                params.angle, params.centre[0] + 0.0, params.centre[1] + 0.0);
    if (composition_of(params) != COMPOSITION_WHOLE && written > 0 && static_cast<size_t>(written) < sizeof line) {
        std::snprintf(line + written, sizeof line - static_cast<size_t>(written), "  配置数 %d", params.copy_count);
    }
    picture.legend[LEGEND_JOB] = line;
    picture.legend[LEGEND_SOURCE_EXTENT] = extent_text("変換元(灰色)", picture.facts.source_extent);
    picture.legend[LEGEND_RESULT_EXTENT] = extent_text("変換後", picture.facts.result_extent);
    if (picture.omitted > 0) {
        std::snprintf(line, sizeof line, "  （%lld 移動は表示を省略）", picture.omitted);
        picture.legend[LEGEND_RESULT_EXTENT] += line;
    }
    set_picture_check_text(picture, check_text);
    // The keys: the source, each placement of the result, then the kinds of line.
    picture.placement_keys.push_back(key_of(COLOUR_SOURCE, 0, "変換元"));
    int placements = composition_of(params) == COMPOSITION_WHOLE || params.copy_count < 1 ? 1 : params.copy_count;
    for (int k = 0; k < placements && k < PLACEMENT_COLOURS; ++k) {
        if (k == 0) std::snprintf(line, sizeof line, placements > 1 ? "元の位置" : "変換後");
        else std::snprintf(line, sizeof line, "コピー%d", k);
        picture.placement_keys.push_back(key_of(COLOUR_PLACEMENT + k, 0, line));
    }
    picture.line_keys.push_back(key_of(COLOUR_PLACEMENT, 1, "早送り(破線)"));
    picture.line_keys.push_back(key_of(COLOUR_COMPOSITION, 0, "組み立ての移動"));
    picture.line_keys.push_back(key_of(COLOUR_UNCHECKED, 0, "照合の止まった後"));
}

}  // namespace

unsigned long picture_colour_rgb(int colour) {
    return colour >= 0 && colour < PICTURE_COLOURS ? ColourValues[colour] : 0;
}

void picture_style_name(int colour, int dashed, char name[16]) {
    const char *look = dashed ? " r" : "";
    if (colour == COLOUR_SOURCE) std::snprintf(name, 16, "s%s", look);
    else if (colour == COLOUR_COMPOSITION) std::snprintf(name, 16, "c%s", look);
    else if (colour == COLOUR_UNCHECKED) std::snprintf(name, 16, "u%s", look);
    else std::snprintf(name, 16, "k%d%s", (colour - COLOUR_PLACEMENT) % PLACEMENT_COLOURS, look);
}

void set_picture_check_text(Picture &picture, const char *check_text) {
    picture.legend[LEGEND_CHECK] = std::string("照合: ") + (check_text ? check_text : "(なし)");
}

double scale_bar_length(double pixels_per_mm, double pixels) {
    double wanted = pixels / pixels_per_mm;
    double power = std::pow(10.0, std::floor(std::log10(wanted)));
    double length = power;
    if (2.0 * power <= wanted) length = 2.0 * power;
    if (5.0 * power <= wanted) length = 5.0 * power;
    return length;
}

int build_picture(const char *input_path, const char *output_path, const CheckParams &params, const char *check_text,
                  Picture &picture, long long step_limit) {
    picture = Picture();
    PictureFacts &facts = picture.facts;
    if (measure(input_path, facts.source_extent, facts.source_segments) < 0 ||
        measure(output_path, facts.result_extent, facts.result_segments) < 0) {
        picture = Picture();
        return -1;
    }
    set_drawing_extent(picture, params.centre);
    std::unique_ptr<Drawing> drawing(new Drawing);
    drawing->pen.picture = &picture;
    drawing->step_limit = step_limit;
    for (picture.grid = PICTURE_GRID;; picture.grid /= 2) {
        if (draw_programs(picture, *drawing, input_path, output_path, params)) break;
    }
    set_legend(picture, params, check_text);
    return 0;
}
