// The settings dialog "QUILLOINIDIALOG": output format, file names, initial
// rotation values, viewer and colours, loaded from and saved to Pivora.ini.
#include <windows.h>
#include <commdlg.h>

#include "settings/program_values.h"
#include "shell/resource.h"
#include "shell/settings_fields.h"
#include "shell/startup.h"
#include "shell/windows_ui.h"

// The text fields and what each keeps.
static const struct {
    int id;
    size_t limit;
} TextFields[] = {
    {IDC_NC_EXTENSION, SETTINGS_TEXT_LIMIT}, {IDC_OUTPUT_SUFFIX, SETTINGS_TEXT_LIMIT},
    {IDC_VIEWER, SETTINGS_VIEWER_LIMIT},     {IDC_INIT_ANGLE, SETTINGS_TEXT_LIMIT},
    {IDC_INIT_CENTRE_X, SETTINGS_TEXT_LIMIT}, {IDC_INIT_CENTRE_Y, SETTINGS_TEXT_LIMIT},
    {IDC_WINDOW_COLOR, SETTINGS_TEXT_LIMIT}, {IDC_TEXT_COLOR, SETTINGS_TEXT_LIMIT},
};

static void select_item(HWND dialog, int id, const std::string &item) {
    LRESULT index = item.empty() ? CB_ERR
                                 : SendDlgItemMessageA(dialog, id, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                       reinterpret_cast<LPARAM>(item.c_str()));
    SendDlgItemMessageA(dialog, id, CB_SETCURSEL, index == CB_ERR ? static_cast<WPARAM>(-1) : index, 0);
    if (index == CB_ERR) SetDlgItemTextA(dialog, id, "");
}

static void put_fields(HWND dialog, const SettingsFields &fields) {
    select_item(dialog, IDC_DECIMAL, fields.decimal);
    select_item(dialog, IDC_COMMENT, fields.comment);
    SetDlgItemTextA(dialog, IDC_NC_EXTENSION, fields.nc_extension.c_str());
    SetDlgItemTextA(dialog, IDC_OUTPUT_SUFFIX, fields.output_suffix.c_str());
    SetDlgItemTextA(dialog, IDC_VIEWER, fields.viewer.c_str());
    SetDlgItemTextA(dialog, IDC_INIT_ANGLE, fields.angle.c_str());
    SetDlgItemTextA(dialog, IDC_INIT_CENTRE_X, fields.centre_x.c_str());
    SetDlgItemTextA(dialog, IDC_INIT_CENTRE_Y, fields.centre_y.c_str());
    SetDlgItemTextA(dialog, IDC_WINDOW_COLOR, fields.window_color.c_str());
    SetDlgItemTextA(dialog, IDC_TEXT_COLOR, fields.text_color.c_str());
}

static void take_fields(HWND dialog, SettingsFields &fields) {
    fields.decimal = control_text(dialog, IDC_DECIMAL);
    fields.comment = control_text(dialog, IDC_COMMENT);
    fields.nc_extension = control_text(dialog, IDC_NC_EXTENSION);
    fields.output_suffix = control_text(dialog, IDC_OUTPUT_SUFFIX);
    fields.viewer = control_text(dialog, IDC_VIEWER);
    fields.angle = control_text(dialog, IDC_INIT_ANGLE);
    fields.centre_x = control_text(dialog, IDC_INIT_CENTRE_X);
    fields.centre_y = control_text(dialog, IDC_INIT_CENTRE_Y);
    fields.window_color = control_text(dialog, IDC_WINDOW_COLOR);
    fields.text_color = control_text(dialog, IDC_TEXT_COLOR);
}

