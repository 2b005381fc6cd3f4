// The tool-path model: reads an NC program of the shop's dialect line by line
// and yields the machine's motions, each with the machine state in force. It
// shares no code with the rewrite, so that each of the two can prove the other.
#pragma once

#include <string>

#include "toolpath/block_words.h"
#include "toolpath/line_reader.h"

enum MotionKind {
    MOTION_RAPID,    // G00
    MOTION_FEED,     // G01
    MOTION_ARC_CW,   // G02
    MOTION_ARC_CCW,  // G03
    MOTION_HOLE,     // one drilled hole of a canned cycle
    MOTION_HOME,     // G28 / G30 reference return, G53 machine-coordinate move
    MOTION_DWELL,    // G04
    MOTION_STOP,     // M00, M01
    MOTION_END,      // M02, M30
    MOTION_SETUP     // a line that changes the setup (tool, offsets, frame, reference)
};

enum Axis { AXIS_X = 0, AXIS_Y = 1, AXIS_Z = 2 };

// A point in program coordinates; an axis may be unknown (after a reference
// return, an offset change, or before the program has named it).
struct Point3 {
    double v[3];
    unsigned char known[3];
};

// What the machine is set to while it moves.
struct MachineState {
    int work_offset;  // 0: the machine's current; 540 .. 590 for G54 .. G59, 541 for G54.1
    int work_p;       // P of G54.1
    int tool;         // the tool in the spindle (the last T before the last M06)
    int length_comp;  // 43, 44 or 49
    int length_h;
    int cutter_comp;  // 40, 41 or 42
    int cutter_d;
    int spindle;      // 3, 4 or 5
    int spindle_s;    // the last S, -1 before any: the speed the machine was left at
    int mist;         // M07 on
    int flood;        // M08 on
    int distance;     // 0 before any G90 / G91, else 90 or 91
    int feed_mode;    // 94 (power-on) or 95: F per minute or per revolution
    int cutting_mode; // 64 (power-on), 61, 62 or 63
    double feed;
    // The G92 frame per axis: a token for the G92 that named the axis while its
    // position was unknown (0 before any), and the shift of later settings.
    int frame_token[3];
    double frame_delta[3];
};

struct Motion {
    MotionKind kind;
    int line;            // physical line of the block, from 1
    int item;            // its place among the items of that line, from 0
    int start_by_rapid;  // the tool reached start with a rapid
    int start_z_at_reference;  // Z stands at a reference point or machine position (G28, G30, G53)
    int end_z_at_reference;    // ... and still does after this motion
    Point3 start;        // where the tool stood before
    Point3 end;          // where it stands after; HOLE: the hole's X, Y and the return level
    double centre[2];    // ARC: the centre
    int cycle;           // HOLE: 73, 74, 81 .. 86, 88, 89
    double r_level;      // HOLE: the R level, absolute
    double bottom;       // HOLE: the bottom, absolute
    unsigned char r_known;
    unsigned char bottom_known;
    int q_given;         // HOLE: Q for G73 / G83
    double q;
    int p_given;         // HOLE: P in milliseconds for G74, G82, G84, G88, G89
    int p;
    int axes;            // HOME: bit per axis named; SETUP: axes a G92 set
    int reference;       // HOME: 28, 302 .. 304 (G30 P2 .. P4), 53 (machine coordinates)
    double machine[3];   // HOME with 53: machine positions of the named axes
    double seconds;      // DWELL
    int code;            // STOP: 0 or 1; END: 2 or 30
    MachineState state;
};

// The canned-cycle data in force (R, Z, Q and P are modal within the cycle mode).
struct CycleData {
    int code;  // 0: no cycle
    double initial_level;
    unsigned char initial_known;
    unsigned char has_r, has_z, has_q, has_p;
    double r_word, z_word, q_word;
    int p_word;
};

// Everything carried from block to block.
struct ModelState {
    MachineState machine;
    Point3 position;
    int position_by_rapid;
    int z_at_reference;  // the last thing that moved Z was G28, G30 or G53: it stands at a machine point
    int motion;       // -1 before any G00 .. G03, else 0 .. 3
    int next_tool;    // the last T word read
    int return_mode;  // 98 or 99
    CycleData cycle;
    int token_count;  // G92 frame tokens minted in this run
    int ended;        // M02 / M30 seen
};

// The rest of a cycle block's repeats (K), handed out one hole at a time.
struct HoleRepeat {
    long long left;
    int given[2];
    double word[2];
};

constexpr int MODEL_QUEUE = 8;

struct ModelRun {
    LineReader reader;
    BlockWords words;
    ModelState state;
    ModelState line_start;  // the state before the line handed out (keep_line_start)
    int keep_line_start = 0;
    long long line_offset = 0;
    int line = 0;
    Motion queue[MODEL_QUEUE];
    int queued = 0;
    int taken = 0;
    int next_item = 0;      // items of the current line so far
    HoleRepeat repeat = {};
    Motion tail[2];         // events after the motion of the line (STOP, END)
    int tail_count = 0;
    int finished = 0;
    int error_line = 0;     // the line the model refused, with the reason
    std::string error;
};

// Where a motion was found, so that the program can be read again from there.
struct ModelMark {
    long long offset;
    int line;
    int item;
    ModelState state;  // before the line
};

// The modes a program may leave unnamed because the control starts in them:
// feed per minute (G94), cutting mode (G64), return to the initial level (G98).
void set_power_on_modes(ModelState &state);

// Opens the program. keep_line_start makes model_mark possible (a small copy per line).
// 0, or -1 when the file cannot be opened.
int model_open(ModelRun &run, const char *path, int keep_line_start);
void model_close(ModelRun &run);
// 1 with the next motion or event (it stays valid until the next call on the
// run), 0 at the end of the program, -1 when the program cannot be modelled
// (error_line and error say why).
int model_next(ModelRun &run, const Motion *&motion);
// The mark of the motion handed out last (the run keeps line starts).
void model_mark(const ModelRun &run, const Motion &motion, ModelMark &mark);
// Reads from the mark again: the next model_next hands out the marked motion. 0 or -1.
int model_seek(ModelRun &run, const ModelMark &mark);
// Reads the program again from its top, the state carried on as the machine
// carries it (the program end forgotten). 0 or -1.
int model_restart(ModelRun &run);
// The state of a run before its first line.
void model_initial_state(ModelState &state);
