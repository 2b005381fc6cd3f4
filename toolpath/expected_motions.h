// The motions a converted program must have, built from the source's motions
// and the job's parameters, one at a time: the whole program turned once, the
// program and its turned copies, or each machining followed by its turned copies.
#pragma once

#include <memory>
#include <string>

#include "toolpath/check.h"
#include "toolpath/model.h"

enum Composition {
    COMPOSITION_WHOLE,         // keep_source 0: every motion turned by the angle
    COMPOSITION_COPIES,        // the program, then copies turned by k times the angle
    COMPOSITION_PER_MACHINING  // every machining followed by its turned copies
};

// The cosine and sine of a turn by angle degrees (pi cut to ten decimals, as the rewrite turns).
struct TurnFactors {
    double angle;
    double cosine;
    double sine;
};

struct ExpectedMotion {
    Motion motion;         // as the output must have it (turned)
    int pass;              // 0: the source as it stands; k: the k-th turned copy
    // The highest known Z the source tool stood at since the last setup line or
    // the start of the pass, before this motion: composition moves cross above it.
    double clearance;
    int clearance_known;
};

// A machining of the per-machining composition while it is open, and its copies.
struct MachiningTrack {
    int previous_cut;        // the last motion (dwells and stops aside) was a cut
    int open;
    ModelMark mark;          // where the machining opened
    long long items;         // its items so far, from the opening cut
    long long through_cut;   // its items up to its last cut
    int copying;             // copies are being handed out
    int copy;                // the copy being handed out, 1 .. pass_count - 1
    long long copy_items;    // the machining's items (the length of every copy)
    long long copy_left;     // items of this copy still to come
    int copy_first;          // the next item opens a copy
    int holding;             // held: the item that closed the machining, due after the copies
    Motion held;
    int source_done;
};

struct ExpectedStream {
    CheckParams params;
    int composition = COMPOSITION_WHOLE;
    int pass_count = 1;      // placements: the source and its copies
    int pass = 0;
    std::unique_ptr<ModelRun> source;
    std::unique_ptr<ModelRun> copies;   // per machining: reads each machining again
    std::string input_path;
    // The start block (whole program): the first G92 naming X, Y and Z.
    int start_scan;          // 0 not yet looked for, 1 found, -1 none
    double start_point[3];
    int start_armed;         // no feed or arc yet: a rapid to the start point stays unturned
    // The whole program: the tool stands at a point of the machine's own (a G92
    // that started a frame, the start block) that the turn does not move, until
    // a move takes it away in X or Y.
    int anchored;
    double anchor[2];
    int last_token[2];       // the X and Y frame tokens of the last item
    double high_z;
    int high_known;
    TurnFactors turn;        // the factors of the last turn, kept while the angle stays
    MachiningTrack track;
    int error_line = 0;      // the source line the model refused (0: the file itself)
    std::string error;
};

// Opens the source. 0, or -1 with error set.
int expected_open(ExpectedStream &stream, const char *input_path, const CheckParams &params);
// 1 with the next expected motion, 0 when there is none left, -1 with error set.
int expected_next(ExpectedStream &stream, ExpectedMotion &expected);
void expected_close(ExpectedStream &stream);

// The composition the parameters select.
int composition_of(const CheckParams &params);
void turn_factors(double angle, TurnFactors &factors);
// Turns a motion's points (end, start, arc centre) about the centre; Z, levels,
// the state and the G92 frame stay.
void turn_motion(Motion &motion, const TurnFactors &factors, const double centre[2]);
