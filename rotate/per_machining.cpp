// Copies per machining: the program is written unrotated, and every machining
// (from the first feed move after rapids to the first rapid after cutting) is
// followed at once by its rotated copies, read back from the move file.
#include <memory>
#include <string>
#include <vector>

#include "nc/block_writer.h"
#include "nc/word_scanner.h"
#include "rotate/driver_support.h"
#include "rotate/drivers.h"
#include "rotate/rotation.h"
#include "settings/settings_file.h"
#include "log/message_log.h"

namespace {

// Where the driver stands with respect to a machining.
enum MachiningState {
    IDLE = 0,        // between machinings
    OPENING = 1,     // the first feed move after rapids: move file to be created
    MACHINING = 2,   // recording every block
    CLOSING = 3      // the first rapid after cutting: copies to be written
};

struct MachiningRun {
    BlockState state;
    WordValues current;      // absolute, unrotated position of this block
    WordValues previous;     // the same for the block before: positions follow the source program
    WordValues tool;         // where the tool stands as written: after copies, their last point
    WordValues start_point;  // only X, Y, Z are used
    OutputFormat format;
    int machining;           // MachiningState
    int machining_index;     // numbers the move files
    std::string move_name;
    TextWriter move_file;
    int move_open;
    int cycle_active;                // a drilling cycle is in force (G73, G81 to G89 until G80)
    int compensation_active;         // cutter compensation is in force (G41, G42 until G40)
    int xy_unknown;                  // a copied line named X or Y since the last move
    int return_pending;              // copies written, the source not yet moved on
    WordValues return_point;         // the source's closing point of the machining copied
    std::vector<PointFlags> styles;  // per record: the decimal-point flags its block was written with
    PointFlags last_style;           // the flags of the block written last
};

void init_run(MachiningRun &run) {
    init_block_state(run.state, -1);
    run.current = WordValues{};
    run.previous = WordValues{};
    run.tool = WordValues{};
    run.start_point = WordValues{};
    run.format = OutputFormat{};
    run.machining = IDLE;
    run.machining_index = 0;
    run.move_name.clear();
    run.move_file = TextWriter{};
    run.move_open = 0;
    run.cycle_active = 0;
    run.compensation_active = 0;
    run.xy_unknown = 0;
    run.return_pending = 0;
    run.return_point = WordValues{};
    run.styles.clear();
    run.last_style.fill(0);
}

void delete_move_file(WindowHandle owner, MachiningRun &run) {
    if (file_delete(run.move_name.c_str()) == 0) {
        message_format("エラー：テンポラリファイルの削除に失敗しました");
        log_post(owner, -1);
    }
}

// A move file still open when the run stops early is the tool's own: it goes,
// whatever its records (their copies are not written).
void abandon_move_file(WindowHandle owner, MachiningRun &run) {
    if (!run.move_open) return;
    text_close_write(run.move_file);
    run.move_open = 0;
    delete_move_file(owner, run);
}

// The previous point lies 1.0 beyond the start in every axis, so that the first
// parsed block writes all of its words.
void place_at_start(MachiningRun &run) {
    for (int slot = WORD_X; slot <= WORD_Z; ++slot) {
        run.start_point.v[slot] = run.current.v[slot];
        run.previous.v[slot] = run.current.v[slot] + 1.0;
    }
    run.tool = run.previous;
}

// A machining opens with a feed move straight after rapid motion and closes with
// the first rapid after cutting; an arc after a rapid opens nothing.
void advance_machining_state(MachiningRun &run) {
    const ModalIntegers &m = run.state.modal;
    if (run.machining == IDLE && m.motion == 1 && m.prev_motion == 0) {
        run.machining = OPENING;
    } else if (run.machining == MACHINING && m.motion == 0 && m.prev_motion > 0) {
        run.machining = CLOSING;
    }
}

void apply_decimal_mode(const OutputFormat &format, int word_point[WORD_COUNT]) {
    if (format.decimal_mode < 0) return;
    int flag = format.decimal_mode > 0 ? 1 : 0;
    for (int slot = 0; slot < WORD_COUNT; ++slot) word_point[slot] = flag;
}

int open_move_file(WindowHandle owner, const char *input_path, MachiningRun &run) {
    run.move_name.clear();
    run.styles.clear();
    if (create_move_file(input_path, run.machining_index, run.move_name, run.move_file) < 0) {
        return log_post(owner, -1);
    }
    run.move_open = 1;
    run.machining_index += 1;
    return 0;
}

void post_trace(WindowHandle owner, const MachiningRun &run) {
    std::string x, y, z;
    format_rounded(run.current.v[WORD_X], x);
    format_rounded(run.current.v[WORD_Y], y);
    format_rounded(run.current.v[WORD_Z], z);
    message_format("G%02d X%-10s Y%-10s Z%-10s", run.state.modal.motion, x.c_str(), y.c_str(), z.c_str());
    log_post(owner, 0);
}

// Records A and B take each copy to the rotated entry point at the start
// height and then down to the rotated approach point.
void record_approach(MachiningRun &run) {
    const BlockState &s = run.state;
    MoveRecord entry = {s.modal.prev_plane, s.modal.older_motion, run.previous, s.feed[1]};
    entry.position.v[WORD_Z] = run.start_point.v[WORD_Z];
    write_move_record(run.move_file, entry);
    run.styles.push_back(run.last_style);
    MoveRecord approach = {s.modal.prev_plane, s.modal.prev_motion, run.previous, s.feed[1]};
    write_move_record(run.move_file, approach);
    run.styles.push_back(run.last_style);
}

void record_move(MachiningRun &run) {
    const BlockState &s = run.state;
    MoveRecord move = {s.modal.plane, s.modal.motion, run.current, s.feed[0]};
    write_move_record(run.move_file, move);
}

void write_source_block(TextWriter &output, MachiningRun &run) {
    BlockState &s = run.state;
    if (run.xy_unknown && block_moves_tool(s.word_present)) {
        write_xy_outright(run.tool, run.current, s.mode);
        run.xy_unknown = 0;
    }
    write_block(output, s.modal, s.word_present, s.word_point, run.current, run.tool, s.feed, s.mode,
                s.pending_g, s.pending_m, ActiveCommandFlags, run.format);
    for (int slot = 0; slot < WORD_COUNT; ++slot) run.last_style[slot] = s.word_point[slot];
}

// After the copies the tool stands at the last copy's closing point, at the
// height of the source's closing rapid, and the source goes on from there. A
// rapid next goes straight to its own point; a feed move next (a second depth
// pass) would cut from the copy straight across the part, so before it the tool
// goes back over the source's closing point, in X and Y, under the rapid still
// in force. The way back is written in the machine's state before the new block:
// its distance mode as last written, no codes, no F, S or D of the new block.
void return_from_copies(TextWriter &output, MachiningRun &run) {
    const BlockState &s = run.state;
    WordValues target = run.tool;
    target.v[WORD_X] = run.return_point.v[WORD_X];
    target.v[WORD_Y] = run.return_point.v[WORD_Y];
    for (int slot = WORD_I; slot < WORD_COUNT; ++slot) target.v[slot] = 0.0;
    int present[WORD_COUNT] = {1, 1, 0, 0, 0, 0, 0, 0};
    int point[WORD_COUNT];
    for (int slot = 0; slot < WORD_COUNT; ++slot) point[slot] = run.last_style[slot];
    ModalIntegers modal = s.modal;
    modal.motion = 0;
    modal.prev_motion = 0;
    modal.d_number = 0;
    modal.spindle_speed = 0;
    double feed[3] = {s.feed[1], s.feed[1], s.feed[2]};
    ModePair mode = {s.mode.mode_written, s.mode.mode_written};
    int no_g_codes[100];
    for (int &entry : no_g_codes) entry = -1;
    int no_m_codes[10];
    for (int &entry : no_m_codes) entry = -1;
    write_block(output, modal, present, point, target, run.tool, feed, mode, no_g_codes, no_m_codes,
                ActiveCommandFlags, run.format);
    run.tool.v[WORD_X] = target.v[WORD_X];
    run.tool.v[WORD_Y] = target.v[WORD_Y];
}

// The first move after the copies: back over the source's point first, unless it is a rapid.
void leave_copies(TextWriter &output, MachiningRun &run) {
    if (!run.return_pending || !block_moves_tool(run.state.word_present)) return;
    if (run.state.modal.motion != 0) return_from_copies(output, run);
    run.return_pending = 0;
}

// The machining has closed: its copies at 1, 2, ... N - 1 times the angle, then
// the move file goes. The source goes on from its own last point, while the
// writer measures the next block from where the last copy left the tool.
int write_copies(WindowHandle owner, TextWriter &output, MachiningRun &run, double angle[3],
                 const double centre[], int copy_count) {
    run.move_open = 0;
    if (text_close_write(run.move_file) < 0) {
        message_format("エラー：テンポラリファイル %s に書き込めません", run.move_name.c_str());
        log_post(owner, -1);
        delete_move_file(owner, run);
        return -1;
    }
    wait_seconds(1);
    WordValues copy_current = run.current;
    WordValues copy_previous = run.previous;
    for (int k = 1; k < copy_count; ++k) {
        angle[1] = angle[0];
        angle[0] = angle[2] * k;
        if (write_rotated_copy(output, run.move_name.c_str(), run.state, run.state.pending_g, copy_current,
                               copy_previous, run.state.feed, run.format, centre, angle,
                               ActiveCommandFlags, run.state.mode, run.styles) < 0) {
            log_post(owner, -1);
            delete_move_file(owner, run);
            return -1;
        }
    }
    delete_move_file(owner, run);
    run.machining = IDLE;
    run.tool = copy_current;
    run.previous = run.current;
    run.return_point = run.current;
    run.return_pending = 1;
    return 0;
}

// A drilling cycle stays in force from its code to G80, over every hole block;
// cutter compensation from G41 or G42 to G40.
void follow_modal_codes(MachiningRun &run) {
    const int *pending_g = run.state.pending_g;
    // G80 and any motion code end a cycle; a cycle code in the same block starts it again.
    if (pending_g[80] == 80 || run.state.modal.block_motion >= 0) run.cycle_active = 0;
    if (pending_g[73] == 73) run.cycle_active = 1;
    for (int n = 81; n <= 89; ++n) {
        if (pending_g[n] == n) run.cycle_active = 1;
    }
    if (pending_g[40] == 40) run.compensation_active = 0;
    if (pending_g[41] == 41 || pending_g[42] == 42) run.compensation_active = 1;
}

// The move file keeps only a motion code per block: a hole of a drilling cycle
// would come back in the copies as a plain feed to the bottom of the hole, and a
// compensated contour without its G41/G42 and D, off by the cutter's radius.
int refuse_modal_codes_in_machining(WindowHandle owner, const MachiningRun &run, const std::string &raw) {
    if (run.cycle_active) {
        message_format("エラー：加工中の固定サイクルは加工毎に回転コピーできません。 %s",
                       line_without_end(raw).c_str());
    } else {
        message_format("エラー：工具径補正中の加工は加工毎に回転コピーできません。 %s",
                       line_without_end(raw).c_str());
    }
    return log_post(owner, -1);
}

int rotate_parsed_block(WindowHandle owner, TextWriter &output, const char *input_path,
                        MachiningRun &run, double angle[3], const double centre[], int copy_count,
                        const std::string &raw) {
    BlockState &s = run.state;
    update_position(s.modal, s.pending_g, s.word_present, run.current, run.previous, s.words);
    advance_machining_state(run);
    follow_modal_codes(run);
    if ((run.cycle_active || run.compensation_active) && run.machining != IDLE) {
        return refuse_modal_codes_in_machining(owner, run, raw);
    }
    leave_copies(output, run);
    apply_decimal_mode(run.format, s.word_point);
    if (run.machining == OPENING && open_move_file(owner, input_path, run) < 0) return -1;
    if (ActiveCommandFlags.debug == 3) post_trace(owner, run);
    if (run.machining == OPENING) {
        record_approach(run);
        run.machining = MACHINING;
    }
    int recorded = run.machining == MACHINING || run.machining == CLOSING;
    if (recorded) record_move(run);
    write_source_block(output, run);
    if (recorded) run.styles.push_back(run.last_style);
    if (run.machining == CLOSING) return write_copies(owner, output, run, angle, centre, copy_count);
    run.previous = run.current;
    run.tool = run.current;
    return 0;
}

}  // namespace

