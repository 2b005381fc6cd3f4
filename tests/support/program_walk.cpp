// The dialect walk: reads a program block by block with its own small parser and
// machine state in whole micrometres, so that it shares nothing with the rewrite
// or the generator whose output it judges.
#include "support/program_walk.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Coordinates beyond this (2000 mm) are no part a shop would turn on this table.
const long long COORDINATE_LIMIT = 2000000;
// I/J centres may miss the end point's radius by this much (two roundings of 0.001 mm).
const double ARC_TOLERANCE = 2.0;

struct Number {
    long long micro = 0;  // a coordinate in 0.001 mm (no point: the digits are 0.001 mm)
    double value = 0;     // the number as written (F, S, P ...)
    bool point = false;
    int decimals = 0;
};

struct Block {
    std::vector<int> g;  // G codes times ten: G54.1 is 541, G01 is 10
    std::vector<int> m;
    bool has[26] = {};
    Number word[26];
    bool corner = false;  // ,C or ,R
    long long corner_size = 0;
    bool tape_mark = false;
    bool program_number = false;
    bool code = false;  // anything but a comment
};

struct CycleData {
    int kind = 0;           // 73 ... 89, 0 when no cycle is in force
    int mode = 0;           // distance mode in which R and Z were given
    bool has_r = false, has_z = false, has_q = false, has_p = false;
    long long r = 0, z = 0;
    long long initial = 0;  // Z where the cycle began (the G98 level)
};

struct Machine {
    int line = 0;
    int distance = 0;  // 90, 91, or 0 while none was stated
    int motion = -1;   // 0 to 3, or -1 when no motion is in force (start, after G80)
    bool xy_known = false, z_known = false;
    long long x = 0, y = 0, z = 0;
    bool feed_known = false;
    int feed_mode = 94;
    bool speed_known = false;
    bool spindle_on = false;
    bool tool_called = false;
    int offset = 540;
    bool compensation = false;
    bool rigid_pending = false;
    int return_mode = 98;
    CycleData cycle;
    bool corner_pending = false;
    long long corner_size = 0;
    long long corner_dx = 0, corner_dy = 0;
    bool ended = false;
    bool coded = false;
};

struct Walk {
    Machine machine;
    WalkResult *result;
};

int fail(Walk &walk, const std::string &text) {
    walk.result->fault_line = walk.machine.line;
    walk.result->fault = text;
    return -1;
}

void count(Walk &walk, const std::string &feature) { ++walk.result->features[feature]; }

bool has_code(const std::vector<int> &codes, int code) {
    for (int c : codes)
        if (c == code) return true;
    return false;
}

bool is_cycle(int code) {
    return code == 730 || code == 740 || (code >= 810 && code <= 890 && code != 870 && code % 10 == 0);
}

// Code page 932 lead bytes: the next byte belongs to the same character.
bool is_lead_byte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

int read_number(const std::string &text, size_t &at, Number &number) {
    size_t start = at;
    bool negative = false;
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) negative = text[at++] == '-';
    long long whole = 0, fraction = 0;
    int digits = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9' && digits < 12) {
        whole = whole * 10 + (text[at++] - '0');
        ++digits;
    }
    if (at < text.size() && text[at] == '.') {
        number.point = true;
        ++at;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
            if (number.decimals < 6) fraction = fraction * 10 + (text[at] - '0');
            ++number.decimals;
            ++digits;
            ++at;
        }
    }
    if (digits == 0 || (at < text.size() && text[at] >= '0' && text[at] <= '9')) return -1;
    double scale = 1;
    for (int i = 0; i < number.decimals && i < 6; ++i) scale *= 10;
    number.value = static_cast<double>(whole) + static_cast<double>(fraction) / scale;
    if (number.point) {
        long long micro_fraction = fraction;
        for (int i = number.decimals; i < 3; ++i) micro_fraction *= 10;
        number.micro = whole * 1000 + (number.decimals <= 3 ? micro_fraction : 0);
    } else {
        number.micro = whole;
    }
    if (negative) {
        number.value = -number.value;
        number.micro = -number.micro;
    }
    return at > start ? 0 : -1;
}

