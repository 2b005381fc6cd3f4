// The tool-path picture as a record of drawable pieces: the source in grey and
// the converted program on top, one colour per copy, thinned to a grid, with the
// texts of its legend. The SVG writer and the window's painter draw this record.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "toolpath/check.h"

// A rectangle in program millimetres (empty while nothing was drawn).
struct PathExtent {
    int empty;
    double min[2];
    double max[2];
};

// What the picture was drawn from.
struct PictureFacts {
    long long source_segments;  // source moves drawn, before thinning
    long long result_segments;  // output moves drawn, before thinning
    long long drawn_segments;   // pieces kept in the picture after thinning
    PathExtent source_extent;
    PathExtent result_extent;
};

// The colours of the strokes; a placement's colour is COLOUR_PLACEMENT + k.
enum PictureColour {
    COLOUR_SOURCE = 0,       // the program converted, grey under the rest
    COLOUR_COMPOSITION = 1,  // a move of the composition's own (approach, retract)
    COLOUR_UNCHECKED = 2,    // the output after the check's first difference
    COLOUR_PLACEMENT = 3     // k = 0 the source's own place, k = 1 .. the copies (k mod 8)
};
const int PLACEMENT_COLOURS = 8;
const int PICTURE_COLOURS = COLOUR_PLACEMENT + PLACEMENT_COLOURS;

// The colour as 0xRRGGBB.
unsigned long picture_colour_rgb(int colour);
// A short name of a stroke's look ("s", "k3", "c r"): the SVG's class, and what
// tells two strokes apart when the picture thins repeated moves.
void picture_style_name(int colour, int dashed, char name[16]);

enum PictureStepKind : unsigned char {
    STEP_MOVE,  // the pen lifted and set down at the point
    STEP_LINE,  // a straight piece to the point
    STEP_ARC,   // an arc to the point (arcs[arc]) from where the pen stands
    STEP_HOLE   // the cross of a drilled hole at the point; the pen stays there
};

struct PictureStep {
    double at[2];  // program millimetres
    uint32_t arc;  // STEP_ARC: its index in Picture::arcs
    PictureStepKind kind;
};

struct PictureArc {
    double centre[2];
    double radius;
    unsigned char counter_clockwise;
    unsigned char large;  // sweeps more than half a turn
};

// One stroke: a run of steps in one look, opened by a STEP_MOVE.
struct PicturePath {
    unsigned char colour;
    unsigned char dashed;  // rapids and the positioning of holes
    uint32_t first;        // its first step in Picture::steps
    uint32_t count;
};

// A sample of a stroke and its words in the legend.
struct PictureKey {
    unsigned char colour;
    unsigned char dashed;
    std::string label;
};

// The text lines of the legend, in their order.
enum PictureLegendLine {
    LEGEND_JOB,            // composition, angle, centre, placements
    LEGEND_SOURCE_EXTENT,  // the source's extent
    LEGEND_RESULT_EXTENT,  // the result's extent (and what was left out)
    LEGEND_CHECK,          // the check's result
    LEGEND_LINES
};

// Cells along each side of the extent that consecutive moves are merged in;
// a picture that would hold more steps than its limit is drawn again on a grid
// half as fine, down to the coarsest.
const int PICTURE_GRID = 2000;
const int PICTURE_COARSEST_GRID = 250;
// Steps a picture holds at most (24 bytes each, an arc 32 more): the pocket
// program of the benchmark, a million blocks, takes about 310 000; a finer one
// is thinned harder rather than held whole.
const long long PICTURE_STEP_LIMIT = 500000;

struct Picture {
    PathExtent extent;  // the drawing: both programs and the centre, at least 1 mm either way
    double centre[2];   // the rotation centre
    int grid;           // the grid the picture was thinned to
    std::vector<PicturePath> paths;  // the source's first, then the result's
    std::vector<PictureStep> steps;
    std::vector<PictureArc> arcs;
    PictureFacts facts;
    long long omitted;  // moves left out at the step limit on the coarsest grid
    int check_status;   // the check that coloured the result: 0 agreed, -1 differed
    CheckResult check;
    std::string legend[LEGEND_LINES];  // code page 932
    std::vector<PictureKey> placement_keys;  // first row: the source, then each placement
    std::vector<PictureKey> line_keys;       // second row: rapid, composition move, unchecked
};

// Builds the picture of a conversion. Moves with a known start and end in X and
// Y are drawn: rapids dashed, cuts solid, arcs as arcs, a hole as its
// positioning and a cross. The output is coloured by the copy the check pairs
// each move with; check_text (may be null) is shown in the legend. Consecutive
// moves ending in one cell of the grid over the extent are merged, and a move
// drawn before from the same cells in the same look is left out. 0, or -1 when
// a file cannot be opened (the picture is then empty).
int build_picture(const char *input_path, const char *output_path, const CheckParams &params, const char *check_text,
                  Picture &picture, long long step_limit = PICTURE_STEP_LIMIT);
// Puts the check's result into the legend ("(なし)" for null).
void set_picture_check_text(Picture &picture, const char *check_text);
// A scale bar's length in millimetres for about `pixels` at `pixels_per_mm`: 1,
// 2 or 5 times a power of ten, the longest of them that is not longer.
double scale_bar_length(double pixels_per_mm, double pixels);
