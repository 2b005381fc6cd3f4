// The program generator: draws a plan (styles, part, tools, machinings) from the
// seed, then writes it block by block while it keeps the tool's position in
// whole micrometres, so that every arc and increment it writes is exact.
#include "support/program_generator.h"

#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

const long long MM = 1000;  // micrometres in a millimetre

// Random numbers from the raw outputs of mt19937, whose sequence the standard
// fixes: the library's distributions differ from one standard library to another.
struct Random {
    std::mt19937 engine;
};

int pick(Random &random, int count) {
    uint64_t raw = static_cast<uint32_t>(random.engine());
    return static_cast<int>((raw * static_cast<uint64_t>(count)) >> 32);
}
int between(Random &random, int low, int high) { return low + pick(random, high - low + 1); }
bool chance(Random &random, int percent) { return pick(random, 100) < percent; }
template <typename T, size_t N>
const T &one_of(Random &random, const T (&table)[N]) {
    return table[pick(random, static_cast<int>(N))];
}

// Sine and cosine of degrees from + - * / only: the C library's may differ in the
// last bit from one build to another, and a rounded coordinate with it.
void sin_cos_degrees(double degrees, double &sine, double &cosine) {
    const double pi = 3.14159265358979323846;
    double d = std::fmod(degrees, 360.0);
    if (d < 0) d += 360.0;
    int quadrant = static_cast<int>(d / 90.0);
    if (quadrant > 3) quadrant = 3;
    double x = (d - 90.0 * quadrant) * pi / 180.0;
    double term_s = x, term_c = 1, sum_s = x, sum_c = 1;
    for (int n = 1; n < 14; ++n) {
        term_s *= -x * x / static_cast<double>((2 * n) * (2 * n + 1));
        term_c *= -x * x / static_cast<double>((2 * n - 1) * (2 * n));
        sum_s += term_s;
        sum_c += term_c;
    }
    const double s[4] = {sum_s, sum_c, -sum_s, -sum_c};
    const double c[4] = {sum_c, -sum_s, -sum_c, sum_s};
    sine = s[quadrant];
    cosine = c[quadrant];
}

long long round_micro(double micrometres) { return static_cast<long long>(std::floor(micrometres + 0.5)); }

struct Point {
    long long x, y;
};

// ---- the plan ---------------------------------------------------------------

enum NumberStyle { NUMBERS_POINT, NUMBERS_PLAIN, NUMBERS_MIXED };
enum SequenceStyle { SEQUENCE_NONE, SEQUENCE_EVERY, SEQUENCE_TOOLS };
enum FrameStyle { FRAME_OFFSET, FRAME_G92, FRAME_G92_PER_TOOL };
enum ChangeStyle { CHANGE_G28, CHANGE_G28_FIRST, CHANGE_G30, CHANGE_G53, CHANGE_AT_START_POINT };
enum PreCallStyle { PRECALL_NONE, PRECALL_NEXT_LINE, PRECALL_ON_MOVE };
enum CommentStyle { COMMENTS_ASCII, COMMENTS_JAPANESE, COMMENTS_HALF_WIDTH };

struct Style {
    int numbers = NUMBERS_POINT;
    bool leading_zero = true;   // 0.5 rather than .5
    bool zero_point = true;     // X0. rather than X0
    bool spaces = true;         // words apart
    bool short_codes = false;   // G0 M3 T1 rather than G00 M03 T01
    bool repeat_motion = false; // the motion code on every move
    bool feed_point = false;    // F200. rather than F200
    bool fine_feeds = false;    // F200.0125: digits past the thousandths, as feeds per revolution have
    int sequence = SEQUENCE_NONE;
    int sequence_step = 10;
    int frame = FRAME_OFFSET;
    int change = CHANGE_G28;
    int precall = PRECALL_NONE;
    int comments = COMMENTS_JAPANESE;
    bool tape_marks = true;
    bool program_number = true;
    bool blank_lines = false;
    bool crlf = true;
    bool last_line_end = true;
    bool eof_mark = false;
    int look_ahead = 0;         // 0 none, 1 G05.1 Q1, 2 G08 P1
    int safety = 0;             // which safety block
    int ending = 0;             // which way home at the end
    int fixtures = 1;
    int offsets[2] = {54, 55};  // 54 to 59, or 100 + P for G54.1 P
    long long clearance = 50 * MM;
    long long retract = 2 * MM;
    Point start = {0, 0};       // the G92 point
    long long start_z = 100 * MM;
    bool spindle_on_move = true;
    bool coolant_on_g43 = true;
    bool optional_stops = true;
    bool orient_before_change = false;
    bool dwell_after_start = false;
    bool stop_for_chips = false;
};

enum ToolKind { TOOL_FACE, TOOL_END_MILL, TOOL_FINISH_MILL, TOOL_SPOT, TOOL_DRILL, TOOL_TAP, TOOL_REAMER, TOOL_BORE };
enum OpKind {
    OP_FACE, OP_RECT_POCKET, OP_SLOT, OP_CIRCLE_POCKET, OP_BOSS, OP_KEYHOLE, OP_D_PROFILE, OP_CORNERS,
    OP_COMPENSATED, OP_HOLES, OP_HOLE_ROWS
};

struct Op {
    int kind = OP_FACE;
    Point centre = {0, 0};
    long long half_w = 0, half_h = 0;  // rectangle half sizes (tool path or part line)
    long long radius = 0;              // corner, circle or arc radius
    long long helix_radius = 0;
    Point a = {0, 0}, b = {0, 0};      // arc ends relative to the centre (exact lattice points)
    long long tail = 0;
    long long depth = 0, step = 0;
    int passes = 1;
    bool incremental = false;   // depth passes in a G91 section
    bool r_arcs = false;
    bool clockwise = false;
    bool ramp = false;
    bool omit_xy = false;       // full circles without X and Y
    bool chamfer = false;       // ,C rather than ,R
    bool exact_stop = false;    // G61 ... G64 around the contour
    bool dwell = false;
    long long corner = 0;
    std::vector<Point> holes;   // OP_HOLES: absolute points
    int rows = 0, row_holes = 0;
    long long pitch = 0, row_pitch = 0;
    int returns = 0;            // 0: G99 and the last G98; 1: all G98; 2: all G99
    bool first_without_xy = false;
    bool initial_high = false;  // cycles start from the clearance plane
};

struct Tool {
    int kind = TOOL_END_MILL;
    int number = 1;
    long long diameter = 10 * MM;
    int speed = 1000;
    int feed = 200;
    int plunge = 80;
    int cycle = 81;
    long long bottom = 0;       // hole depth (negative Z)
    long long peck = 0;
    int dwell = 0;              // ms
    long long tap_pitch = 0;
    bool per_rev = false;       // tapping in G95 with F the pitch
    bool rigid = true;
    std::string name;           // the tool comment
    std::vector<Op> ops;
};

struct Part {
    long long x0, y0, x1, y1, thickness;
};

struct Plan {
    Style style;
    Part part;
    std::vector<Tool> tools;
    bool compensation = false;
    int program = 1000;
};

// ---- writing blocks -----------------------------------------------------------

struct Writer {
    std::string text;
    const Style *style = nullptr;
    Random random;             // the per-block point choice of mixed programs
    int lines = 0;
    int number = 0;
    bool number_next = false;  // SEQUENCE_TOOLS: the next block opens a tool
    int tool_index = 0;
    long long x = 0, y = 0, z = 0;
    bool xy_known = false, z_known = false;
    int distance = 0;
    int motion = -1;
    bool plain = false;        // this block's coordinates without a point
    std::string feed;          // the F last written
};

struct Line {
    std::string text;
};

void put_line(Writer &w, const std::string &text) {
    w.text += text;
    w.text += w.style->crlf ? "\r\n" : "\n";
    ++w.lines;
}

Line start_line(Writer &w) {
    w.plain = w.style->numbers == NUMBERS_PLAIN || (w.style->numbers == NUMBERS_MIXED && chance(w.random, 35));
    return Line{};
}

void word(Writer &w, Line &line, const std::string &text) {
    if (w.style->spaces && !line.text.empty()) line.text += ' ';
    line.text += text;
}