// The comment-free code of a line; -1 on a byte no comment may hold outside it.
int split_comment(Walk &walk, const std::string &line, std::string &code) {
    bool inside = false;
    for (size_t i = 0; i < line.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(line[i]);
        if (inside) {
            if (is_lead_byte(c)) {
                if (i + 1 >= line.size()) return fail(walk, "a double-byte character cut by the line end");
                ++i;
            } else if (c == ')') {
                inside = false;
            } else if (c == '(') {
                return fail(walk, "a comment inside a comment");
            } else if (c < 0x20 && c != '\t') {
                return fail(walk, "a control byte in a comment");
            }
            continue;
        }
        if (c == '(') {
            inside = true;
            count(walk, "comment");
        } else if (c >= 0x80) {
            return fail(walk, "a non-ASCII byte outside a comment");
        } else if (c != ' ' && c != '\t') {
            code += static_cast<char>(c);
        }
    }
    if (inside) return fail(walk, "a comment without its closing parenthesis");
    return 0;
}

int read_g_code(Walk &walk, const Number &number, Block &block) {
    if (number.micro < 0 || (number.point && number.decimals != 1)) return fail(walk, "a malformed G code");
    long long tenths = number.point ? number.micro / 100 : number.micro * 10;
    block.g.push_back(static_cast<int>(tenths));
    return 0;
}

int parse_block(Walk &walk, const std::string &code, Block &block) {
    if (code == "%") {
        block.tape_mark = true;
        return 0;
    }
    size_t at = 0;
    while (at < code.size()) {
        char letter = code[at++];
        bool corner = false;
        if (letter == ',') {
            if (at >= code.size() || (code[at] != 'C' && code[at] != 'R')) return fail(walk, "a comma word other than ,C or ,R");
            letter = code[at++];
            corner = true;
        }
        if (letter >= 'a' && letter <= 'z') return fail(walk, "a lower-case letter");
        if (letter < 'A' || letter > 'Z') return fail(walk, std::string("a character outside the dialect: ") + letter);
        if (!corner && std::string("GMXYZIJRQKPFSTHDNO").find(letter) == std::string::npos)
            return fail(walk, std::string("a word outside the dialect: ") + letter);
        Number number;
        if (read_number(code, at, number) != 0) return fail(walk, std::string("a word without its number: ") + letter);
        block.code = true;
        if (corner) {
            if (block.corner) return fail(walk, "two corner words in one block");
            block.corner = true;
            block.corner_size = number.micro;
            count(walk, letter == 'C' ? "corner_chamfer" : "corner_round");
            continue;
        }
        if (letter == 'G') {
            if (read_g_code(walk, number, block) != 0) return -1;
            continue;
        }
        if (letter == 'M') {
            if (number.point || number.micro < 0) return fail(walk, "a malformed M code");
            block.m.push_back(static_cast<int>(number.micro));
            continue;
        }
        int slot = letter - 'A';
        if (block.has[slot]) return fail(walk, std::string("a word twice in one block: ") + letter);
        // A feed may carry up to six decimals (F0.0125 per revolution); lengths three.
        if (number.decimals > (letter == 'F' ? 6 : 3)) {
            return fail(walk, std::string("too many decimals: ") + letter);
        }
        if (letter == 'F' && number.decimals > 3) count(walk, "fine_feed");
        block.has[slot] = true;
        block.word[slot] = number;
        if (std::string("XYZIJR").find(letter) != std::string::npos && number.micro != 0)
            count(walk, number.point ? "number_point" : "number_plain");
        if (letter == 'O') block.program_number = true;
    }
    return 0;
}

bool has(const Block &block, char letter) { return block.has[letter - 'A']; }
long long micro(const Block &block, char letter) { return block.word[letter - 'A'].micro; }

bool in_range(long long value) { return value >= -COORDINATE_LIMIT && value <= COORDINATE_LIMIT; }

