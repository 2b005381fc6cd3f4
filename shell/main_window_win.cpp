// The main window: a modeless dialog of the class "Pivora" holding the job
// fields, the menus, the message log, the status bar with the clock and the
// notice line. Each message and each group of commands has its own handler.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <vector>

#include "job/output_files.h"
#include "shell/dialog_state.h"
#include "shell/job_picture.h"
#include "settings/program_values.h"
#include "log/message_log.h"
#include "shell/resource.h"
#include "shell/startup.h"
#include "shell/window_texts.h"
#include "shell/windows_ui.h"

static HWND StatusBar = nullptr;
static HWND LogList = nullptr;
static HFONT LogFont = nullptr;

// A job runs on this window's thread and lets the window's messages through
// while it works (pump_interface_messages): meanwhile no other command may
// start, and closing the window asks the job to stop; the window closes once
// the job has returned and cleaned up.
static int JobRunning = 0;
static int CloseAfterJob = 0;

// The last Execute's job, for "プレビュー": known only when it wrote its output.
static JobPicture LastJob;
static int LastJobKnown = 0;

// ---------------------------------------------------------------------------
// The job fields between the controls and their record

static void read_fields(HWND window, DialogFields &fields) {
    fields.input_path = control_text(window, IDC_INPUT_FILE);
    fields.output_path = control_text(window, IDC_OUTPUT_FILE);
    fields.angle = control_text(window, IDC_ANGLE);
    fields.centre_x = control_text(window, IDC_CENTRE_X);
    fields.centre_y = control_text(window, IDC_CENTRE_Y);
    fields.copy_count = control_text(window, IDC_COUNT);
    fields.keep_source = IsDlgButtonChecked(window, IDC_KEEP_SOURCE) == BST_CHECKED;
    fields.whole_checked = IsDlgButtonChecked(window, IDC_WHOLE) == BST_CHECKED;
    fields.per_machining_checked = IsDlgButtonChecked(window, IDC_PER_MACHINING) == BST_CHECKED;
}

static void put_text(HWND window, int id, const std::string &before, const std::string &after) {
    // Only what an operation changed is written back, so nothing the user typed is cut.
    if (before != after) SetDlgItemTextA(window, id, after.c_str());
}

static void put_check(HWND window, int id, int before, int after) {
    if (before != after) CheckDlgButton(window, id, after ? BST_CHECKED : BST_UNCHECKED);
}

static void write_fields(HWND window, const DialogFields &before, const DialogFields &after) {
    put_text(window, IDC_INPUT_FILE, before.input_path, after.input_path);
    put_text(window, IDC_OUTPUT_FILE, before.output_path, after.output_path);
    put_text(window, IDC_ANGLE, before.angle, after.angle);
    put_text(window, IDC_CENTRE_X, before.centre_x, after.centre_x);
    put_text(window, IDC_CENTRE_Y, before.centre_y, after.centre_y);
    put_text(window, IDC_COUNT, before.copy_count, after.copy_count);
    put_check(window, IDC_KEEP_SOURCE, before.keep_source, after.keep_source);
    put_check(window, IDC_WHOLE, before.whole_checked, after.whole_checked);
    put_check(window, IDC_PER_MACHINING, before.per_machining_checked, after.per_machining_checked);
}

// Runs one operation of the job fields on their record and shows its result.
template <typename Operation>
static int on_fields(HWND window, Operation operation) {
    DialogFields before;
    read_fields(window, before);
    DialogFields after = before;
    int result = operation(after);
    write_fields(window, before, after);
    return result;
}

// ---------------------------------------------------------------------------
// Initialisation

static void centre_on_desktop(HWND window) {
    RECT desktop, own;
    GetWindowRect(GetDesktopWindow(), &desktop);
    GetWindowRect(window, &own);
    int width = own.right - own.left;
    int height = own.bottom - own.top;
    int x = ((desktop.right - desktop.left) - width) / 2;
    int y = ((desktop.bottom - desktop.top) - height) / 2;
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

static void create_status_bar(HWND window) {
    StatusBar = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, window,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_STATUS_BAR)), ProgramInstance,
                                nullptr);
    RECT outer;
    GetWindowRect(window, &outer);
    int width = outer.right - outer.left;
    int edges[3] = {static_cast<int>(width * 0.3), static_cast<int>(width * 0.74), width};
    SendMessageA(StatusBar, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(edges));
}

