// The entry point of Pivora.exe: start-up, the help forms of the command line,
// one running instance, the main window and its message loop.
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>

#include "job/conversion_job.h"
#include "settings/program_values.h"
#include "settings/settings_file.h"
#include "shell/resource.h"
#include "shell/startup.h"
#include "shell/windows_ui.h"

HINSTANCE ProgramInstance = nullptr;

static const char MainClass[] = "Pivora";

// A running window of the class takes the second start: restored and brought forward.
static int hand_over_to_running_instance() {
    HWND running = FindWindowA(MainClass, nullptr);
    if (!running) return 0;
    ShowWindow(running, SW_RESTORE);
    SetForegroundWindow(running);
    return 1;
}

static int register_main_class(HINSTANCE instance) {
    WNDCLASSEXA main_class;
    ZeroMemory(&main_class, sizeof main_class);
    main_class.cbSize = sizeof main_class;
    main_class.style = CS_HREDRAW | CS_VREDRAW;
    main_class.lpfnWndProc = main_window_proc;
    main_class.cbClsExtra = 0;
    main_class.cbWndExtra = DLGWINDOWEXTRA;
    main_class.hInstance = instance;
    main_class.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_PIVORA));
    main_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    // Made once: the window's own background keeps the start-up colour.
    main_class.hbrBackground = CreateSolidBrush(static_cast<COLORREF>(color_value(WindowColor)));
    main_class.lpszMenuName = nullptr;
    main_class.lpszClassName = MainClass;
    return RegisterClassExA(&main_class) != 0;
}

// The dialog manager sends the initialise-dialog message only to a dialog that
// has a procedure; the class procedure receives it and everything else, so this
// one handles nothing.
static INT_PTR CALLBACK main_dialog_proc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

static int run_message_loop(HWND window) {
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (IsDialogMessageA(window, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show_command) {
    ProgramInstance = instance;
    install_log_port();
    prepare_startup();
    switch (help_form(__argc, __argv)) {
    case HELP_USAGE: show_usage("ＮＣデータを回転移動する", "PIVORA　コントロールファイル"); return 0;
    case HELP_FILE: open_help_file(); return 0;
    }
    read_command_flags(ActiveCommandFlags);
    if (hand_over_to_running_instance()) return 0;
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    if (!register_main_class(instance)) return 0;
    HWND window = CreateDialogParamA(instance, "PIVORADIALOG", nullptr, main_dialog_proc, 0);
    if (!window) return 0;
    ShowWindow(window, show_command);
    UpdateWindow(window);
    return run_message_loop(window);
}
