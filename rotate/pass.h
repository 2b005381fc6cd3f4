// One pass over program lines at one angle: what the composition drivers share.
// A pass follows two machines at once, the source program's and the output's;
// every line is first analysed against the source machine (what it gives, what
// it does, whether it can be turned exactly) and then written, turned, so that
// the output machine does what the source machine did, turned by the pass angle.
#pragma once

#include <string>
#include <vector>

#include "nc/block_parser.h"
#include "nc/block_words.h"
#include "nc/number_format.h"
#include "platform/platform.h"
#include "settings/program_values.h"

// What the last motion of a machine was.
enum MoveKind {
    MOVE_NONE = 0,  // no motion yet
    MOVE_RAPID,     // G00 (also a reference return, a machine-coordinate move, a drilled hole)
    MOVE_CUT        // G01, G02 or G03
};

// Where a machine stands and what it is set to, as one program drives it.
struct MachineTrack {
    double pos[3];              // X Y Z in program coordinates
    int known[3];               // the axis position is known
    int distance;               // 0 before any G90/G91, then 90 or 91
    int motion;                 // -1 before any, then 0 to 3
    int cycle;                  // 0 none, else 73, 74, 81 to 89
    int cycle_return;           // 98 or 99
    double initial_level;       // Z where the cycle mode began
    int initial_known;
    double r_word, z_word;      // the cycle's R and Z as last given (absolute in G90, increments in G91)
    int r_given, z_given;
    double feed;                // F in force
    int spindle;                // 3, 4 or 5
    int speed;                  // S in force
    int speed_given;            // an S has been read (else the machine's own speed)
    int coolant;                // bit 0: mist (M07), bit 1: flood (M08)
    int cutter;                 // 40, 41 or 42
    int cutting_mode;           // 0 as the machine has it, or 61 to 64
    int feed_mode;              // 0 as the machine has it, or 94, 95
    int work_offset;            // 0 as the machine has it, or 540 to 590, 541 (with work_p)
    int work_p;
    int length;                 // 43, 44 or 49, and its H
    int length_h;
    double frame_delta[3];      // how far G92 has shifted the frame since it was last set anew
    int last_move;              // MoveKind
    double clearance;           // highest known Z stood at since the last setup line
    int clearance_known;
    int z_by_rapid;             // the Z it stands at was reached by a rapid
    int z_at_reference;         // the last thing that moved Z was G28, G30 or G53
    int ended;                  // M02 or M30 has been read
};

void init_machine_track(MachineTrack &track);

// What a line is, for the writing.
enum LineKind {
    LINE_EMPTY,           // blanks and comments only
    LINE_TAPE_MARK,       // "%"
    LINE_PROGRAM_NUMBER,  // "O1234"
    LINE_COPIED,          // a line copied as it stands, positions turned in place
    LINE_REWRITTEN,       // a line the block writer writes again
    LINE_KEPT             // codes that move nothing: copied as it stands
};

// What a line's motion is.
enum LineMotion {
    LM_NONE = 0,
    LM_RAPID,     // G00 move
    LM_CUT,       // G01, G02, G03 move
    LM_HOLE,      // drilled hole(s) of a canned cycle
    LM_HOME,      // G28, G30, G53
    LM_SET        // G92
};

struct LineInfo {
    long long number = 0;       // the line's number in its file
    const char *text = nullptr; // the line without its line end
    size_t length = 0;
    NcBlock block;
    ParsedBlock parsed;
    LineKind kind = LINE_EMPTY;
    LineMotion motion = LM_NONE;
    int setup = 0;              // tool change, G43/G44/G49, work offset, G92, G28/G30/G53, G10
    int has_block = 0;          // a line with words (not only "%", "O", blanks and comments)
    int xy_words = 0;           // X or Y given for a move
    int z_word = 0;             // Z given for a move
    int arc = 0;                // a G02/G03 move
    int hole_words = 0;         // the block drills (cycle in force and X, Y, Z or R given)
    int holes = 0;              // how many holes it drills (the repeat count)
    double arc_centre[2];       // the source arc's centre
    int arc_centre_known = 0;
    int forgets[3] = {0, 0, 0}; // another work offset or tool length: the axis is not known any more
    MachineTrack after;         // the source machine after the line
};

// The angle, centre and both machines of one pass, and what the composition
// asks of it.
struct Pass {
    WindowHandle owner = nullptr;
    TextWriter *output = nullptr;
    const char *input_path = "";
    OutputFormat format = {-1, 1};
    double angle = 0.0;          // degrees; 0 writes the source unturned
    int rotated = 0;             // angle != 0
    double centre[2] = {0.0, 0.0};
    MachineTrack src;
    MachineTrack out;
    int d_known[3] = {1, 1, 1};  // the output tool stands d from the source tool, physically
    double d[3] = {0.0, 0.0, 0.0};
    BlockState writer;           // what the output has written: modes, motion, feed
    // What the composition asks of this pass.
    int write_raw = 0;           // lines as they stand (the source pass of the copies)
    int drop_program_end = 0;    // leave M02/M30 out (a pass other than the last)
    int keep_head = 1;           // "O" lines and a "%" before the first block
    int keep_tail = 1;           // a "%" after the first block
    int start_block = 0;         // the whole-program start block may be written
    int copy_start = 0;          // a copy pass: the source positions are those of the program start
    // Inside the pass.
    int seen_block = 0;          // a line with words has been read in this pass
    int fed = 0;                 // a cutting move has been written in this pass
    double start_point[3] = {0.0, 0.0, 0.0};  // the first G92 with X, Y and Z
    int start_point_known = 0;
    int start_point_taken = 0;   // the first G92 with X, Y and Z has been seen
    int xy_hold = 0;             // the tool stands at its unturned point (after the start block or a
                                 // G92 that sets X or Y anew) until it moves in X or Y
    // A copy pass before the program's first G92: where the output tool stands in
    // the frame that G92 makes (the source's frame after it), per axis.
    double copy_frame[3] = {0.0, 0.0, 0.0};
    int copy_frame_known[3] = {0, 0, 0};
    std::vector<char> tail;      // the words of a block that the writer does not produce
    // The last point turned, and where it turned to: a line turns the point the
    // line before ended at once more to see where the output tool should stand.
    mutable double turned_from[2] = {0.0, 0.0};
    mutable double turned_to[2] = {0.0, 0.0};
    mutable double turned_angle = 0.0;
    mutable double turned_centre[2] = {0.0, 0.0};
    mutable int turned_valid = 0;
};

