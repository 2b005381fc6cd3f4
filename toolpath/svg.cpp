// The tool-path picture. Two passes over the programs: the first measures the
// extent, the second draws. Drawing is thinned to a grid over the extent, so a
// program of a million moves gives a picture of the size its detail needs.
#include "toolpath/svg.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "toolpath/check_run.h"
#include "toolpath/expected_motions.h"
#include "toolpath/model.h"

namespace {

const double PI = 3.14159265358979323846;
const int GRID = 2000;                // cells along each side of the extent
const double DRAWING = 1000.0;        // pixels along the longer side of the drawing
const double MARGIN = 40.0;           // pixels around the drawing
const double LEGEND_HEIGHT = 170.0;   // pixels below it
const double HOLE_MARK = 3.0;         // pixels of the cross at a hole
const int COPY_COLOURS = 8;

// The colour of each placement in the result: the source first, then the copies.
const char *const CopyColours[COPY_COLOURS] = {
    "#1c4fb0",  // the source's own place
    "#d9480f",  // copy 1
    "#2b8a3e",  // copy 2
    "#9c36b5",  // copy 3
    "#e67700",  // copy 4
    "#0c8599",  // copy 5
    "#c2255c",  // copy 6
    "#5c940d",  // copy 7
};

// Mapping from program millimetres to picture pixels, and the thinning grid.
struct Canvas {
    PathExtent extent;
    double scale;      // pixels per millimetre
    double width;      // pixels of the whole picture
    double height;
    double cell[2];    // millimetres per grid cell in X and Y
};

// The pen of one drawing: the path element being written and where it stands.
struct Pen {
    TextWriter *out;
    const Canvas *canvas;
    int open;               // a <path> element is open
    char style[16];         // its class
    double at[2];           // the last point written, in millimetres
    long cell[2];           // its cell
    int pending;            // a merged end not written yet
    double pending_at[2];
    long long drawn;
};

// Moves already drawn, by a key of their cells and style: 2^18 slots, a fixed
// table, so that memory stays flat however often a path is repeated.
const int SEEN_BITS = 18;

struct Drawing {
    Pen pen;
    long long segments;
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

// ---------------------------------------------------------------------------
// Pixels

double pixel_x(const Canvas &canvas, double x) { return MARGIN + (x - canvas.extent.min[0]) * canvas.scale; }
double pixel_y(const Canvas &canvas, double y) { return MARGIN + (canvas.extent.max[1] - y) * canvas.scale; }

long cell_of(const Canvas &canvas, int axis, double value) {
    return static_cast<long>(std::floor((value - canvas.extent.min[axis]) / canvas.cell[axis]));
}

void setup_canvas(Canvas &canvas, const PathExtent &source, const PathExtent &result, const double centre[2]) {
    PathExtent all = {1, {0.0, 0.0}, {0.0, 0.0}};
    if (!source.empty) {
        extend(all, source.min[0], source.min[1]);
        extend(all, source.max[0], source.max[1]);
    }
    if (!result.empty) {
        extend(all, result.min[0], result.min[1]);
        extend(all, result.max[0], result.max[1]);
    }
    extend(all, centre[0], centre[1]);
    // A drawing of a line or a point still needs room in both directions.
    for (int axis = 0; axis < 2; ++axis) {
        if (all.max[axis] - all.min[axis] < 1.0) {
            double middle = (all.max[axis] + all.min[axis]) / 2.0;
            all.min[axis] = middle - 0.5;
            all.max[axis] = middle + 0.5;
        }
    }
    canvas.extent = all;
    double span_x = all.max[0] - all.min[0];
    double span_y = all.max[1] - all.min[1];
    canvas.scale = DRAWING / (span_x > span_y ? span_x : span_y);
    canvas.width = 2.0 * MARGIN + span_x * canvas.scale;
    canvas.height = 2.0 * MARGIN + span_y * canvas.scale + LEGEND_HEIGHT;
    if (canvas.width < 1000.0) canvas.width = 1000.0;
    canvas.cell[0] = span_x / GRID;
    canvas.cell[1] = span_y / GRID;
}

// ---------------------------------------------------------------------------
// The pen

void write_point(Pen &pen, char command, double x, double y) {
    text_printf(*pen.out, "%c%.2f %.2f ", command, pixel_x(*pen.canvas, x), pixel_y(*pen.canvas, y));
    pen.drawn += command == 'M' ? 0 : 1;
}

void place_pen(Pen &pen, double x, double y) {
    pen.at[0] = x;
    pen.at[1] = y;
    pen.cell[0] = cell_of(*pen.canvas, 0, x);
    pen.cell[1] = cell_of(*pen.canvas, 1, y);
}

void flush_pending(Pen &pen) {
    if (!pen.pending) return;
    write_point(pen, 'L', pen.pending_at[0], pen.pending_at[1]);
    place_pen(pen, pen.pending_at[0], pen.pending_at[1]);
    pen.pending = 0;
}

void close_path(Pen &pen) {
    if (!pen.open) return;
    flush_pending(pen);
    text_puts(*pen.out, "\"/>\n");
    pen.open = 0;
}

int in_cell(const Pen &pen, double x, double y, const long cell[2]) {
    return cell_of(*pen.canvas, 0, x) == cell[0] && cell_of(*pen.canvas, 1, y) == cell[1];
}

// Brings the pen, in the style asked for, to the start of a move. A move that
// starts where the last one ended goes on from there (merged ends included).
void bring_pen(Pen &pen, const char *style, double x, double y) {
    if (pen.open && std::strcmp(pen.style, style) == 0) {
        const double *end = pen.pending ? pen.pending_at : pen.at;
        long end_cell[2] = {cell_of(*pen.canvas, 0, end[0]), cell_of(*pen.canvas, 1, end[1])};
        if (in_cell(pen, x, y, end_cell)) return;
        flush_pending(pen);
    } else {
        close_path(pen);
        std::snprintf(pen.style, sizeof pen.style, "%s", style);
        text_printf(*pen.out, "<path class=\"%s\" d=\"", style);
        pen.open = 1;
    }
    write_point(pen, 'M', x, y);
    place_pen(pen, x, y);
}

// A straight piece to (x, y): merged while it ends in the cell the pen is in.
void draw_line(Pen &pen, double x, double y) {
    if (in_cell(pen, x, y, pen.cell)) {
        pen.pending = 1;
        pen.pending_at[0] = x;
        pen.pending_at[1] = y;
        return;
    }
    pen.pending = 0;
    write_point(pen, 'L', x, y);
    place_pen(pen, x, y);
}

void write_arc_piece(Pen &pen, double radius, int large, int counter_clockwise, double x, double y) {
    double pixels = radius * pen.canvas->scale;
    // The picture's Y grows downwards, so its positive angles turn clockwise as
    // seen: a counter-clockwise arc of the program sweeps the negative way there.
    text_printf(*pen.out, "A%.2f %.2f 0 %d %d %.2f %.2f ", pixels, pixels, large, counter_clockwise ? 0 : 1,
                pixel_x(*pen.canvas, x), pixel_y(*pen.canvas, y));
    pen.drawn += 1;
    place_pen(pen, x, y);
}

void draw_arc(Pen &pen, const Motion &motion) {
    double radius = arc_radius(motion);
    double x = motion.end.v[AXIS_X];
    double y = motion.end.v[AXIS_Y];
    int ccw = motion.kind == MOTION_ARC_CCW;
    if (radius < pen.canvas->cell[0] && radius < pen.canvas->cell[1]) {
        draw_line(pen, x, y);
        return;
    }
    flush_pending(pen);
    if (is_full_circle(motion)) {
        // One arc command cannot close on itself: the circle is drawn in two halves.
        double opposite_x = 2.0 * motion.centre[0] - motion.start.v[AXIS_X];
        double opposite_y = 2.0 * motion.centre[1] - motion.start.v[AXIS_Y];
        write_arc_piece(pen, radius, 0, ccw, opposite_x, opposite_y);
        write_arc_piece(pen, radius, 0, ccw, x, y);
        return;
    }
    write_arc_piece(pen, radius, arc_sweep(motion) > PI ? 1 : 0, ccw, x, y);
}

// A hole: its positioning, and a cross where it is drilled.
void draw_hole(Pen &pen, double x, double y) {
    int new_cell = !in_cell(pen, x, y, pen.cell);
    draw_line(pen, x, y);
    if (!new_cell) return;
    double px = pixel_x(*pen.canvas, x);
    double py = pixel_y(*pen.canvas, y);
    text_printf(*pen.out, "M%.2f %.2f h%.1f M%.2f %.2f v%.1f M%.2f %.2f ", px - HOLE_MARK, py, 2.0 * HOLE_MARK, px,
                py - HOLE_MARK, 2.0 * HOLE_MARK, px, py);
}

uint64_t mix(uint64_t hash, uint64_t value) {
    hash ^= value + 0x9e3779b97f4a7c15ull + (hash << 6) + (hash >> 2);
    hash ^= hash >> 31;
    hash *= 0xbf58476d1ce4e5b9ull;
    return hash ^ (hash >> 29);
}

// A move drawn before from the same cell to the same cell in the same style
// (a pocket cut again and again at one place, the copies over one another)
// adds nothing to the picture.
int drawn_before(Drawing &drawing, const Motion &motion, const char *style) {
    const Canvas &canvas = *drawing.pen.canvas;
    uint64_t key = 0;
    for (const char *byte = style; *byte; ++byte) key = mix(key, static_cast<unsigned char>(*byte));
    key = mix(key, static_cast<uint64_t>(motion.kind));
    const double points[3][2] = {{motion.start.v[AXIS_X], motion.start.v[AXIS_Y]},
                                 {motion.end.v[AXIS_X], motion.end.v[AXIS_Y]},
                                 {motion.centre[0], motion.centre[1]}};
    for (const auto &point : points) {
        key = mix(key, static_cast<uint64_t>(cell_of(canvas, 0, point[0])));
        key = mix(key, static_cast<uint64_t>(cell_of(canvas, 1, point[1])));
    }
    key |= 1;
    uint64_t &slot = drawing.seen[key >> (64 - SEEN_BITS)];
    if (slot == key) return 1;
    slot = key;
    return 0;
}

void draw_motion(Drawing &drawing, const Motion &motion, const char *colour) {
    if (!is_drawable(motion)) return;
    drawing.segments += 1;
    char style[16];
    int dashed = motion.kind == MOTION_RAPID || motion.kind == MOTION_HOLE;
    std::snprintf(style, sizeof style, "%s%s", colour, dashed ? " r" : "");
    if (drawn_before(drawing, motion, style)) return;
    Pen &pen = drawing.pen;
    bring_pen(pen, style, motion.start.v[AXIS_X], motion.start.v[AXIS_Y]);
    if (is_arc(motion)) {
        draw_arc(pen, motion);
    } else if (motion.kind == MOTION_HOLE) {
        draw_hole(pen, motion.end.v[AXIS_X], motion.end.v[AXIS_Y]);
    } else {
        draw_line(pen, motion.end.v[AXIS_X], motion.end.v[AXIS_Y]);
    }
}

void start_drawing(Drawing &drawing, TextWriter &out, const Canvas &canvas) {
    std::memset(&drawing.pen, 0, sizeof drawing.pen);
    drawing.pen.out = &out;
    drawing.pen.canvas = &canvas;
    drawing.segments = 0;
    if (!drawing.seen) drawing.seen.reset(new uint64_t[1u << SEEN_BITS]);
    std::memset(drawing.seen.get(), 0, sizeof(uint64_t) << SEEN_BITS);
}

void draw_source(Drawing &drawing, const char *path) {
    std::unique_ptr<ModelRun> run(new ModelRun);
    if (model_open(*run, path, 0) < 0) return;
    const Motion *motion = nullptr;
    while (model_next(*run, motion) == 1) draw_motion(drawing, *motion, "s");
    model_close(*run);
    close_path(drawing.pen);
}

// The output coloured by what the check found each move to be.
void draw_output_motion(void *context, const Motion &motion, int pass) {
    char colour[8];
    if (pass == PASS_COMPOSITION_MOVE) std::snprintf(colour, sizeof colour, "c");
    else if (pass == PASS_UNCHECKED) std::snprintf(colour, sizeof colour, "u");
    else std::snprintf(colour, sizeof colour, "k%d", pass % COPY_COLOURS);
    draw_motion(*static_cast<Drawing *>(context), motion, colour);
}

void draw_result(Drawing &drawing, const char *input_path, const char *output_path, const CheckParams &params) {
    CheckObserver observer = {&drawing, draw_output_motion};
    CheckResult result;
    // Only the colours are taken from this run: a difference shows in them
    // (the rest of the output is drawn as unchecked), and whether the check
    // passed is said by the caller's words in the legend.
    static_cast<void>(check_conversion_observed(input_path, output_path, params, result, &observer));
    close_path(drawing.pen);
}

// ---------------------------------------------------------------------------
// Header, marks and legend

void write_header(TextWriter &out, const Canvas &canvas) {
    text_printf(out,
                "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n"
                "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%.0f\" height=\"%.0f\" viewBox=\"0 0 %.0f %.0f\">\n",
                canvas.width, canvas.height, canvas.width, canvas.height);
    text_puts(out, "<style>path{fill:none;stroke-width:1.2;stroke-linecap:round;stroke-linejoin:round}"
                   ".s{stroke:#b4b4b4;stroke-width:2.5}.c{stroke:#000000;stroke-width:0.8}"
                   ".u{stroke:#e03131;stroke-width:1.5}.r{stroke-dasharray:4 3}"
                   "text{font-family:sans-serif;font-size:12px}");
    for (int k = 0; k < COPY_COLOURS; ++k) text_printf(out, ".k%d{stroke:%s}", k, CopyColours[k]);
    text_puts(out, "</style>\n<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n");
}

void write_centre_mark(TextWriter &out, const Canvas &canvas, const double centre[2]) {
    double x = pixel_x(canvas, centre[0]);
    double y = pixel_y(canvas, centre[1]);
    text_printf(out,
                "<g stroke=\"#e03131\" fill=\"none\"><circle cx=\"%.2f\" cy=\"%.2f\" r=\"6\"/>"
                "<path d=\"M%.2f %.2f h20 M%.2f %.2f v20\"/></g>\n",
                x, y, x - 10.0, y, x, y - 10.0);
}

// A bar of a round length (1, 2 or 5 times a power of ten millimetres) near 150 pixels.
void write_scale(TextWriter &out, const Canvas &canvas, double top) {
    double wanted = 150.0 / canvas.scale;
    double power = std::pow(10.0, std::floor(std::log10(wanted)));
    double length = power;
    if (2.0 * power <= wanted) length = 2.0 * power;
    if (5.0 * power <= wanted) length = 5.0 * power;
    double pixels = length * canvas.scale;
    text_printf(out,
                "<path d=\"M%.2f %.2f h%.2f M%.2f %.2f v8 M%.2f %.2f v8\" stroke=\"#000000\" fill=\"none\"/>\n"
                "<text x=\"%.2f\" y=\"%.2f\">%g mm</text>\n",
                MARGIN, top, pixels, MARGIN, top - 4.0, MARGIN + pixels, top - 4.0, MARGIN + pixels + 8.0, top + 4.0,
                length);
}

// Text inside an element: the markup characters escaped. Code page 932 trail
// bytes never take the values of "<", "&" or ">".
void write_text(TextWriter &out, double x, double y, const std::string &text) {
    text_printf(out, "<text x=\"%.2f\" y=\"%.2f\">", x, y);
    for (char byte : text) {
        if (byte == '<') text_puts(out, "&lt;");
        else if (byte == '>') text_puts(out, "&gt;");
        else if (byte == '&') text_puts(out, "&amp;");
        else if (static_cast<unsigned char>(byte) >= 0x20 || byte == '\t') text_write(out, &byte, 1);
    }
    text_puts(out, "</text>\n");
}

std::string extent_text(const char *label, const PathExtent &extent) {
    char text[200];
    if (extent.empty) {
        std::snprintf(text, sizeof text, "%s 描ける移動なし", label);
    } else {
        std::snprintf(text, sizeof text, "%s X%.3f〜%.3f Y%.3f〜%.3f", label, extent.min[0] + 0.0, extent.max[0] + 0.0,
                      extent.min[1] + 0.0, extent.max[1] + 0.0);
    }
    return text;
}

const char *composition_name(const CheckParams &params) {
    switch (composition_of(params)) {
    case COMPOSITION_COPIES: return "全体のコピー";
    case COMPOSITION_PER_MACHINING: return "加工毎のコピー";
    default: return "全体を回転";
    }
}

void write_key(TextWriter &out, double x, double y, const char *style, const char *label) {
    text_printf(out, "<path class=\"%s\" d=\"M%.2f %.2f h24\"/>\n", style, x, y - 4.0);
    write_text(out, x + 30.0, y, label);
}

void write_legend(TextWriter &out, const Canvas &canvas, const CheckParams &params, const char *check_text,
                  const PictureFacts &facts) {
    double top = canvas.height - LEGEND_HEIGHT + 20.0;
    write_scale(out, canvas, top);
    char line[300];
    int written = std::snprintf(line, sizeof line, "%s  回転角度 %.3f°  回転中心 X%.3f Y%.3f", composition_name(params),
                                params.angle, params.centre[0] + 0.0, params.centre[1] + 0.0);
    if (composition_of(params) != COMPOSITION_WHOLE && written > 0 && static_cast<size_t>(written) < sizeof line) {
        std::snprintf(line + written, sizeof line - static_cast<size_t>(written), "  配置数 %d", params.copy_count);
    }
    write_text(out, MARGIN, top + 28.0, line);
    write_text(out, MARGIN, top + 46.0, extent_text("変換元(灰色)", facts.source_extent));
    write_text(out, MARGIN, top + 64.0, extent_text("変換後", facts.result_extent));
    write_text(out, MARGIN, top + 82.0, std::string("照合: ") + (check_text ? check_text : "(なし)"));
    // The keys: the source, each placement of the result, then the kinds of line.
    double y = top + 104.0;
    write_key(out, MARGIN, y, "s", "変換元");
    int placements = composition_of(params) == COMPOSITION_WHOLE || params.copy_count < 1 ? 1 : params.copy_count;
    for (int k = 0; k < placements && k < COPY_COLOURS; ++k) {
        char style[8];
        char label[32];
        std::snprintf(style, sizeof style, "k%d", k);
        if (k == 0) std::snprintf(label, sizeof label, placements > 1 ? "元の位置" : "変換後");
        else std::snprintf(label, sizeof label, "コピー%d", k);
        write_key(out, MARGIN + 100.0 * (k + 1), y, style, label);
    }
    write_key(out, MARGIN, y + 20.0, "k0 r", "早送り(破線)");
    write_key(out, MARGIN + 130.0, y + 20.0, "c", "組み立ての移動");
    write_key(out, MARGIN + 275.0, y + 20.0, "u", "照合の止まった後");
}

}  // namespace

int write_toolpath_svg(TextWriter &out, const char *input_path, const char *output_path, const CheckParams &params,
                       const char *check_text, PictureFacts &facts) {
    std::memset(&facts, 0, sizeof facts);
    if (measure(input_path, facts.source_extent, facts.source_segments) < 0) return -1;
    if (measure(output_path, facts.result_extent, facts.result_segments) < 0) return -1;
    std::unique_ptr<Canvas> canvas(new Canvas);
    setup_canvas(*canvas, facts.source_extent, facts.result_extent, params.centre);
    write_header(out, *canvas);
    std::unique_ptr<Drawing> drawing(new Drawing);
    start_drawing(*drawing, out, *canvas);
    draw_source(*drawing, input_path);
    long long source_drawn = drawing->pen.drawn;
    start_drawing(*drawing, out, *canvas);
    draw_result(*drawing, input_path, output_path, params);
    facts.drawn_segments = source_drawn + drawing->pen.drawn;
    write_centre_mark(out, *canvas, params.centre);
    write_legend(out, *canvas, params, check_text, facts);
    text_puts(out, "</svg>\n");
    return 0;
}
