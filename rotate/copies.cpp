// Copies of the whole program: the source as it stands without its end, then
// N - 1 copies each turned a further step; the last copy keeps the program end.
#include <cstring>
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

// The kinds of pass over the input.
enum CopyPass {
    INTERMEDIATE_COPY,  // parsed blocks only, rotated, no M codes
    LAST_COPY           // parsed blocks rotated, unparsed lines as they stand, the end kept
};

// Program-end lines that the source pass leaves out, wherever they stand.
const char *const ProgramEndTexts[] = {
    "%",    // tape end
    "M99",  // return from a subprogram
    "M30",  // end of program with rewind
    "M02",  // end of program
    "M05",  // spindle stop
    "M09",  // coolant off
};

// The same ends written in one-digit form, matched only as whole codes.
const char *const ProgramEndShortCodes[] = {
    "M2",  // end of program
    "M5",  // spindle stop
    "M9",  // coolant off
};

struct CopiesRun {
    BlockState state;
    WordValues current;
    WordValues previous;
    WordValues current_rotated;
    WordValues previous_rotated;
    OutputFormat format;
    int xy_unknown;  // the source pass left the tool where a copied line put it
};

void init_run(CopiesRun &run) {
    init_block_state(run.state, -1);
    run.current = WordValues{};
    run.previous = WordValues{};
    run.current_rotated = WordValues{};
    run.previous_rotated = WordValues{};
    run.format = OutputFormat{};
    run.xy_unknown = 0;
}

int open_input(WindowHandle owner, TextReader &input, const char *input_path) {
    if (text_open_read(input, input_path) == 0) return 0;
    message_format("エラー：回転するＮＣファイル %s 開けません", input_path);
    return log_post(owner, -1);
}

int is_program_end_line(const std::string &raw) {
    for (const char *text : ProgramEndTexts) {
        if (find_text(raw.c_str(), text) >= 0) return 1;
    }
    for (const char *code : ProgramEndShortCodes) {
        if (find_whole_code(raw.c_str(), code) >= 0) return 1;
    }
    return 0;
}

void erase_code(std::string &text, const char *code) {
    size_t length = std::strlen(code);
    for (int at = find_whole_code(text.c_str(), code); at >= 0; at = find_whole_code(text.c_str(), code)) {
        text.erase(static_cast<size_t>(at), length);
    }
}

// An end line that also moves the tool (a retract with M09, a reference return
// with M05) keeps its move, so that the first copy does not start from the
// bottom of the last cut: only the end codes and the comment leave it.
// 0 when the line has no move and is left out whole.
int keep_move_without_end(const std::string &raw, std::string &kept) {
    kept = raw;
    strip_comment(kept);
    const char *text = kept.c_str();
    if (find_text(text, "X") < 0 && find_text(text, "Y") < 0 && find_text(text, "Z") < 0) return 0;
    for (const char *code : ProgramEndTexts) erase_code(kept, code);
    for (const char *code : ProgramEndShortCodes) erase_code(kept, code);
    while (!kept.empty() && (kept.back() == '\n' || kept.back() == '\r' || kept.back() == ' ')) kept.pop_back();
    kept += "\n";
    return 1;
}

// Follows the source pass as the machine runs it, without writing anything:
// where the tool stands at its end, and in which distance mode. The first copy
// starts from there, as every later copy starts from the end of the one before.
struct SourceTrack {
    BlockState state;
    WordValues current;
    WordValues previous;
    int xy_unknown;  // a copied line named X or Y after the last tracked move
};

void track_source_line(SourceTrack &track, const std::string &written) {
    BlockState &s = track.state;
    std::string work;
    take_work_copy(written, work, s);
    LineCodes codes;
    index_line(written, work, codes);
    if (is_indexed_machining_pass_through(codes)) {
        follow_indexed_distance_mode(codes.work, s.modal, s.mode);
        if (names_xy(work.c_str())) track.xy_unknown = 1;
        return;
    }
    if (parse_indexed_block(codes.work, s.pending_g, s.pending_m, s.modal, s.words, s.word_present,
                            s.word_point, s.feed, s.mode) != 1)
        return;
    update_position(s.modal, s.pending_g, s.word_present, track.current, track.previous, s.words);
    track.previous = track.current;
    if (block_moves_tool(s.word_present)) track.xy_unknown = 0;
    for (int &entry : s.pending_g) entry = -1;
}

