// The fields of the settings dialog "QUILLOINIDIALOG" as plain texts, and their
// loading from and saving to Pivora.ini.
#pragma once

#include <string>

#include "platform/platform.h"

struct SettingsFields {
    std::string decimal;       // 1030: "無し", "有り", "既存" or empty
    std::string comment;       // 1031: "無し", "有り" or empty
    std::string nc_extension;  // 1035 FILES / NCFILE
    std::string output_suffix; // 1036 FILES / OUTPUTFILE
    std::string viewer;        // 1033 QUILLO / NCVIEWER
    std::string angle;         // 1037 Pivora / ANGLE
    std::string centre_x;      // 1038 Pivora / XCOORD
    std::string centre_y;      // 1039 Pivora / YCOORD
    std::string window_color;  // 1052 COLOR / WINDOW
    std::string text_color;    // 1053 COLOR / TEXT
};

// Characters a text field of the dialog keeps: a 16-byte read, and 520 for the viewer.
const size_t SETTINGS_TEXT_LIMIT = 15;
const size_t SETTINGS_VIEWER_LIMIT = 519;

// Mode -1 empties the fields, 0 and 1 fill them from the settings file.
// 0, or -1 after an error (owned by owner) when the settings file is missing.
int load_settings_fields(WindowHandle owner, SettingsFields &fields, int mode);
// Writes every field to the settings file and takes over well-formed colours.
// 1 after saving, -1 after an error.
int save_settings_fields(WindowHandle owner, const SettingsFields &fields);
// Exactly three comma-separated integers; 0, or -1 after an error box (rgb unchanged).
int parse_rgb_exact(const char *text, int rgb[3]);
// The colour a colour field starts the chooser on (an empty field is black);
// 0, or -1 after an error.
int color_field_value(const std::string &field, int rgb[3]);
// "r,g,b" of a chosen colour value (red in the low byte).
void color_field_text(unsigned long color, std::string &text);
