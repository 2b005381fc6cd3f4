// The G and M codes this tool knows, each with what the rewrite does with it.
// A code that is not in the table is refused: its geometry cannot be known, so
// it cannot be turned exactly.
#pragma once

// What a line holding the code becomes.
enum CodeKind {
    CODE_HANDLED,  // the rewrite reads it and writes it again (motion, modes, cycles, G92)
    CODE_COPIED,   // the line is copied as it stands; positions on it are turned in place
    CODE_KEPT,     // moves nothing and transforms nothing: kept as written
    CODE_REFUSED   // its geometry cannot be turned exactly: the program is refused
};

// The modal groups whose codes may not meet in one block.
enum CodeGroup {
    GROUP_NONE = 0,
    GROUP_MOTION,         // G00 G01 G02 G03
    GROUP_PLANE,          // G17
    GROUP_DISTANCE,       // G90 G91
    GROUP_FEED_MODE,      // G94 G95
    GROUP_CUTTER,         // G40 G41 G42
    GROUP_LENGTH,         // G43 G44 G49
    GROUP_CYCLE,          // G73 G74 G80 to G89
    GROUP_RETURN,         // G98 G99
    GROUP_WORK_OFFSET,    // G54 to G59, G54.1
    GROUP_CUTTING_MODE,   // G61 G62 G63 G64
    GROUP_ONE_SHOT        // G04 G10 G28 G30 G53 G92: one of them per block
};

struct GCodeEntry {
    int tenths;        // the code in tenths: G01 is 10, G54.1 is 541
    CodeKind kind;
    CodeGroup group;
    const char *why;   // for a refused code: why it cannot be turned (code page 932)
};

// The entry of a G code given in tenths, or nullptr when the code is unknown.
const GCodeEntry *find_g_code(int tenths);

// What the rewrite does with an M code.
enum MCodeKind {
    M_WRITTEN,      // M00 to M05 and M07 to M09: the writer writes it in its place
    M_TOOL_CHANGE,  // M06
    M_END,          // M30: program end (M02 is written by the writer and ends the program too)
    M_REFUSED,      // subprogram calls and returns: the called program is not turned
    M_KEPT          // every other M code: kept as written
};

MCodeKind classify_m_code(int code);
