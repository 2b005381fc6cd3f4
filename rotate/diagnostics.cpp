// The log lines the drivers post: the output settings (DEBUG 100), the start
// coordinates, the angle being written, the progress of a long job, and the
// interruption of a job.
#include <string>

#include "log/message_log.h"
#include "nc/number_format.h"
#include "rotate/drivers.h"
#include "rotate/pass.h"

int log_output_parameters(WindowHandle owner, const OutputFormat &format) {
    message_format("$$$ 出力パラメータ");
    log_post(owner, 0);
    message_format("$$$ 小数点　 == %d", format.decimal_mode);
    log_post(owner, 0);
    message_format("$$$ コメント == %d", format.comment_mode);
    log_post(owner, 0);
    return log_post(owner, 0);
}

void post_start_coordinates(WindowHandle owner, const WordValues &position) {
    std::string x, y, z;
    format_rounded(position.v[WORD_X], x);
    format_rounded(position.v[WORD_Y], y);
    format_rounded(position.v[WORD_Z], z);
    message_format("スタート座標 X%-10s Y%-10s Z%s", x.c_str(), y.c_str(), z.c_str());
    log_post(owner, 0);
}

int post_start_of_program(WindowHandle owner, const char *input_path) {
    WordValues start = {};
    if (prescan_program(input_path, start) < 0) {
        message_format("エラー：スタート座標の取り出しに失敗しました。");
        return log_post(owner, -1);
    }
    post_start_coordinates(owner, start);
    return 0;
}

void post_angle_line(WindowHandle owner, double angle) {
    std::string text;
    format_rounded(angle, text);
    message_format("回転角度：%s°書込中", text.c_str());
    log_post(owner, 0);
}

int open_pass_input(WindowHandle owner, TextReader &reader, const char *input_path, int message) {
    if (text_open_read(reader, input_path) == 0) return 0;
    if (message == 0) {
        message_format("エラー：変換するＮＣファイル %s 開けません", input_path);
    } else {
        message_format("エラー：回転するＮＣファイル %s 開けません", input_path);
    }
    return log_post(owner, -1);
}

namespace {

const long long PROGRESS_STEP = 1000000;  // lines between two progress lines of a long job
long long LinesHandled = 0;               // lines a driver has handled since its pass began

}  // namespace

void begin_progress() { LinesHandled = 0; }

int check_interruption(WindowHandle owner, long long line_number) {
    // The window takes its messages (a close among them) every few thousand lines.
    if ((line_number & 4095) == 0) pump_interface_messages();
    // A long job says in the log that it is still at work.
    if (line_number > 0 && ++LinesHandled % PROGRESS_STEP == 0) {
        message_format("処理中：%lld行", LinesHandled);
        log_post(owner, 0);
    }
    return CancelRequested ? -1 : 0;
}