// The copies go on from where the source pass left the tool, unrotated, and in
// the distance mode it left the machine in.
void start_copies_from(CopiesRun &run, const SourceTrack &track) {
    run.current = track.current;
    run.previous = track.current;
    run.current_rotated = track.current;
    run.previous_rotated = track.current;
    run.xy_unknown = track.xy_unknown;
    int mode = track.state.modal.distance_mode;
    if (mode == 90 || mode == 91) {
        run.state.modal.distance_mode = mode;
        run.state.mode.mode_now = mode;
        run.state.mode.mode_written = mode;
    }
}

// The source as it stands: the first two lines always, later end lines left out.
int write_source_pass(WindowHandle owner, TextWriter &output, const char *input_path, CopiesRun &run) {
    std::unique_ptr<TextReader> input(new TextReader);
    if (open_input(owner, *input, input_path) < 0) return -1;
    std::unique_ptr<SourceTrack> track(new SourceTrack);
    init_block_state(track->state, -1);
    track->current = WordValues{};
    track->previous = WordValues{};
    track->xy_unknown = 0;
    int line_count = 0;
    std::string raw;
    std::string kept;
    while (text_read_line(*input, raw) == 1) {
        ++line_count;
        clear_block_words(run.state);
        int is_end = line_count >= 3 && is_program_end_line(raw);
        if (is_end && !keep_move_without_end(raw, kept)) continue;
        int plane = find_plane_code(raw.c_str());
        if (plane > 17) {
            text_close_read(*input);
            return refuse_plane(owner, plane);
        }
        write_raw_line(output, is_end ? kept : raw);
        track_source_line(*track, is_end ? kept : raw);
    }
    int read = check_input_read(owner, *input, input_path);
    text_close_read(*input);
    if (read < 0) return -1;
    start_copies_from(run, *track);
    return 0;
}

// Rotates one parsed block and writes it without the codes a copy must not
// repeat. The spindle and coolant run on from the pass before, so their codes
// go, until the copy changes the tool: that stops them, and from there on the
// copy starts them again as the source does.
void write_copy_block(TextWriter &output, CopiesRun &run, CopyPass pass, int tool_changed,
                      const double angle[3], const double centre[]) {
    BlockState &s = run.state;
    update_position(s.modal, s.pending_g, s.word_present, run.current, run.previous, s.words);
    rotate_position(run.previous, run.current, run.previous_rotated, run.current_rotated, centre, angle);
    int kept[10];
    for (int n = 0; n < 10; ++n) kept[n] = s.pending_m[n];
    if (pass == INTERMEDIATE_COPY) {
        for (int &entry : s.pending_m) entry = -1;
    } else {
        // The last copy ends the program, so its M02 stays with M05 and M09.
        s.pending_m[3] = -1;
        s.pending_m[8] = -1;
    }
    if (tool_changed) {
        s.pending_m[3] = kept[3];
        s.pending_m[4] = kept[4];
        s.pending_m[8] = kept[8];
    } else {
        s.modal.spindle_speed = -1;
    }
    s.pending_g[17] = -1;
    if (run.xy_unknown && block_moves_tool(s.word_present)) {
        write_xy_outright(run.previous_rotated, run.current_rotated, s.mode);
        run.xy_unknown = 0;
    }
    write_block(output, s.modal, s.word_present, s.word_point, run.current_rotated, run.previous_rotated,
                s.feed, s.mode, s.pending_g, s.pending_m, ActiveCommandFlags, run.format);
    run.previous = run.current;
    if (block_moves_tool(s.word_present)) run.previous_rotated = run.current_rotated;
}

// The coordinate system was set once, by the source pass, and every copy is
// turned in that same system. A copy starts where the one before ended, not at
// the set point, so setting the system again there would shift the copy.
void skip_coordinate_setting(CopiesRun &run) {
    BlockState &s = run.state;
    update_position(s.modal, s.pending_g, s.word_present, run.current, run.previous, s.words);
    s.pending_g[92] = -1;
    run.previous = run.current;
}

// 1 when the line changes the tool (M06, or M6 as a whole code).
int is_tool_change(const char *work) {
    return find_text(work, "M06") >= 0 || find_whole_code(work, "M6") >= 0;
}

// 1 when the line names a tool (T and a digit).
int has_tool_word(const char *work) {
    for (const char *at = std::strchr(work, 'T'); at; at = std::strchr(at + 1, 'T')) {
        if (at[1] >= '0' && at[1] <= '9') return 1;
    }
    return 0;
}