void emit(Writer &w, Line &line, const std::string &comment = "") {
    std::string text;
    bool numbered = w.style->sequence == SEQUENCE_EVERY || (w.style->sequence == SEQUENCE_TOOLS && w.number_next);
    if (numbered) {
        w.number += w.style->sequence == SEQUENCE_EVERY ? w.style->sequence_step : 1;
        text = "N" + std::to_string(w.style->sequence == SEQUENCE_EVERY ? w.number : w.tool_index + 1);
        if (!line.text.empty() && w.style->spaces) text += ' ';
        w.number_next = false;
    }
    text += line.text;
    if (!comment.empty()) text += (line.text.empty() && !numbered ? "(" : w.style->spaces ? " (" : "(") + comment + ")";
    put_line(w, text);
}

void emit_comment(Writer &w, const std::string &comment) { put_line(w, "(" + comment + ")"); }

std::string digits(const Writer &w, int value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, w.style->short_codes ? "%d" : "%02d", value);
    return buffer;
}

std::string g_code(const Writer &w, int code) { return "G" + digits(w, code); }
std::string m_code(const Writer &w, int code) { return "M" + digits(w, code); }

// A length in micrometres as the program's number style writes it.
std::string number_text(const Style &style, bool plain, long long value) {
    if (plain) return std::to_string(value);
    bool negative = value < 0;
    long long magnitude = negative ? -value : value;
    std::string text = std::to_string(magnitude / MM);
    long long fraction = magnitude % MM;
    if (fraction != 0) {
        char buffer[8];
        std::snprintf(buffer, sizeof buffer, "%03lld", fraction);
        std::string decimals = buffer;
        while (decimals.back() == '0') decimals.pop_back();
        if (text == "0" && !style.leading_zero) text.clear();
        text += "." + decimals;
    } else if (magnitude != 0 || style.zero_point) {
        text += ".";
    }
    return (negative ? "-" : "") + text;
}

std::string number_text(const Writer &w, long long value) { return number_text(*w.style, w.plain, value); }

void coordinate(Writer &w, Line &line, char letter, long long value) {
    word(w, line, std::string(1, letter) + number_text(w, value));
}

void set_distance(Writer &w, Line &line, int mode) {
    if (w.distance == mode) return;
    word(w, line, mode == 90 ? "G90" : "G91");
    w.distance = mode;
}

void set_motion(Writer &w, Line &line, int motion) {
    if (w.motion == motion && !w.style->repeat_motion) return;
    word(w, line, g_code(w, motion));
    w.motion = motion;
}

void feed_word(Writer &w, Line &line, const std::string &feed) {
    if (feed == w.feed) return;
    word(w, line, "F" + feed);
    w.feed = feed;
}

std::string feed_text(const Writer &w, int feed) {
    if (w.style->fine_feeds) return std::to_string(feed) + ".0125";
    return std::to_string(feed) + (w.style->feed_point ? "." : "");
}

// X and Y of an absolute target, written as increments in G91; an axis that
// does not change is left out unless the position must be named outright.
void xy_words(Writer &w, Line &line, long long x, long long y) {
    bool force = !w.xy_known;
    long long base_x = w.distance == 91 ? w.x : 0, base_y = w.distance == 91 ? w.y : 0;
    if (x != w.x || force) coordinate(w, line, 'X', x - base_x);
    if (y != w.y || force) coordinate(w, line, 'Y', y - base_y);
    w.x = x;
    w.y = y;
    w.xy_known = true;
}

void z_word(Writer &w, Line &line, long long z) {
    bool force = !w.z_known;
    if (z != w.z || force) coordinate(w, line, 'Z', w.distance == 91 ? z - w.z : z);
    w.z = z;
    w.z_known = true;
}

void rapid_xy(Writer &w, Point p) {
    if (w.xy_known && p.x == w.x && p.y == w.y) return;
    Line line = start_line(w);
    set_motion(w, line, 0);
    xy_words(w, line, p.x, p.y);
    emit(w, line);
}

void rapid_z(Writer &w, long long z) {
    if (w.z_known && z == w.z) return;
    Line line = start_line(w);
    set_motion(w, line, 0);
    z_word(w, line, z);
    emit(w, line);
}

void feed_z(Writer &w, long long z, int feed) {
    Line line = start_line(w);
    set_motion(w, line, 1);
    z_word(w, line, z);
    feed_word(w, line, feed_text(w, feed));
    emit(w, line);
}

void feed_xy(Writer &w, Point p, int feed, const std::string &corner = "") {
    Line line = start_line(w);
    set_motion(w, line, 1);
    xy_words(w, line, p.x, p.y);
    if (!corner.empty()) word(w, line, corner);
    feed_word(w, line, feed_text(w, feed));
    emit(w, line);
}

// An arc to p about centre c; with r_form the radius word, negative past 180 degrees.
void arc(Writer &w, bool clockwise, Point p, Point c, bool r_form, long long radius, int feed, bool omit_xy = false,
         const long long *z = nullptr) {
    Line line = start_line(w);
    long long start_x = w.x, start_y = w.y;
    set_motion(w, line, clockwise ? 2 : 3);
    bool full = p.x == start_x && p.y == start_y;
    if (full && omit_xy) {
        w.x = p.x;
        w.y = p.y;
    } else {
        bool known = w.xy_known;
        w.xy_known = !full;  // a full circle names both axes when it names them at all
        xy_words(w, line, p.x, p.y);
        w.xy_known = known;
    }
    if (z) z_word(w, line, *z);
    if (r_form) {
        coordinate(w, line, 'R', radius);
    } else {
        if (c.x != start_x || c.y == start_y) coordinate(w, line, 'I', c.x - start_x);
        if (c.y != start_y) coordinate(w, line, 'J', c.y - start_y);
    }
    feed_word(w, line, feed_text(w, feed));
    emit(w, line);
}

// ---- comments -------------------------------------------------------------------

std::string tool_comment(const Writer &w, const Tool &tool) {
    static const char *const japanese[] = {"正面フライス", "エンドミル", "仕上げエンドミル", "センタードリル",
                                           "ドリル", "タップ", "リーマ", "ボーリング"};
    static const char *const half_width[] = {"ﾌｪｲｽﾐﾙ", "ｴﾝﾄﾞﾐﾙ", "ｼｱｹﾞ ｴﾝﾄﾞﾐﾙ", "ｾﾝﾀｰﾄﾞﾘﾙ",
                                             "ﾄﾞﾘﾙ", "ﾀｯﾌﾟ", "ﾘｰﾏ", "ﾎﾞｰﾘﾝｸﾞ"};
    static const char *const ascii[] = {"FACE MILL", "END MILL", "FINISH END MILL", "SPOT DRILL",
                                        "DRILL", "TAP", "REAMER", "BORING BAR"};
    std::string size;
    if (tool.kind == TOOL_TAP) {
        size = "M" + std::to_string(tool.diameter / MM) + "X" + number_text(*w.style, false, tool.tap_pitch);
        if (tool.cycle == 74) size += " LH";
    } else {
        std::string diameter = number_text(*w.style, false, tool.diameter);
        if (diameter.back() == '.') diameter.pop_back();
        size = (w.style->comments == COMMENTS_JAPANESE ? "φ" : "D") + diameter;
    }
    std::string name = w.style->comments == COMMENTS_JAPANESE ? japanese[tool.kind]
                       : w.style->comments == COMMENTS_HALF_WIDTH ? half_width[tool.kind]
                                                                  : ascii[tool.kind];
    return "T" + std::to_string(tool.number) + " " + size + " " + name;
}

std::string op_comment(const Writer &w, const Op &op) {
    static const char *const japanese[] = {"表面削り", "ポケット加工", "長穴加工", "円ポケット ヘリカル",
                                           "ボス外周", "キー溝加工", "Ｄカット", "角部面取り",
                                           "外形仕上げ 工具径補正", "穴あけ", "穴あけ インクレメンタル"};
    static const char *const half_width[] = {"ﾒﾝ ｹｽﾞﾘ", "ﾎﾟｹｯﾄ", "ﾁｮｳｱﾅ", "ｴﾝ ﾎﾟｹｯﾄ", "ﾎﾞｽ ｶﾞｲｼｭｳ",
                                             "ｷｰﾐｿﾞ", "Dｶｯﾄ", "ｶﾄﾞ Rﾂｹ", "ｶﾞｲｹｲ ﾎｾｲ", "ｱﾅｱｹ", "ｱﾅｱｹ G91"};
    static const char *const ascii[] = {"FACE", "POCKET", "SLOT", "CIRCLE POCKET", "BOSS", "KEYHOLE",
                                        "D PROFILE", "CORNERS", "CONTOUR G41", "HOLES", "HOLE ROWS"};
    return w.style->comments == COMMENTS_JAPANESE ? japanese[op.kind]
           : w.style->comments == COMMENTS_HALF_WIDTH ? half_width[op.kind]
                                                      : ascii[op.kind];
}