int check_codes(Walk &walk, const Block &block) {
    static const int allowed_g[] = {
        0,   10,  20,  30,  40,  51,  80,  170, 210, 280, 300, 400, 410, 420, 430, 440, 490, 530, 540,
        541, 550, 560, 570, 580, 590, 610, 640, 730, 740, 800, 810, 820, 830, 840, 850, 860, 880, 890,
        900, 910, 920, 940, 950, 980, 990};
    for (int g : block.g) {
        bool ok = false;
        for (int a : allowed_g) ok = ok || a == g;
        if (!ok) return fail(walk, "a G code outside the dialect: G" + std::to_string(g / 10) +
                                       (g % 10 ? "." + std::to_string(g % 10) : std::string()));
    }
    for (int m : block.m)
        if (m == 98 || m == 99) return fail(walk, "a subprogram call or return");
    int motions = 0;
    for (int g : block.g) motions += (g <= 30 && g % 10 == 0) || is_cycle(g);
    if (motions > 1) return fail(walk, "two motion codes in one block");
    if (has_code(block.g, 900) && has_code(block.g, 910)) return fail(walk, "G90 and G91 in one block");
    return 0;
}

// Distance mode, feed mode, look-ahead, spindle, tool and feed words.
int apply_modes(Walk &walk, const Block &block) {
    Machine &m = walk.machine;
    if (has_code(block.g, 900)) m.distance = 90;
    if (has_code(block.g, 910)) {
        m.distance = 91;
        count(walk, "g91");
    }
    bool coordinates = has(block, 'X') || has(block, 'Y') || has(block, 'Z') || has(block, 'I') ||
                       has(block, 'J') || has(block, 'R');
    if (coordinates && m.distance == 0) return fail(walk, "a coordinate word before G90 or G91");
    for (int mode : {940, 950})
        if (has_code(block.g, mode) && m.feed_mode != mode / 10) {
            m.feed_mode = mode / 10;
            m.feed_known = false;
        }
    if (has_code(block.g, 940)) count(walk, "g94");
    if (has_code(block.g, 51)) {
        if (!has(block, 'Q')) return fail(walk, "G05.1 without Q");
        count(walk, "g05_1");
    }
    if (has_code(block.g, 80)) {
        if (!has(block, 'P')) return fail(walk, "G08 without P");
        count(walk, "g08");
    }
    if (has_code(block.g, 610)) count(walk, "g61");
    if (has_code(block.g, 640)) count(walk, "g64");
    if (has_code(block.g, 980)) m.return_mode = 98;
    if (has_code(block.g, 990)) m.return_mode = 99;
    if (has(block, 'F')) {
        if (block.word['F' - 'A'].value <= 0) return fail(walk, "a feed of zero");
        m.feed_known = true;
    }
    if (has(block, 'S')) m.speed_known = true;
    if (has(block, 'T')) {
        m.tool_called = true;
        count(walk, "tool_call");
    }
    if (has(block, 'N')) {
        if (block.word['N' - 'A'].point || block.word['N' - 'A'].micro > 99999) return fail(walk, "a malformed N number");
        count(walk, "sequence_number");
    }
    return 0;
}

int apply_m_codes(Walk &walk, const Block &block) {
    Machine &m = walk.machine;
    for (int code : block.m) {
        if (code == 3 || code == 4) {
            if (!m.speed_known) return fail(walk, "the spindle started without a speed");
            m.spindle_on = true;
            if (code == 4) count(walk, "m04");
        } else if (code == 5) {
            m.spindle_on = false;
        } else if (code == 6) {
            if (!m.tool_called) return fail(walk, "a tool change without a tool number");
            if (m.compensation || m.cycle.kind) return fail(walk, "a tool change under compensation or a cycle");
            m.spindle_on = false;
            m.tool_called = has(block, 'T');
            count(walk, "tool_change");
        } else if (code == 19) {
            m.spindle_on = false;
            count(walk, "m19");
        } else if (code == 29) {
            if (!has(block, 'S')) return fail(walk, "M29 without its S word");
            m.rigid_pending = true;
        } else if (code == 0) {
            count(walk, "m00");
        } else if (code == 1) {
            count(walk, "m01");
        } else if (code == 2 || code == 30) {
            if (m.compensation || m.cycle.kind) return fail(walk, "the program ends under compensation or a cycle");
            m.ended = true;
        }
    }
    return 0;
}

