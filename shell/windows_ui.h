// What the window, the dialogs and the entry point of Pivora.exe share.
// Included by the *_win.cpp files only.
#pragma once

#include <windows.h>

#include <string>

struct JobPicture;

// The program's instance, set by the entry point.
extern HINSTANCE ProgramInstance;

// The log port of the window: message boxes from the start, the list box once attached.
void install_log_port();
void attach_log_listbox(HWND listbox);
void detach_log_listbox();
// The "ログ保存" command on the lines of the list box. 0 or -1.
int log_save(HWND owner, HWND listbox);

// A font of the face and height: default width and weight, Shift_JIS, variable pitch, roman family.
HFONT create_ui_font(const char *face, int height);
// The file-open dialog; 1 with the chosen path in result, 0 (result empty) when cancelled.
int choose_open_file(HWND owner, std::string &result, const char *extension, const char *initial_directory);
// The brush of WindowColor, remade only when the colour changes.
HBRUSH window_color_brush();
void release_window_color_brush();
// The whole text of a window or control.
std::string window_text(HWND window);
// The whole text of a dialog's control.
std::string control_text(HWND dialog, int id);
// The program's small icon for a window's title bar.
void set_small_icon(HWND window);

// The main window's procedure (class "Pivora").
LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// The preview window (class "PivoraPreview", owned by owner, resizable) of the
// job's tool-path picture; one at a time, a second opening replaces the first.
// Escape or closing it frees everything. 0, or -1 after a warning.
int open_preview_window(HWND owner, const JobPicture &job);
// Closes the preview window if one is open.
void close_preview_window();

// The settings dialog "QUILLOINIDIALOG", modal.
INT_PTR show_settings_dialog(HWND owner);
// The help file, the about box and the support dialog.
int show_help(HWND owner, const char *caption);
int show_version_box(HWND owner, const char *description, const char *product);
INT_PTR show_support_dialog(HWND owner);