// ---- machinings -------------------------------------------------------------------

// Over the start of a machining at the retract plane, coming from wherever the
// last one left the tool by way of the clearance plane.
void approach(Writer &w, Point p) {
    if (!(w.xy_known && p.x == w.x && p.y == w.y)) {
        if (w.z < w.style->clearance) rapid_z(w, w.style->clearance);
        rapid_xy(w, p);
    }
    rapid_z(w, w.style->retract);
}

// The depth of pass k (1-based) of an op.
long long pass_depth(const Op &op, int k) { return k == op.passes ? -op.depth : -op.step * k; }

// Goes down to pass k: a plain feed in G90; in a G91 section the first pass states G91.
void pass_down(Writer &w, const Op &op, int k, int feed) {
    if (!op.incremental) {
        feed_z(w, pass_depth(op, k), feed);
        return;
    }
    Line line = start_line(w);
    set_distance(w, line, 91);
    set_motion(w, line, 1);
    z_word(w, line, pass_depth(op, k));
    feed_word(w, line, feed_text(w, feed));
    emit(w, line);
}

void leave_passes(Writer &w, const Op &op) {
    Line line = start_line(w);
    if (op.incremental) {
        set_distance(w, line, 90);
        w.motion = -1;  // G90 G00 written together, as hand programmers do
    }
    set_motion(w, line, 0);
    z_word(w, line, w.style->retract);
    emit(w, line);
}

// Four corners in order around a rectangle; the path starts and ends halfway
// along the side from the last corner to the first.
void rectangle_corners(const Op &op, bool clockwise, Point corners[4]) {
    Point c = op.centre;
    Point br = {c.x + op.half_w, c.y - op.half_h}, tr = {c.x + op.half_w, c.y + op.half_h};
    Point tl = {c.x - op.half_w, c.y + op.half_h}, bl = {c.x - op.half_w, c.y - op.half_h};
    Point ccw[4] = {br, tr, tl, bl}, cw[4] = {bl, tl, tr, br};
    for (int i = 0; i < 4; ++i) corners[i] = clockwise ? cw[i] : ccw[i];
}

long long sign(long long v) { return v > 0 ? 1 : v < 0 ? -1 : 0; }

// The rectangle from its side's middle, round corners of `radius` (arcs in I/J or R)
// or sharp ones with a corner word.
void rectangle_path(Writer &w, const Op &op, bool clockwise, long long radius, const std::string &corner_word,
                    int feed) {
    Point corners[4];
    rectangle_corners(op, clockwise, corners);
    Point start = {(corners[3].x + corners[0].x) / 2, (corners[3].y + corners[0].y) / 2};
    Point previous = start;
    for (int i = 0; i < 5; ++i) {
        if (i == 4) {
            feed_xy(w, start, feed);
            break;
        }
        Point corner = corners[i], next = i < 3 ? corners[i + 1] : start;
        long long in_x = sign(corner.x - previous.x), in_y = sign(corner.y - previous.y);
        long long out_x = sign(next.x - corner.x), out_y = sign(next.y - corner.y);
        Point before = {corner.x - in_x * radius, corner.y - in_y * radius};
        feed_xy(w, before, feed, radius == 0 ? corner_word : "");
        if (radius > 0) {
            Point after = {corner.x + out_x * radius, corner.y + out_y * radius};
            Point centre = {before.x + out_x * radius, before.y + out_y * radius};
            arc(w, in_x * out_y - in_y * out_x < 0, after, centre, op.r_arcs, radius, feed);
        }
        previous = corner;
    }
}

Point rectangle_start(const Op &op) { return {op.centre.x, op.centre.y - op.half_h}; }

void write_face(Writer &w, const Op &op, const Tool &tool) {
    long long half = tool.diameter / 2;
    long long left = op.centre.x - op.half_w - half - 5 * MM, right = op.centre.x + op.half_w + half + 5 * MM;
    long long step = tool.diameter * 7 / 10;
    long long y = op.centre.y - op.half_h + half / 2;
    approach(w, {left, y});
    feed_z(w, -op.depth, tool.plunge);
    bool rightward = true;
    while (true) {
        feed_xy(w, {rightward ? right : left, y}, tool.feed);
        if (y >= op.centre.y + op.half_h - half / 2) break;
        y += step;
        if (y > op.centre.y + op.half_h - half / 2) y = op.centre.y + op.half_h - half / 2;
        feed_xy(w, {w.x, y}, tool.feed);
        rightward = !rightward;
    }
    rapid_z(w, w.style->retract);
}

void write_rect_pocket(Writer &w, const Op &op, const Tool &tool) {
    approach(w, op.centre);
    for (int k = 1; k <= op.passes; ++k) {
        pass_down(w, op, k, tool.plunge);
        feed_xy(w, rectangle_start(op), tool.feed);
        rectangle_path(w, op, op.clockwise, op.radius, "", tool.feed);
        feed_xy(w, op.centre, tool.feed);
    }
    if (op.dwell) {
        Line line = start_line(w);
        word(w, line, g_code(w, 4));
        word(w, line, w.plain ? "P500" : "X0.5");
        emit(w, line);
    }
    leave_passes(w, op);
}

void write_corners(Writer &w, const Op &op, const Tool &tool) {
    Point start = rectangle_start(op);
    approach(w, start);
    if (op.exact_stop) {
        Line line = start_line(w);
        word(w, line, "G61");
        emit(w, line);
    }
    for (int k = 1; k <= op.passes; ++k) {
        pass_down(w, op, k, tool.plunge);
        std::string corner = std::string(op.chamfer ? ",C" : ",R") + number_text(w, op.corner);
        rectangle_path(w, op, op.clockwise, 0, corner, tool.feed);
    }
    leave_passes(w, op);
    if (op.exact_stop) {
        Line line = start_line(w);
        word(w, line, "G64");
        emit(w, line);
    }
}

void write_slot(Writer &w, const Op &op, const Tool &tool) {
    Point left = {op.centre.x - op.half_w, op.centre.y}, right = {op.centre.x + op.half_w, op.centre.y};
    Point start = {left.x, left.y - op.radius};
    approach(w, left);
    for (int k = 1; k <= op.passes; ++k) {
        if (op.ramp && !op.incremental) {
            Line line = start_line(w);
            set_motion(w, line, 1);
            xy_words(w, line, right.x, right.y);
            z_word(w, line, pass_depth(op, k));
            feed_word(w, line, feed_text(w, tool.plunge));
            emit(w, line);
            feed_xy(w, left, tool.feed);
        } else {
            pass_down(w, op, k, tool.plunge);
        }
        feed_xy(w, start, tool.feed);
        feed_xy(w, {right.x, start.y}, tool.feed);
        arc(w, false, {right.x, right.y + op.radius}, right, op.r_arcs, op.radius, tool.feed);
        feed_xy(w, {left.x, left.y + op.radius}, tool.feed);
        arc(w, false, start, left, op.r_arcs, op.radius, tool.feed);
        feed_xy(w, left, tool.feed);
    }
    leave_passes(w, op);
}

void write_circle_pocket(Writer &w, const Op &op, const Tool &tool) {
    Point c = op.centre;
    Point helix = {c.x + op.helix_radius, c.y};
    approach(w, helix);
    long long z = MM / 2;
    feed_z(w, z, tool.plunge);
    long long pitch = op.step;
    bool first = true;
    while (z > -op.depth) {
        z = z - pitch < -op.depth ? -op.depth : z - pitch;
        if (op.incremental) {
            Line line = start_line(w);
            if (first) set_distance(w, line, 91);
            set_motion(w, line, 3);
            z_word(w, line, z);
            coordinate(w, line, 'I', -op.helix_radius);
            feed_word(w, line, feed_text(w, tool.plunge));
            emit(w, line);
        } else {
            arc(w, false, helix, c, false, 0, tool.plunge, op.omit_xy, &z);
        }
        first = false;
    }
    if (op.incremental) {
        Line line = start_line(w);
        set_distance(w, line, 90);
        emit(w, line);
    }
    arc(w, false, helix, c, false, 0, tool.feed, op.omit_xy);
    if (op.radius > op.helix_radius) {
        Point edge = {c.x + op.radius, c.y};
        feed_xy(w, edge, tool.feed);
        if (op.r_arcs) {
            arc(w, false, {c.x - op.radius, c.y}, c, true, op.radius, tool.feed);
            arc(w, false, edge, c, true, op.radius, tool.feed);
        } else {
            arc(w, false, edge, c, false, 0, tool.feed, op.omit_xy);
        }
    }
    feed_xy(w, c, tool.feed);
    rapid_z(w, w.style->retract);
}

