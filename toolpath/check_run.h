// The check with a look at every output motion as it is paired: the tool-path
// picture colours each output motion by the copy it was found to belong to.
#pragma once

#include "toolpath/check.h"
#include "toolpath/model.h"

// Passes given to the observer besides the copies (0 the source, k the k-th copy).
constexpr int PASS_COMPOSITION_MOVE = -1;  // a move of the composition's own
constexpr int PASS_UNCHECKED = -2;         // after the first difference: not paired

struct CheckObserver {
    void *context;
    // Every output motion and event in order (setup lines aside), with its pass.
    void (*output_motion)(void *context, const Motion &motion, int pass);
};

// check_conversion, telling observer (when not null) about every output motion;
// after a difference the rest of the output is still handed over as unchecked.
int check_conversion_observed(const char *input_path, const char *output_path, const CheckParams &params,
                              CheckResult &result, const CheckObserver *observer);
