// What the three composition drivers share: the line checks, the log lines,
// the machining move file and the writer of one rotated copy of a machining.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "nc/block_parser.h"
#include "nc/code_index.h"
#include "nc/number_format.h"
#include "platform/platform.h"
#include "settings/program_values.h"

// ---------------------------------------------------------------------------
// Line checks

// 18 or 19 when the text selects that plane, else 0.
int find_plane_code(const char *text);
// Posts the unsupported-plane error for plane; returns -1.
int refuse_plane(WindowHandle owner, int plane);
// The whole-program driver's pass-through test: every code on the work copy,
// then the dwell, data-setting and machine-coordinate blocks.
int is_whole_program_pass_through(const std::string &work);
// The pass-through test of the per-machining and copy drivers: each code on the
// buffer it has always been tested on (raw line or work copy), then the dwell,
// data-setting and machine-coordinate blocks on the work copy.
int is_machining_pass_through(const std::string &raw, const std::string &work);
// The same tests from the index of the line's work copy (index_codes), for the
// whole-program driver, which indexes each line once for all of its tests.
int indexed_plane_code(const CodeIndex &work);
int is_indexed_whole_program_pass_through(const CodeIndex &work);

// Writes a line exactly as it was read, every byte of it.
void write_raw_line(TextWriter &output, const std::string &raw);
// The raw line without its line end, for the DEBUG 666 comment line.
std::string line_without_end(const std::string &raw);
// Words and presence flags are cleared before every block is parsed.
void clear_block_words(BlockState &state);
// The work copy of a raw line (its comment removed), the block's words cleared.
void take_work_copy(const std::string &raw, std::string &work, BlockState &state);

// One line as the per-machining and copy drivers test it: the raw line and its
// work copy, each indexed once for every code test made on the line (both texts
// stay unchanged while the indexes are used).
struct LineCodes {
    CodeIndex raw;
    CodeIndex work;
};
void index_line(const std::string &raw, const std::string &work, LineCodes &codes);
int is_indexed_machining_pass_through(const LineCodes &codes);

// ---------------------------------------------------------------------------
// Log lines

// "スタート座標 ..." with X, Y and Z of the position (DEBUG above 0).
void post_start_coordinates(WindowHandle owner, const WordValues &position);
// "回転角度：...°書込中" with the angle.
void post_angle_line(WindowHandle owner, double angle);

// ---------------------------------------------------------------------------
// The machining move file: one record per block of a machining, read back once
// for every rotated copy.

// The decimal-point flags a record's block was written with.
using PointFlags = std::array<int, WORD_COUNT>;

struct MoveRecord {
    int plane;
    int motion;
    WordValues position;
    double feed;
};

// Creates a move file under a name that no file has yet: the name of
// machining_file_name for index, or for the next free index. On success index
// is the one used, name is set and writer is open. -1 with the message in
// MessageText (not posted) when no file could be created.
int create_move_file(const char *input_path, int &index, std::string &name, TextWriter &writer);
// Writes one record.
void write_move_record(TextWriter &writer, const MoveRecord &record);
// Reads one record from a line of the file. 0 when all eleven fields were read, else -1.
int read_move_record(const std::string &line, MoveRecord &record);

// Writes one rotated copy of the machining recorded in the move file, at
// angle[0]. current and previous are the driver's positions: read at the start
// (where the tool stands, the point before it) and left at the last rotated
// point. styles holds the decimal-point flags of each record, used when
// decimal_mode is negative. 0, or -1 with the message in MessageText (not posted).
int write_rotated_copy(TextWriter &output, const char *move_file_name, BlockState &state,
                       int pending_g[100], WordValues &current, WordValues &previous,
                       double feed[3], const OutputFormat &format, const double centre[],
                       double angle[3], const CommandFlags &flags, ModePair &mode,
                       const std::vector<PointFlags> &styles);

// ---------------------------------------------------------------------------
// Guards of the main passes

// The pre-scan for the start position. The codes it leaves pending belong to a
// block the main pass parses again, and the main pass reads the program from its
// top, so pending codes are cleared and the distance mode is distance_mode_start
// again. 0, or -1 with the error posted.
int scan_start_position(WindowHandle owner, const char *input_path, BlockState &state,
                        WordValues &current, WordValues &previous, int distance_mode_start);
// 1 when the writer writes coordinates for the block (X, Y, Z, I, J or R given).
// A block without them moves nothing, so the rotated point the tool stands at
// stays as it was; taking the block's rotated point instead would leave the next
// block measured from a point the tool never reached.
int block_moves_tool(const int word_present[WORD_COUNT]);
// 1 when a line copied as it stands names X or Y (a work-coordinate positioning,
// a reference return): the tool may then stand where the tracked position does
// not say, so the next move must give both X and Y outright.
int names_xy(const char *work);
// Makes the writer give X and Y of the next move outright, in G90, by measuring
// it from a point 1.0 away in both (the way the first block of a pass is written
// whole). written_from is the point the writer measures from.
void write_xy_outright(WordValues &written_from, const WordValues &target, const ModePair &mode);
// Posts that a block gives coordinates before any G90 or G91; returns -1.
int refuse_unknown_distance_mode(WindowHandle owner, const std::string &raw);
// After the last line: -1 with the error posted when the input ended in a read
// error rather than at its end, else 0.
int check_input_read(WindowHandle owner, const TextReader &input, const char *input_path);