// What a 16-byte read keeps is all that can be typed; paths up to what a job carries.
static void limit_field_lengths(HWND window) {
    const int short_fields[] = {IDC_ANGLE, IDC_CENTRE_X, IDC_CENTRE_Y, IDC_COUNT};
    for (int id : short_fields) SendDlgItemMessageA(window, id, EM_SETLIMITTEXT, SHORT_FIELD_LIMIT, 0);
    SendDlgItemMessageA(window, IDC_INPUT_FILE, EM_SETLIMITTEXT, JOB_PATH_LIMIT, 0);
    SendDlgItemMessageA(window, IDC_OUTPUT_FILE, EM_SETLIMITTEXT, JOB_PATH_LIMIT, 0);
}

static LRESULT on_init(HWND window) {
    centre_on_desktop(window);
    set_small_icon(window);
    SetTimer(window, IDT_CLOCK, 1000, nullptr);
    std::string title;
    format_window_title(title);
    SetWindowTextA(window, title.c_str());
    SetWindowPos(window, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
    create_status_bar(window);
    LogList = GetDlgItem(window, IDC_LOG_LIST);
    LogFont = create_ui_font("ＭＳ ゴシック", 16);
    SendMessageA(LogList, WM_SETFONT, reinterpret_cast<WPARAM>(LogFont), TRUE);
    attach_log_listbox(LogList);
    limit_field_lengths(window);
    post_banner(window);
    DragAcceptFiles(window, TRUE);
    return 0;
}

// ---------------------------------------------------------------------------
// Commands

static void open_with_association(HWND window) {
    std::string path;
    if (!choose_open_file(window, path, nullptr, nullptr)) return;
    if (shell_execute("open", path.c_str(), nullptr) <= 32) {
        message_format("エラー：ファイル %s は関連付けされてません", path.c_str());
        log_post(window, -1);
    }
}

static void on_file_menu(HWND window, int id) {
    switch (id) {
    case IDM_OPEN_FILE: open_with_association(window); break;
    case IDM_OPEN_FOLDER: shell_execute("explore", ExeDirectory.c_str(), nullptr); break;
    case IDM_SAVE_LOG: log_save(window, LogList); break;
    case IDM_EXIT: SendMessageA(window, WM_CLOSE, 0, 0); break;
    }
}

static UINT preview_menu_state() { return MF_BYCOMMAND | (LastJobKnown ? MF_ENABLED : MF_GRAYED); }

// The job an Execute ran is remembered when it wrote its output; any other
// outcome forgets the one before, so that the preview always shows the last Execute.
static void remember_job(HWND window, const DialogFields &fields, int result) {
    LastJobKnown = result == 0 && job_picture_from_fields(window, fields, LastJob) == 0;
    EnableMenuItem(GetMenu(window), IDM_PREVIEW, preview_menu_state());
    DrawMenuBar(window);
}

// An open preview belongs to the job before: it goes when the next one starts.
static void run_execute(HWND window) {
    close_preview_window();
    JobRunning = 1;
    DialogFields job;
    read_fields(window, job);
    int result = on_fields(window, [window](DialogFields &f) { return execute_command(window, f); });
    JobRunning = 0;
    if (CloseAfterJob) {
        PostMessageA(window, WM_CLOSE, 0, 0);
    } else {
        remember_job(window, job, result);
    }
}

static void run_preview(HWND window) {
    if (LastJobKnown) open_preview_window(window, LastJob);
}

static void on_job_command(HWND window, int id) {
    switch (id) {
    case IDM_EXECUTE: run_execute(window); break;
    case IDM_PREVIEW: run_preview(window); break;
    case IDM_CLEAR: on_fields(window, [](DialogFields &f) { return init_dialog_fields(f, nullptr, -1); }); break;
    case IDM_LOAD_HISTORY: on_fields(window, [](DialogFields &f) { return load_history(f); }); break;
    }
}

static void on_settings_command(HWND window) {
    show_settings_dialog(window);
    InvalidateRect(window, nullptr, TRUE);
}

static void on_help_menu(HWND window, int id) {
    switch (id) {
    case IDM_HELP: show_help(window, "Pivora"); break;
    case IDM_VERSION: show_version_box(window, "ＮＣデータを回転移動する", "Pivora"); break;
    case IDM_SUPPORT: show_support_dialog(window); break;
    }
}

static std::string nc_extension() {
    char extension[16] = {0};
    profile_read_string("FILES", "NCFILE", "ppp", extension, sizeof extension, SettingsPath.c_str());
    return extension;
}

static void on_field_button(HWND window, int id) {
    std::string path;
    switch (id) {
    case IDC_INPUT_BUTTON:
        if (choose_open_file(window, path, nc_extension().c_str(), nullptr)) {
            on_fields(window, [&path](DialogFields &f) { return init_dialog_fields(f, path.c_str(), 1); });
        }
        break;
    case IDC_OUTPUT_BUTTON:
        if (choose_open_file(window, path, nc_extension().c_str(), nullptr)) {
            SetDlgItemTextA(window, IDC_OUTPUT_FILE, path.c_str());
        }
        break;
    case IDC_ANGLE_BUTTON:
        on_fields(window, [](DialogFields &f) { return fit_count_to_angle_text(f.angle, f.copy_count); });
        break;
    case IDC_COUNT_BUTTON:
        on_fields(window, [](DialogFields &f) { return fit_angle_to_count_text(f.copy_count, f.angle); });
        break;
    }
}

static void on_field_left(HWND window, int id) {
    int mode = id == IDC_ANGLE ? COMPLETE_ANGLE : COMPLETE_COUNT;
    on_fields(window, [mode](DialogFields &f) { return complete_angle_or_count_text(mode, f.angle, f.copy_count); });
}

static LRESULT on_command(HWND window, int id, int code) {
    // During a job only "終了" is taken: it closes the window, which stops the job.
    if (JobRunning && id != IDM_EXIT) return 0;
    switch (id) {
    case IDC_INPUT_BUTTON:
    case IDC_OUTPUT_BUTTON:
    case IDC_ANGLE_BUTTON:
    case IDC_COUNT_BUTTON:
        if (code == BN_CLICKED) on_field_button(window, id);
        break;
    case IDC_ANGLE:
    case IDC_COUNT:
        if (code == EN_KILLFOCUS) on_field_left(window, id);
        break;
    case IDM_OPEN_FILE:
    case IDM_OPEN_FOLDER:
    case IDM_SAVE_LOG:
    case IDM_EXIT: on_file_menu(window, id); break;
    case IDM_EXECUTE:
    case IDM_PREVIEW:
    case IDM_CLEAR:
    case IDM_LOAD_HISTORY: on_job_command(window, id); break;
    case IDM_SETTINGS: on_settings_command(window); break;
    case IDM_HELP:
    case IDM_VERSION:
    case IDM_SUPPORT: on_help_menu(window, id); break;
    }
    return 0;
}

// ---------------------------------------------------------------------------
// Clock, painting and colours

static LRESULT on_timer(HWND) {
    DateTimeFields now = {};
    read_local_time(now);
    std::string text;
    clock_text(now, text);
    SendMessageA(StatusBar, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(text.c_str()));
    time_message_text(now, text);
    SendMessageA(StatusBar, SB_SETTEXTA, 1, reinterpret_cast<LPARAM>(text.c_str()));
    return 0;
}

static int outer_height(HWND control) {
    RECT outer = {0, 0, 0, 0};
    if (control) GetWindowRect(control, &outer);
    return outer.bottom - outer.top;
}

static LRESULT on_paint(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    SetBkMode(dc, TRANSPARENT);
    HFONT font = create_ui_font("ＭＳ Ｐゴシック", 16);
    HGDIOBJ previous = SelectObject(dc, font);
    RECT area;
    GetClientRect(window, &area);
    area.bottom -= outer_height(LogList) + outer_height(StatusBar) + 12;
    area.right -= 15;
    SetTextColor(dc, static_cast<COLORREF>(color_value(TextColor)));
    DrawTextA(dc, NoticeLine.c_str(), -1, &area, DT_SINGLELINE | DT_RIGHT | DT_BOTTOM | DT_END_ELLIPSIS);
    SelectObject(dc, previous);
    DeleteObject(font);
    EndPaint(window, &paint);
    return 0;
}

static LRESULT on_static_color(HDC dc) {
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, static_cast<COLORREF>(color_value(TextColor)));
    return reinterpret_cast<LRESULT>(window_color_brush());
}