// Lines that set the machine up for the cut stand in every copy as in the source:
// the tool selection and change, and the tool-length line. Without them a copy
// of a program with several tools cuts with whichever tool the one before left
// in the spindle, and the safety block's G49 leaves it without the length
// compensation, every Z off by the tool's length. They are written as they
// stand, since T, H and Z are not turned; one that also moves in X or Y cannot
// be written unturned, and is refused. 1 when the line was written (tool_changed
// set for a tool change), 0 when it is no such line, -1 after the refusal.
int copy_setup_line(WindowHandle owner, TextWriter &output, const std::string &raw, const std::string &work,
                    BlockState &s, int &tool_changed) {
    const char *text = work.c_str();
    int length = find_text(text, "G43") >= 0 || find_text(text, "G44") >= 0;
    int change = is_tool_change(text);
    if (!length && !change && !has_tool_word(text)) return 0;
    if (find_text(text, "X") >= 0 || find_text(text, "Y") >= 0) {
        message_format("エラー：XY座標を含む工具交換または工具長補正の行は回転コピーできません。 %s",
                       line_without_end(raw).c_str());
        return log_post(owner, -1);
    }
    write_raw_line(output, raw);
    follow_distance_mode(text, s.modal, s.mode);
    if (change) tool_changed = 1;
    return 1;
}

// One copy at angle[0]: the head dropped, pass-through lines dropped, parsed
// blocks rotated; unparsed lines kept only in the last copy; the tool and its
// length compensation set up in every copy.
int write_copy_pass(WindowHandle owner, TextWriter &output, const char *input_path, CopiesRun &run,
                    CopyPass pass, const double angle[3], const double centre[]) {
    post_angle_line(owner, angle[0]);
    std::unique_ptr<TextReader> input(new TextReader);
    if (open_input(owner, *input, input_path) < 0) return -1;
    BlockState &s = run.state;
    int line_count = 0;
    int tool_changed = 0;
    std::string raw;
    std::string work;
    while (text_read_line(*input, raw) == 1) {
        ++line_count;
        take_work_copy(raw, work, s);
        int is_tape_mark = find_text(work.c_str(), "%") >= 0;
        if (pass == INTERMEDIATE_COPY && is_tape_mark) continue;
        if (pass == LAST_COPY && line_count <= 2 && is_tape_mark) continue;
        if (pass == LAST_COPY && !work.empty() && work[0] == 'O') continue;
        int setup = copy_setup_line(owner, output, raw, work, s, tool_changed);
        if (setup < 0) {
            text_close_read(*input);
            return -1;
        }
        if (setup > 0) continue;
        LineCodes codes;
        index_line(raw, work, codes);
        if (is_indexed_machining_pass_through(codes)) continue;
        if (parse_indexed_block(codes.work, s.pending_g, s.pending_m, s.modal, s.words, s.word_present,
                                s.word_point, s.feed, s.mode) != 1) {
            if (pass == LAST_COPY) write_raw_line(output, raw);
            continue;
        }
        if (has_words_without_distance_mode(s)) {
            text_close_read(*input);
            return refuse_unknown_distance_mode(owner, raw);
        }
        if (s.pending_g[92] == 92) {
            skip_coordinate_setting(run);
            continue;
        }
        write_copy_block(output, run, pass, tool_changed, angle, centre);
    }
    int read = check_input_read(owner, *input, input_path);
    text_close_read(*input);
    return read;
}

}  // namespace

int rotate_copies(WindowHandle owner, TextWriter &output, const char *input_path, double angle[3],
                  const double centre[], int copy_count) {
    CopiesRun run;
    init_run(run);
    read_output_format(run.format);
    if (ActiveCommandFlags.debug == 100) log_output_parameters(owner, run.format);

    message_format("回転角度：0.°書込中");
    log_post(owner, 0);
    if (write_source_pass(owner, output, input_path, run) < 0) return -1;
    wait_seconds(1);

    // Widened: any count the control file gives, however large or negative, is safe here.
    long long last = static_cast<long long>(copy_count) - 1;
    for (long long k = 1; k < last; ++k) {
        angle[0] = angle[2] * static_cast<double>(k);
        if (write_copy_pass(owner, output, input_path, run, INTERMEDIATE_COPY, angle, centre) < 0) return -1;
        wait_seconds(1);
    }
    angle[0] = angle[2] * static_cast<double>(last);
    return write_copy_pass(owner, output, input_path, run, LAST_COPY, angle, centre);
}
