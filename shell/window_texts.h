// The arithmetic and texts behind the main window's fields and status bar,
// kept free of window handles: the angle and count helpers, the clock and the
// time message.
#pragma once

#include <string>

#include "platform/platform.h"
#include "shell/dialog_state.h"

// Button 1014: the copy count that fits the angle (360 / angle, whole part).
// Returns 1 when count was set, 0 when the angle is empty or converts to 0.
int fit_count_to_angle_text(const std::string &angle, std::string &count);
// Button 1019: the angle that fits the count (360 / count, rounded to 0.001).
int fit_angle_to_count_text(const std::string &count, std::string &angle);

enum CompleteMode {
    COMPLETE_ANGLE = 0,  // the angle field lost the focus
    COMPLETE_COUNT = 1   // the count field lost the focus
};
// Fills an empty partner field from the other one; only the first 7 characters
// of each field count. Returns 1 when a field was set.
int complete_angle_or_count_text(int mode, std::string &angle, std::string &count);

// A dropped path: any file becomes the input and the fields get their defaults;
// a folder is refused with an error and the fields stay as they were. 0 or -1.
int drop_input_file(WindowHandle owner, DialogFields &fields, const char *path);

// 0 for Sunday to 6 for Saturday.
int weekday_of(int year, int month, int day);
// " 2026年12月 6日 (日) 4時52分07秒".
void clock_text(const DateTimeFields &now, std::string &text);
// The time message of the ten-minute slot of now (section MESSAGE), or " ".
void time_message_text(const DateTimeFields &now, std::string &text);