void write_boss(Writer &w, const Op &op, const Tool &tool) {
    Point c = op.centre;
    Point outside = {c.x + op.radius + tool.diameter, c.y}, edge = {c.x + op.radius, c.y};
    approach(w, outside);
    for (int k = 1; k <= op.passes; ++k) {
        feed_z(w, pass_depth(op, k), tool.plunge);
        feed_xy(w, edge, tool.feed);
        if (op.r_arcs) {
            Point quarter[4] = {{c.x, c.y - op.radius}, {c.x - op.radius, c.y}, {c.x, c.y + op.radius}, edge};
            for (const Point &p : quarter) arc(w, true, p, c, false, 0, tool.feed);
        } else {
            arc(w, true, edge, c, false, 0, tool.feed, op.omit_xy);
        }
        feed_xy(w, outside, tool.feed);
    }
    rapid_z(w, w.style->retract);
}

// A keyhole: the head's long arc (past 180 degrees, R negative) and the tail.
void write_keyhole(Writer &w, const Op &op, const Tool &tool) {
    Point c = op.centre;
    Point a = {c.x + op.a.x, c.y + op.a.y}, b = {c.x + op.a.x, c.y - op.a.y};
    approach(w, c);
    for (int k = 1; k <= op.passes; ++k) {
        pass_down(w, op, k, tool.plunge);
        feed_xy(w, a, tool.feed);
        arc(w, false, b, c, op.r_arcs, -op.radius, tool.feed);
        feed_xy(w, {b.x + op.tail, b.y}, tool.feed);
        feed_xy(w, {a.x + op.tail, a.y}, tool.feed);
        feed_xy(w, a, tool.feed);
        feed_xy(w, c, tool.feed);
    }
    leave_passes(w, op);
}

// A D shape: an arc of nearly half a circle between two exact points and its chord.
void write_d_profile(Writer &w, const Op &op, const Tool &tool) {
    Point c = op.centre;
    Point a = {c.x + op.a.x, c.y + op.a.y}, b = {c.x + op.b.x, c.y + op.b.y};
    long long cross = op.a.x * op.b.y - op.a.y * op.b.x;
    long long radius = cross > 0 ? op.radius : -op.radius;  // counter-clockwise from a to b
    approach(w, a);
    for (int k = 1; k <= op.passes; ++k) {
        pass_down(w, op, k, tool.plunge);
        arc(w, false, b, c, op.r_arcs, radius, tool.feed);
        feed_xy(w, a, tool.feed);
    }
    leave_passes(w, op);
}

// The part line under cutter compensation: G41 on the lead-in, G40 on the lead-out.
void write_compensated(Writer &w, const Op &op, const Tool &tool) {
    Point start = rectangle_start(op);
    Point lead = {start.x, start.y - tool.diameter - 2 * MM};
    approach(w, lead);
    for (int k = 1; k <= op.passes; ++k) {
        feed_z(w, pass_depth(op, k), tool.plunge);
        Line line = start_line(w);
        word(w, line, "G41");
        set_motion(w, line, 1);
        xy_words(w, line, start.x, start.y);
        word(w, line, "D" + digits(w, tool.number));
        feed_word(w, line, feed_text(w, tool.feed));
        emit(w, line);
        rectangle_path(w, op, true, op.radius, "", tool.feed);
        Line out = start_line(w);
        word(w, out, "G40");
        set_motion(w, out, 1);
        xy_words(w, out, lead.x, lead.y);
        emit(w, out);
    }
    rapid_z(w, w.style->retract);
}

// ---- drilling cycles --------------------------------------------------------------

// Z and R of a cycle: levels in G90; in G91 the R level from the start height
// and the bottom from the R level.
void cycle_words(Writer &w, Line &line, const Tool &tool, long long initial) {
    long long r_level = w.style->retract;
    if (w.distance == 91) {
        coordinate(w, line, 'Z', tool.bottom - r_level);
        coordinate(w, line, 'R', r_level - initial);
    } else {
        coordinate(w, line, 'Z', tool.bottom);
        coordinate(w, line, 'R', r_level);
    }
    if (tool.cycle == 73 || tool.cycle == 83) coordinate(w, line, 'Q', tool.peck);
    if (tool.cycle == 82 || tool.cycle == 88 || tool.cycle == 89) word(w, line, "P" + std::to_string(tool.dwell));
}

std::string cycle_feed(const Writer &w, const Tool &tool) {
    if (!tool.per_rev) return feed_text(w, tool.feed);
    return number_text(*w.style, false, tool.tap_pitch);
}

void tapping_setup(Writer &w, const Tool &tool) {
    if (tool.per_rev) {
        Line line = start_line(w);
        word(w, line, "G95");
        emit(w, line);
        w.feed.clear();
    }
    if (tool.rigid && (tool.cycle == 84 || tool.cycle == 74)) {
        Line line = start_line(w);
        word(w, line, m_code(w, 29));
        word(w, line, "S" + std::to_string(tool.speed));
        emit(w, line);
    }
}

void cycle_end(Writer &w, const Tool &tool) {
    Line line = start_line(w);
    word(w, line, "G80");
    emit(w, line);
    w.motion = -1;
    if (tool.per_rev) {
        Line back = start_line(w);
        word(w, back, "G94");
        emit(w, back);
        w.feed.clear();
    }
}

int hole_return(const Op &op, size_t index, size_t count) {
    if (op.returns == 1) return 98;
    if (op.returns == 2) return 99;
    return index + 1 == count ? 98 : 99;
}

// Over the first hole at the cycle's start height, never lower on the way.
void hole_approach(Writer &w, Point p, long long initial) {
    if (!(w.xy_known && p.x == w.x && p.y == w.y)) {
        if (w.z < initial) rapid_z(w, initial);
        rapid_xy(w, p);
    }
    rapid_z(w, initial);
}

void write_holes(Writer &w, const Op &op, const Tool &tool) {
    long long initial = op.initial_high ? w.style->clearance : w.style->retract + 3 * MM;
    hole_approach(w, op.holes[0], initial);
    tapping_setup(w, tool);
    int mode = 0;
    for (size_t i = 0; i < op.holes.size(); ++i) {
        Line line = start_line(w);
        int wanted = hole_return(op, i, op.holes.size());
        if (wanted != mode) word(w, line, "G" + std::to_string(wanted));
        if (i == 0) {
            word(w, line, "G" + std::to_string(tool.cycle));
            if (!op.first_without_xy) xy_words(w, line, op.holes[0].x, op.holes[0].y);
            cycle_words(w, line, tool, initial);
            feed_word(w, line, cycle_feed(w, tool));
        } else {
            xy_words(w, line, op.holes[i].x, op.holes[i].y);
        }
        mode = wanted;
        emit(w, line);
        w.z = mode == 98 ? initial : w.style->retract;
    }
    cycle_end(w, tool);
}

// Rows of holes in G91 with K: the first row from one pitch before its first
// hole, then up one row pitch and back the other way.
void write_hole_rows(Writer &w, const Op &op, const Tool &tool) {
    long long initial = w.style->retract + 3 * MM;
    hole_approach(w, {op.centre.x - op.pitch, op.centre.y}, initial);
    tapping_setup(w, tool);
    int mode = op.returns == 1 ? 98 : 99;
    Line line = start_line(w);
    set_distance(w, line, 91);
    word(w, line, "G" + std::to_string(mode));
    word(w, line, "G" + std::to_string(tool.cycle));
    xy_words(w, line, op.centre.x, op.centre.y);
    w.x += op.pitch * (op.row_holes - 1);
    cycle_words(w, line, tool, initial);
    word(w, line, "K" + std::to_string(op.row_holes));
    feed_word(w, line, cycle_feed(w, tool));
    emit(w, line);
    long long direction = -1;
    for (int row = 1; row < op.rows; ++row) {
        Line up = start_line(w);
        xy_words(w, up, w.x, w.y + op.row_pitch);
        emit(w, up);
        Line across = start_line(w);
        coordinate(w, across, 'X', direction * op.pitch);
        word(w, across, "K" + std::to_string(op.row_holes - 1));
        emit(w, across);
        w.x += direction * op.pitch * (op.row_holes - 1);
        direction = -direction;
    }
    w.z = mode == 98 ? initial : w.style->retract;
    cycle_end(w, tool);
    Line back = start_line(w);
    set_distance(w, back, 90);
    set_motion(w, back, 0);
    z_word(w, back, w.style->clearance);
    emit(w, back);
}

