// The Help menu's three answers: the help file, the about box and the support
// information dialog, all from the values fixed at start-up.
#include <windows.h>
#include <shellapi.h>

#include <vector>

#include "settings/program_values.h"
#include "shell/resource.h"
#include "shell/startup.h"
#include "shell/windows_ui.h"

int show_help(HWND owner, const char *caption) {
    std::string path = ExeDirectory + HelpFileName;
    if (!file_exists(path.c_str())) {
        MessageBoxA(owner, "ヘルプファイルが見つかりません\n\n正規なソフトウェアですか？", caption, MB_OK | MB_ICONERROR);
        return 0;
    }
    shell_execute("open", path.c_str(), nullptr);
    return 0;
}

int show_version_box(HWND owner, const char *description, const char *product) {
    std::string application, notice;
    version_box_texts(description, product, application, notice);
    ShellAboutA(owner, application.c_str(), notice.c_str(), LoadIconA(ProgramInstance, MAKEINTRESOURCEA(IDI_ABOUT)));
    return 0;
}

// Row n of the table takes the band from 10 + 20n to 30 + 20n pixels.
static void draw_cell(HDC dc, const std::string &text, int row, int left, int right) {
    RECT cell = {left, 10 + 20 * row, right, 30 + 20 * row};
    DrawTextA(dc, text.c_str(), -1, &cell, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
}

static INT_PTR on_paint(HWND dialog) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(dialog, &paint);
    SetBkMode(dc, TRANSPARENT);
    HFONT font = create_ui_font("ＭＳ ゴシック", 14);
    HGDIOBJ previous = SelectObject(dc, font);
    std::vector<std::string> labels, values;
    support_rows(labels, values);
    for (size_t row = 0; row < labels.size(); ++row) draw_cell(dc, labels[row], static_cast<int>(row), 10, 200);
    for (size_t row = 0; row < values.size(); ++row) draw_cell(dc, values[row], static_cast<int>(row), 130, 600);
    SelectObject(dc, previous);
    DeleteObject(font);
    EndPaint(dialog, &paint);
    return TRUE;
}

static INT_PTR CALLBACK support_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: set_small_icon(dialog); return TRUE;
    case WM_PAINT: return on_paint(dialog);
    case WM_COMMAND:
        if (LOWORD(wparam) == IDC_SUPPORT_CLOSE) SendMessageA(dialog, WM_CLOSE, 0, 0);
        return LOWORD(wparam) == IDC_SUPPORT_CLOSE;
    case WM_CLOSE: EndDialog(dialog, 16); return TRUE;
    }
    return FALSE;
}

INT_PTR show_support_dialog(HWND owner) {
    return DialogBoxParamA(ProgramInstance, "SUPPORTINFODIALOG", owner, support_dialog_proc, 0);
}
