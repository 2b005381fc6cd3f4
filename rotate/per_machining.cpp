// Copies per machining: the program is written as it stands (its blocks written
// again by the writer), and every machining is followed at once by its rotated
// copies. A machining opens at the first cutting move after rapid motion and
// closes at the first rapid after cutting, or before any line that changes the
// setup (a tool change, a reference return, a work offset, G92, a tool length
// line), a drilling cycle, the program end or the end of the file, so that its
// copies are cut by the tool that cut it. Each copy is the machining's own
// lines once more, turned, after an approach by rapids at the clearance height.
#include <memory>
#include <string>

#include "log/message_log.h"
#include "nc/number_format.h"
#include "rotate/drivers.h"
#include "rotate/machining_buffer.h"
#include "rotate/pass.h"
#include "settings/settings_file.h"

namespace {

struct MachiningRun {
    int open = 0;                  // a machining is being written
    MachineTrack opening;          // the source machine just before the machining's first line
    std::string opening_text;      // the machining's first line, for messages about it
    LineInfo opening_info;         // its number and text
    MachiningBuffer buffer;
    double *angle = nullptr;       // the job's angle record
    int copy_count = 0;
    int holes_noted = 0;           // the log has said that holes are drilled once
};

// Cutter compensation: the control offsets the path by the radius from where
// compensation starts; a copy that starts it elsewhere cuts elsewhere.
int refuse_compensation(Pass &pass, const LineInfo &info) {
    return refuse_line(pass, info, "工具径補正中の加工は加工毎に回転コピーできません");
}

bool opens_machining(const Pass &pass, const LineInfo &info) {
    return info.kind == LINE_REWRITTEN && info.motion == LM_CUT && pass.src.last_move != MOVE_CUT;
}

// Lines the copies must come before: the machining is cut by the setup it was
// cut with, and its copies end before the program does.
bool closes_before(const LineInfo &info) {
    const ParsedBlock &p = info.parsed;
    return info.setup || info.motion == LM_HOLE || info.motion == LM_HOME || info.motion == LM_SET ||
           p.program_end || (p.cycle > 0 && p.cycle != 80) || info.kind == LINE_TAPE_MARK ||
           info.kind == LINE_PROGRAM_NUMBER;
}

bool closes_after(const LineInfo &info) { return info.kind == LINE_REWRITTEN && info.motion == LM_RAPID; }

// A drilling cycle is no machining: its holes are drilled once, where the
// source drills them. The user who expects them around the centre too is told
// so at the first one.
void note_holes_once(Pass &pass, MachiningRun &run, const LineInfo &info) {
    if (run.holes_noted || info.motion != LM_HOLE || run.copy_count < 2) return;
    run.holes_noted = 1;
    message_format("注意：%lld行目 穴あけサイクルは加工毎の回転コピーに含まれず、元の位置で１回だけ加工されます： %.*s",
                   info.number, static_cast<int>(info.length), info.text);
    log_post(pass.owner, 0);
}

void write_copy_heading(Pass &pass, double angle) {
    if (pass.format.comment_mode != 1) return;
    std::string text;
    format_rounded(angle, text);
    text_printf(*pass.output, "(ROTATION ANGLE %s)\n", text.c_str());
}

// The spindle, coolant and modes the machining began with, where the output
// holds others after the copy before (one line each, so no two codes of one
// group meet in a block).
void restore_machine_state(Pass &pass, const MachineTrack &opening) {
    MachineTrack &out = pass.out;
    if (opening.spindle != out.spindle || (opening.spindle != 5 && opening.speed != out.speed)) {
        if (opening.spindle == 5) {
            text_puts(*pass.output, "M05\n");
        } else if (opening.speed_given) {
            text_printf(*pass.output, "S%dM%02d\n", opening.speed, opening.spindle);
        } else {
            // The program never gave S: the spindle turns at the speed the
            // machine holds, as it did for the source. S0 would stop it.
            text_printf(*pass.output, "M%02d\n", opening.spindle);
        }
        out.spindle = opening.spindle;
        out.speed = opening.speed;
    }
    if (opening.coolant != out.coolant) {
        if (out.coolant & ~opening.coolant) text_puts(*pass.output, "M09\n");
        if (opening.coolant & 1) text_puts(*pass.output, "M07\n");
        if (opening.coolant & 2) text_puts(*pass.output, "M08\n");
        out.coolant = opening.coolant;
    }
    restore_mode(pass, opening.cutting_mode, out.cutting_mode, POWER_ON_CUTTING_MODE);
    restore_mode(pass, opening.feed_mode, out.feed_mode, POWER_ON_FEED_MODE);
}

// The output tool stands d from the source tool wherever both are known.
void measure_offset(Pass &pass) {
    for (int axis = 0; axis < 3; ++axis) {
        pass.d_known[axis] = pass.src.known[axis] && pass.out.known[axis];
        pass.d[axis] = pass.d_known[axis] ? pass.out.pos[axis] - pass.src.pos[axis] : 0.0;
    }
}

// One copy: heading, machine state, approach, and the machining's lines turned.
int write_one_copy(Pass &pass, MachiningRun &run) {
    const MachineTrack &opening = run.opening;
    const LineInfo &opening_info = run.opening_info;
    write_copy_heading(pass, pass.angle);
    pass.src = opening;
    measure_offset(pass);
    restore_machine_state(pass, opening);
    if (!opening.known[0] || !opening.known[1] || !opening.known[2]) {
        return refuse_line(pass, opening_info, "加工の開始位置が不明なため加工毎に回転コピーできません");
    }
    double clearance = opening.clearance_known ? opening.clearance : opening.pos[2];
    if (approach_point(pass, opening.pos, clearance, opening_info) < 0) return -1;
    BufferReader reader;
    if (buffer_open_reading(run.buffer, reader) < 0) return log_post(pass.owner, -1);
    std::string line;
    long long number = 0;
    std::unique_ptr<LineInfo> info = std::make_unique<LineInfo>();
    int read = 0;
    int result = 0;
    while (result == 0 && (read = buffer_next_line(run.buffer, reader, line, number)) == 1) {
        if (check_interruption(pass.owner, number) < 0 || analyse_line(pass, line.data(), line.size(), number, *info) < 0 ||
            emit_line(pass, *info) < 0 || write_failed(pass)) {
            result = -1;
        }
    }
    buffer_close_reading(reader);
    if (result < 0) return -1;
    if (read < 0) return log_post(pass.owner, -1);
    return 0;
}

// The machining has closed: its copies at 1, 2, ... N - 1 times the angle. The
// source goes on from its own point; the output tool stands at the last copy's,
// and is brought back before a move that must start where the source's does.
int write_copies(Pass &pass, MachiningRun &run) {
    run.open = 0;
    MachineTrack source_after = pass.src;
    int result = 0;
    if (run.copy_count > 1) result = wait_seconds(1) < 0 ? -1 : check_interruption(pass.owner, 0);
    for (int copy = 1; result == 0 && copy < run.copy_count; ++copy) {
        run.angle[1] = run.angle[0];
        run.angle[0] = run.angle[2] * copy;
        set_pass_angle(pass, run.angle[0]);
        result = write_one_copy(pass, run);
    }
    set_pass_angle(pass, 0.0);
    pass.src = source_after;
    measure_offset(pass);
    if (buffer_discard(run.buffer) < 0) log_post(pass.owner, -1);
    return result;
}

int open_machining(Pass &pass, MachiningRun &run, const LineInfo &info) {
    run.open = 1;
    run.opening = pass.src;
    run.opening_text.assign(info.text, info.length);
    run.opening_info.number = info.number;
    run.opening_info.text = run.opening_text.data();
    run.opening_info.length = run.opening_text.size();
    buffer_clear(run.buffer);
    if (pass.src.cutter == 41 || pass.src.cutter == 42) return refuse_compensation(pass, info);
    return 0;
}

// A new H under G43/G44 inside the machining: each copy would begin with the
// length the machining ended with, and the tool would cut at another depth.
bool changes_length(const MachineTrack &opening, const MachineTrack &now) {
    return now.length != opening.length || (now.length != 49 && now.length_h != opening.length_h);
}

int keep_line(Pass &pass, MachiningRun &run, const LineInfo &info) {
    if (pass.src.cutter == 41 || pass.src.cutter == 42) return refuse_compensation(pass, info);
    if (changes_length(run.opening, pass.src)) {
        return refuse_line(pass, info, "工具長補正の変わる加工は加工毎に回転コピーできません");
    }
    if (buffer_add(run.buffer, pass.input_path, info.text, info.length, info.number) < 0) {
        return log_post(pass.owner, -1);
    }
    return 0;
}

// One line of the source: copies before it when it closes the machining, the
// line itself, and copies after it when it is the machining's closing rapid.
int process_source_line(Pass &pass, MachiningRun &run, LineInfo &info) {
    if (run.open && closes_before(info) && write_copies(pass, run) < 0) return -1;
    note_holes_once(pass, run, info);
    bool opening = !run.open && opens_machining(pass, info);
    if (opening && open_machining(pass, run, info) < 0) return -1;
    if (emit_line(pass, info) < 0) return -1;
    if (!run.open) return 0;
    if (keep_line(pass, run, info) < 0) return -1;
    if (closes_after(info) && !opening) return write_copies(pass, run);
    return 0;
}

int source_line_step(Pass &pass, LineInfo &info, void *context) {
    return process_source_line(pass, *static_cast<MachiningRun *>(context), info);
}

int run_main_pass(Pass &pass, MachiningRun &run, TextReader &input) {
    if (run_pass(pass, input, source_line_step, &run) < 0) return -1;
    // A machining still open at the end of the program gets its copies there.
    if (run.open) return write_copies(pass, run);
    return 0;
}

}  // namespace

int rotate_per_machining(WindowHandle owner, TextWriter &output, const char *input_path,
                         double angle[3], const double centre[], int copy_count) {
    OutputFormat format;
    read_output_format(format);
    if (ActiveCommandFlags.debug == 100) log_output_parameters(owner, format);
    if (ActiveCommandFlags.debug > 0 && post_start_of_program(owner, input_path) < 0) return -1;

    std::unique_ptr<Pass> pass = std::make_unique<Pass>();
    init_pass(*pass, owner, output, input_path, format, 0.0, centre);
    std::unique_ptr<MachiningRun> run = std::make_unique<MachiningRun>();
    run->angle = angle;
    run->copy_count = copy_count;
    std::unique_ptr<TextReader> input = std::make_unique<TextReader>();
    if (open_pass_input(owner, *input, input_path, 0) < 0) return -1;
    int result = run_main_pass(*pass, *run, *input);
    text_close_read(*input);
    // A job that stops early leaves no move file behind.
    if (buffer_discard(run->buffer) < 0) log_post(owner, -1);
    return result;
}