Point op_start(const Op &op, const Tool &tool) {
    switch (op.kind) {
    case OP_FACE:
        return {op.centre.x - op.half_w - tool.diameter / 2 - 5 * MM, op.centre.y - op.half_h + tool.diameter / 4};
    case OP_SLOT:
        return {op.centre.x - op.half_w, op.centre.y};
    case OP_CIRCLE_POCKET:
        return {op.centre.x + op.helix_radius, op.centre.y};
    case OP_BOSS:
        return {op.centre.x + op.radius + tool.diameter, op.centre.y};
    case OP_D_PROFILE:
        return {op.centre.x + op.a.x, op.centre.y + op.a.y};
    case OP_CORNERS:
        return rectangle_start(op);
    case OP_COMPENSATED:
        return {op.centre.x, op.centre.y - op.half_h - tool.diameter - 2 * MM};
    case OP_HOLES:
        return op.holes[0];
    case OP_HOLE_ROWS:
        return {op.centre.x - op.pitch, op.centre.y};
    default:
        return op.centre;
    }
}

void write_op(Writer &w, const Op &op, const Tool &tool) {
    emit_comment(w, op_comment(w, op));
    switch (op.kind) {
    case OP_FACE: write_face(w, op, tool); break;
    case OP_RECT_POCKET: write_rect_pocket(w, op, tool); break;
    case OP_SLOT: write_slot(w, op, tool); break;
    case OP_CIRCLE_POCKET: write_circle_pocket(w, op, tool); break;
    case OP_BOSS: write_boss(w, op, tool); break;
    case OP_KEYHOLE: write_keyhole(w, op, tool); break;
    case OP_D_PROFILE: write_d_profile(w, op, tool); break;
    case OP_CORNERS: write_corners(w, op, tool); break;
    case OP_COMPENSATED: write_compensated(w, op, tool); break;
    case OP_HOLES: write_holes(w, op, tool); break;
    default: write_hole_rows(w, op, tool); break;
    }
}

// ---- program frame ------------------------------------------------------------------

std::string offset_words(const Writer &w, int offset) {
    if (offset > 100) return std::string("G54.1") + (w.style->spaces ? " " : "") + "P" + std::to_string(offset - 100);
    return "G" + std::to_string(offset);
}

void write_head(Writer &w, const Plan &plan) {
    const Style &s = plan.style;
    if (s.tape_marks) put_line(w, "%");
    if (s.program_number) {
        std::string name = s.comments == COMMENTS_JAPANESE ? "プレート加工" : s.comments == COMMENTS_HALF_WIDTH ? "ﾌﾟﾚｰﾄ" : "PLATE";
        put_line(w, "O" + std::to_string(plan.program) + (s.spaces ? " (" : "(") + name + ")");
    }
    if (s.comments == COMMENTS_JAPANESE) emit_comment(w, "材料 SS400 板厚" + std::to_string(plan.part.thickness / MM));
    for (const Tool &tool : plan.tools) emit_comment(w, tool_comment(w, tool));
    static const char *const safety[] = {"G00 G17 G21 G40 G49 G80 G90", "G90 G17 G40 G80 G49", "G21 G17 G40 G80 G90 G94",
                                         "G17 G40 G49 G80"};
    Line line = start_line(w);
    word(w, line, safety[s.safety]);
    if (s.spaces == false) {
        std::string compact;
        for (char c : line.text)
            if (c != ' ') compact += c;
        line.text = compact;
    }
    emit(w, line);
    if (s.safety == 0) w.motion = 0;
    w.distance = s.safety == 3 ? 0 : 90;
    if (s.look_ahead) {
        Line look = start_line(w);
        word(w, look, s.look_ahead == 1 ? "G05.1" : "G08");
        word(w, look, s.look_ahead == 1 ? "Q1" : "P1");
        emit(w, look);
    }
    if (s.frame != FRAME_OFFSET) {
        Line frame = start_line(w);
        set_distance(w, frame, 90);
        word(w, frame, "G92");
        coordinate(w, frame, 'X', s.start.x);
        coordinate(w, frame, 'Y', s.start.y);
        coordinate(w, frame, 'Z', s.start_z);
        emit(w, frame);
        w.x = s.start.x;
        w.y = s.start.y;
        w.z = s.start_z;
        w.xy_known = w.z_known = true;
    }
}

void call_next_tool(Writer &w, const Plan &plan, size_t index, Line &line) {
    if (plan.tools.size() < 2) return;
    const Tool &next = plan.tools[(index + 1) % plan.tools.size()];
    word(w, line, "T" + digits(w, next.number));
}

// G91 G28 Z0. (or G28 G91 Z0): posts state G91 on the line whatever the mode.
void reference_return_z(Writer &w, int code, bool g_first) {
    Line line = start_line(w);
    std::string g = "G" + std::to_string(code);
    if (g_first) word(w, line, g);
    word(w, line, "G91");
    w.distance = 91;
    if (!g_first) word(w, line, g);
    word(w, line, w.style->zero_point ? "Z0." : "Z0");
    emit(w, line);
    w.z_known = false;
}

// Back over the G92 point for a change by hand, then the new tool's frame.
void change_at_start_point(Writer &w, const Plan &plan, const Tool &tool, long long height) {
    rapid_z(w, plan.style.start_z);
    rapid_xy(w, plan.style.start);
    Line stop = start_line(w);
    if (plan.style.precall == PRECALL_NONE) {
        word(w, stop, m_code(w, 0));
        emit(w, stop, tool_comment(w, tool));
    } else {
        word(w, stop, "T" + digits(w, tool.number));
        word(w, stop, m_code(w, 6));
        emit(w, stop);
    }
    Line frame = start_line(w);
    word(w, frame, "G92");
    coordinate(w, frame, 'Z', height);
    emit(w, frame);
    w.z = height;
}

void write_tool_change(Writer &w, const Plan &plan, size_t index) {
    const Style &s = plan.style;
    const Tool &tool = plan.tools[index];
    if (index > 0 && s.blank_lines) put_line(w, "");
    w.tool_index = static_cast<int>(index);
    w.number_next = true;
    if (s.change == CHANGE_AT_START_POINT) {
        if (index == 0) {
            Line line = start_line(w);
            emit(w, line, tool_comment(w, tool));
        } else {
            change_at_start_point(w, plan, tool, s.start_z + (static_cast<long long>(index) * 17 % 5) * 12500);
        }
        return;
    }
    emit_comment(w, tool_comment(w, tool));
    if (s.orient_before_change && index > 0) {
        Line line = start_line(w);
        word(w, line, m_code(w, 19));
        emit(w, line);
    }
    if (s.change == CHANGE_G53) {
        Line line = start_line(w);
        set_distance(w, line, 90);
        word(w, line, "G53");
        set_motion(w, line, 0);
        coordinate(w, line, 'Z', 0);
        emit(w, line);
        w.z_known = false;
    } else {
        reference_return_z(w, s.change == CHANGE_G30 ? 30 : 28, s.change == CHANGE_G28_FIRST);
    }
    Line change = start_line(w);
    if (s.change == CHANGE_G28_FIRST) {
        word(w, change, "T" + digits(w, tool.number));
        emit(w, change);
        change = start_line(w);
        word(w, change, m_code(w, 6));
    } else {
        word(w, change, "T" + digits(w, tool.number));
        word(w, change, m_code(w, 6));
    }
    emit(w, change);
    if (s.precall == PRECALL_NEXT_LINE && plan.tools.size() > 1) {
        Line next = start_line(w);
        call_next_tool(w, plan, index, next);
        emit(w, next);
    }
}

int spindle_code(const Tool &tool) { return tool.kind == TOOL_TAP && tool.cycle == 74 ? 4 : 3; }