// Work offsets and tool length change the frame: the tool's place in it is
// unknown until an absolute move names it again.
int apply_frames(Walk &walk, const Block &block) {
    Machine &m = walk.machine;
    for (int g : block.g) {
        bool offset = (g >= 540 && g <= 590 && g % 10 == 0) || g == 541;
        if (!offset) continue;
        if (g == 541 && !has(block, 'P')) return fail(walk, "G54.1 without P");
        int id = g == 541 ? 5410 + static_cast<int>(micro(block, 'P')) : g;
        count(walk, g == 541 ? "g54_1" : "work_offset");
        if (id != m.offset) {
            m.offset = id;
            m.xy_known = m.z_known = false;
            count(walk, "work_offset_change");
        }
    }
    if (has_code(block.g, 430) || has_code(block.g, 440)) {
        if (!has(block, 'H')) return fail(walk, "G43/G44 without H");
        m.z_known = false;
        count(walk, "g43");
    }
    if (has_code(block.g, 490)) m.z_known = false;
    return 0;
}

int apply_compensation(Walk &walk, const Block &block) {
    Machine &m = walk.machine;
    bool on = has_code(block.g, 410) || has_code(block.g, 420);
    if (on) {
        if (!has(block, 'D')) return fail(walk, "cutter compensation without D");
        if (m.cycle.kind) return fail(walk, "cutter compensation in a cycle");
        m.compensation = true;
        walk.result->compensation = true;
        count(walk, "compensation");
    }
    if (has_code(block.g, 400)) m.compensation = false;
    return 0;
}

// G04, G28, G30, G53, G92: the blocks whose words are no path point.
int apply_special(Walk &walk, const Block &block, bool &done) {
    Machine &m = walk.machine;
    done = true;
    if (has_code(block.g, 40)) {
        if (!has(block, 'P') && !has(block, 'X')) return fail(walk, "a dwell without its time");
        if (has(block, 'P') && block.word['P' - 'A'].point) return fail(walk, "a dwell P with a point");
        count(walk, "dwell");
        return 0;
    }
    if (has_code(block.g, 280) || has_code(block.g, 300)) {
        if (m.distance != 91) return fail(walk, "a reference return outside G91");
        if (m.compensation || m.cycle.kind) return fail(walk, "a reference return under compensation or a cycle");
        for (char axis : {'X', 'Y', 'Z'})
            if (has(block, axis) && micro(block, axis) != 0) return fail(walk, "a reference return through another point");
        if (has(block, 'X') || has(block, 'Y')) m.xy_known = false;
        if (has(block, 'Z')) m.z_known = false;
        count(walk, has_code(block.g, 280) ? "g28" : "g30");
        return 0;
    }
    if (has_code(block.g, 530)) {
        if (has(block, 'X') || has(block, 'Y')) m.xy_known = false;
        if (has(block, 'Z')) m.z_known = false;
        count(walk, "g53");
        return 0;
    }
    if (has_code(block.g, 920)) {
        if (has(block, 'X') != has(block, 'Y')) return fail(walk, "G92 naming only one of X and Y");
        if (has(block, 'X')) {
            m.x = micro(block, 'X');
            m.y = micro(block, 'Y');
            m.xy_known = true;
        }
        if (has(block, 'Z')) {
            m.z = micro(block, 'Z');
            m.z_known = true;
        }
        count(walk, has(block, 'X') ? "g92_xyz" : "g92_z");
        return 0;
    }
    done = false;
    return 0;
}

// The end point of an XY move; -1 when it cannot be known.
int target_xy(Walk &walk, const Block &block, long long &x, long long &y) {
    Machine &m = walk.machine;
    bool named = has(block, 'X') || has(block, 'Y');
    x = m.x;
    y = m.y;
    if (!named) return 0;
    if (m.distance == 91) {
        if (!m.xy_known) return fail(walk, "an incremental XY move from an unknown position");
        x += has(block, 'X') ? micro(block, 'X') : 0;
        y += has(block, 'Y') ? micro(block, 'Y') : 0;
        count(walk, "g91_xy");
    } else {
        if (!m.xy_known && !(has(block, 'X') && has(block, 'Y')))
            return fail(walk, "an absolute move naming one of X and Y while the other is unknown");
        if (has(block, 'X')) x = micro(block, 'X');
        if (has(block, 'Y')) y = micro(block, 'Y');
    }
    if (!in_range(x) || !in_range(y)) return fail(walk, "a position beyond 2000 mm");
    return 0;
}

