// Checks every main pass makes so that no block is written from a guess: a
// coordinate without a known distance mode, an input cut short by a read error.
#include "rotate/driver_support.h"
#include "shell/message_log.h"

int refuse_unknown_distance_mode(WindowHandle owner, const std::string &raw) {
    message_format("エラー：G90/G91の指定より前に座標指令があります。 %s", line_without_end(raw).c_str());
    return log_post(owner, -1);
}

int check_input_read(WindowHandle owner, const TextReader &input, const char *input_path) {
    if (!input.failed) return 0;
    message_format("エラー：変換するＮＣファイル %s を最後まで読み込めません", input_path);
    return log_post(owner, -1);
}