void start_spindle_and_length(Writer &w, const Plan &plan, size_t index) {
    const Style &s = plan.style;
    const Tool &tool = plan.tools[index];
    if (!s.spindle_on_move) {
        Line line = start_line(w);
        word(w, line, "S" + std::to_string(tool.speed));
        word(w, line, m_code(w, spindle_code(tool)));
        emit(w, line);
    }
    if (s.dwell_after_start) {
        Line line = start_line(w);
        word(w, line, g_code(w, 4));
        word(w, line, "P1000");
        emit(w, line);
    }
    Line length = start_line(w);
    if (s.frame == FRAME_G92_PER_TOOL) {
        set_motion(w, length, 0);
        z_word(w, length, s.clearance);
    } else {
        word(w, length, "G43");
        if (index % 2 == 0) {
            z_word(w, length, s.clearance);
            word(w, length, "H" + digits(w, tool.number));
        } else {
            word(w, length, "H" + digits(w, tool.number));
            z_word(w, length, s.clearance);
        }
    }
    if (s.coolant_on_g43) word(w, length, m_code(w, 8));
    emit(w, length);
    if (!s.coolant_on_g43) {
        Line coolant = start_line(w);
        word(w, coolant, m_code(w, 8));
        emit(w, coolant);
    }
}

// Over the first machining in this fixture's work offset.
void position_in_fixture(Writer &w, const Plan &plan, size_t index, int fixture) {
    const Style &s = plan.style;
    const Tool &tool = plan.tools[index];
    Point p = op_start(tool.ops[0], tool);
    Line line = start_line(w);
    if (s.frame == FRAME_OFFSET) {
        set_distance(w, line, 90);
        if (line.text.empty()) word(w, line, "G90");
        word(w, line, offset_words(w, s.offsets[fixture]));
        w.xy_known = w.z_known = false;
    } else {
        set_distance(w, line, 90);
    }
    w.motion = -1;
    set_motion(w, line, 0);
    xy_words(w, line, p.x, p.y);
    if (fixture == 0 && s.spindle_on_move) {
        word(w, line, "S" + std::to_string(tool.speed));
        word(w, line, m_code(w, spindle_code(tool)));
    }
    if (fixture == 0 && s.precall == PRECALL_ON_MOVE && s.change != CHANGE_AT_START_POINT) call_next_tool(w, plan, index, line);
    emit(w, line);
    if (fixture == 0) {
        start_spindle_and_length(w, plan, index);
    } else {
        rapid_z(w, s.clearance);
    }
}

void write_tool_end(Writer &w, const Plan &plan, size_t index) {
    const Style &s = plan.style;
    rapid_z(w, s.clearance);
    Line coolant = start_line(w);
    word(w, coolant, m_code(w, 9));
    emit(w, coolant);
    Line spindle = start_line(w);
    word(w, spindle, m_code(w, 5));
    emit(w, spindle);
    if (s.stop_for_chips && index == 0 && plan.tools.size() > 1) {
        Line stop = start_line(w);
        word(w, stop, m_code(w, 0));
        emit(w, stop, s.comments == COMMENTS_ASCII ? "CLEAR CHIPS" : s.comments == COMMENTS_JAPANESE ? "切粉除去" : "ｷﾘｺ ﾄﾘ");
    } else if (s.optional_stops && index + 1 < plan.tools.size()) {
        Line stop = start_line(w);
        word(w, stop, m_code(w, 1));
        emit(w, stop);
    }
}

void write_tool(Writer &w, const Plan &plan, size_t index) {
    const Tool &tool = plan.tools[index];
    write_tool_change(w, plan, index);
    for (int fixture = 0; fixture < plan.style.fixtures; ++fixture) {
        position_in_fixture(w, plan, index, fixture);
        for (const Op &op : tool.ops) write_op(w, op, tool);
        rapid_z(w, plan.style.clearance);
    }
    write_tool_end(w, plan, index);
}

void write_end(Writer &w, const Plan &plan) {
    const Style &s = plan.style;
    if (s.frame != FRAME_OFFSET) {
        rapid_z(w, s.start_z);
        rapid_xy(w, s.start);
    } else if (s.ending == 0) {
        reference_return_z(w, 28, false);
        Line line = start_line(w);
        word(w, line, "G28");
        word(w, line, "X" + number_text(*w.style, false, 0));
        word(w, line, "Y" + number_text(*w.style, false, 0));
        emit(w, line);
    } else {
        Line line = start_line(w);
        set_distance(w, line, 90);
        word(w, line, "G53");
        set_motion(w, line, 0);
        coordinate(w, line, 'Z', 0);
        emit(w, line);
        Line park = start_line(w);
        word(w, park, "G53");
        coordinate(w, park, 'X', -400 * MM);
        coordinate(w, park, 'Y', 0);
        emit(w, park);
    }
    if (s.look_ahead) {
        Line look = start_line(w);
        word(w, look, s.look_ahead == 1 ? "G05.1" : "G08");
        word(w, look, s.look_ahead == 1 ? "Q0" : "P0");
        emit(w, look);
    }
    Line end = start_line(w);
    word(w, end, m_code(w, 30));
    emit(w, end);
    if (s.tape_marks) put_line(w, "%");
}

// ---- drawing the plan -----------------------------------------------------------------

void draw_style(Random &random, Style &s, int tool_count) {
    s.numbers = pick(random, 10) < 6 ? NUMBERS_POINT : chance(random, 50) ? NUMBERS_PLAIN : NUMBERS_MIXED;
    s.leading_zero = chance(random, 75);
    s.zero_point = chance(random, 70);
    s.spaces = chance(random, 75);
    s.short_codes = chance(random, 25);
    s.repeat_motion = chance(random, 20);
    s.feed_point = chance(random, 25);
    s.fine_feeds = chance(random, 10);
    s.sequence = pick(random, 3);
    s.sequence_step = chance(random, 70) ? 10 : 1;
    int frame = pick(random, 10);
    s.frame = frame < 7 ? FRAME_OFFSET : frame < 9 ? FRAME_G92 : FRAME_G92_PER_TOOL;
    s.change = s.frame == FRAME_G92_PER_TOOL ? CHANGE_AT_START_POINT : pick(random, 4);
    s.precall = pick(random, 3);
    s.comments = pick(random, 3);
    s.tape_marks = chance(random, 85);
    s.program_number = chance(random, 85);
    s.blank_lines = chance(random, 20);
    s.crlf = chance(random, 80);
    s.last_line_end = chance(random, 85);
    s.eof_mark = chance(random, 10);
    s.look_ahead = chance(random, 25) ? between(random, 1, 2) : 0;
    s.safety = pick(random, 4);
    s.ending = pick(random, 2);
    s.fixtures = s.frame == FRAME_OFFSET && tool_count <= 3 && chance(random, 20) ? 2 : 1;
    static const int first_offsets[] = {54, 54, 54, 55, 56, 57, 58, 59, 101, 102};
    s.offsets[0] = one_of(random, first_offsets);
    s.offsets[1] = s.offsets[0] > 100 ? s.offsets[0] + 1 : s.offsets[0] == 59 ? 54 : s.offsets[0] + 1;
    static const long long clearances[] = {50 * MM, 50 * MM, 30 * MM, 100 * MM};
    static const long long retracts[] = {2 * MM, 3 * MM, 5 * MM};
    s.clearance = one_of(random, clearances);
    s.retract = one_of(random, retracts);
    static const Point starts[] = {{0, 0}, {-50 * MM, -50 * MM}, {-150 * MM, -100 * MM}};
    s.start = one_of(random, starts);
    s.start_z = chance(random, 70) ? 100 * MM : 150 * MM;
    if (s.start_z <= s.clearance) s.clearance = 50 * MM;
    s.spindle_on_move = chance(random, 60);
    s.coolant_on_g43 = chance(random, 60);
    s.optional_stops = chance(random, 60);
    s.orient_before_change = chance(random, 20);
    s.dwell_after_start = chance(random, 15);
    s.stop_for_chips = chance(random, 15);
}

void draw_part(Random &random, Part &part) {
    long long width = between(random, 6, 30) * 10 * MM, height = between(random, 5, 20) * 10 * MM;
    if (chance(random, 60)) {
        part.x0 = 0;
        part.y0 = 0;
    } else {
        part.x0 = -width / 2;
        part.y0 = -height / 2;
    }
    part.x1 = part.x0 + width;
    part.y1 = part.y0 + height;
    part.thickness = between(random, 10, 30) * MM;
}

