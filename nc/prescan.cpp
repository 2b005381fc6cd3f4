// The pre-scan: runs the parser over the whole program once to find where the
// tool stands when the program starts, and the modal state in force there.
#include <memory>
#include <string>

#include "nc/block_parser.h"
#include "nc/code_index.h"
#include "nc/word_scanner.h"
#include "platform/platform.h"

// Lines that the drivers copy unchanged; they never move the tracked position.
// Each stands for its text "Gnn", found wherever it occurs.
static const int PassThroughCodes[] = {
    28,  // G28 reference point return
    30,  // G30 second reference point return
    43,  // G43 tool length compensation +
    44,  // G44 tool length compensation -
    54,  // G54 to G59 work coordinate systems 1 to 6
    55,
    56,
    57,
    58,
    59,
    64,  // G64 cutting mode
    65,  // G65 macro call
};

static int is_pass_through_block(const CodeIndex &work) {
    for (int code : PassThroughCodes)
        if (index_has_g(work, code)) return 1;
    return work.g05p_at >= 0;  // "G05P", high-speed machining mode
}

// Blocks whose numbers are times, offsets or machine positions: G04 (and G4
// written as a whole code) dwell, G10 data setting, G53 machine coordinates.
int is_non_path_block(const char *work) {
    CodeIndex index;
    index_codes(work, index);
    return is_non_path_code(index);
}

int is_non_path_code(const CodeIndex &index) {
    return index_has_g(index, 4) || index_has_g(index, 10) || index_has_g(index, 53) ||
           index_whole_g(index, 4) >= 0;
}

// A drilling cycle block with R stands at the hole, not on the path.
static int is_cycle_with_r(const int pending_g[100], const int word_present[WORD_COUNT]) {
    if (!word_present[WORD_R]) return 0;
    for (int n = 81; n <= 89; ++n)
        if (pending_g[n] == n) return 1;
    return 0;
}

static void clear_block(int pending_g[100], WordValues &words, int word_present[WORD_COUNT]) {
    for (int n = 0; n < 100; ++n) pending_g[n] = -1;
    for (int i = 0; i < WORD_COUNT; ++i) {
        words.v[i] = 0.0;
        word_present[i] = 0;
    }
}

// What the main pass starts from: the modal values that only the main pass
// should set are unknown again, and the feed found is kept aside in feed[2].
static void reset_after_scan(int pending_m[10], ModalIntegers &modal, double feed[3]) {
    modal.motion = -1;
    modal.prev_motion = -1;
    modal.older_motion = -1;
    modal.feed_flag = -1;
    modal.d_number = -1;
    modal.spindle_speed = -1;
    modal.prev_plane = -1;
    modal.block_motion = -1;
    for (int n = 0; n < 10; ++n) pending_m[n] = -1;
    feed[2] = feed[0];
    feed[0] = 0.0;
    feed[1] = 0.0;
}

int prescan_program(const char *path, int pending_g[100], int pending_m[10], ModalIntegers &modal,
                    WordValues &start, WordValues &previous, WordValues &words,
                    int word_present[WORD_COUNT], int word_point[WORD_COUNT], double feed[3],
                    ModePair &mode) {
    // The reader holds a 64 KB buffer: kept off the stack of the window procedure.
    std::unique_ptr<TextReader> reader = std::make_unique<TextReader>();
    if (text_open_read(*reader, path) != 0) return -1;
    std::string work;
    while (text_read_line(*reader, work) == 1) {
        strip_comment(work);
        clear_block(pending_g, words, word_present);
        // One index of the line answers every code test below.
        CodeIndex index;
        index_codes(work.c_str(), index);
        if (is_pass_through_block(index) || is_non_path_code(index)) {
            follow_indexed_distance_mode(index, modal, mode);
            continue;
        }
        if (parse_indexed_block(index, pending_g, pending_m, modal, words, word_present, word_point,
                                feed, mode) != 1)
            continue;
        if (is_cycle_with_r(pending_g, word_present)) continue;
        update_position(modal, pending_g, word_present, start, previous, words);
        if (pending_g[92] == 92 && word_present[WORD_X] && word_present[WORD_Y] &&
            word_present[WORD_Z]) {
            // The coordinate system is set here: the words as read, unsnapped.
            start = words;
            previous = words;
            break;
        }
        previous = start;
    }
    // A read error part-way would give a start taken from half a program.
    int failed = reader->failed;
    text_close_read(*reader);
    if (failed) return -1;
    reset_after_scan(pending_m, modal, feed);
    return 1;
}
