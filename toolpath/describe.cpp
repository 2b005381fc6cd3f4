// Words for motions, as a shop programmer reads them: the kind in Japanese,
// coordinates to the micron, unknown axes as "?".
#include "toolpath/describe.h"

#include <cstdarg>
#include <cstdio>

namespace {

void append_format(std::string &text, const char *format, ...) __attribute__((format(printf, 2, 3)));

void append_format(std::string &text, const char *format, ...) {
    char piece[160];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(piece, sizeof piece, format, arguments);
    va_end(arguments);
    text += piece;
}

void append_axis(std::string &text, char letter, double value, int known) {
    if (known) append_format(text, "%c%.3f", letter, value + 0.0);
    else append_format(text, "%c?", letter);
}

void append_point(std::string &text, const Point3 &point) {
    const char letters[3] = {'X', 'Y', 'Z'};
    for (int axis = 0; axis < 3; ++axis) {
        if (axis > 0) text += ' ';
        append_axis(text, letters[axis], point.v[axis], point.known[axis]);
    }
}

void append_hole(std::string &text, const Motion &motion) {
    append_format(text, "穴あけ G%02d ", motion.cycle);
    append_axis(text, 'X', motion.end.v[AXIS_X], motion.end.known[AXIS_X]);
    text += ' ';
    append_axis(text, 'Y', motion.end.v[AXIS_Y], motion.end.known[AXIS_Y]);
    text += ' ';
    append_axis(text, 'R', motion.r_level, motion.r_known);
    text += " 穴底";
    append_axis(text, 'Z', motion.bottom, motion.bottom_known);
    text += " 戻り";
    append_axis(text, 'Z', motion.end.v[AXIS_Z], motion.end.known[AXIS_Z]);
    if (motion.q_given) append_format(text, " Q%.3f", motion.q);
    if (motion.p_given) append_format(text, " P%d", motion.p);
}

void append_home(std::string &text, const Motion &motion) {
    const char letters[3] = {'X', 'Y', 'Z'};
    if (motion.reference == 53) {
        text += "機械座標移動 G53";
        for (int axis = 0; axis < 3; ++axis) {
            if (motion.axes & (1 << axis)) append_format(text, " %c%.3f", letters[axis], motion.machine[axis] + 0.0);
        }
        return;
    }
    if (motion.reference == 28) text += "原点復帰 G28";
    else append_format(text, "第%d原点復帰 G30 P%d", motion.reference - 300, motion.reference - 300);
    for (int axis = 0; axis < 3; ++axis) {
        if (motion.axes & (1 << axis)) append_format(text, " %c", letters[axis]);
    }
}

void append_work_offset(std::string &text, const MachineState &state) {
    if (state.work_offset == 0) text += " ワーク座標 指定なし";
    else if (state.work_offset == 541) append_format(text, " ワーク座標 G54.1 P%d", state.work_p);
    else append_format(text, " ワーク座標 G%d", state.work_offset / 10);
}

void append_coolant(std::string &text, const MachineState &state) {
    if (!state.mist && !state.flood) text += " クーラント 切";
    if (state.mist) text += " クーラント M07";
    if (state.flood) text += " クーラント M08";
}

void append_frame(std::string &text, const MachineState &state) {
    text += " G92座標系";
    const char letters[3] = {'X', 'Y', 'Z'};
    for (int axis = 0; axis < 3; ++axis) {
        append_format(text, " %c#%d%+.3f", letters[axis], state.frame_token[axis], state.frame_delta[axis] + 0.0);
    }
}

void append_state_detail(std::string &text, const MachineState &state, int difference) {
    switch (difference) {
    case DIFFERENCE_WORK: append_work_offset(text, state); break;
    case DIFFERENCE_TOOL: append_format(text, " 工具 T%d", state.tool); break;
    case DIFFERENCE_LENGTH: append_format(text, " 工具長補正 G%d H%d", state.length_comp, state.length_h); break;
    case DIFFERENCE_CUTTER: append_format(text, " 工具径補正 G%d D%d", state.cutter_comp, state.cutter_d); break;
    case DIFFERENCE_SPINDLE:
        if (state.spindle_s < 0) append_format(text, " 主軸 M%02d S指定なし", state.spindle);
        else append_format(text, " 主軸 M%02d S%d", state.spindle, state.spindle_s);
        break;
    case DIFFERENCE_COOLANT: append_coolant(text, state); break;
    case DIFFERENCE_DISTANCE:
        if (state.distance == 0) text += " G90/G91 指定なし";
        else append_format(text, " G%d", state.distance);
        break;
    case DIFFERENCE_FEED_MODE: append_format(text, " 送りモード G%d", state.feed_mode); break;
    case DIFFERENCE_CUTTING_MODE: append_format(text, " 切削モード G%d", state.cutting_mode); break;
    case DIFFERENCE_FEED: append_format(text, " 送り F%g", state.feed); break;
    case DIFFERENCE_FRAME: append_frame(text, state); break;
    default: break;
    }
}

}  // namespace

void describe_point(const Point3 &point, std::string &text) {
    text.clear();
    append_point(text, point);
}

void describe_motion(const Motion &motion, std::string &text) {
    text.clear();
    switch (motion.kind) {
    case MOTION_RAPID:
        text += "早送り ";
        append_point(text, motion.end);
        break;
    case MOTION_FEED:
        text += "直線切削 ";
        append_point(text, motion.end);
        append_format(text, " F%g", motion.state.feed);
        break;
    case MOTION_ARC_CW:
    case MOTION_ARC_CCW:
        text += motion.kind == MOTION_ARC_CW ? "円弧(時計回り) " : "円弧(反時計回り) ";
        append_point(text, motion.end);
        append_format(text, " 中心 X%.3f Y%.3f", motion.centre[0] + 0.0, motion.centre[1] + 0.0);
        break;
    case MOTION_HOLE: append_hole(text, motion); break;
    case MOTION_HOME: append_home(text, motion); break;
    case MOTION_DWELL: append_format(text, "ドウェル %.3f秒", motion.seconds); break;
    case MOTION_STOP: append_format(text, "停止 M%02d", motion.code); break;
    case MOTION_END: append_format(text, "終了 M%02d", motion.code); break;
    case MOTION_SETUP: text += "段取り"; break;
    }
}

void describe_with_difference(const Motion &motion, int difference, std::string &text) {
    describe_motion(motion, text);
    if (difference == DIFFERENCE_START) {
        text += " 始点 ";
        append_point(text, motion.start);
        return;
    }
    append_state_detail(text, motion.state, difference);
}
