// The content of one NC block as the rewrite reads it (the codes it gives, its
// coordinate words in millimetres, and the words the writer does not produce
// itself), and the record the block writer keeps from block to block.
#pragma once

#include <string>
#include <vector>

#include "nc/block_words.h"

// Word slots in the fixed order of every position record.
enum WordIndex { WORD_X = 0, WORD_Y, WORD_Z, WORD_I, WORD_J, WORD_R, WORD_Q, WORD_K, WORD_COUNT };

// Eight values X Y Z I J R Q K in millimetres.
struct WordValues {
    double v[WORD_COUNT];
};

// Why a block is refused.
enum BlockRefusalKind {
    REFUSAL_NONE = 0,
    REFUSAL_UNREADABLE,     // the words do not read (fault says why)
    REFUSAL_UNKNOWN_G,      // a G code outside the table
    REFUSAL_G,              // a G code whose geometry cannot be turned (why says so)
    REFUSAL_PLANE,          // G18 or G19 (code holds 18 or 19)
    REFUSAL_SUBPROGRAM,     // M98, M99, M198
    REFUSAL_LETTER,         // an axis or word this tool does not know (A, B, C, E, U, V, W ...)
    REFUSAL_DUPLICATE,      // the same address twice in one block
    REFUSAL_GROUP,          // two codes of one modal group in one block
    REFUSAL_NOT_INTEGER,    // S, T, H or D with a fraction
    REFUSAL_POINT           // a decimal point on an address that counts (S T H D K L P N)
};

struct BlockRefusal {
    BlockRefusalKind kind = REFUSAL_NONE;
    BlockFault fault;            // REFUSAL_UNREADABLE
    int code = 0;                // the G code in tenths, the M code, or the letter
    const char *why = nullptr;   // REFUSAL_G
};

// What one block gives. Codes absent from the block are -1 (or 0 where noted).
struct ParsedBlock {
    int motion = -1;        // 0 to 3: G00 to G03
    int distance = 0;       // 90 or 91
    int plane = 0;          // 17
    int cutter = -1;        // 40, 41, 42
    int length = 0;         // 43, 44 (copied lines) or 49
    int cycle = -1;         // 73, 74, 80 to 89
    int cycle_return = 0;   // 98 or 99
    int one_shot = 0;       // 4, 10, 28, 30, 53 or 92
    int work_offset = 0;    // G54 to G59 and G54.1, in tenths (540, 541 ... 590)
    int cutting_mode = 0;   // 61 to 64
    int feed_mode = 0;      // 94 or 95
    int copied = 0;         // a code of the copied kind stands in the block
    int kept = 0;           // a code of the kept kind stands in the block
    int q_mode = 0;         // G05.1 stands in the block: its Q is the mode it switches
    int p_mode = 0;         // G05 or G08 stands in the block: its P is the mode it switches

    int present[WORD_COUNT] = {};  // X Y Z I J R Q K given
    double value[WORD_COUNT] = {}; // in millimetres (a number without a point counts 0.001)
    int point[WORD_COUNT] = {};    // the word had a decimal point
    int word_at[WORD_COUNT] = {};  // index of the word in the block

    int has_feed = 0;
    double feed = 0.0;
    int has_spindle = 0;
    int spindle = 0;
    int has_d = 0, d = 0;
    int has_h = 0, h = 0;
    int has_t = 0, t = 0;
    int has_repeat = 0, repeat = 1;  // K or L: how many times a cycle repeats
    int has_p = 0, p = 0;            // P: a dwell, a cycle's dwell, the number of G54.1
    int has_corner = 0;              // ,C or ,R

    int written_m[10] = {};          // M00 to M09 (M06 aside) given
    int has_written_m = 0;
    int tool_change = 0;             // M06
    int program_end = 0;             // 2 (M02) or 30 (M30)
    int has_sequence = 0;            // N
};

// Reads the block's words into what they give. 0, or -1 with the refusal.
int parse_block(const NcBlock &block, ParsedBlock &parsed, BlockRefusal &refusal);

// ---------------------------------------------------------------------------
// The record the block writer keeps from block to block.

// The ten modal integers, in this order.
struct ModalIntegers {
    int distance_mode;  // 90 or 91 in force
    int motion;         // motion in force, 0 to 3 (G00 to G03)
    int prev_motion;    // the motion written last: a motion code is written only when it changes
    int older_motion;   // what prev_motion held before
    int feed_flag;      // 1 when the block holds F, 0 once F is written
    int d_number;       // D word to write with G41/G42, then 0
    int spindle_speed;  // S word to write, then 0
    int plane;          // 17
    int prev_plane;     // plane of the previous line
    int block_motion;   // motion code found in this block, or -1
};

// Distance mode as in force and as last written.
struct ModePair {
    int mode_now;
    int mode_written;
};

struct BlockState {
    int pending_g[100];        // entry n holds n while Gn waits to be written, else -1
    int pending_m[10];         // entry n holds n while M0n waits to be written, else -1
    ModalIntegers modal;
    WordValues words;          // this block's words (0 when absent)
    int word_present[WORD_COUNT];
    int word_point[WORD_COUNT];  // 1 when the word's number had a decimal point
    double feed[3];            // [0] F in force, [1] F written last, [2] unused
    ModePair mode;
};

// A fresh record: code tables -1, words, flags and feed 0, modal integers set to
// modal_start, mode pair 0.
void init_block_state(BlockState &state, int modal_start);

// Where a program starts: the first G92 that gives X, Y and Z (its values in
// start), read without the rest of the rewrite. 1 when there is one, 0 when
// there is none, -1 when the file cannot be read.
int prescan_program(const char *path, WordValues &start);
