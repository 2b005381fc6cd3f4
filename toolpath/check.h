// The independent tool-path check: reads the program converted and the program
// written, each through the tool-path model (never through the rewrite), builds
// the motions the output must have from the source's motions and the job's
// parameters, and compares them pair by pair.
#pragma once

#include <string>

// The job's parameters, as the conversion used them.
struct CheckParams {
    double angle;      // the base angle in degrees, counter-clockwise
    double centre[2];  // rotation centre X, Y in program coordinates
    int copy_count;    // placements of the program (keep_source 1 only)
    int keep_source;   // 0: the whole program turned once; 1: copies
    int composition;   // with keep_source 1: 1 per machining, anything else the whole program
};

struct CheckResult {
    long long motions_checked = 0;  // output motions compared (and composition moves accepted)
    int output_line = 0;            // first output line that differs (0: none, or the input is at fault)
    int input_line = 0;             // the source line whose motion was expected there (0: none)
    std::string expected;           // what was expected there, in words (code page 932)
    std::string found;              // what the output holds there, in words (code page 932)
};

// 0 when the output moves the machine as the source does, turned as the
// parameters say; -1 otherwise, with the first difference in result. Either
// file that cannot be read or modelled is a difference too (result says which).
int check_conversion(const char *input_path, const char *output_path, const CheckParams &params,
                     CheckResult &result);
