// Window-side utilities: fonts, the file-open dialog, the window-colour brush
// and reading a control's whole text.
#include <windows.h>
#include <commdlg.h>

#include <vector>

#include "settings/program_values.h"
#include "shell/resource.h"
#include "shell/startup.h"
#include "shell/windows_ui.h"

HFONT create_ui_font(const char *face, int height) {
    return CreateFontA(height, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH | FF_ROMAN, face);
}

// A filter is a run of zero-terminated texts ended by one more zero.
static void append_filter(std::string &filter, const std::string &text) {
    filter += text;
    filter += '\0';
}

int choose_open_file(HWND owner, std::string &result, const char *extension, const char *initial_directory) {
    result.clear();
    std::string filter, title;
    if (extension && *extension) {
        append_filter(filter, std::string(extension) + " Files(*." + extension + ")");
        append_filter(filter, std::string("*.") + extension);
        title = std::string(extension) + " ファイルを開く";
    } else {
        title = "全てのファイルを開く";
    }
    append_filter(filter, "All Files(*.*)");
    append_filter(filter, "*.*");
    filter += '\0';

    std::vector<char> path(520, '\0');
    OPENFILENAMEA dialog;
    ZeroMemory(&dialog, sizeof dialog);
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = static_cast<DWORD>(path.size());
    dialog.lpstrInitialDir = initial_directory;
    dialog.lpstrTitle = title.c_str();
    // The path must exist, the file need not: a new output name can be typed.
    dialog.Flags = OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetOpenFileNameA(&dialog)) return 0;
    result = path.data();
    return 1;
}

static HBRUSH ColorBrush = nullptr;
static COLORREF BrushColor = 0;

HBRUSH window_color_brush() {
    COLORREF wanted = static_cast<COLORREF>(color_value(WindowColor));
    if (!ColorBrush || BrushColor != wanted) {
        if (ColorBrush) DeleteObject(ColorBrush);
        ColorBrush = CreateSolidBrush(wanted);
        BrushColor = wanted;
    }
    return ColorBrush;
}

void release_window_color_brush() {
    if (ColorBrush) DeleteObject(ColorBrush);
    ColorBrush = nullptr;
}

std::string window_text(HWND window) {
    int length = GetWindowTextLengthA(window);
    if (length <= 0) return std::string();
    std::vector<char> text(static_cast<size_t>(length) + 1, '\0');
    int got = GetWindowTextA(window, text.data(), length + 1);
    return std::string(text.data(), got > 0 ? static_cast<size_t>(got) : 0);
}

std::string control_text(HWND dialog, int id) { return window_text(GetDlgItem(dialog, id)); }

void set_small_icon(HWND window) {
    HANDLE icon = LoadImageA(ProgramInstance, MAKEINTRESOURCEA(IDI_PIVORA), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                             GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR);
    if (icon) SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}
