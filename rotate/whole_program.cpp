// The whole program rotated once: every parsed block is made absolute, turned
// about the centre and written again; the start block stays at the start point.
#include <cstdlib>
#include <memory>
#include <string>

#include "nc/block_writer.h"
#include "nc/word_scanner.h"
#include "rotate/driver_support.h"
#include "rotate/drivers.h"
#include "rotate/rotation.h"
#include "settings/settings_file.h"
#include "log/message_log.h"

namespace {

// The driver's records for one call.
struct WholeProgramRun {
    BlockState state;
    WordValues current;           // absolute, unrotated position of this block
    WordValues previous;          // the same for the block before
    WordValues current_rotated;   // this block turned
    WordValues previous_rotated;  // the block before as it was written
    WordValues start_point;       // only X, Y, Z are used
    OutputFormat format;
    int start_written;
    int xy_unknown;               // a copied line named X or Y since the last move
};

void init_run(WholeProgramRun &run) {
    init_block_state(run.state, 0);
    run.current = WordValues{};
    run.previous = WordValues{};
    run.current_rotated = WordValues{};
    run.previous_rotated = WordValues{};
    run.start_point = WordValues{};
    run.format = OutputFormat{};
    run.start_written = 0;
    run.xy_unknown = 0;
}

// The tool stands at the unrotated start point when the program begins.
void place_at_start(WholeProgramRun &run) {
    for (int slot = WORD_X; slot <= WORD_Z; ++slot) {
        run.start_point.v[slot] = run.current.v[slot];
        run.current_rotated.v[slot] = run.current.v[slot];
        run.previous_rotated.v[slot] = run.current.v[slot];
    }
}

void post_trace(WindowHandle owner, const WholeProgramRun &run, double angle) {
    std::string x, y, z, a;
    format_rounded(run.current.v[WORD_X], x);
    format_rounded(run.current.v[WORD_Y], y);
    format_rounded(run.current.v[WORD_Z], z);
    format_rounded(angle, a);
    message_format("G%02d X%-10s Y%-10s Z%-10s A%s", run.state.modal.motion, x.c_str(), y.c_str(),
                   z.c_str(), a.c_str());
    log_post(owner, 0);
    format_rounded(run.current_rotated.v[WORD_X], x);
    format_rounded(run.current_rotated.v[WORD_Y], y);
    format_rounded(run.current_rotated.v[WORD_Z], z);
    message_format("G%02d X%-10s Y%-10s Z%s", run.state.modal.motion, x.c_str(), y.c_str(), z.c_str());
    log_post(owner, 0);
}

// The first rapid in absolute mode that reaches the start point itself. In
// G91 the words are increments, so no block there can be taken for it; a
// coordinate setting moves nothing and keeps its G92.
int is_start_block(const WholeProgramRun &run) {
    if (run.start_written != 0 || run.state.pending_g[92] == 92) return 0;
    if (run.state.modal.motion != 0 || run.state.modal.distance_mode != 90) return 0;
    for (int slot = WORD_X; slot <= WORD_Z; ++slot) {
        if (run.current.v[slot] != run.start_point.v[slot]) return 0;
    }
    return 1;
}

void write_start(WindowHandle owner, TextWriter &output, WholeProgramRun &run, const std::string &raw) {
    BlockState &s = run.state;
    if (ActiveCommandFlags.debug == 91) {
        message_format("%s [%d] %s", "Start", run.start_written, raw.c_str());
        log_post(owner, 0);
    }
    run.start_written = 1;
    double position[3] = {run.start_point.v[WORD_X], run.start_point.v[WORD_Y], run.start_point.v[WORD_Z]};
    write_start_block(output, position, s.modal, s.word_point, s.pending_g, s.mode, s.word_present,
                      run.format);
    // The rotated track goes on from the unrotated start point.
    run.current_rotated = run.current;
}

void write_rotated(TextWriter &output, WholeProgramRun &run, const std::string &raw) {
    BlockState &s = run.state;
    if (ActiveCommandFlags.debug == 666) {
        text_printf(output, "(%s)\n", line_without_end(raw).c_str());
    }
    write_block(output, s.modal, s.word_present, s.word_point, run.current_rotated, run.previous_rotated,
                s.feed, s.mode, s.pending_g, s.pending_m, ActiveCommandFlags, run.format);
}

// A coordinate setting names the point where the tool stands. The tool stands at
// the image of the source's point, or, before the first move, at the unrotated
// start; the setting is turned with the path and shifted by the difference, so
// that the path keeps turning about the centre and not about the set point.
void place_coordinate_setting(WholeProgramRun &run, const double angle[3], const double centre[]) {
    WordValues image;
    rotate_position(run.previous, run.previous, run.previous, image, centre, angle);
    std::string text;
    for (int slot = WORD_X; slot <= WORD_Y; ++slot) {
        double shifted = run.current_rotated.v[slot] + run.previous_rotated.v[slot] - image.v[slot];
        format_rounded(shifted, text);
        run.current_rotated.v[slot] = std::strtod(text.c_str(), nullptr);
    }
}

// One parsed block: absolute position, rotation, and the start block or an ordinary one.
void rotate_parsed_block(WindowHandle owner, TextWriter &output, WholeProgramRun &run,
                         const std::string &raw, const double angle[3], const double centre[]) {
    BlockState &s = run.state;
    update_position(s.modal, s.pending_g, s.word_present, run.current, run.previous, s.words);
    rotate_position(run.previous, run.current, run.previous_rotated, run.current_rotated, centre, angle);
    if (s.pending_g[92] == 92 && angle[0] != 0.0) place_coordinate_setting(run, angle, centre);
    if (ActiveCommandFlags.debug == 3) post_trace(owner, run, angle[0]);
    int moves = block_moves_tool(s.word_present);
    if (is_start_block(run)) {
        write_start(owner, output, run, raw);
    } else {
        if (moves && run.xy_unknown) write_xy_outright(run.previous_rotated, run.current_rotated, s.mode);
        write_rotated(output, run, raw);
    }
    run.previous = run.current;
    if (moves) {
        run.previous_rotated = run.current_rotated;
        run.xy_unknown = 0;
    }
}

}  // namespace

