// The block parser: turns one NC block into the pending codes, words and modal
// state of BlockState, and turns a parsed block into an absolute tool position.
#include "nc/block_parser.h"

#include "nc/word_scanner.h"

// Coordinate letters in the order of the word slots.
static const char CoordinateLetters[WORD_COUNT + 1] = "XYZIJRQK";

// Codes of which a block holds at most one: the first of the chain found wins,
// whatever their order in the block.
struct CodeEntry {
    const char *text;
    int code;
};
static const CodeEntry DistanceChain[] = {
    {"G90", 90},  // absolute
    {"G91", 91},  // incremental
};
static const CodeEntry PlaneChain[] = {
    {"G17", 17},  // XY plane
    {"G18", 18},  // ZX plane
    {"G19", 19},  // YZ plane
};
static const CodeEntry MotionChain[] = {
    {"G00", 0},  // rapid
    {"G01", 1},  // feed
    {"G02", 2},  // clockwise arc
    {"G03", 3},  // counter-clockwise arc
};
static const CodeEntry ShortMotionChain[] = {
    {"G0", 0},
    {"G1", 1},
    {"G2", 2},
    {"G3", 3},
};
static const CodeEntry CompensationChain[] = {
    {"G40", 40},  // cancel
    {"G41", 41},  // left
    {"G42", 42},  // right
};
static const CodeEntry CycleChain[] = {
    {"G73", 73},  // high-speed peck drilling
    {"G80", 80},  // cycle cancel
    {"G81", 81},  // drilling
    {"G83", 83},  // peck drilling
    {"G84", 84},  // tapping
};

// Codes recorded each on its own.
static const CodeEntry IndependentCodes[] = {
    {"G30", 30},  // second reference point
    {"G43", 43},  // tool length compensation +
    {"G44", 44},  // tool length compensation -
    {"G49", 49},  // tool length compensation cancel
    {"G64", 64},  // cutting mode
    {"G98", 98},  // cycle return to the initial level
    {"G99", 99},  // cycle return to the R level
};

// M codes the writer reproduces, with their one-digit short forms.
struct MCodeEntry {
    const char *text;
    const char *short_text;
    int code;
};
static const MCodeEntry MCodes[] = {
    {"M00", "M0", 0},  // program stop
    {"M01", "M1", 1},  // optional stop
    {"M02", "M2", 2},  // end of program
    {"M03", "M3", 3},  // spindle clockwise
    {"M04", "M4", 4},  // spindle counter-clockwise
    {"M05", "M5", 5},  // spindle stop
    {"M07", "M7", 7},  // mist coolant
    {"M08", "M8", 8},  // flood coolant
    {"M09", "M9", 9},  // coolant off
};

template <size_t N>
static int first_of_chain(const char *block, const CodeEntry (&chain)[N]) {
    for (const CodeEntry &entry : chain)
        if (find_text(block, entry.text) >= 0) return entry.code;
    return -1;
}

void init_block_state(BlockState &state, int modal_start) {
    for (int &entry : state.pending_g) entry = -1;
    for (int &entry : state.pending_m) entry = -1;
    state.modal = {modal_start, modal_start, modal_start, modal_start, modal_start,
                   modal_start, modal_start, modal_start, modal_start, modal_start};
    for (int i = 0; i < WORD_COUNT; ++i) {
        state.words.v[i] = 0.0;
        state.word_present[i] = 0;
        state.word_point[i] = 0;
    }
    state.feed[0] = state.feed[1] = state.feed[2] = 0.0;
    state.mode = {0, 0};
}

static int parse_coordinates(const char *block, WordValues &words, int word_present[WORD_COUNT],
                             int word_point[WORD_COUNT]) {
    int result = 0;
    for (int i = 0; i < WORD_COUNT; ++i) {
        const char letter[2] = {CoordinateLetters[i], '\0'};
        int at = find_text(block, letter);
        if (at < 0) continue;
        read_word_number(block + at, words.v[i], word_point[i]);
        word_present[i] = 1;
        result = 1;
    }
    return result;
}

static void parse_feed(const char *block, ModalIntegers &modal, double feed[3]) {
    int at = find_text(block, "F");
    if (at < 0) return;
    feed[1] = feed[0];
    std::string text;
    read_feed_text(block + at, text);
    feed[0] = convert_decimal(text.data(), text.size());
    modal.feed_flag = 1;
}