int target_z(Walk &walk, const Block &block, long long &z) {
    Machine &m = walk.machine;
    z = m.z;
    if (!has(block, 'Z')) return 0;
    if (m.distance == 91) {
        if (!m.z_known) return fail(walk, "an incremental Z move from an unknown height");
        z += micro(block, 'Z');
        count(walk, "g91_z");
    } else {
        z = micro(block, 'Z');
    }
    if (!in_range(z)) return fail(walk, "a height beyond 2000 mm");
    return 0;
}

double distance(long long ax, long long ay, long long bx, long long by) {
    double dx = static_cast<double>(ax - bx), dy = static_cast<double>(ay - by);
    return std::sqrt(dx * dx + dy * dy);
}

int check_arc(Walk &walk, const Block &block, long long x, long long y) {
    Machine &m = walk.machine;
    if (!m.xy_known) return fail(walk, "an arc from an unknown position");
    bool centre = has(block, 'I') || has(block, 'J');
    if (centre == has(block, 'R')) return fail(walk, "an arc needs either I/J or R");
    if (has(block, 'Z')) count(walk, "helix");
    if (centre) {
        long long cx = m.x + (has(block, 'I') ? micro(block, 'I') : 0);
        long long cy = m.y + (has(block, 'J') ? micro(block, 'J') : 0);
        double from = distance(m.x, m.y, cx, cy), to = distance(x, y, cx, cy);
        if (from < 1) return fail(walk, "an arc of no radius");
        if (std::fabs(from - to) > ARC_TOLERANCE) return fail(walk, "an arc whose centre is not equidistant from its ends");
        count(walk, x == m.x && y == m.y ? "full_circle" : "arc_ij");
        return 0;
    }
    long long radius = micro(block, 'R');
    double half_chord = distance(m.x, m.y, x, y) / 2;
    if (half_chord < 0.5) return fail(walk, "an R arc whose ends meet");
    if (std::fabs(static_cast<double>(radius)) < half_chord - 1.0) return fail(walk, "an R arc whose radius is shorter than half its chord");
    count(walk, radius < 0 ? "arc_r_negative" : "arc_r");
    if (half_chord >= 0.97 * std::fabs(static_cast<double>(radius))) count(walk, "arc_r_near_half");
    return 0;
}

// A G01 with a corner word rounds or chamfers into the next G01: both legs must
// be long enough and not in line.
int check_corner(Walk &walk, const Block &block, long long x, long long y) {
    Machine &m = walk.machine;
    long long dx = x - m.x, dy = y - m.y;
    double length = distance(x, y, m.x, m.y);
    if (m.corner_pending) {
        if (m.motion != 1 || length == 0) return fail(walk, "a corner word not followed by a straight XY feed");
        if (length <= static_cast<double>(m.corner_size)) return fail(walk, "a corner longer than its leg");
        if (dx * m.corner_dy - dy * m.corner_dx == 0) return fail(walk, "a corner between legs in line");
        m.corner_pending = false;
    }
    if (block.corner) {
        if (m.motion != 1 || length == 0) return fail(walk, "a corner word on a block that is no straight XY feed");
        if (block.corner_size <= 0 || length <= static_cast<double>(block.corner_size))
            return fail(walk, "a corner longer than its leg");
        m.corner_pending = true;
        m.corner_size = block.corner_size;
        m.corner_dx = dx;
        m.corner_dy = dy;
    }
    return 0;
}

int apply_motion(Walk &walk, const Block &block) {
    Machine &m = walk.machine;
    long long x, y, z;
    if (target_xy(walk, block, x, y) != 0 || target_z(walk, block, z) != 0) return -1;
    if (m.motion < 0) return fail(walk, "a move while no motion code is in force");
    if (m.motion > 0) {
        if (!m.feed_known) return fail(walk, "a feed move without a feed");
        if (!m.spindle_on) return fail(walk, "a feed move with the spindle stopped");
    }
    if (m.motion >= 2 && check_arc(walk, block, x, y) != 0) return -1;
    if (m.motion <= 1 && (has(block, 'I') || has(block, 'J') || has(block, 'R')))
        return fail(walk, "arc words on a straight move");
    if ((m.corner_pending || block.corner) && check_corner(walk, block, x, y) != 0) return -1;
    bool extended_offset = has_code(block.g, 541);
    if (has(block, 'K') || has(block, 'Q') || (has(block, 'P') && !extended_offset)) return fail(walk, "cycle words on a move");
    if (has(block, 'X') || has(block, 'Y')) m.xy_known = true;
    if (has(block, 'Z')) m.z_known = true;
    m.x = x;
    m.y = y;
    m.z = z;
    count(walk, m.motion == 0 ? "rapid" : "feed");
    return 0;
}