int rotate_whole_program(WindowHandle owner, TextWriter &output, const char *input_path,
                         double angle[3], const double centre[]) {
    WholeProgramRun run;
    init_run(run);
    read_output_format(run.format);
    if (ActiveCommandFlags.debug == 100) log_output_parameters(owner, run.format);

    if (scan_start_position(owner, input_path, run.state, run.current, run.previous, 0) < 0) return -1;
    if (ActiveCommandFlags.debug > 0) post_start_coordinates(owner, run.current);
    place_at_start(run);
    post_angle_line(owner, angle[0]);

    std::unique_ptr<TextReader> input(new TextReader);
    if (text_open_read(*input, input_path) < 0) {
        message_format("エラー：変換するＮＣファイル %s 開けません", input_path);
        return log_post(owner, -1);
    }
    BlockState &s = run.state;
    s.mode.mode_now = 0;
    s.mode.mode_written = 0;
    run.start_written = 0;

    std::string raw;
    std::string work;
    while (text_read_line(*input, raw) == 1) {
        take_work_copy(raw, work, s);
        // Every test of this line is a substring test on the work copy: one index
        // of it answers them all (work stays unchanged until the next line).
        CodeIndex index;
        index_codes(work.c_str(), index);
        int plane = indexed_plane_code(index);
        if (plane > 17) {
            text_close_read(*input);
            return refuse_plane(owner, plane);
        }
        if (is_indexed_whole_program_pass_through(index)) {
            write_raw_line(output, raw);
            follow_indexed_distance_mode(index, s.modal, s.mode);
            if (names_xy(work.c_str())) run.xy_unknown = 1;
            continue;
        }
        if (parse_indexed_block(index, s.pending_g, s.pending_m, s.modal, s.words, s.word_present,
                                s.word_point, s.feed, s.mode) != 1) {
            write_raw_line(output, raw);
            continue;
        }
        if (has_words_without_distance_mode(s)) {
            text_close_read(*input);
            return refuse_unknown_distance_mode(owner, raw);
        }
        rotate_parsed_block(owner, output, run, raw, angle, centre);
    }
    int read = check_input_read(owner, *input, input_path);
    text_close_read(*input);
    return read;
}
