// The distance mode of lines the drivers copy without parsing. Such a line still
// switches the machine between absolute and incremental (G90 G54 G00 X0 Y0,
// G91 G28 Z0), so the tracked state must follow it, or every block after it
// would be read and written in the wrong mode.
#include "nc/block_parser.h"
#include "nc/code_index.h"
#include "nc/word_scanner.h"

int stated_distance_mode(const char *work) {
    // The same chain as the parser's: G90 wins over G91 wherever they stand.
    if (find_text(work, "G90") >= 0) return 90;
    if (find_text(work, "G91") >= 0) return 91;
    return 0;
}

int stated_indexed_distance_mode(const CodeIndex &work) {
    if (index_has_g(work, 90)) return 90;
    if (index_has_g(work, 91)) return 91;
    return 0;
}

// Sets the tracked mode to a stated one (0: nothing stated, nothing changes).
static void take_distance_mode(int stated, ModalIntegers &modal, ModePair &mode) {
    if (stated == 0) return;
    modal.distance_mode = stated;
    mode.mode_now = stated;
    mode.mode_written = stated;
}

void follow_distance_mode(const char *work, ModalIntegers &modal, ModePair &mode) {
    take_distance_mode(stated_distance_mode(work), modal, mode);
}

void follow_indexed_distance_mode(const CodeIndex &work, ModalIntegers &modal, ModePair &mode) {
    take_distance_mode(stated_indexed_distance_mode(work), modal, mode);
}

int has_words_without_distance_mode(const BlockState &state) {
    if (state.modal.distance_mode == 90 || state.modal.distance_mode == 91) return 0;
    // A coordinate setting is absolute whatever the mode.
    if (state.pending_g[92] == 92) return 0;
    for (int slot = 0; slot < WORD_COUNT; ++slot) {
        if (state.word_present[slot]) return 1;
    }
    return 0;
}