// The R and Z levels of a cycle block, checked against the start height.
int cycle_levels(Walk &walk, long long &r_level, long long &bottom) {
    CycleData &c = walk.machine.cycle;
    r_level = c.mode == 90 ? c.r : c.initial + c.r;
    bottom = c.mode == 90 ? c.z : r_level + c.z;
    if (r_level > c.initial) return fail(walk, "a cycle's R level above its start height");
    if (bottom >= r_level) return fail(walk, "a cycle's bottom not below its R level");
    return 0;
}

int start_cycle(Walk &walk, int kind) {
    Machine &m = walk.machine;
    if (m.compensation) return fail(walk, "a cycle under cutter compensation");
    if (m.cycle.kind && m.cycle.kind != kind) return fail(walk, "one cycle after another without G80");
    if (!m.cycle.kind) {
        if (!m.z_known) return fail(walk, "a cycle from an unknown height");
        m.cycle = CycleData{};
        m.cycle.kind = kind;
        m.cycle.initial = m.z;
        m.cycle.mode = m.distance;
        count(walk, "cycle_" + std::to_string(kind));
        if (kind == 84 || kind == 74) {
            if (m.rigid_pending) count(walk, "rigid_tapping");
            m.rigid_pending = false;
        }
    }
    return 0;
}

int take_cycle_words(Walk &walk, const Block &block) {
    Machine &m = walk.machine;
    CycleData &c = m.cycle;
    if (m.distance != c.mode) {
        if (!has(block, 'R') || !has(block, 'Z')) return fail(walk, "cycle levels kept across a change of G90 and G91");
        c.mode = m.distance;
    }
    if (has(block, 'R')) {
        c.r = micro(block, 'R');
        c.has_r = true;
    }
    if (has(block, 'Z')) {
        c.z = micro(block, 'Z');
        c.has_z = true;
    }
    c.has_q = c.has_q || has(block, 'Q');
    c.has_p = c.has_p || has(block, 'P');
    if (!c.has_r || !c.has_z) return fail(walk, "a cycle without its R and Z");
    if ((c.kind == 73 || c.kind == 83) && !c.has_q) return fail(walk, "a peck cycle without Q");
    if ((c.kind == 82 || c.kind == 88 || c.kind == 89) && !c.has_p) return fail(walk, "a dwell cycle without P");
    if (has(block, 'P') && block.word['P' - 'A'].point) return fail(walk, "a cycle dwell P with a point");
    return 0;
}

int apply_cycle(Walk &walk, const Block &block) {
    Machine &m = walk.machine;
    if (!m.feed_known || !m.spindle_on) return fail(walk, "a cycle without feed or spindle");
    if (take_cycle_words(walk, block) != 0) return -1;
    long long r_level, bottom;
    if (cycle_levels(walk, r_level, bottom) != 0) return -1;
    long long repeats = has(block, 'K') ? micro(block, 'K') : 1;
    if (has(block, 'K')) {
        if (block.word['K' - 'A'].point || repeats < 1 || repeats > 99) return fail(walk, "a malformed K");
        count(walk, "cycle_k");
    }
    if (repeats > 1 && m.distance != 91) return fail(walk, "K repeats at one absolute point");
    for (long long i = 0; i < repeats; ++i) {
        long long x, y;
        if (target_xy(walk, block, x, y) != 0) return -1;
        if (has(block, 'X') || has(block, 'Y')) m.xy_known = true;
        if (!m.xy_known) return fail(walk, "a hole at an unknown position");
        m.x = x;
        m.y = y;
        count(walk, "hole");
    }
    count(walk, m.return_mode == 98 ? "cycle_g98" : "cycle_g99");
    count(walk, "cycle_" + std::to_string(m.cycle.kind) + (m.return_mode == 98 ? "_g98" : "_g99"));
    m.z = m.return_mode == 98 ? m.cycle.initial : r_level;
    return 0;
}