// A point of the part with room `margin` to every edge (whole 0.5 mm).
Point draw_point(Random &random, const Part &part, long long margin) {
    long long x_room = (part.x1 - part.x0 - 2 * margin) / (MM / 2), y_room = (part.y1 - part.y0 - 2 * margin) / (MM / 2);
    if (x_room < 0) x_room = 0;
    if (y_room < 0) y_room = 0;
    return {part.x0 + margin + pick(random, static_cast<int>(x_room) + 1) * (MM / 2),
            part.y0 + margin + pick(random, static_cast<int>(y_room) + 1) * (MM / 2)};
}

// Exact points on a circle of radius r (micrometres): the Pythagorean triples
// whose hypotenuse divides r, turned into every octant.
std::vector<Point> lattice_points(long long r) {
    static const long long triples[][3] = {{3, 4, 5}, {7, 24, 25}, {44, 117, 125}, {336, 527, 625}, {5, 12, 13}, {8, 15, 17}};
    std::vector<Point> points;
    for (const auto &t : triples) {
        if (r % t[2] != 0) continue;
        long long k = r / t[2];
        for (int sx = -1; sx <= 1; sx += 2)
            for (int sy = -1; sy <= 1; sy += 2) {
                points.push_back({sx * t[0] * k, sy * t[1] * k});
                points.push_back({sx * t[1] * k, sy * t[0] * k});
            }
    }
    return points;
}

void draw_passes(Random &random, Op &op, long long total, bool may_increment) {
    op.passes = between(random, 1, 4);
    op.depth = total;
    op.step = total / op.passes;
    op.step -= op.step % (MM / 2);
    if (op.step <= 0) op.step = MM / 2;
    op.incremental = may_increment && chance(random, 35);
}

void draw_milling_op(Random &random, const Part &part, const Tool &tool, int kind, Op &op) {
    long long tool_r = tool.diameter / 2;
    op.kind = kind;
    op.clockwise = chance(random, 40);
    op.r_arcs = chance(random, 50);
    op.omit_xy = chance(random, 50);
    long long depth = between(random, 2, 12) * MM;
    switch (kind) {
    case OP_FACE:
        op.centre = {(part.x0 + part.x1) / 2, (part.y0 + part.y1) / 2};
        op.half_w = (part.x1 - part.x0) / 2;
        op.half_h = (part.y1 - part.y0) / 2;
        op.depth = chance(random, 50) ? 0 : MM / 2;
        break;
    case OP_RECT_POCKET:
    case OP_CORNERS:
    case OP_COMPENSATED: {
        op.half_w = between(random, 8, 30) * MM;
        op.half_h = between(random, 6, 20) * MM;
        op.centre = draw_point(random, part, 15 * MM);
        op.radius = kind == OP_CORNERS ? 0 : chance(random, 20) ? 0 : between(random, 2, 5) * MM;
        op.corner = between(random, 1, 4) * MM / 2;
        op.chamfer = chance(random, 50);
        op.exact_stop = chance(random, 50);
        op.dwell = chance(random, 20);
        draw_passes(random, op, kind == OP_COMPENSATED ? between(random, 3, 10) * MM : depth, kind == OP_RECT_POCKET);
        if (kind == OP_COMPENSATED) op.passes = op.passes > 2 ? 2 : op.passes;
        break;
    }
    case OP_SLOT:
        op.centre = draw_point(random, part, 15 * MM);
        op.half_w = between(random, 5, 25) * MM;
        op.radius = tool_r / 2 + between(random, 1, 8) * MM / 2;
        op.ramp = chance(random, 40);
        draw_passes(random, op, depth, !op.ramp);
        break;
    case OP_CIRCLE_POCKET:
        op.centre = draw_point(random, part, 15 * MM);
        op.helix_radius = tool_r / 2 + MM / 2;
        op.radius = chance(random, 25) ? op.helix_radius : op.helix_radius + between(random, 1, 15) * MM;
        op.depth = depth;
        op.step = between(random, 1, 3) * MM / 2;
        op.incremental = chance(random, 30);
        break;
    case OP_BOSS:
        op.centre = draw_point(random, part, 15 * MM);
        op.radius = between(random, 8, 40) * MM + tool_r;
        draw_passes(random, op, depth, false);
        break;
    case OP_KEYHOLE: {
        op.centre = draw_point(random, part, 15 * MM);
        op.radius = between(random, 2, 12) * 625 * 4;
        std::vector<Point> points;
        for (const Point &p : lattice_points(op.radius))
            if (p.x > 0 && p.y > 0) points.push_back(p);
        op.a = points[pick(random, static_cast<int>(points.size()))];
        op.tail = between(random, 5, 30) * MM;
        draw_passes(random, op, depth, true);
        break;
    }
    default: {  // OP_D_PROFILE
        op.centre = draw_point(random, part, 15 * MM);
        op.radius = between(random, 2, 10) * 625 * 4;
        std::vector<Point> points = lattice_points(op.radius);
        std::vector<std::pair<Point, Point>> pairs;
        long long square = op.radius * op.radius;
        for (const Point &a : points)
            for (const Point &b : points) {
                long long cross = a.x * b.y - a.y * b.x, dot = a.x * b.x + a.y * b.y;
                if (dot < 0 && cross != 0 && (cross < 0 ? -cross : cross) * 10 < square) pairs.push_back({a, b});
            }
        if (pairs.empty()) pairs.push_back({points[0], {-points[0].x, -points[0].y}});
        const std::pair<Point, Point> &pair = pairs[pick(random, static_cast<int>(pairs.size()))];
        op.a = pair.first;
        op.b = pair.second;
        op.r_arcs = chance(random, 75);
        draw_passes(random, op, depth, true);
        break;
    }
    }
}

void draw_hole_ops(Random &random, const Part &part, std::vector<Op> &patterns) {
    int count = chance(random, 70) ? 1 : 2;
    for (int n = 0; n < count; ++n) {
        Op op;
        op.returns = pick(random, 3);
        op.first_without_xy = chance(random, 30);
        op.initial_high = chance(random, 30);
        int shape = pick(random, 3);
        if (shape == 0) {  // a bolt circle
            op.kind = OP_HOLES;
            Point c = draw_point(random, part, 15 * MM);
            long long radius = between(random, 10, 60) * MM;
            int holes = between(random, 3, 8);
            double start = between(random, 0, 7) * 15.0;
            for (int i = 0; i < holes; ++i) {
                double s, co;
                sin_cos_degrees(start + 360.0 * i / holes, s, co);
                op.holes.push_back({c.x + round_micro(radius * co), c.y + round_micro(radius * s)});
            }
        } else if (shape == 1) {  // a grid, row by row back and forth
            op.kind = OP_HOLES;
            Point c = draw_point(random, part, 15 * MM);
            int nx = between(random, 2, 4), ny = between(random, 1, 3);
            long long px = between(random, 10, 30) * MM, py = between(random, 10, 25) * MM;
            for (int j = 0; j < ny; ++j)
                for (int i = 0; i < nx; ++i) op.holes.push_back({c.x + (j % 2 ? nx - 1 - i : i) * px, c.y + j * py});
        } else {
            op.kind = OP_HOLE_ROWS;
            op.centre = draw_point(random, part, 15 * MM);
            op.rows = between(random, 1, 3);
            op.row_holes = between(random, 2, 5);
            op.pitch = between(random, 8, 25) * MM;
            op.row_pitch = between(random, 10, 20) * MM;
            op.returns = chance(random, 50) ? 1 : 2;
        }
        patterns.push_back(op);
    }
}

