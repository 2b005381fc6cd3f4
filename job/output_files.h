// Where a job's files go, and what happens around the output file.
#pragma once

#include <string>

#include "platform/platform.h"

// The input's name with the suffix; a suffix with a point replaces the extension.
void propose_output_name(const char *input_path, std::string &output, const char *suffix);
// The input's name with the given extension ("ini" gives part.ini).
void control_file_path(const char *input_path, std::string &output, const char *extension);
// 0 to go on, -1 when the user declined to replace an existing output file.
int confirm_overwrite(WindowHandle owner, const char *output_path);
// The output path as the viewer's argument: in double quotes when it holds a blank.
void viewer_parameter(const char *output_path, std::string &parameter);
// Starts the configured NC viewer on the output. 0 when started or none is configured.
int open_in_viewer(WindowHandle owner, const char *output_path);
// Deletes a job's control file unless COMMAND / WINDOWLOG keeps it. Returns 0.
int job_file_discard(const char *path);
