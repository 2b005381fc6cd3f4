// The block parser's record of one program's state, and the operations that fill
// it block by block: parse_block, update_position and the pre-scan for the start.
#pragma once

#include <string>

struct CodeIndex;

// Word slots in the fixed order of every position record.
enum WordIndex { WORD_X = 0, WORD_Y, WORD_Z, WORD_I, WORD_J, WORD_R, WORD_Q, WORD_K, WORD_COUNT };

// Eight values X Y Z I J R Q K in millimetres.
struct WordValues {
    double v[WORD_COUNT];
};

// The ten modal integers, in this order; the operations take them as one argument.
struct ModalIntegers {
    int distance_mode;  // 90 or 91 from the last G90/G91
    int motion;         // motion in force, 0 to 3 (G00 to G03)
    int prev_motion;    // motion in force before; the writers set it when they write a motion code
    int older_motion;   // what prev_motion held before
    int feed_flag;      // -1 at every parse, 1 when the block holds F, 0 once F is written
    int d_number;       // D word read while G41/G42 is pending; written and then 0
    int spindle_speed;  // S word; written and then 0
    int plane;          // 17, 18 or 19
    int prev_plane;     // plane of the previous line (per-machining driver)
    int block_motion;   // motion code found in this block, or -1
};

// Distance mode as last parsed and as last written.
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
    double feed[3];            // [0] current F, [1] F written last, [2] F where the pre-scan stopped
    ModePair mode;
};

// A fresh record: code tables -1, words, flags and feed 0, modal integers set to
// modal_start (0 for the whole-program driver, -1 for the others), mode pair 0.
void init_block_state(BlockState &state, int modal_start);

// Parses one block (comment already removed). Returns 1 when anything that the
// writer reproduces was recognised, else 0. The caller clears words and word_present.
int parse_block(const char *block, int pending_g[100], int pending_m[10], ModalIntegers &modal,
                WordValues &words, int word_present[WORD_COUNT], int word_point[WORD_COUNT],
                double feed[3], ModePair &mode);
// The same from the block's index (index_codes over the block text), for a
// caller that has indexed the block already for its own tests.
int parse_indexed_block(const CodeIndex &block, int pending_g[100], int pending_m[10],
                        ModalIntegers &modal, WordValues &words, int word_present[WORD_COUNT],
                        int word_point[WORD_COUNT], double feed[3], ModePair &mode);

// The absolute tool position reached by a parsed block. A pending G92 makes the
// X, Y and Z it gives absolute in every distance mode; outside G90 and G91 the
// other blocks leave X, Y and Z where they were. I to K are the block's own
// (not taken while distance_mode is 0); values near 0 snap to 0.
void update_position(const ModalIntegers &modal, const int pending_g[100],
                     const int word_present[WORD_COUNT], WordValues &current,
                     const WordValues &previous, const WordValues &words);

// Runs the parser over the whole program to find the start position (the first
// G92 with X, Y and Z, else the position at the end). -1 when the file cannot be
// opened, else 1.
int prescan_program(const char *path, int pending_g[100], int pending_m[10], ModalIntegers &modal,
                    WordValues &start, WordValues &previous, WordValues &words,
                    int word_present[WORD_COUNT], int word_point[WORD_COUNT], double feed[3],
                    ModePair &mode);

// 1 when a line (work copy, comment removed) holds a dwell, data-setting or
// machine-coordinate code (G04, G4, G10, G53): its numbers are never tool-path points.
int is_non_path_block(const char *work);
// The same from the line's index.
int is_non_path_code(const CodeIndex &work);

// 90 or 91 when a line (work copy) states G90 or G91 (G90 first, as the parser
// takes it), else 0.
int stated_distance_mode(const char *work);
// A line copied without parsing still sets the distance mode it states: the
// tracked mode, the mode now and the mode written all become that mode.
void follow_distance_mode(const char *work, ModalIntegers &modal, ModePair &mode);
// The same two from the line's index.
int stated_indexed_distance_mode(const CodeIndex &work);
void follow_indexed_distance_mode(const CodeIndex &work, ModalIntegers &modal, ModePair &mode);
// 1 when a parsed block gives coordinate words while no G90 or G91 has been
// stated (a coordinate setting excepted): its words could only be guessed.
int has_words_without_distance_mode(const BlockState &state);
