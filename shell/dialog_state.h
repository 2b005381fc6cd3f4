// The job fields of the main window and the three operations that move them
// between the window, the history in Pivora.ini and a job's control file.
// The window copies its controls into a DialogFields record and back, so these
// operations hold no window handles.
#pragma once

#include <string>

#include "platform/platform.h"

// The nine job fields of "PIVORADIALOG" as plain values.
struct DialogFields {
    std::string input_path;     // 1011 input NC file
    std::string output_path;    // 1013 output NC file
    std::string angle;          // 1015 rotation angle
    std::string centre_x;       // 1016 rotation centre X
    std::string centre_y;       // 1017 rotation centre Y
    std::string copy_count;     // 1018 rotation copy count
    int keep_source = 0;        // 1020 checked
    int whole_checked = 0;      // 1021 "全体" checked
    int per_machining_checked = 0;  // 1022 "加工毎" checked
};

// Longest path a job's control file carries whole (NCFILE1 and NCFILE2 are read back in 512 bytes).
const size_t JOB_PATH_LIMIT = 511;
// Characters kept of a short field (angle, centre, count): a 16-byte read.
const size_t SHORT_FIELD_LIMIT = 15;

// Cuts text to at most limit bytes without splitting a double-byte character.
void fit_field_text(std::string &text, size_t limit);

// Mode 0 or more: fills every field for input_path from the initial values of
// Pivora.ini. A negative mode empties the six text fields and ignores the path.
int init_dialog_fields(DialogFields &fields, const char *input_path, int mode);

// Puts the last executed job (section HISTORY) back into the fields when
// COMMAND / HISTORY is 1. Returns 0.
int load_history(DialogFields &fields);

// The Execute command: checks the fields, writes the control file beside the
// input (and the history), runs the job, discards the control file and clears
// the text fields after a successful job. Returns the job's result, or -1.
int execute_command(WindowHandle owner, DialogFields &fields);