void draw_tool(Random &random, int kind, int number, Tool &tool) {
    tool.kind = kind;
    tool.number = number;
    static const long long mills[] = {6, 8, 10, 12, 16, 20};
    static const long long faces[] = {50, 63, 80};
    static const long long drills[] = {5000, 6800, 8500, 10200, 8000, 6000};
    static const int cycles_drill[] = {81, 73, 83};
    static const int cycles_bore[] = {86, 88, 89};
    static const long long taps[][3] = {{6, 1000, 600}, {8, 1250, 500}, {10, 1500, 400}, {12, 1750, 300}};
    switch (kind) {
    case TOOL_FACE:
        tool.diameter = one_of(random, faces) * MM;
        tool.speed = between(random, 8, 12) * 100;
        tool.feed = between(random, 4, 8) * 100;
        break;
    case TOOL_END_MILL:
    case TOOL_FINISH_MILL:
        tool.diameter = one_of(random, mills) * MM;
        tool.speed = between(random, 15, 60) * 100;
        tool.feed = between(random, 15, 80) * 10;
        break;
    case TOOL_SPOT:
        tool.diameter = (chance(random, 50) ? 10 : 12) * MM;
        tool.speed = 1500;
        tool.feed = 100;
        tool.cycle = chance(random, 50) ? 81 : 82;
        tool.dwell = 200;
        tool.bottom = -2 * MM;
        break;
    case TOOL_DRILL:
        tool.diameter = one_of(random, drills);
        tool.speed = static_cast<int>(8000000 / tool.diameter) / 10 * 10;
        tool.feed = between(random, 6, 15) * 10;
        tool.cycle = one_of(random, cycles_drill);
        tool.peck = (tool.cycle == 73 ? between(random, 2, 4) : between(random, 6, 10)) * MM / 2;
        break;
    case TOOL_TAP: {
        const auto &tap = one_of(random, taps);
        tool.diameter = tap[0] * MM;
        tool.tap_pitch = tap[1];
        tool.speed = static_cast<int>(tap[2]);
        tool.feed = static_cast<int>(tap[1] * tap[2] / MM);
        tool.cycle = chance(random, 80) ? 84 : 74;
        tool.rigid = tool.cycle == 84 || chance(random, 50);
        tool.per_rev = tool.rigid && chance(random, 20);
        break;
    }
    case TOOL_REAMER:
        tool.diameter = (chance(random, 50) ? 8 : 10) * MM;
        tool.speed = 400;
        tool.feed = 60;
        tool.cycle = 85;
        break;
    default:
        tool.diameter = between(random, 20, 40) * MM;
        tool.speed = 700;
        tool.feed = 50;
        tool.cycle = one_of(random, cycles_bore);
        tool.dwell = between(random, 1, 5) * 100;
        break;
    }
    tool.plunge = tool.feed / 3 > 20 ? tool.feed / 3 : 20;
}

bool is_hole_tool(int kind) { return kind >= TOOL_SPOT; }

// Blocks a machining writes, near enough to keep a program within its budget.
int estimate_lines(const Op &op) {
    switch (op.kind) {
    case OP_FACE: return 20;
    case OP_HOLES: return static_cast<int>(op.holes.size()) + 6;
    case OP_HOLE_ROWS: return op.rows * 2 + 6;
    case OP_CIRCLE_POCKET: return static_cast<int>((op.depth + MM) / op.step) + 8;
    default: return op.passes * 11 + 5;
    }
}

void add_milling_op(Random &random, Plan &plan, Tool &tool, bool allow_compensation) {
    static const int milling[] = {OP_RECT_POCKET, OP_SLOT,       OP_CIRCLE_POCKET, OP_BOSS,
                                  OP_KEYHOLE,     OP_D_PROFILE,  OP_CORNERS,       OP_COMPENSATED};
    int kind = tool.kind == TOOL_FACE ? OP_FACE : one_of(random, milling);
    if (kind == OP_COMPENSATED && !allow_compensation) kind = OP_CORNERS;
    Op op;
    draw_milling_op(random, plan.part, tool, kind, op);
    plan.compensation = plan.compensation || kind == OP_COMPENSATED;
    tool.ops.push_back(op);
}

// Blocks the plan will write, near enough: head and end, each tool's change and
// set-up, its machinings in every fixture.
int estimate_plan(const Plan &plan) {
    int lines = 16;
    for (const Tool &tool : plan.tools) {
        lines += 12;
        for (const Op &op : tool.ops) lines += estimate_lines(op) * plan.style.fixtures;
    }
    return lines;
}

// The roughing end mill, which stands first or after a face mill; brought into
// the plan when it has none.
Tool &roughing_mill(Random &random, Plan &plan) {
    size_t index = !plan.tools.empty() && plan.tools.front().kind == TOOL_FACE ? 1 : 0;
    if (index < plan.tools.size() && plan.tools[index].kind == TOOL_END_MILL) return plan.tools[index];
    int number = 0;
    for (const Tool &tool : plan.tools) number = tool.number > number ? tool.number : number;
    Tool mill;
    draw_tool(random, TOOL_END_MILL, number + 1, mill);
    plan.tools.insert(plan.tools.begin() + static_cast<long>(index), mill);
    return plan.tools[index];
}

// 1 to 4 tools in the order a shop runs them, with their machinings; the hole
// tools share the part's hole patterns.
void draw_tools(Random &random, Plan &plan, bool allow_compensation) {
    int count = between(random, 1, 4);
    bool chosen[8] = {};
    for (int n = 0; n < count; ++n) {
        int kind = pick(random, 8);
        while (chosen[kind]) kind = (kind + 1) % 8;
        chosen[kind] = true;
    }
    draw_style(random, plan.style, count);
    draw_part(random, plan.part);
    std::vector<Op> patterns;
    draw_hole_ops(random, plan.part, patterns);
    int number = between(random, 1, 10);
    long long through = -(plan.part.thickness + 2 * MM);
    for (int kind = 0; kind < 8; ++kind) {
        if (!chosen[kind]) continue;
        Tool tool;
        draw_tool(random, kind, number++, tool);
        if (kind == TOOL_DRILL || kind == TOOL_REAMER) tool.bottom = through;
        if (kind == TOOL_TAP || kind == TOOL_BORE) tool.bottom = -(plan.part.thickness * 2 / 3) / MM * MM;
        if (is_hole_tool(kind)) tool.ops = patterns;
        plan.tools.push_back(tool);
    }
    int budget = between(random, 60, 330);
    for (Tool &tool : plan.tools) {
        if (is_hole_tool(tool.kind)) continue;
        int ops = tool.kind == TOOL_FACE ? 1 : between(random, 1, 3);
        for (int n = 0; n < ops && (n == 0 || estimate_plan(plan) < budget); ++n)
            add_milling_op(random, plan, tool, allow_compensation);
    }
    if (estimate_plan(plan) >= 80) return;
    // Too short a program: more pockets for the roughing end mill.
    do {
        add_milling_op(random, plan, roughing_mill(random, plan), allow_compensation);
    } while (estimate_plan(plan) < 80);
}

void draw_job(Random &random, const Plan &plan, GeneratedJob &job) {
    static const double angles[] = {0, 90, 360, 450, -30, -90, 720, 45, 120, 180};
    job.angle = chance(random, 50) ? one_of(random, angles) : (static_cast<double>(pick(random, 1440001)) - 720000.0) / 1000.0;
    int centre = pick(random, 4);
    const Part &part = plan.part;
    if (centre == 0) {
        job.centre[0] = job.centre[1] = 0;
    } else if (centre == 1) {
        job.centre[0] = static_cast<double>(chance(random, 50) ? part.x0 : part.x1) / MM;
        job.centre[1] = static_cast<double>(chance(random, 50) ? part.y0 : part.y1) / MM;
    } else if (centre == 2) {
        job.centre[0] = chance(random, 50) ? 500 : -500;
        job.centre[1] = chance(random, 50) ? 500 : -500;
    } else {
        job.centre[0] = static_cast<double>(between(random, -200000, 200000)) / MM;
        job.centre[1] = static_cast<double>(between(random, -200000, 200000)) / MM;
    }
    job.copy_count = between(random, 2, 6);
}

void write_program(Writer &w, const Plan &plan) {
    write_head(w, plan);
    for (size_t i = 0; i < plan.tools.size(); ++i) write_tool(w, plan, i);
    write_end(w, plan);
}

void finish_file(const Style &style, std::string &text) {
    if (!style.last_line_end) {
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    }
    if (style.eof_mark) text += '\x1a';
}

}  // namespace

void generate_job(uint32_t seed, GeneratedJob &job, bool allow_compensation) {
    Random random;
    random.engine.seed(seed);
    Plan plan;
    draw_tools(random, plan, allow_compensation);
    plan.program = between(random, 1, 9999);
    uint32_t format_seed = static_cast<uint32_t>(random.engine());
    Writer w;
    // The estimate of the plan is rough: a program that comes out shorter than
    // a real one gets one more pocket and is written again.
    while (true) {
        w = Writer{};
        w.style = &plan.style;
        w.random.engine.seed(format_seed);
        write_program(w, plan);
        if (w.lines >= 50) break;
        add_milling_op(random, plan, roughing_mill(random, plan), allow_compensation);
    }
    finish_file(plan.style, w.text);
    job = GeneratedJob{};
    job.program = w.text;
    job.compensation = plan.compensation;
    job.crlf = plan.style.crlf;
    job.last_line_end = plan.style.last_line_end;
    job.eof_mark = plan.style.eof_mark;
    draw_job(random, plan, job);
}