int rotate_per_machining(WindowHandle owner, TextWriter &output, const char *input_path,
                         double angle[3], const double centre[], int copy_count) {
    MachiningRun run;
    init_run(run);
    read_output_format(run.format);
    if (ActiveCommandFlags.debug == 100) log_output_parameters(owner, run.format);

    if (scan_start_position(owner, input_path, run.state, run.current, run.previous, -1) < 0) return -1;
    if (ActiveCommandFlags.debug > 0) post_start_coordinates(owner, run.current);
    place_at_start(run);

    std::unique_ptr<TextReader> input(new TextReader);
    if (text_open_read(*input, input_path) < 0) {
        message_format("エラー：変換するＮＣファイル %s 開けません", input_path);
        return log_post(owner, -1);
    }
    BlockState &s = run.state;
    s.modal.motion = -1;
    s.modal.prev_motion = -1;
    s.mode.mode_now = 0;
    s.mode.mode_written = 0;
    run.machining = IDLE;
    run.machining_index = 0;

    std::string raw;
    std::string work;
    while (text_read_line(*input, raw) == 1) {
        take_work_copy(raw, work, s);
        LineCodes codes;
        index_line(raw, work, codes);
        // Tested on the raw line: a plane named in a comment stops this driver too.
        int plane = indexed_plane_code(codes.raw);
        if (plane > 17) {
            abandon_move_file(owner, run);
            text_close_read(*input);
            return refuse_plane(owner, plane);
        }
        if (is_indexed_machining_pass_through(codes)) {
            write_raw_line(output, raw);
            follow_indexed_distance_mode(codes.work, s.modal, s.mode);
            if (names_xy(work.c_str())) run.xy_unknown = 1;
            continue;
        }
        if (parse_indexed_block(codes.work, s.pending_g, s.pending_m, s.modal, s.words, s.word_present,
                                s.word_point, s.feed, s.mode) != 1) {
            write_raw_line(output, raw);
        } else if (has_words_without_distance_mode(s)) {
            abandon_move_file(owner, run);
            text_close_read(*input);
            return refuse_unknown_distance_mode(owner, raw);
        } else if (rotate_parsed_block(owner, output, input_path, run, angle, centre, copy_count, raw) < 0) {
            abandon_move_file(owner, run);
            text_close_read(*input);
            return -1;
        }
        s.modal.prev_plane = s.modal.plane;
    }
    // A machining still open at the end gets no copies, and its move file goes.
    abandon_move_file(owner, run);
    int read = check_input_read(owner, *input, input_path);
    text_close_read(*input);
    return read;
}
