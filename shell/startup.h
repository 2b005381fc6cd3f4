// Start-up of the program: the process-wide values, the colours, the help forms
// of the command line and the banner that opens the message log.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

// Fills ExeDirectory, SettingsPath (creating Pivora.ini when absent), NoticeLine,
// the colours and HelpFileName. Returns 0.
int prepare_startup();
// HelpFileName from Pivora / HELPFILE (31 characters at most), or "Pivora.chm".
void read_help_file_name();
// WindowColor and TextColor from section COLOR, with a warning box for a malformed value. Returns 0.
int read_colors();
// Splits "r,g,b" at commas (empty pieces skipped), stores up to three integers;
// returns how many it stored.
int parse_rgb(const char *text, int rgb[3]);
// A colour value of the low 8 bits of each component: red, green << 8, blue << 16.
unsigned long color_value(const int rgb[3]);

// What a single command-line argument asks for.
enum HelpForm {
    HELP_NONE = 0,   // no help form: start the window
    HELP_USAGE = 1,  // "?" or "/?": the usage box
    HELP_FILE = 2    // "help" or "/help": the help file
};
// argv[0] is the program; only exactly one further argument is looked at.
int help_form(int argc, const char *const *argv);
// Opens ExeDirectory + HelpFileName with the shell, or shows an error box. Returns 0.
int open_help_file();

// The product notice with the version year.
void format_notice_line(std::string &line);
// "TSYQUILLO Pivora　2019R0.30　ＮＣデータ回転移動 / Tessaly".
void format_window_title(std::string &title);
// The nine banner lines; the three identities are shown as given.
void banner_lines(const DateTimeFields &now, const char *host, const char *address, const char *user,
                  std::vector<std::string> &lines);
// Posts the banner (local time, masked host name, address and user) to the log. Returns 0.
int post_banner(WindowHandle owner);

// The about box: the application text ("title#first line") and the maker's second notice line.
void version_box_texts(const char *description, const char *product, std::string &application,
                       std::string &notice);
// The support information table: six rows of label and value.
void support_rows(std::vector<std::string> &labels, std::vector<std::string> &values);