// The motion code of the block, or -1. The two-digit forms are tried first; a
// one-digit form counts only as a whole code, so the "G1" of "G17" and the "G0"
// of "G04" give no motion.
static int find_motion(const char *block) {
    int code = first_of_chain(block, MotionChain);
    if (code >= 0) return code;
    for (const CodeEntry &entry : ShortMotionChain) {
        int at = find_whole_code(block, entry.text);
        if (at < 0) continue;
        int number = 0;
        read_word_integer(block + at, number);
        return number == entry.code ? entry.code : -1;
    }
    return -1;
}

static int parse_m_codes(const char *block, int pending_m[10]) {
    int result = 0;
    for (const MCodeEntry &entry : MCodes) {
        if (find_text(block, entry.text) >= 0 || find_whole_code(block, entry.short_text) >= 0) {
            pending_m[entry.code] = entry.code;
            result = 1;
        }
    }
    return result;
}

int parse_block(const char *block, int pending_g[100], int pending_m[10], ModalIntegers &modal,
                WordValues &words, int word_present[WORD_COUNT], int word_point[WORD_COUNT],
                double feed[3], ModePair &mode) {
    if (!block) block = "";
    modal.feed_flag = -1;
    modal.block_motion = -1;

    int result = parse_coordinates(block, words, word_present, word_point);
    parse_feed(block, modal, feed);

    int at = find_text(block, "S");
    if (at >= 0) {
        read_word_integer(block + at, modal.spindle_speed);
        result = 1;
    }

    int code = first_of_chain(block, DistanceChain);
    if (code >= 0) {
        pending_g[code] = code;
        modal.distance_mode = code;
        mode.mode_now = code;
        result = 1;
    }

    if (find_text(block, "G92") >= 0) {
        pending_g[92] = 92;
        result = 1;
    }

    code = first_of_chain(block, PlaneChain);
    if (code >= 0) {
        pending_g[code] = code;
        modal.plane = code;
        result = 1;
    }

    modal.block_motion = find_motion(block);
    if (modal.block_motion >= 0) {
        pending_g[modal.block_motion] = modal.block_motion;
        modal.older_motion = modal.prev_motion;
        modal.prev_motion = modal.motion;
        modal.motion = modal.block_motion;
        result = 1;
    }

    code = first_of_chain(block, CompensationChain);
    if (code >= 0) {
        pending_g[code] = code;
        result = 1;
    }

    // The D word belongs to a compensation code, of this block or still pending.
    if (pending_g[41] == 41 || pending_g[42] == 42) {
        at = find_text(block, "D");
        if (at >= 0) read_word_integer(block + at, modal.d_number);
    }

    code = first_of_chain(block, CycleChain);
    if (code >= 0) {
        pending_g[code] = code;
        result = 1;
    }

    for (const CodeEntry &entry : IndependentCodes) {
        if (find_text(block, entry.text) >= 0) {
            pending_g[entry.code] = entry.code;
            result = 1;
        }
    }

    if (parse_m_codes(block, pending_m)) result = 1;
    return result;
}

// Values this close to zero are zero (the band is not symmetric: -0.0004 and
// 0.0005 themselves stay).
static double snap_to_zero(double value) { return value > -0.0004 && value < 0.0005 ? 0.0 : value; }

void update_position(const ModalIntegers &modal, const int pending_g[100],
                     const int word_present[WORD_COUNT], WordValues &current,
                     const WordValues &previous, const WordValues &words) {
    // G92 names the position itself: its words are absolute in either mode.
    bool sets_position = pending_g[92] == 92;
    for (int i = WORD_X; i <= WORD_Z; ++i) {
        if (sets_position || modal.distance_mode == 90)
            current.v[i] = word_present[i] ? words.v[i] : previous.v[i];
        else if (modal.distance_mode == 91)
            current.v[i] = previous.v[i] + words.v[i];
        else
            current.v[i] = previous.v[i];
    }
    if (modal.distance_mode != 0)
        for (int i = WORD_I; i < WORD_COUNT; ++i) current.v[i] = words.v[i];
    for (double &value : current.v) value = snap_to_zero(value);
}
