// Copies of the whole program: the source as it stands, then N - 1 copies, each
// the source program turned a further step, line for line: setup, reference
// returns, coordinate settings, tool changes, spindle, coolant and stops stand
// in every copy. Only the program's frame is left out where it would cut the
// program short: the program number and the leading "%" after the first pass,
// the end code (M02, M30) and the closing "%" before the last.
#include <memory>
#include <string>

#include "log/message_log.h"
#include "rotate/drivers.h"
#include "rotate/pass.h"
#include "settings/settings_file.h"

namespace {

// How the frame the program's first G92 sets relates to the frame the program
// ends in, per axis: F1 coordinates are the end frame's plus shift. A copy
// starts where the pass before left the tool, and its first G92 must declare
// where that is in F1, so that the copy runs in the source's own frame.
struct FrameChain {
    int defined[3] = {0, 0, 0};  // the axis had its first G92 before it moved
    int moved[3] = {0, 0, 0};    // the axis moved before its first G92
    int known[3] = {0, 0, 0};    // shift is known
    double shift[3] = {0.0, 0.0, 0.0};
};

void follow_frames(FrameChain &chain, const MachineTrack &before, const LineInfo &info) {
    const ParsedBlock &p = info.parsed;
    if (p.work_offset != 0 || p.one_shot == 10) {
        // Another work offset, or new offset values: no relation to F1 any more.
        for (int axis = 0; axis < 3; ++axis) chain.known[axis] = 0;
    }
    for (int axis = 0; axis < 3; ++axis) {
        if (info.motion == LM_SET && p.present[axis]) {
            if (!chain.defined[axis] && !chain.moved[axis]) {
                chain.defined[axis] = 1;
                chain.known[axis] = 1;
                chain.shift[axis] = 0.0;
            } else if (chain.known[axis] && before.known[axis]) {
                chain.shift[axis] += before.pos[axis] - p.value[axis];
            } else {
                chain.known[axis] = 0;
            }
        } else if (info.after.known[axis] != before.known[axis] || info.after.pos[axis] != before.pos[axis]) {
            if (!chain.defined[axis]) chain.moved[axis] = 1;
        }
    }
}

// Where the program relies on the setup the control starts in: a move before
// its first work offset code, a move in Z before its first tool length code.
// A copy starts with the setup the pass before left, which the program would
// then move in; nothing can be written that restores the unnamed setup.
struct StartSetup {
    int offset_named = 0;
    int length_named = 0;
    long long offset_line = 0;     // the first move before a work offset (0: none)
    std::string offset_text;
    long long length_line = 0;     // the first move in Z before a tool length code
    std::string length_text;
};

void note_first(long long &line, std::string &text, const LineInfo &info) {
    if (line != 0) return;
    line = info.number;
    text.assign(info.text, info.length);
}

void follow_start_setup(StartSetup &start, const LineInfo &info) {
    const ParsedBlock &p = info.parsed;
    bool moves = info.motion == LM_RAPID || info.motion == LM_CUT || info.motion == LM_HOLE;
    if (p.work_offset != 0) start.offset_named = 1;
    if (p.length != 0) start.length_named = 1;
    if (moves && !start.offset_named) note_first(start.offset_line, start.offset_text, info);
    if (moves && (info.z_word || info.motion == LM_HOLE) && !start.length_named) {
        note_first(start.length_line, start.length_text, info);
    }
}

int refuse_start_line(Pass &pass, long long number, const std::string &text, const char *why) {
    std::unique_ptr<LineInfo> info = std::make_unique<LineInfo>();
    info->number = number;
    info->text = text.data();
    info->length = text.size();
    return refuse_line(pass, *info, why);
}

// The setup a copy starts with must be the one the source moves in there.
int check_start_setup(Pass &pass, const StartSetup &start) {
    if (pass.out.work_offset != 0 && start.offset_line != 0) {
        return refuse_start_line(pass, start.offset_line, start.offset_text,
                                 "ワーク座標系の指令より前の移動は、コピーでは前の回のワーク座標系で動くため"
                                 "全体の回転コピーができません");
    }
    if (pass.out.length != 49 && start.length_line != 0) {
        return refuse_start_line(pass, start.length_line, start.length_text,
                                 "工具長補正の指令より前のZ移動は、コピーでは前の回の工具長補正で動くため"
                                 "全体の回転コピーができません");
    }
    return 0;
}

// What the source pass learns for the copies: where it leaves the tool's
// frames, and which setup it starts in.
struct SourceFollow {
    FrameChain chain;
    StartSetup start;
};

// One line of the source pass: written as it stands, and followed.
int write_source_line(Pass &pass, LineInfo &info, void *context) {
    SourceFollow &follow = *static_cast<SourceFollow *>(context);
    MachineTrack before = pass.src;
    if (emit_line(pass, info) < 0) return -1;
    follow_frames(follow.chain, before, info);
    follow_start_setup(follow.start, info);
    return 0;
}

// What the end code the copies leave out does: the spindle stops and the
// coolant goes off, so that each copy starts them where the source does.
void end_as_the_program_ends(Pass &pass) {
    if (pass.out.spindle != 5) text_puts(*pass.output, "M05\n");
    if (pass.out.coolant != 0) text_puts(*pass.output, "M09\n");
    pass.out.spindle = 5;
    pass.out.coolant = 0;
}

// A copy pass begins with the source machine at the program's start, the
// output machine where the pass before left it. The modes a program may leave
// unnamed because the control starts in them go back to those first.
void begin_copy(Pass &pass, const FrameChain &chain, int copy, int copies) {
    init_machine_track(pass.src);
    end_as_the_program_ends(pass);
    restore_mode(pass, 0, pass.out.cutting_mode, POWER_ON_CUTTING_MODE);
    restore_mode(pass, 0, pass.out.feed_mode, POWER_ON_FEED_MODE);
    restore_mode(pass, 0, pass.out.cycle_return, POWER_ON_RETURN_LEVEL);
    pass.write_raw = 0;
    pass.keep_head = 0;
    pass.keep_tail = copy == copies - 1;
    pass.drop_program_end = copy < copies - 1;
    pass.copy_start = 1;
    pass.seen_block = 0;
    pass.fed = 0;
    for (int axis = 0; axis < 3; ++axis) {
        // A program that ends at its reference point is run again from there:
        // the tool stands where the program starts, and its G92 declares that
        // point as it stands. Elsewhere in X and Y the point is where the pass
        // before left it, in the frame of the source's first G92. In Z a G92
        // stands for the length of the tool in the spindle: the copy declares
        // it as the source does, as the program run again would.
        bool height = axis == 2;
        pass.d_known[axis] = height || !pass.out.known[axis];
        pass.d[axis] = 0.0;
        pass.copy_frame_known[axis] = !height && chain.defined[axis] && chain.known[axis] && pass.out.known[axis];
        pass.copy_frame[axis] = pass.out.pos[axis] + chain.shift[axis];
    }
}

// One pass over the program: the source pass (step: write_source_line) or a copy.
int run_program_pass(Pass &pass, const char *input_path, LineStep step, void *context) {
    std::unique_ptr<TextReader> input = std::make_unique<TextReader>();
    if (open_pass_input(pass.owner, *input, input_path, 1) < 0) return -1;
    int result = run_pass(pass, *input, step, context);
    text_close_read(*input);
    return result;
}

}  // namespace

