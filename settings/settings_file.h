// Pivora.ini: its creation with every default, and the readers other parts call.
#pragma once

#include <string>

#include "settings/program_values.h"

// The executable's drive and directory followed by name.
void module_file_path(std::string &path, const char *name);
// Writes every section and key with its creation value when no file is at SettingsPath. Returns 0.
int create_default_settings();
// Fills flags from section COMMAND and the environment (TSYAIDE); returns it.
CommandFlags &read_command_flags(CommandFlags &flags);
// Fills format from section FORMAT (-1 and 1 when the file is absent).
void read_output_format(OutputFormat &format);
// The status-bar text of the current ten-minute slot, or " ". Returns 0.
int read_time_message(std::string &text);
// The key of a time slot: "TIME%02d%d" with the hour and the minute's tens digit.
void time_message_key(int hour, int minute, std::string &key);
// Sets ExeDirectory (a separator is added when it lacks one) and SettingsPath
// ("Pivora.ini" beside it), and creates the settings file when it is absent. Returns 0.
int prepare_settings_paths(const char *exe_directory);