// A fresh pass writing to output: both machines at the program start.
void init_pass(Pass &pass, WindowHandle owner, TextWriter &output, const char *input_path,
               const OutputFormat &format, double angle, const double centre[]);
// The pass's angle (and its sine and cosine).
void set_pass_angle(Pass &pass, double angle);

// Reads what a line gives and does on the source machine. 0, or -1 after the
// refusal (naming the line) has been posted.
// The line is text[0..length); info.text points into it.
int analyse_line(Pass &pass, const char *text, size_t length, long long number, LineInfo &info);
// Writes an analysed line, turned as the pass says, and moves both machines on.
// 0, or -1 after the refusal has been posted.
int emit_line(Pass &pass, LineInfo &info);

// What a pass does with each analysed line: emit_line, and what the
// composition follows besides. 0, or -1 after a refusal was posted.
typedef int (*LineStep)(Pass &pass, LineInfo &info, void *context);

// Every line of the input through analyse_line and then step (emit_line when
// none is given). 0, or -1 after a refusal, a reading fault, a failed write or
// an interruption was posted.
int run_pass(Pass &pass, TextReader &reader, LineStep step = nullptr, void *context = nullptr);
// 1 after a write to the output failed, else 0. The pass stops there; the
// output's owner reports it, naming the file.
int write_failed(Pass &pass);

// Brings the output tool over the source tool's point, turned, by rapids that
// the composition writes itself: up to the clearance (never lower than the
// point), across, and down to the point. 0, or -1 after a refusal.
// need_z: the move needs the tool at the source's Z as well (a cut, an
// increment in Z, a hole); else it is left at the clearance height.
int return_over_source(Pass &pass, const LineInfo &info, int need_z);
// The same to a given source point and clearance (the approach of a copy).
int approach_point(Pass &pass, const double target_source[3], double clearance, const LineInfo &info);

// The modes a control starts in: cutting mode G64, feed per minute G94, a
// cycle returning to its initial level G98. A program that never names them
// runs in them.
constexpr int POWER_ON_CUTTING_MODE = 64;
constexpr int POWER_ON_FEED_MODE = 94;
constexpr int POWER_ON_RETURN_LEVEL = 98;
// Writes the modal G code wanted (0: as the machine starts, power_on) on a
// line of its own where the output holds another, and notes it in held. A
// copy that began in G95 left by the pass before would read every F per
// revolution.
void restore_mode(Pass &pass, int wanted, int &held, int power_on);

// 1 when the output tool stands where the source tool stands, turned.
int xy_in_step(const Pass &pass);
int z_in_step(const Pass &pass);
// 1 when the output tool stands at a known Z below the clearance the
// composition travels across at.
int out_below_clearance(const Pass &pass);

// The source point (x, y) turned by the pass angle and rounded to 0.001. The
// centre is a point of the part: where G92 has shifted the frame since it was
// set anew, the same point has other numbers, and the turn stays one rigid turn.
void turn_xy(const Pass &pass, double x, double y, double &turned_x, double &turned_y);
// The centre in the source's present frame.
void turning_centre(const Pass &pass, double centre[2]);

// ---------------------------------------------------------------------------
// Refusals: each posts "エラー：<line>行目 <why>： <the line>" and returns -1.

int refuse_line(Pass &pass, const LineInfo &info, const char *why);
int refuse_block(Pass &pass, const LineInfo &info, const BlockRefusal &refusal);
// A line the reader could not hand out (a NUL, data after Ctrl-Z, a line too long, a read error).
int refuse_reading(WindowHandle owner, const TextReader &reader, const char *input_path);

// ---------------------------------------------------------------------------
// Log lines

// The start coordinates (DEBUG above 0): the program's first G92 with X, Y
// and Z, or zero when it has none. -1 after posting when the file cannot be read.
int post_start_of_program(WindowHandle owner, const char *input_path);
// "回転角度：...°書込中" with the angle.
void post_angle_line(WindowHandle owner, double angle);
// "スタート座標 ..." with X, Y and Z (DEBUG above 0).
void post_start_coordinates(WindowHandle owner, const WordValues &position);

// ---------------------------------------------------------------------------
// Reading the input

// Opens the input for a pass; -1 after posting the driver's message: for
// message 0 "cannot open the NC file to convert", 1 "... to rotate".
int open_pass_input(WindowHandle owner, TextReader &reader, const char *input_path, int message);
// Between lines: the window's messages, a progress line every million lines
// handled, and the interruption flag. -1 when the job was interrupted (the job
// says so; the pass just stops). line_number 0: between passes, no line.
int check_interruption(WindowHandle owner, long long line_number);
// The driver's count of lines handled starts again (init_pass does it).
void begin_progress();
