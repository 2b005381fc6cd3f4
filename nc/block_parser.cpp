// The block parser: turns one NC block into the pending codes, words and modal
// state of BlockState, and turns a parsed block into an absolute tool position.
#include "nc/block_parser.h"

#include "nc/code_index.h"
#include "nc/word_scanner.h"

// Coordinate letters in the order of the word slots.
static const char CoordinateLetters[WORD_COUNT + 1] = "XYZIJRQK";

// G codes of which a block holds at most one: the first of the chain found
// wins, whatever their order in the block. Each stands for its two-digit text
// ("G90"), found wherever it occurs, also inside a longer code ("G900").
static const int DistanceChain[] = {
    90,  // G90 absolute
    91,  // G91 incremental
};
static const int PlaneChain[] = {
    17,  // G17 XY plane
    18,  // G18 ZX plane
    19,  // G19 YZ plane
};
static const int MotionChain[] = {
    0,  // G00 rapid
    1,  // G01 feed
    2,  // G02 clockwise arc
    3,  // G03 counter-clockwise arc
};
static const int CompensationChain[] = {
    40,  // G40 cancel
    41,  // G41 left
    42,  // G42 right
};
static const int CycleChain[] = {
    73,  // G73 high-speed peck drilling
    80,  // G80 cycle cancel
    81,  // G81 drilling
    83,  // G83 peck drilling
    84,  // G84 tapping
};

// G codes recorded each on its own.
static const int IndependentCodes[] = {
    30,  // G30 second reference point
    43,  // G43 tool length compensation +
    44,  // G44 tool length compensation -
    49,  // G49 tool length compensation cancel
    64,  // G64 cutting mode
    98,  // G98 cycle return to the initial level
    99,  // G99 cycle return to the R level
};

// M codes the writer reproduces, each as "M0n" anywhere or as a whole "Mn".
static const int MCodes[] = {
    0,  // M00 program stop
    1,  // M01 optional stop
    2,  // M02 end of program
    3,  // M03 spindle clockwise
    4,  // M04 spindle counter-clockwise
    5,  // M05 spindle stop
    7,  // M07 mist coolant
    8,  // M08 flood coolant
    9,  // M09 coolant off
};

// Every test below is a substring test on the block, answered from its index.
template <size_t N>
static int first_of_chain(const CodeIndex &block, const int (&chain)[N]) {
    for (int code : chain)
        if (index_has_g(block, code)) return code;
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

static int parse_coordinates(const CodeIndex &block, WordValues &words, int word_present[WORD_COUNT],
                             int word_point[WORD_COUNT]) {
    int result = 0;
    for (int i = 0; i < WORD_COUNT; ++i) {
        int at = index_letter(block, CoordinateLetters[i]);
        if (at < 0) continue;
        read_word_number(block.text + at, words.v[i], word_point[i]);
        word_present[i] = 1;
        result = 1;
    }
    return result;
}

static void parse_feed(const CodeIndex &block, ModalIntegers &modal, double feed[3]) {
    int at = index_letter(block, 'F');
    if (at < 0) return;
    feed[1] = feed[0];
    feed[0] = read_feed_value(block.text + at);
    modal.feed_flag = 1;
}

// The motion code of the block, or -1. The two-digit forms are tried first; a
// one-digit form counts only as a whole code, so the "G1" of "G17" and the "G0"
// of "G04" give no motion.
static int find_motion(const CodeIndex &block) {
    int two_digit = first_of_chain(block, MotionChain);
    if (two_digit >= 0) return two_digit;
    // The same chain again, as "G0" to "G3".
    for (int code : MotionChain) {
        int at = index_whole_g(block, code);
        if (at < 0) continue;
        int number = 0;
        read_word_integer(block.text + at, number);
        return number == code ? code : -1;
    }
    return -1;
}

static int parse_m_codes(const CodeIndex &block, int pending_m[10]) {
    int result = 0;
    for (int code : MCodes) {
        if (index_has_m(block, code) || index_has_whole_m(block, code)) {
            pending_m[code] = code;
            result = 1;
        }
    }
    return result;
}

int parse_block(const char *text, int pending_g[100], int pending_m[10], ModalIntegers &modal,
                WordValues &words, int word_present[WORD_COUNT], int word_point[WORD_COUNT],
                double feed[3], ModePair &mode) {
    CodeIndex block;
    index_codes(text ? text : "", block);
    return parse_indexed_block(block, pending_g, pending_m, modal, words, word_present, word_point, feed,
                               mode);
}

int parse_indexed_block(const CodeIndex &block, int pending_g[100], int pending_m[10],
                        ModalIntegers &modal, WordValues &words, int word_present[WORD_COUNT],
                        int word_point[WORD_COUNT], double feed[3], ModePair &mode) {
    modal.feed_flag = -1;
    modal.block_motion = -1;

    int result = parse_coordinates(block, words, word_present, word_point);
    parse_feed(block, modal, feed);

    int at = index_letter(block, 'S');
    if (at >= 0) {
        read_word_integer(block.text + at, modal.spindle_speed);
        result = 1;
    }

    int code = first_of_chain(block, DistanceChain);
    if (code >= 0) {
        pending_g[code] = code;
        modal.distance_mode = code;
        mode.mode_now = code;
        result = 1;
    }

    if (index_has_g(block, 92)) {
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
        at = index_letter(block, 'D');
        if (at >= 0) read_word_integer(block.text + at, modal.d_number);
    }

    code = first_of_chain(block, CycleChain);
    if (code >= 0) {
        pending_g[code] = code;
        result = 1;
    }

    for (int code : IndependentCodes) {
        if (index_has_g(block, code)) {
            pending_g[code] = code;
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