// Which of the block's kinds it is: a special block, a cycle, a move, or none.
int apply_path(Walk &walk, const Block &block, bool &moved) {
    Machine &m = walk.machine;
    bool done = false;
    moved = false;
    if (apply_special(walk, block, done) != 0) return -1;
    if (done) return 0;
    int kind = 0;
    for (int g : block.g)
        if (is_cycle(g)) kind = g / 10;
    if (kind && start_cycle(walk, kind) != 0) return -1;
    bool words = has(block, 'X') || has(block, 'Y') || has(block, 'Z') || has(block, 'R') || has(block, 'K');
    if (m.cycle.kind && (words || kind)) return apply_cycle(walk, block);
    if (!words && !has(block, 'I') && !has(block, 'J')) return 0;
    moved = true;
    return apply_motion(walk, block);
}

int apply_block(Walk &walk, const Block &block) {
    Machine &m = walk.machine;
    if (check_codes(walk, block) != 0 || apply_modes(walk, block) != 0 || apply_frames(walk, block) != 0 ||
        apply_compensation(walk, block) != 0)
        return -1;
    if (has_code(block.g, 800)) {
        m.cycle.kind = 0;
        m.motion = -1;
    }
    for (int g : block.g) {
        if (g <= 30 && g % 10 == 0) {
            if (m.cycle.kind) return fail(walk, "a motion code inside a cycle without G80");
            m.motion = g / 10;
        }
    }
    bool compensation_block = has_code(block.g, 410) || has_code(block.g, 420);
    if (compensation_block && (m.motion > 1 || m.motion < 0 || !(has(block, 'X') || has(block, 'Y'))))
        return fail(walk, "compensation started on a block that is no straight XY move");
    bool corner_before = m.corner_pending, rigid_before = m.rigid_pending, moved = false;
    if (apply_path(walk, block, moved) != 0) return -1;
    if (corner_before && !moved) return fail(walk, "a corner word not followed by a straight XY feed");
    if (rigid_before && m.rigid_pending) return fail(walk, "M29 not followed by a tapping cycle");
    return apply_m_codes(walk, block);
}

int walk_line(Walk &walk, const std::string &line) {
    Machine &m = walk.machine;
    std::string code;
    if (split_comment(walk, line, code) != 0) return -1;
    if (code.empty()) return 0;
    Block block;
    if (parse_block(walk, code, block) != 0) return -1;
    if (block.tape_mark) {
        if (m.coded && !m.ended) return fail(walk, "a tape mark inside the program");
        count(walk, "tape_mark");
        return 0;
    }
    if (m.ended) return fail(walk, "a block after the program end");
    if (block.program_number && m.coded) return fail(walk, "a program number after the first block");
    m.coded = true;
    if (block.program_number) {
        count(walk, "program_number");
        return 0;
    }
    return apply_block(walk, block);
}

// Splits the bytes into lines and notes how they end.
void split_lines(const std::string &bytes, WalkResult &result, std::vector<std::string> &lines) {
    std::string text = bytes;
    result.eof_mark = !text.empty() && text.back() == '\x1a';
    if (result.eof_mark) text.pop_back();
    int crlf = 0, lf = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            result.last_line_has_end = false;
            break;
        }
        bool cr = end > start && text[end - 1] == '\r';
        (cr ? crlf : lf) += 1;
        lines.push_back(text.substr(start, end - start - (cr ? 1 : 0)));
        result.last_line_has_end = true;
        start = end + 1;
    }
    result.line_end = crlf && lf ? LINE_END_MIXED : crlf ? LINE_END_CRLF : lf ? LINE_END_LF : LINE_END_NONE;
    result.lines = static_cast<int>(lines.size());
}

}  // namespace

int walk_program(const std::string &bytes, WalkResult &result) {
    result = WalkResult{};
    Walk walk;
    walk.result = &result;
    std::vector<std::string> lines;
    split_lines(bytes, result, lines);
    for (const std::string &line : lines) {
        ++walk.machine.line;
        if (line.find('\r') != std::string::npos) return fail(walk, "a carriage return inside a line");
        if (line.empty()) count(walk, "blank_line");
        if (walk_line(walk, line) != 0) return -1;
    }
    if (!walk.machine.ended) return fail(walk, "no M30 or M02 at the end");
    if (walk.machine.corner_pending) return fail(walk, "a corner word at the end");
    return 0;
}
