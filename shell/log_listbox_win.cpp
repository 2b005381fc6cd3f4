// The message log of the window: lines go to the list box 1000, boxes are
// message boxes with the caption "Pivora", and a line longer than any before
// widens the list box's horizontal scroll range.
#include <windows.h>

#include <cstring>
#include <vector>

#include "shell/log_file.h"
#include "log/message_log.h"
#include "shell/windows_ui.h"

static HWND LogListBox = nullptr;

static void append_line(void *, const char *text) {
    if (!LogListBox) return;
    SendMessageA(LogListBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    LRESULT count = SendMessageA(LogListBox, LB_GETCOUNT, 0, 0);
    if (count > 0) SendMessageA(LogListBox, LB_SETCURSEL, static_cast<WPARAM>(count - 1), 0);
}

// Measured with the list box's own font, plus room for its vertical scroll bar.
static void widen(void *, const char *text) {
    if (!LogListBox) return;
    HDC dc = GetDC(LogListBox);
    if (!dc) return;
    int saved = SaveDC(dc);
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(LogListBox, WM_GETFONT, 0, 0));
    if (font) SelectObject(dc, font);
    SIZE size = {0, 0};
    if (GetTextExtentPoint32A(dc, text, static_cast<int>(strlen(text)), &size)) {
        SendMessageA(LogListBox, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(size.cx + GetSystemMetrics(SM_CXVSCROLL)),
                     0);
    }
    RestoreDC(dc, saved);
    ReleaseDC(LogListBox, dc);
}

static int show_message_box(void *, WindowHandle owner, const char *text, int kind) {
    UINT style = MB_OK | MB_ICONERROR;
    if (kind == BOX_INFORMATION) style = MB_OK | MB_ICONINFORMATION;
    if (kind == BOX_WARNING) style = MB_OK | MB_ICONEXCLAMATION;
    if (kind == BOX_QUESTION) style = MB_YESNO | MB_ICONQUESTION;
    int answer = MessageBoxA(static_cast<HWND>(owner), text, "Pivora", style);
    return kind == BOX_QUESTION ? answer == IDYES : 0;
}

static const LogPort WindowLogPort = {nullptr, append_line, widen, show_message_box};

void install_log_port() { log_set_port(&WindowLogPort); }

void attach_log_listbox(HWND listbox) { LogListBox = listbox; }

void detach_log_listbox() { LogListBox = nullptr; }

int log_save(HWND owner, HWND listbox) {
    std::vector<std::string> lines;
    LRESULT count = listbox ? SendMessageA(listbox, LB_GETCOUNT, 0, 0) : 0;
    for (LRESULT at = 0; at < count; ++at) {
        LRESULT length = SendMessageA(listbox, LB_GETTEXTLEN, static_cast<WPARAM>(at), 0);
        if (length < 0) length = 0;
        std::vector<char> text(static_cast<size_t>(length) + 1, '\0');
        SendMessageA(listbox, LB_GETTEXT, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(text.data()));
        lines.push_back(text.data());
    }
    return log_save_lines(owner, lines);
}