// ---------------------------------------------------------------------------
// Pop-up menu, dropped files, closing

// The pop-up's own "実行" and "初期化" run the menu bar's commands. The menu
// returns the choice rather than posting it, because command 1 would otherwise
// be the dialog's Enter key, which does nothing.
static LRESULT on_right_button(HWND window, LPARAM position) {
    POINT at = {static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
    ClientToScreen(window, &at);
    HMENU menu = LoadMenuA(ProgramInstance, "CMDPOPUPMENU");
    if (!menu) return 0;
    EnableMenuItem(menu, IDM_PREVIEW, preview_menu_state());
    int chosen = TrackPopupMenu(GetSubMenu(menu, 0), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD, at.x, at.y, 0,
                                window, nullptr);
    DestroyMenu(menu);
    if (chosen == IDM_POPUP_EXECUTE) chosen = IDM_EXECUTE;
    if (chosen == IDM_POPUP_CLEAR) chosen = IDM_CLEAR;
    if (chosen) SendMessageA(window, WM_COMMAND, MAKEWPARAM(chosen, 0), 0);
    return 0;
}

static LRESULT on_drop(HWND window, HDROP drop) {
    UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    std::string path;
    if (count > 0) {
        UINT length = DragQueryFileA(drop, 0, nullptr, 0);
        std::vector<char> name(length + 1, '\0');
        DragQueryFileA(drop, 0, name.data(), length + 1);
        path = name.data();
    }
    DragFinish(drop);
    if (!path.empty()) {
        on_fields(window, [window, &path](DialogFields &f) { return drop_input_file(window, f, path.c_str()); });
    }
    return 0;
}

static LRESULT on_close(HWND window) {
    if (JobRunning) {
        CancelRequested = 1;
        CloseAfterJob = 1;
        return 0;
    }
    on_fields(window, [](DialogFields &f) { return init_dialog_fields(f, nullptr, -1); });
    detach_log_listbox();
    DestroyWindow(LogList);
    DestroyWindow(StatusBar);
    LogList = nullptr;
    StatusBar = nullptr;
    DestroyWindow(window);
    return 0;
}

static LRESULT on_destroy() {
    if (LogFont) DeleteObject(LogFont);
    LogFont = nullptr;
    release_window_color_brush();
    PostQuitMessage(0);
    return 0;
}

LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG: return on_init(window);
    case WM_COMMAND: return on_command(window, LOWORD(wparam), HIWORD(wparam));
    case WM_TIMER: return on_timer(window);
    case WM_PAINT: return on_paint(window);
    case WM_CTLCOLORDLG: return reinterpret_cast<LRESULT>(window_color_brush());
    case WM_CTLCOLORSTATIC: return on_static_color(reinterpret_cast<HDC>(wparam));
    case WM_RBUTTONDOWN: return JobRunning ? 0 : on_right_button(window, lparam);
    case WM_DROPFILES:
        if (JobRunning) {
            DragFinish(reinterpret_cast<HDROP>(wparam));
            return 0;
        }
        return on_drop(window, reinterpret_cast<HDROP>(wparam));
    case WM_CLOSE: return on_close(window);
    case WM_DESTROY: return on_destroy();
    case WM_SIZE: return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}
