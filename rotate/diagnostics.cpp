// The log lines the drivers post: the output settings (DEBUG 100), the start
// coordinates and the angle being written.
#include <string>

#include "nc/number_format.h"
#include "rotate/driver_support.h"
#include "rotate/drivers.h"
#include "log/message_log.h"

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

void post_angle_line(WindowHandle owner, double angle) {
    std::string text;
    format_rounded(angle, text);
    message_format("回転角度：%s°書込中", text.c_str());
    log_post(owner, 0);
}