static void insert_items(HWND dialog) {
    const char *decimal[] = {"無し", "有り", "既存"};
    for (const char *item : decimal) SendDlgItemMessageA(dialog, IDC_DECIMAL, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    const char *comment[] = {"無し", "有り"};
    for (const char *item : comment) SendDlgItemMessageA(dialog, IDC_COMMENT, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
}

static int load_fields(HWND dialog, int mode) {
    SettingsFields *fields = reinterpret_cast<SettingsFields *>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (load_settings_fields(dialog, *fields, mode) != 0) return -1;
    if (mode == 0) insert_items(dialog);
    put_fields(dialog, *fields);
    return 0;
}

static int pick_color(HWND dialog, int id) {
    int rgb[3] = {0, 0, 0};
    if (color_field_value(control_text(dialog, id), rgb) != 0) return -1;
    static COLORREF custom[16];
    custom[0] = static_cast<COLORREF>(color_value(rgb));
    for (int at = 1; at < 16; ++at) custom[at] = RGB(255, 255, 255);
    CHOOSECOLORA chooser;
    ZeroMemory(&chooser, sizeof chooser);
    chooser.lStructSize = sizeof chooser;
    chooser.hwndOwner = dialog;
    chooser.rgbResult = custom[0];
    chooser.lpCustColors = custom;
    chooser.Flags = CC_RGBINIT;
    if (!ChooseColorA(&chooser)) return -1;
    std::string text;
    color_field_text(chooser.rgbResult, text);
    SetDlgItemTextA(dialog, id, text.c_str());
    return 0;
}

static INT_PTR on_init(HWND dialog, LPARAM record) {
    SetWindowLongPtrA(dialog, DWLP_USER, record);
    set_small_icon(dialog);
    for (const auto &field : TextFields) SendDlgItemMessageA(dialog, field.id, EM_SETLIMITTEXT, field.limit, 0);
    if (load_fields(dialog, 0) != 0) SendMessageA(dialog, WM_CLOSE, 0, 0);
    return TRUE;
}

static void on_save(HWND dialog) {
    SettingsFields *fields = reinterpret_cast<SettingsFields *>(GetWindowLongPtrA(dialog, DWLP_USER));
    take_fields(dialog, *fields);
    if (save_settings_fields(dialog, *fields) == 1) SendMessageA(dialog, WM_CLOSE, 0, 0);
}

static void choose_viewer(HWND dialog) {
    std::string path;
    if (choose_open_file(dialog, path, "exe", nullptr)) SetDlgItemTextA(dialog, IDC_VIEWER, path.c_str());
}

static INT_PTR on_command(HWND dialog, int id) {
    switch (id) {
    case IDC_VIEWER_BUTTON: choose_viewer(dialog); return TRUE;
    case IDC_WINDOW_COLOR_BUTTON: pick_color(dialog, IDC_WINDOW_COLOR); return TRUE;
    case IDC_TEXT_COLOR_BUTTON: pick_color(dialog, IDC_TEXT_COLOR); return TRUE;
    case IDM_SETTINGS_SAVE: on_save(dialog); return TRUE;
    case IDM_SETTINGS_CLEAR: load_fields(dialog, -1); return TRUE;
    case IDM_SETTINGS_RELOAD: load_fields(dialog, 1); return TRUE;
    case IDM_SETTINGS_CANCEL: SendMessageA(dialog, WM_CLOSE, 0, 0); return TRUE;
    }
    return FALSE;
}

static INT_PTR on_close(HWND dialog) {
    load_fields(dialog, -1);
    EndDialog(dialog, 16);
    return TRUE;
}

static INT_PTR on_static_color(HDC dc) {
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, static_cast<COLORREF>(color_value(TextColor)));
    return reinterpret_cast<INT_PTR>(window_color_brush());
}

static INT_PTR CALLBACK settings_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG: return on_init(dialog, lparam);
    case WM_COMMAND: return on_command(dialog, LOWORD(wparam));
    case WM_CLOSE: return on_close(dialog);
    case WM_CTLCOLORDLG: return reinterpret_cast<INT_PTR>(window_color_brush());
    case WM_CTLCOLORSTATIC: return on_static_color(reinterpret_cast<HDC>(wparam));
    }
    return FALSE;
}

INT_PTR show_settings_dialog(HWND owner) {
    SettingsFields fields;
    return DialogBoxParamA(ProgramInstance, "QUILLOINIDIALOG", owner, settings_dialog_proc,
                           reinterpret_cast<LPARAM>(&fields));
}
