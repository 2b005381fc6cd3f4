// Saving the message log to Pivora.<extension> beside the executable.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

// ExeDirectory + "Pivora." + FILES / LOGFILE (empty or absent: "log").
void log_file_path(std::string &path);
// Writes the lines, each ended by CR LF, replacing the file. 0; -1 when the file
// cannot be created; -2 when not every byte reached it.
int write_log_file(const char *path, const std::vector<std::string> &lines);
// The "ログ保存" command on the lines of the log: failures go to an error box
// only, never to the log. Returns 0 or -1.
int log_save_lines(WindowHandle owner, const std::vector<std::string> &lines);
