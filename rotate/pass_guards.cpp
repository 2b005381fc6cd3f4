// What the main passes share around their reading: the start position found by
// the pre-scan, and the checks that keep a block from being written from a guess
// (a coordinate without a known distance mode, an input cut short by a read error).
#include "nc/word_scanner.h"
#include "rotate/driver_support.h"
#include "log/message_log.h"

int scan_start_position(WindowHandle owner, const char *input_path, BlockState &state,
                        WordValues &current, WordValues &previous, int distance_mode_start) {
    BlockState &s = state;
    if (prescan_program(input_path, s.pending_g, s.pending_m, s.modal, current, previous, s.words,
                        s.word_present, s.word_point, s.feed, s.mode) < 0) {
        message_format("エラー：スタート座標の取り出しに失敗しました。");
        return log_post(owner, -1);
    }
    // Left pending, they would be written with the program's first block and turn
    // it into a coordinate setting.
    for (int &entry : s.pending_g) entry = -1;
    s.modal.distance_mode = distance_mode_start;
    return 0;
}

int block_moves_tool(const int word_present[WORD_COUNT]) {
    for (int slot = WORD_X; slot <= WORD_R; ++slot) {
        if (word_present[slot]) return 1;
    }
    return 0;
}

int names_xy(const char *work) {
    // A dwell's X is a time and the words of G10 are offsets: neither moves the tool.
    if (find_text(work, "G04") >= 0 || find_whole_code(work, "G4") >= 0 || find_text(work, "G10") >= 0) return 0;
    return find_text(work, "X") >= 0 || find_text(work, "Y") >= 0;
}

void write_xy_outright(WordValues &written_from, const WordValues &target, const ModePair &mode) {
    // In G91 the words are increments between tracked points and stay right.
    if (mode.mode_now != 90) return;
    written_from.v[WORD_X] = target.v[WORD_X] + 1.0;
    written_from.v[WORD_Y] = target.v[WORD_Y] + 1.0;
}

int refuse_unknown_distance_mode(WindowHandle owner, const std::string &raw) {
    message_format("エラー：G90/G91の指定より前に座標指令があります。 %s", line_without_end(raw).c_str());
    return log_post(owner, -1);
}

int check_input_read(WindowHandle owner, const TextReader &input, const char *input_path) {
    if (!input.failed) return 0;
    message_format("エラー：変換するＮＣファイル %s を最後まで読み込めません", input_path);
    return log_post(owner, -1);
}