int rotate_copies(WindowHandle owner, TextWriter &output, const char *input_path, double angle[3],
                  const double centre[], int copy_count) {
    OutputFormat format;
    read_output_format(format);
    if (ActiveCommandFlags.debug == 100) log_output_parameters(owner, format);
    post_angle_line(owner, 0.0);

    std::unique_ptr<Pass> pass = std::make_unique<Pass>();
    init_pass(*pass, owner, output, input_path, format, 0.0, centre);
    pass->write_raw = 1;
    pass->drop_program_end = copy_count > 1;
    pass->keep_tail = copy_count <= 1;
    SourceFollow follow;
    if (run_program_pass(*pass, input_path, write_source_line, &follow) < 0) return -1;
    if (copy_count > 1 && check_start_setup(*pass, follow.start) < 0) return -1;

    for (int copy = 1; copy < copy_count; ++copy) {
        if (wait_seconds(1) < 0 || check_interruption(owner, 0) < 0) return -1;
        angle[0] = angle[2] * copy;
        post_angle_line(owner, angle[0]);
        set_pass_angle(*pass, angle[0]);
        begin_copy(*pass, follow.chain, copy, copy_count);
        if (run_program_pass(*pass, input_path, nullptr, nullptr) < 0) return -1;
    }
    return 0;
}
