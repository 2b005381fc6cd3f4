// Works Pivora.exe through window messages as a user would, from outside its
// process: starts it beside its settings file, picks and drops input files,
// fills the job fields, runs each composition, answers the overwrite question,
// works the settings and support dialogs, saves the log, and checks the files
// the program leaves behind. Prints one line per check and ends with
// "N passed, N failed"; the exit code is 0 only when nothing failed.
//
// Layout of the working folder (the folder of this program, made by the
// calling script): Pivora.exe, nc\part.nc (input), expected\*.nc (the NC files
// each composition must write), shots\ (screenshots as BMP files).
#include <windows.h>
#include <shlobj.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

// Control identifiers of the main window, its menus and the dialogs.
const int IdInputButton = 1010;   // "入力ＮＣファイル": file-open dialog for the input
const int IdInput = 1011;         // input NC path
const int IdOutput = 1013;        // output NC path
const int IdCountFromAngle = 1014;  // "回転角度[0～360]": copy count from the angle
const int IdAngle = 1015;         // rotation angle
const int IdCentreX = 1016;       // rotation centre X
const int IdCentreY = 1017;       // rotation centre Y
const int IdCount = 1018;         // rotation copy count
const int IdAngleFromCount = 1019;  // "回転コピー回数": angle from the copy count
const int IdKeepSource = 1020;    // keep the unrotated program
const int IdWhole = 1021;         // composition over the whole program
const int IdPerMachining = 1022;  // composition per machining
const int IdLog = 1000;           // message log list box
const int CmdSaveLog = 40003;     // "ログ保存"
const int CmdQuit = 40004;        // "終了"
const int CmdExecute = 40005;     // "変換実行"
const int CmdClearFields = 40006; // "初期化"
const int CmdLoadHistory = 40007; // "前回の情報読込"
const int CmdSettings = 40008;    // "編集初期設定"
const int CmdPreview = 40009;     // "プレビュー"
const int CmdHelp = 40010;        // "ヘルプ"
const int CmdVersion = 40011;     // "バージョン"
const int CmdSupport = 40012;     // "サポート情報"
const int CmdSettingsSave = 40020;  // settings dialog "【 保　存 】"
const int IdDecimalCombo = 1030;  // settings dialog: decimal-point mode
const int IdCommentCombo = 1031;  // settings dialog: comment mode
const int IdNcExtension = 1035;   // settings dialog: NC file extension
const int IdOutputSuffix = 1036;  // settings dialog: output name suffix
const int IdInitAngle = 1037;     // settings dialog: initial angle
const int IdInitX = 1038;         // settings dialog: initial centre X
const int IdInitY = 1039;         // settings dialog: initial centre Y
const int IdWindowColor = 1052;   // settings dialog: window colour
const int IdTextColor = 1053;     // settings dialog: text colour

const DWORD ReplyWait = 5000;     // longest wait for a window to answer one message
const DWORD BoxWait = 20000;      // longest wait for a box or dialog to appear
const DWORD JobWait = 90000;      // longest wait for a conversion to finish

const char PreviewClass[] = "PivoraPreview";  // the preview window's class

const char MainTitle[] = "TSYQUILLO Pivora　2019R0.30　ＮＣデータ回転移動 / Tessaly";

int Passed = 0;
int Failed = 0;

struct Folders {
    std::string work;      // the program's folder, with a trailing backslash
    std::string exe;       // Pivora.exe
    std::string ini;       // Pivora.ini beside it
    std::string nc;        // folder of the plain input
    std::string kana;      // a folder whose name holds a 0x5C trail byte
    std::string expected;  // expected NC output
    std::string shots;     // screenshots
};

// One running Pivora.exe.
struct Program {
    PROCESS_INFORMATION process;
    HWND main;
};

std::string format(const char *fmt, ...)
{
    char buf[2048];
    va_list args;
    va_start(args, fmt);
    vsnprintf(buf, sizeof buf, fmt, args);
    va_end(args);
    return buf;
}

void check(bool ok, const char *name, const std::string &detail = std::string())
{
    if (ok) {
        ++Passed;
        printf("PASS %s\n", name);
    } else {
        ++Failed;
        printf("FAIL %s%s%s\n", name, detail.empty() ? "" : ": ", detail.c_str());
    }
    fflush(stdout);
}

void note(const std::string &text)
{
    printf("     %s\n", text.c_str());
    fflush(stdout);
}

// Polls cond every 100 ms until it holds or ms have passed.
bool wait_until(const std::function<bool()> &cond, DWORD ms)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (cond())
            return true;
        if (GetTickCount() - start > ms)
            return false;
        Sleep(100);
    }
}

// ---------------------------------------------------------------------------
// Files

bool file_exists(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool read_bytes(const std::string &path, std::string *bytes)
{
    FILE *f = fopen(path.c_str(), "rb");
    if (!f)
        return false;
    bytes->clear();
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0)
        bytes->append(buf, n);
    fclose(f);
    return true;
}

// Where two byte strings part, as a line number and the two lines there.
std::string first_difference(const std::string &got, const std::string &want)
{
    size_t i = 0;
    while (i < got.size() && i < want.size() && got[i] == want[i])
        ++i;
    size_t line_start = got.rfind('\n', i == 0 ? 0 : i - 1);
    line_start = (line_start == std::string::npos || i == 0) ? 0 : line_start + 1;
    int line = 1;
    for (size_t k = 0; k < line_start; ++k)
        line += got[k] == '\n';
    auto line_at = [line_start](const std::string &s) {
        if (line_start >= s.size())
            return std::string("<end of file>");
        size_t end = s.find('\n', line_start);
        return s.substr(line_start, end == std::string::npos ? std::string::npos : end - line_start);
    };
    return format("%zu bytes written, %zu expected; line %d differs: got [%s] want [%s]", got.size(),
                  want.size(), line, line_at(got).c_str(), line_at(want).c_str());
}

void check_same_file(const char *name, const std::string &got_path, const std::string &want_path)
{
    std::string got, want;
    if (!read_bytes(want_path, &want)) {
        check(false, name, "expected file missing: " + want_path);
        return;
    }
    if (!read_bytes(got_path, &got)) {
        check(false, name, "output file missing: " + got_path);
        return;
    }
    check(got == want, name, got == want ? "" : first_difference(got, want));
}

std::string profile_text(const std::string &ini, const char *section, const char *key)
{
    char buf[1024] = "";
    GetPrivateProfileStringA(section, key, "<absent>", buf, sizeof buf, ini.c_str());
    return buf;
}

// ---------------------------------------------------------------------------
// Windows of other processes

struct WindowSearch {
    DWORD pid;         // 0 for any process
    const char *cls;   // window class
    std::vector<HWND> found;
};

BOOL CALLBACK collect_window(HWND w, LPARAM data)
{
    WindowSearch *search = reinterpret_cast<WindowSearch *>(data);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    char cls[64] = "";
    GetClassNameA(w, cls, sizeof cls);
    if ((search->pid == 0 || pid == search->pid) && strcmp(cls, search->cls) == 0 && IsWindowVisible(w))
        search->found.push_back(w);
    return TRUE;
}

// Visible top-level windows of a class, of one process or of any.
std::vector<HWND> top_windows(DWORD pid, const char *cls)
{
    WindowSearch search = {pid, cls, {}};
    EnumWindows(collect_window, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string window_text(HWND w)
{
    DWORD_PTR length = 0;
    if (!w || !SendMessageTimeoutA(w, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, ReplyWait, &length))
        return "<no answer>";
    std::vector<char> buf(length * 2 + 16, 0);
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(w, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()),
                             SMTO_ABORTIFHUNG, ReplyWait, &copied))
        return "<no answer>";
    return buf.data();
}

LRESULT send(HWND w, UINT msg, WPARAM wp, LPARAM lp)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(w, msg, wp, lp, SMTO_ABORTIFHUNG, ReplyWait, &result))
        return -1;
    return static_cast<LRESULT>(result);
}

std::string field(HWND dlg, int id)
{
    return window_text(GetDlgItem(dlg, id));
}

bool set_field(HWND dlg, int id, const std::string &text)
{
    HWND w = GetDlgItem(dlg, id);
    return w && send(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())) == TRUE;
}

bool is_checked(HWND dlg, int id)
{
    return send(GetDlgItem(dlg, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// A press of a control as the user's click makes it: the dialog receives the
// command without the caller waiting for what the command opens.
void press(HWND dlg, int id)
{
    PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dlg, id)));
}

// A menu command, posted so that a modal box it opens does not block us.
void menu_command(HWND w, int id)
{
    PostMessageA(w, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

// The lines of the message log. The wide form of LB_GETTEXT is used because
// Wine hands the narrow form across processes unconverted; the lines are turned
// back into code page 932 here.
std::vector<std::string> log_lines(HWND main)
{
    std::vector<std::string> lines;
    HWND list = GetDlgItem(main, IdLog);
    DWORD_PTR count = 0;
    if (!list || !SendMessageTimeoutW(list, LB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, ReplyWait, &count))
        return lines;
    for (DWORD_PTR i = 0; i < count && i < 100000; ++i) {
        DWORD_PTR length = 0;
        SendMessageTimeoutW(list, LB_GETTEXTLEN, i, 0, SMTO_ABORTIFHUNG, ReplyWait, &length);
        std::vector<wchar_t> wide(length + 16, 0);
        SendMessageTimeoutW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(wide.data()), SMTO_ABORTIFHUNG, ReplyWait,
                            &length);
        int bytes = WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, nullptr, 0, nullptr, nullptr);
        std::vector<char> narrow(bytes > 0 ? bytes : 1, 0);
        WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, narrow.data(), static_cast<int>(narrow.size()), nullptr,
                            nullptr);
        lines.push_back(narrow.data());
    }
    return lines;
}

// Lines posted since the log held `from` lines.
std::vector<std::string> log_since(HWND main, size_t from)
{
    std::vector<std::string> all = log_lines(main);
    return std::vector<std::string>(all.begin() + (from < all.size() ? from : all.size()), all.end());
}

bool contains(const std::vector<std::string> &lines, const std::string &line)
{
    for (const std::string &l : lines)
        if (l == line)
            return true;
    return false;
}

// Whether want appears in lines in its order (other lines may lie between);
// names the first line not found.
bool in_order(const std::vector<std::string> &lines, const std::vector<std::string> &want, std::string *missing)
{
    size_t at = 0;
    for (const std::string &w : want) {
        while (at < lines.size() && lines[at] != w)
            ++at;
        if (at == lines.size()) {
            *missing = "line [" + w + "] not found in its place";
            return false;
        }
        ++at;
    }
    return true;
}

std::string joined(const std::vector<std::string> &lines)
{
    std::string all;
    for (const std::string &l : lines)
        all += "[" + l + "] ";
    return all;
}

// The text of a message box: the longest text of its static controls.
BOOL CALLBACK collect_static(HWND w, LPARAM data)
{
    std::string *best = reinterpret_cast<std::string *>(data);
    char cls[32] = "";
    GetClassNameA(w, cls, sizeof cls);
    if (_stricmp(cls, "Static") == 0) {
        std::string text = window_text(w);
        if (text.size() > best->size())
            *best = text;
    }
    return TRUE;
}

std::string box_text(HWND box)
{
    std::string text;
    EnumChildWindows(box, collect_static, reinterpret_cast<LPARAM>(&text));
    return text;
}

// What the process shows: every visible dialog-class window with caption and text.
std::string describe_boxes(DWORD pid)
{
    std::string all;
    for (HWND w : top_windows(pid, "#32770"))
        all += "{" + window_text(w) + ": " + box_text(w) + "} ";
    return all.empty() ? "no box or dialog open" : "open: " + all;
}

// A dialog-class window of the process with this caption whose text holds needle.
HWND find_box(DWORD pid, const char *caption, const std::string &needle)
{
    for (HWND w : top_windows(pid, "#32770"))
        if (window_text(w) == caption && box_text(w).find(needle) != std::string::npos)
            return w;
    return nullptr;
}

HWND wait_box(DWORD pid, const std::string &needle, DWORD ms = BoxWait)
{
    HWND box = nullptr;
    wait_until([&] { return (box = find_box(pid, "Pivora", needle)) != nullptr; }, ms);
    return box;
}

HWND wait_dialog(DWORD pid, const char *caption, DWORD ms = BoxWait)
{
    HWND dlg = nullptr;
    wait_until([&] { return (dlg = find_box(pid, caption, "")) != nullptr; }, ms);
    return dlg;
}

bool wait_gone(HWND w, DWORD ms = BoxWait)
{
    return wait_until([&] { return !IsWindow(w) || !IsWindowVisible(w); }, ms);
}

// Answers a box with one of its buttons and waits until it has gone.
bool answer_box(HWND box, int button)
{
    press(box, button);
    return wait_gone(box);
}

// Closes whatever boxes the process still shows, answering No where asked.
void dismiss_boxes(DWORD pid)
{
    for (int round = 0; round < 10; ++round) {
        std::vector<HWND> boxes = top_windows(pid, "#32770");
        if (boxes.empty())
            return;
        for (HWND box : boxes) {
            if (GetDlgItem(box, IDNO))
                press(box, IDNO);
            else if (GetDlgItem(box, IDOK))
                press(box, IDOK);
            else
                PostMessageA(box, WM_CLOSE, 0, 0);
        }
        Sleep(500);
    }
}

// ---------------------------------------------------------------------------
// Screenshots: the screen under a window, as a 24-bit BMP file.

bool save_screenshot(HWND w, const std::string &path)
{
    RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
    Sleep(800);
    RECT r;
    if (!GetWindowRect(w, &r))
        return false;
    int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0)
        return false;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    void *bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = bitmap != nullptr;
    if (ok) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        ok = BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY) != 0;
        GdiFlush();
        SelectObject(memory, old);
    }
    DWORD stride = (width * 3 + 3) & ~3u;
    DWORD image_size = stride * height;
    if (ok) {
        BITMAPFILEHEADER head = {};
        head.bfType = 0x4D42;
        head.bfOffBits = sizeof head + sizeof info.bmiHeader;
        head.bfSize = head.bfOffBits + image_size;
        info.bmiHeader.biSizeImage = image_size;
        FILE *f = fopen(path.c_str(), "wb");
        ok = f && fwrite(&head, sizeof head, 1, f) == 1 && fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, f) == 1 &&
             fwrite(bits, 1, image_size, f) == image_size;
        if (f)
            ok = fclose(f) == 0 && ok;
    }
    if (bitmap)
        DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

void screenshot(const Folders &dirs, HWND w, const char *name)
{
    std::string path = dirs.shots + name + ".bmp";
    check(save_screenshot(w, path), format("screenshot %s", name).c_str(), "could not capture the screen");
}

// Pixels of the window's client area on the screen that have the colour, within
// a small tolerance per channel (-1 when the screen cannot be read).
long count_colour(HWND w, COLORREF colour)
{
    RECT client;
    if (!GetClientRect(w, &client))
        return -1;
    POINT origin = {0, 0};
    ClientToScreen(w, &origin);
    int width = client.right, height = client.bottom;
    if (width <= 0 || height <= 0)
        return -1;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    void *bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    long count = -1;
    if (bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        if (BitBlt(memory, 0, 0, width, height, screen, origin.x, origin.y, SRCCOPY)) {
            GdiFlush();
            count = 0;
            const unsigned char *pixel = static_cast<const unsigned char *>(bits);
            for (long i = 0; i < static_cast<long>(width) * height; ++i, pixel += 4) {
                if (abs(pixel[2] - GetRValue(colour)) <= 8 && abs(pixel[1] - GetGValue(colour)) <= 8 &&
                    abs(pixel[0] - GetBValue(colour)) <= 8)
                    ++count;
            }
        }
        SelectObject(memory, old);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return count;
}

// ---------------------------------------------------------------------------
// Processes

bool start_program(const Folders &dirs, const char *args, PROCESS_INFORMATION *pi)
{
    std::string command = "\"" + dirs.exe + "\"";
    if (args)
        command += std::string(" ") + args;
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    // Started from the input folder, so that anything the program puts beside
    // its working directory instead of beside itself shows up as a fault.
    return CreateProcessA(dirs.exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, dirs.nc.c_str(), &si,
                          pi) != 0;
}

// Waits for the process to end; a process still running after ms is ended.
bool wait_exit(PROCESS_INFORMATION *pi, DWORD ms, DWORD *code)
{
    bool ended = WaitForSingleObject(pi->hProcess, ms) == WAIT_OBJECT_0;
    if (!ended) {
        dismiss_boxes(pi->dwProcessId);
        ended = WaitForSingleObject(pi->hProcess, 3000) == WAIT_OBJECT_0;
    }
    if (!ended) {
        TerminateProcess(pi->hProcess, 99);
        WaitForSingleObject(pi->hProcess, 5000);
    }
    GetExitCodeProcess(pi->hProcess, code);
    CloseHandle(pi->hThread);
    CloseHandle(pi->hProcess);
    pi->hThread = pi->hProcess = nullptr;
    return ended;
}

HWND find_main(DWORD pid)
{
    std::vector<HWND> mains = top_windows(pid, "Pivora");
    return mains.empty() ? nullptr : mains[0];
}

// ---------------------------------------------------------------------------
// Command line: the usage box and the help form

void check_usage_box(const Folders &dirs)
{
    PROCESS_INFORMATION pi;
    if (!start_program(dirs, "/?", &pi)) {
        check(false, "usage: start with /?", "CreateProcess failed");
        return;
    }
    HWND box = wait_box(pi.dwProcessId, "[ 使用方法 ]", 30000);
    check(box != nullptr, "usage: /? shows the usage box", describe_boxes(pi.dwProcessId));
    if (box) {
        std::string text = box_text(box);
        bool ok = text.find("ＮＣデータを回転移動する") == 0 && text.find("PIVORA　コントロールファイル") != std::string::npos &&
                  text.find("Pivora　Version 0.30") != std::string::npos &&
                  text.find("Build date　2019/11/23") != std::string::npos;
        check(ok, "usage: box text names the tool, the argument, version and build date", text);
        check(top_windows(pi.dwProcessId, "Pivora").empty(), "usage: no main window while the usage box shows");
        check(GetWindow(box, GW_OWNER) == nullptr, "usage: box has no owner");
        answer_box(box, IDOK);
    }
    DWORD code = 1;
    bool ended = wait_exit(&pi, 10000, &code);
    check(ended && code == 0, "usage: process exits with 0 after the box", format("ended %d code %lu", ended, code));
}

void check_help_form(const Folders &dirs, const char *arg)
{
    PROCESS_INFORMATION pi;
    if (!start_program(dirs, arg, &pi)) {
        check(false, "help: start", "CreateProcess failed");
        return;
    }
    HWND box = wait_box(pi.dwProcessId, "ヘルプファイルが見つかりません", 30000);
    check(box != nullptr, format("help: \"%s\" without a help file shows the error box", arg).c_str(),
          describe_boxes(pi.dwProcessId));
    if (box) {
        check(top_windows(pi.dwProcessId, "Pivora").empty(), "help: no main window while the box shows");
        answer_box(box, IDOK);
    }
    DWORD code = 1;
    bool ended = wait_exit(&pi, 10000, &code);
    check(ended && code == 0, format("help: \"%s\" exits with 0", arg).c_str(), format("ended %d code %lu", ended, code));
}

// ---------------------------------------------------------------------------
// Start-up and the single instance

// Section headers of the created settings file, in the order written.
const char *const SettingsSections[] = {"[FILES]", "[DIALOG]", "[FORMAT]", "[COMMAND]", "[COLOR]",
                                        "[QUILLO]", "[Pivora]", "[HISTORY]", "[MESSAGE]"};

void check_settings_created(const Folders &dirs)
{
    std::string bytes;
    if (!read_bytes(dirs.ini, &bytes)) {
        check(false, "start-up: Pivora.ini created beside the program", dirs.ini);
        return;
    }
    check(true, "start-up: Pivora.ini created beside the program");
    size_t at = 0;
    std::string missing;
    for (const char *section : SettingsSections) {
        size_t found = bytes.find(section, at);
        if (found == std::string::npos) {
            missing += std::string(section) + " ";
            continue;
        }
        at = found;
    }
    check(missing.empty(), "start-up: Pivora.ini holds every section in order", "missing or out of order: " + missing);
    bool ok = profile_text(dirs.ini, "FILES", "OUTPUTFILE") == "_rot" &&
              profile_text(dirs.ini, "COMMAND", "HISTORY") == "1" &&
              profile_text(dirs.ini, "Pivora", "ANGLE") == "90" &&
              profile_text(dirs.ini, "MESSAGE", "TIME120") == "ランチタイム♪";
    check(ok, "start-up: Pivora.ini holds the default values");
    check(!file_exists(dirs.nc + "Pivora.ini"), "start-up: nothing written into the working directory");
}

bool start_main_window(const Folders &dirs, Program *prog)
{
    if (!start_program(dirs, nullptr, &prog->process)) {
        check(false, "start-up: start Pivora.exe", "CreateProcess failed");
        return false;
    }
    DWORD pid = prog->process.dwProcessId;
    prog->main = nullptr;
    wait_until([&] { return (prog->main = find_main(pid)) != nullptr; }, 60000);
    check(prog->main != nullptr, "start-up: main window of class Pivora appears", describe_boxes(pid));
    if (!prog->main)
        return false;
    std::string title = window_text(prog->main);
    check(title == MainTitle, "start-up: window title", title);
    // The banner is posted during initialisation; give the list a moment to fill.
    std::vector<std::string> lines;
    wait_until([&] { return (lines = log_lines(prog->main)).size() >= 9; }, 5000);
    bool banner = lines.size() >= 9 && lines[0].find("ＮＣデータ編集アプリケーション") == 0 &&
                  lines[0].find("Windows 7/10") == 50 && lines[1].find("Version 2019R0.30") == 50 &&
                  lines[3] == std::string(69, '-') && lines[4].find("只今日時：") == 0 &&
                  lines[5].find("ホスト名：") == 0 && lines[8] == std::string(69, '-');
    check(banner, "start-up: banner lines in the log", joined(lines));
    check(field(prog->main, IdInput).empty() && !is_checked(prog->main, IdWhole) &&
              !is_checked(prog->main, IdPerMachining),
          "start-up: fields empty and no composition chosen");
    return true;
}

BOOL CALLBACK count_class(HWND w, LPARAM data)
{
    char cls[64] = "";
    GetClassNameA(w, cls, sizeof cls);
    if (strcmp(cls, "Pivora") == 0)
        ++*reinterpret_cast<int *>(data);
    return TRUE;
}

void check_second_start(const Folders &dirs, const Program &prog)
{
    ShowWindow(prog.main, SW_MINIMIZE);
    wait_until([&] { return IsIconic(prog.main) != 0; }, 5000);
    bool minimised = IsIconic(prog.main) != 0;
    PROCESS_INFORMATION pi;
    if (!start_program(dirs, nullptr, &pi)) {
        check(false, "second start: start Pivora.exe", "CreateProcess failed");
        return;
    }
    DWORD code = 1;
    bool ended = wait_exit(&pi, 30000, &code);
    check(ended && code == 0, "second start: exits with 0", format("ended %d code %lu", ended, code));
    int windows = 0;
    EnumWindows(count_class, reinterpret_cast<LPARAM>(&windows));
    check(windows == 1, "second start: still one window of class Pivora", format("%d windows", windows));
    if (minimised) {
        bool restored = wait_until([&] { return !IsIconic(prog.main); }, 5000);
        check(restored, "second start: the first window is restored");
    } else {
        note("the main window could not be minimised here; restore not checked");
        ShowWindow(prog.main, SW_RESTORE);
    }
}

// ---------------------------------------------------------------------------
// Choosing the input file

// The file name field of the file-open dialog: the combo box cmb13 of the
// explorer-style dialog (its text is the text of the edit box inside), or the
// edit box edt1 of the older style.
HWND file_name_field(HWND dlg)
{
    HWND combo = GetDlgItem(dlg, 0x47c);
    return combo ? combo : GetDlgItem(dlg, 0x480);
}

bool pick_input_with_dialog(const Program &prog, const std::string &path)
{
    DWORD pid = prog.process.dwProcessId;
    press(prog.main, IdInputButton);
    HWND dlg = wait_dialog(pid, "ppp ファイルを開く");
    check(dlg != nullptr, "pick: button 1010 opens \"ppp ファイルを開く\"", describe_boxes(pid));
    if (!dlg)
        return false;
    check(GetWindow(dlg, GW_OWNER) == prog.main, "pick: the file dialog is owned by the main window");
    HWND edit = file_name_field(dlg);
    bool typed = edit && send(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str())) == TRUE;
    press(dlg, IDOK);
    bool closed = wait_gone(dlg, 10000);
    bool filled = wait_until([&] { return field(prog.main, IdInput) == path; }, 5000);
    check(typed && closed && filled, "pick: the chosen file becomes the input",
          format("typed %d closed %d; field [%s]", typed, closed, field(prog.main, IdInput).c_str()));
    if (!closed)
        dismiss_boxes(pid);
    return filled;
}

// Drops files on the main window as the shell does: a DROPFILES block in the
// receiving process's memory, handed over with WM_DROPFILES.
bool drop_files(const Program &prog, const std::vector<std::string> &paths)
{
    std::string block(sizeof(DROPFILES), '\0');
    DROPFILES head = {};
    head.pFiles = sizeof(DROPFILES);
    head.pt.x = 20;
    head.pt.y = 20;
    head.fNC = FALSE;
    head.fWide = FALSE;
    memcpy(&block[0], &head, sizeof head);
    for (const std::string &p : paths)
        block += p + '\0';
    block += '\0';
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, prog.process.dwProcessId);
    if (!process)
        return false;
    void *remote = VirtualAllocEx(process, nullptr, block.size(), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    SIZE_T written = 0;
    bool ok = remote && WriteProcessMemory(process, remote, block.data(), block.size(), &written) &&
              written == block.size();
    CloseHandle(process);
    return ok && PostMessageA(prog.main, WM_DROPFILES, reinterpret_cast<WPARAM>(remote), 0);
}

// ---------------------------------------------------------------------------
// Conversions

struct JobCase {
    const char *name;
    std::string input;
    std::string output;
    const char *angle, *centre_x, *centre_y, *count;
    bool keep;                // check box 1020
    int composition;          // 0 "全体", 1 "加工毎"
    const char *angle_shown;  // the angle as the summary shows it
    const char *x_shown, *y_shown;
    const char *final_angle;  // the angle of the completion lines
    std::string expected;     // expected output file
};

void fill_job(const Program &prog, const JobCase &job, bool set_input)
{
    if (set_input)
        set_field(prog.main, IdInput, job.input);
    set_field(prog.main, IdOutput, job.output);
    set_field(prog.main, IdAngle, job.angle);
    set_field(prog.main, IdCentreX, job.centre_x);
    set_field(prog.main, IdCentreY, job.centre_y);
    set_field(prog.main, IdCount, job.count);
    send(GetDlgItem(prog.main, IdKeepSource), BM_SETCHECK, job.keep ? BST_CHECKED : BST_UNCHECKED, 0);
    int radio = job.composition == 0 ? IdWhole : IdPerMachining;
    send(GetDlgItem(prog.main, radio), BM_CLICK, 0, 0);
    bool radios = is_checked(prog.main, radio) && !is_checked(prog.main, radio == IdWhole ? IdPerMachining : IdWhole);
    check(radios, format("%s: a click on %d checks it and clears its partner", job.name, radio).c_str());
    check(field(prog.main, IdAngle) == job.angle && field(prog.main, IdCount) == job.count,
          format("%s: fields hold the typed values", job.name).c_str());
}

std::string control_file_of(const std::string &input)
{
    size_t dot = input.rfind('.');
    size_t slash = input.rfind('\\');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return input + ".ini";
    return input.substr(0, dot) + ".ini";
}

// The control file while the job runs (read when the overwrite question shows).
void check_control_file(const JobCase &job)
{
    std::string path = control_file_of(job.input);
    std::string keep = (job.keep || atoi(job.count) < 2) ? "1" : "0";
    bool ok = profile_text(path, "Pivora", "NCFILE1") == job.input &&
              profile_text(path, "Pivora", "NCFILE2") == job.output &&
              profile_text(path, "Pivora", "ROTANGLE") == job.angle &&
              profile_text(path, "Pivora", "ROTXCOORD") == job.centre_x &&
              profile_text(path, "Pivora", "ROTYCOORD") == job.centre_y &&
              profile_text(path, "Pivora", "ROTCOUNT") == job.count &&
              profile_text(path, "Pivora", "NCDATAKEEP") == keep &&
              profile_text(path, "Pivora", "ROTTYPE") == (job.composition == 0 ? "0" : "1");
    check(ok, format("%s: control file beside the input holds the fields", job.name).c_str(),
          format("%s: NCFILE1=%s NCFILE2=%s ROTANGLE=%s NCDATAKEEP=%s ROTTYPE=%s", path.c_str(),
                 profile_text(path, "Pivora", "NCFILE1").c_str(), profile_text(path, "Pivora", "NCFILE2").c_str(),
                 profile_text(path, "Pivora", "ROTANGLE").c_str(), profile_text(path, "Pivora", "NCDATAKEEP").c_str(),
                 profile_text(path, "Pivora", "ROTTYPE").c_str()));
}

void check_history(const Folders &dirs, const JobCase &job)
{
    std::string keep = (job.keep || atoi(job.count) < 2) ? "1" : "0";
    bool ok = profile_text(dirs.ini, "HISTORY", "INPUTFILE") == job.input &&
              profile_text(dirs.ini, "HISTORY", "OUTPUTFILE") == job.output &&
              profile_text(dirs.ini, "HISTORY", "ROTANGLE") == job.angle &&
              profile_text(dirs.ini, "HISTORY", "ROTXCOORD") == job.centre_x &&
              profile_text(dirs.ini, "HISTORY", "ROTYCOORD") == job.centre_y &&
              profile_text(dirs.ini, "HISTORY", "ROTCOUNT") == job.count &&
              profile_text(dirs.ini, "HISTORY", "NCDATAKEEP") == keep &&
              profile_text(dirs.ini, "HISTORY", "ROTTYPE") == (job.composition == 0 ? "0" : "1");
    check(ok, format("%s: section HISTORY records the job", job.name).c_str(),
          format("INPUTFILE=%s ROTANGLE=%s NCDATAKEEP=%s ROTTYPE=%s",
                 profile_text(dirs.ini, "HISTORY", "INPUTFILE").c_str(),
                 profile_text(dirs.ini, "HISTORY", "ROTANGLE").c_str(),
                 profile_text(dirs.ini, "HISTORY", "NCDATAKEEP").c_str(),
                 profile_text(dirs.ini, "HISTORY", "ROTTYPE").c_str()));
}

std::vector<std::string> summary_lines(const JobCase &job)
{
    return {format("%20s : %s", "変換ＮＣファイル名", job.input.c_str()),
            format("%20s : %s", "出力ＮＣファイル名", job.output.c_str()),
            format("%20s : %s", "ＸＹ座標回転角度", job.angle_shown),
            format("%20s : %s", "回転中心Ｘ座標", job.x_shown),
            format("%20s : %s", "回転中心Ｙ座標", job.y_shown),
            format("%20s : %d", "回転コピー回数", atoi(job.count)),
            format("%20s : %s", "元ＮＣデータ", (job.keep || atoi(job.count) < 2) ? "残す" : "削除"),
            "",
            "【 完 了 】",
            format("ＮＣファイル %s を", job.input.c_str()),
            format("ＮＣファイル %s に", job.output.c_str()),
            format("%s°回転移動しました", job.final_angle)};
}

// Waits for the completion box of a running job, checks it and closes it, then
// checks what the job left: output, log, control file, history, cleared fields.
void finish_job(const Folders &dirs, const Program &prog, const JobCase &job, size_t log_from)
{
    DWORD pid = prog.process.dwProcessId;
    HWND done = wait_box(pid, "【 完 了 】", JobWait);
    check(done != nullptr, format("%s: completion box", job.name).c_str(), describe_boxes(pid));
    if (!done) {
        dismiss_boxes(pid);
        return;
    }
    std::string want = format("【 完 了 】\n\nＮＣファイル %s を\n\nＮＣファイル %s に\n\n%s°回転移動しました\n\n処理時間は ",
                              job.input.c_str(), job.output.c_str(), job.final_angle);
    std::string text = box_text(done);
    check(text.find(want) == 0 && GetWindow(done, GW_OWNER) == prog.main,
          format("%s: completion box text, owned by the main window", job.name).c_str(), text);
    answer_box(done, IDOK);
    bool cleared = wait_until([&] { return field(prog.main, IdInput).empty(); }, 10000);
    check(cleared && field(prog.main, IdOutput).empty() && field(prog.main, IdAngle).empty() &&
              field(prog.main, IdCount).empty(),
          format("%s: fields cleared after the job", job.name).c_str());
    check(is_checked(prog.main, IdKeepSource) == job.keep &&
              is_checked(prog.main, job.composition == 0 ? IdWhole : IdPerMachining),
          format("%s: check box and composition keep their state", job.name).c_str());
    check_same_file(format("%s: output NC file byte for byte", job.name).c_str(), job.output, job.expected);

    std::vector<std::string> lines = log_since(prog.main, log_from);
    std::string missing;
    check(in_order(lines, summary_lines(job), &missing), format("%s: summary and completion lines in the log", job.name).c_str(),
          missing + " in " + joined(lines));
    bool timed = false;
    for (const std::string &l : lines) {
        unsigned s = 0, ms = 0;
        char tail[64] = "";
        if (sscanf(l.c_str(), "処理時間は %u.%u %63s", &s, &ms, tail) == 3 && strcmp(tail, "秒です") == 0)
            timed = true;
    }
    check(timed, format("%s: processing time line", job.name).c_str(), joined(lines));
    check(!file_exists(control_file_of(job.input)), format("%s: control file removed after the job", job.name).c_str());
    check_history(dirs, job);
}

// Executes a job whose output does not exist yet.
void run_job_case(const Folders &dirs, const Program &prog, const JobCase &job)
{
    size_t from = log_lines(prog.main).size();
    menu_command(prog.main, CmdExecute);
    finish_job(dirs, prog, job, from);
}

// Executes a job whose output exists: answers No (nothing changes), then Yes.
void run_job_over_existing(const Folders &dirs, const Program &prog, const JobCase &job)
{
    DWORD pid = prog.process.dwProcessId;
    std::string before;
    read_bytes(job.output, &before);
    std::string question = format("同じ名前のファイルが存在します。\n\nファイル %s を\n\n削除しますか？", job.output.c_str());

    size_t from = log_lines(prog.main).size();
    menu_command(prog.main, CmdExecute);
    HWND box = wait_box(pid, "同じ名前のファイルが存在します。");
    check(box != nullptr && box_text(box) == question && GetDlgItem(box, IDYES) && GetDlgItem(box, IDNO) &&
              GetWindow(box, GW_OWNER) == prog.main,
          format("%s: overwrite question with Yes and No, owned by the main window", job.name).c_str(),
          box ? box_text(box) : describe_boxes(pid));
    if (!box)
        return;
    check_control_file(job);
    answer_box(box, IDNO);
    std::vector<std::string> lines;
    bool stopped = wait_until([&] { return contains(lines = log_since(prog.main, from), "処理を中止します"); }, 10000);
    std::string missing;
    check(stopped && in_order(lines, {"同じ名前のファイルが存在します。", format("ファイル %s 削除しますか？", job.output.c_str()),
                                      "処理を中止します"}, &missing),
          format("%s: No stops the job", job.name).c_str(), missing + " in " + joined(lines));
    Sleep(500);
    std::string after;
    read_bytes(job.output, &after);
    check(after == before && !after.empty(), format("%s: No leaves the existing output untouched", job.name).c_str());
    check(field(prog.main, IdInput) == job.input && field(prog.main, IdAngle) == job.angle,
          format("%s: No keeps the fields", job.name).c_str());
    check(!file_exists(control_file_of(job.input)), format("%s: control file removed after the refused job", job.name).c_str());
    check(top_windows(pid, "#32770").empty(), format("%s: no box after No", job.name).c_str(), describe_boxes(pid));

    from = log_lines(prog.main).size();
    menu_command(prog.main, CmdExecute);
    box = wait_box(pid, "同じ名前のファイルが存在します。");
    check(box != nullptr, format("%s: question again on the second Execute", job.name).c_str(), describe_boxes(pid));
    if (!box)
        return;
    answer_box(box, IDYES);
    finish_job(dirs, prog, job, from);
    lines = log_since(prog.main, from);
    check(contains(lines, format("ファイル %s は変換が終わってから置き換えます。", job.output.c_str())),
          format("%s: Yes keeps the old output until the new one is complete and says so", job.name).c_str(),
          joined(lines));
}

// Execute refused by its field checks: an error box and log line, fields kept.
void check_refused_execute(const Program &prog, const char *name, const std::string &message)
{
    DWORD pid = prog.process.dwProcessId;
    std::string input = field(prog.main, IdInput);
    size_t from = log_lines(prog.main).size();
    menu_command(prog.main, CmdExecute);
    HWND box = wait_box(pid, message);
    check(box != nullptr && box_text(box) == message, format("%s: error box", name).c_str(),
          box ? box_text(box) : describe_boxes(pid));
    if (box)
        answer_box(box, IDOK);
    check(contains(log_since(prog.main, from), message) && field(prog.main, IdInput) == input,
          format("%s: error line in the log, fields kept", name).c_str());
}

void check_execute_field_checks(const Folders &dirs, const Program &prog)
{
    check_refused_execute(prog, "execute with empty fields", "エラー：入力ＮＣファイル名を入力して下さい");
    std::string missing = dirs.nc + "missing.nc";
    set_field(prog.main, IdInput, missing);
    check_refused_execute(prog, "execute with a missing input",
                          format("エラー：ＮＣファイル %s が見つかりません", missing.c_str()));
    set_field(prog.main, IdInput, dirs.nc + "part.nc");
    check_refused_execute(prog, "execute without an output name", "エラー：出力ＮＣファイル名を入力して下さい");
    check(!file_exists(dirs.nc + "missing.ini") && !file_exists(dirs.nc + "part.ini"),
          "refused executes write no control file");
    set_field(prog.main, IdInput, "");
}

// The two buttons that derive the copy count from the angle and back.
void check_angle_helpers(const Program &prog)
{
    set_field(prog.main, IdAngle, "7");
    set_field(prog.main, IdCount, "");
    press(prog.main, IdCountFromAngle);
    bool count = wait_until([&] { return field(prog.main, IdCount) == "51"; }, 5000);
    check(count, "button 1014: angle 7 gives the count 51", field(prog.main, IdCount));
    set_field(prog.main, IdCount, "7");
    press(prog.main, IdAngleFromCount);
    bool angle = wait_until([&] { return field(prog.main, IdAngle) == "51.429"; }, 5000);
    check(angle, "button 1019: count 7 gives the angle 51.429", field(prog.main, IdAngle));
    set_field(prog.main, IdCount, "0");
    set_field(prog.main, IdAngle, "x");
    press(prog.main, IdAngleFromCount);
    Sleep(500);
    check(field(prog.main, IdAngle) == "x", "button 1019: a count of 0 changes nothing", field(prog.main, IdAngle));
}

void check_load_history(const Program &prog, const JobCase &last)
{
    set_field(prog.main, IdInput, "");
    send(GetDlgItem(prog.main, IdKeepSource), BM_SETCHECK, BST_UNCHECKED, 0);
    send(GetDlgItem(prog.main, last.composition == 0 ? IdPerMachining : IdWhole), BM_CLICK, 0, 0);
    menu_command(prog.main, CmdLoadHistory);
    bool loaded = wait_until([&] { return field(prog.main, IdInput) == last.input; }, 5000);
    check(loaded && field(prog.main, IdOutput) == last.output && field(prog.main, IdAngle) == last.angle &&
              field(prog.main, IdCentreX) == last.centre_x && field(prog.main, IdCentreY) == last.centre_y &&
              field(prog.main, IdCount) == last.count && is_checked(prog.main, IdKeepSource) == last.keep &&
              is_checked(prog.main, last.composition == 0 ? IdWhole : IdPerMachining),
          "load history: the last job's values return to the fields",
          format("input [%s] output [%s] angle [%s]", field(prog.main, IdInput).c_str(),
                 field(prog.main, IdOutput).c_str(), field(prog.main, IdAngle).c_str()));
}

// ---------------------------------------------------------------------------
// "プレビュー": the tool-path picture of the last job

// The menu item's state as GetMenuState gives it; -1 where the menu of another
// process cannot be read (Wine keeps a menu's items in its own process).
UINT preview_menu_state(const Program &prog)
{
    return GetMenuState(GetMenu(prog.main), CmdPreview, MF_BYCOMMAND);
}

// The darkest pixel, as the mean of its channels, of each band of pixel rows of
// a window on the screen that holds anything but its background (the most
// frequent colour), top to bottom; the window's edges are left out.
std::vector<int> darkest_per_band(HWND w)
{
    std::vector<int> bands;
    RECT r;
    if (!GetWindowRect(w, &r))
        return bands;
    int width = r.right - r.left, height = r.bottom - r.top, edge = 4;
    if (width <= 2 * edge || height <= 2 * edge)
        return bands;
    std::vector<unsigned char> grey(static_cast<size_t>(width) * height);
    HDC screen = GetDC(nullptr);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            COLORREF c = GetPixel(screen, r.left + x, r.top + y);
            grey[static_cast<size_t>(y) * width + x] =
                static_cast<unsigned char>((GetRValue(c) + GetGValue(c) + GetBValue(c)) / 3);
        }
    ReleaseDC(nullptr, screen);
    int counts[256] = {0};
    for (unsigned char g : grey)
        ++counts[g];
    int background = 0;
    for (int g = 1; g < 256; ++g)
        if (counts[g] > counts[background])
            background = g;
    int band_darkest = -1;
    for (int y = edge; y < height - edge; ++y) {
        int darkest = 256;
        for (int x = edge; x < width - edge; ++x) {
            int g = grey[static_cast<size_t>(y) * width + x];
            if (abs(g - background) > 24 && g < darkest)
                darkest = g;
        }
        if (darkest < 256) {
            band_darkest = band_darkest < 0 || darkest < band_darkest ? darkest : band_darkest;
        } else if (band_darkest >= 0) {
            bands.push_back(band_darkest);
            band_darkest = -1;
        }
    }
    if (band_darkest >= 0)
        bands.push_back(band_darkest);
    return bands;
}

// Drops the menu bar's "コマンド" from the keyboard, as a user would, and
// returns the darkest pixel of its second item's text ("プレビュー"): grey text
// when the item is greyed, black when it can be chosen; -1 when it did not show.
int preview_item_ink(const Program &prog)
{
    DWORD pid = prog.process.dwProcessId;
    PostMessageA(prog.main, WM_SYSCOMMAND, SC_KEYMENU, 0);
    Sleep(300);
    PostMessageA(prog.main, WM_KEYDOWN, VK_RIGHT, 0);
    Sleep(300);
    PostMessageA(prog.main, WM_KEYDOWN, VK_DOWN, 0);
    HWND popup = nullptr;
    wait_until([&] {
        std::vector<HWND> found = top_windows(pid, "#32768");
        popup = found.empty() ? nullptr : found[0];
        return popup != nullptr;
    }, 5000);
    int ink = -1;
    if (popup) {
        Sleep(500);
        std::vector<int> bands = darkest_per_band(popup);
        if (bands.size() >= 3)
            ink = bands[1];
        std::string rows;
        for (int band : bands)
            rows += format(" %d", band);
        note("the コマンド menu: darkest pixel of each row of items:" + rows);
    }
    for (int i = 0; i < 3 && !top_windows(pid, "#32768").empty(); ++i) {
        PostMessageA(prog.main, WM_KEYDOWN, VK_ESCAPE, 0);
        Sleep(300);
    }
    PostMessageA(prog.main, WM_CANCELMODE, 0, 0);
    wait_until([&] { return top_windows(pid, "#32768").empty(); }, 3000);
    Sleep(300);
    return ink;
}

// Without a successful job the item is grey and a posted command opens nothing.
void check_preview_unavailable(const Program &prog, const char *when)
{
    UINT state = preview_menu_state(prog);
    if (state == static_cast<UINT>(-1)) {
        // The menu of another process cannot be read here: its drawing is looked at instead.
        int ink = preview_item_ink(prog);
        check(ink >= 90, format("preview %s: the menu item is drawn greyed", when).c_str(),
              format("darkest pixel of its text %d (black text is below 60)", ink));
    } else {
        check((state & MF_GRAYED) != 0, format("preview %s: the menu item is greyed", when).c_str(), format("state %u", state));
    }
    menu_command(prog.main, CmdPreview);
    Sleep(1000);
    check(top_windows(prog.process.dwProcessId, PreviewClass).empty(),
          format("preview %s: the command opens no window", when).c_str());
}

// "プレビュー" posted; the preview window once it shows, or nullptr.
HWND open_preview(const Program &prog)
{
    menu_command(prog.main, CmdPreview);
    HWND preview = nullptr;
    wait_until([&] {
        std::vector<HWND> found = top_windows(prog.process.dwProcessId, PreviewClass);
        preview = found.empty() ? nullptr : found[0];
        return preview != nullptr;
    }, BoxWait);
    return preview;
}

// After a conversion of three placements: the item is enabled, the window
// opens owned by the main window, draws the source grey and each placement in
// its colour, redraws after a resize, and Escape closes it.
void check_preview(const Folders &dirs, const Program &prog)
{
    DWORD pid = prog.process.dwProcessId;
    UINT state = preview_menu_state(prog);
    if (state != static_cast<UINT>(-1)) {
        check((state & (MF_GRAYED | MF_DISABLED)) == 0, "preview: the menu item is enabled after a conversion",
              format("state %u", state));
    } else {
        int ink = preview_item_ink(prog);
        check(ink >= 0 && ink < 60, "preview: the menu item is drawn enabled after a conversion",
              format("darkest pixel of its text %d", ink));
    }
    HWND preview = open_preview(prog);
    check(preview != nullptr && IsWindowVisible(preview), "preview: a visible window of class PivoraPreview opens",
          describe_boxes(pid));
    if (!preview)
        return;
    check(GetWindow(preview, GW_OWNER) == prog.main, "preview: the window is owned by the main window");
    std::string title = window_text(preview);
    check(title.find("part.nc") != std::string::npos && title.find("part_rot.nc") != std::string::npos,
          "preview: the title names the input and the output", title);
    Sleep(800);
    const COLORREF source_grey = RGB(0xb4, 0xb4, 0xb4), result_blue = RGB(0x1c, 0x4f, 0xb0);
    const COLORREF copy_orange = RGB(0xd9, 0x48, 0x0f), copy_green = RGB(0x2b, 0x8a, 0x3e);
    long grey = count_colour(preview, source_grey), blue = count_colour(preview, result_blue);
    long orange = count_colour(preview, copy_orange), green = count_colour(preview, copy_green);
    check(grey > 50 && blue > 50 && orange > 50 && green > 50,
          "preview: the source is drawn grey, its place blue and the two copies orange and green",
          format("%ld grey, %ld blue, %ld orange, %ld green pixels", grey, blue, orange, green));

    RECT before;
    GetWindowRect(preview, &before);
    SetWindowPos(preview, nullptr, 0, 0, 640, 520, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    Sleep(1000);
    RECT after;
    GetWindowRect(preview, &after);
    bool alive = WaitForSingleObject(prog.process.hProcess, 0) == WAIT_TIMEOUT && IsWindow(preview);
    long blue_after = alive ? count_colour(preview, result_blue) : -1;
    check(alive && after.right - after.left == 640 && blue_after > 50,
          "preview: resized, it redraws the picture to the new size",
          format("alive %d, %ld x %ld, %ld blue pixels (%ld before)", alive, after.right - after.left,
                 after.bottom - after.top, blue_after, blue));
    screenshot(dirs, preview, "preview-window");

    // Destroyed, not only hidden: the window hides first and goes a moment later.
    PostMessageA(preview, WM_KEYDOWN, VK_ESCAPE, 0);
    check(wait_until([&] { return !IsWindow(preview); }, 5000), "preview: Escape closes it");
    check(IsWindow(prog.main) && IsWindowVisible(prog.main) && top_windows(pid, "#32770").empty(),
          "preview: the main window stays, no box", describe_boxes(pid));
}

// A preview closed through its title bar's close goes whole.
void check_preview_close(const Program &prog)
{
    HWND preview = open_preview(prog);
    check(preview != nullptr, "preview: opens again after the next conversion", describe_boxes(prog.process.dwProcessId));
    if (!preview)
        return;
    PostMessageA(preview, WM_CLOSE, 0, 0);
    check(wait_until([&] { return !IsWindow(preview); }, 5000), "preview: closing it destroys the window");
}

// ---------------------------------------------------------------------------
// Settings dialog, support dialog, log saving, closing

void check_settings_dialog(const Folders &dirs, const Program &prog)
{
    DWORD pid = prog.process.dwProcessId;
    menu_command(prog.main, CmdSettings);
    HWND dlg = wait_dialog(pid, "ＮＣデータ編集初期設定 / Tessaly");
    check(dlg != nullptr, "settings: dialog opens", describe_boxes(pid));
    if (!dlg)
        return;
    Sleep(300);
    bool shown = field(dlg, IdDecimalCombo) == "既存" && field(dlg, IdCommentCombo) == "有り" &&
                 field(dlg, IdNcExtension) == "ppp" && field(dlg, IdOutputSuffix) == "_rot" &&
                 field(dlg, IdInitAngle) == "90" && field(dlg, IdInitX) == "0" && field(dlg, IdInitY) == "0" &&
                 field(dlg, IdWindowColor) == "210,210,210" && field(dlg, IdTextColor) == "0,0,0";
    check(shown, "settings: fields show the settings file",
          format("decimal [%s] comment [%s] ext [%s] suffix [%s] angle [%s] window [%s]",
                 field(dlg, IdDecimalCombo).c_str(), field(dlg, IdCommentCombo).c_str(),
                 field(dlg, IdNcExtension).c_str(), field(dlg, IdOutputSuffix).c_str(),
                 field(dlg, IdInitAngle).c_str(), field(dlg, IdWindowColor).c_str()));
    screenshot(dirs, dlg, "settings-dialog");

    set_field(dlg, IdInitAngle, "45");
    set_field(dlg, IdOutputSuffix, "");
    size_t from = log_lines(prog.main).size();
    menu_command(dlg, CmdSettingsSave);
    HWND saved = wait_box(pid, "設定値を保存しました");
    check(saved != nullptr, "settings: save shows \"設定値を保存しました\"", describe_boxes(pid));
    if (saved)
        answer_box(saved, IDOK);
    check(wait_gone(dlg), "settings: the dialog closes after saving", describe_boxes(pid));
    check(contains(log_since(prog.main, from), "設定値を保存しました"), "settings: the save is logged");
    check(profile_text(dirs.ini, "Pivora", "ANGLE") == "45" && profile_text(dirs.ini, "FILES", "OUTPUTFILE") == "_new" &&
              profile_text(dirs.ini, "FORMAT", "DECIMAL") == "-1" && profile_text(dirs.ini, "COLOR", "WINDOW") == "210,210,210",
          "settings: saved values in Pivora.ini (empty suffix saved as _new)",
          format("ANGLE=%s OUTPUTFILE=%s DECIMAL=%s", profile_text(dirs.ini, "Pivora", "ANGLE").c_str(),
                 profile_text(dirs.ini, "FILES", "OUTPUTFILE").c_str(),
                 profile_text(dirs.ini, "FORMAT", "DECIMAL").c_str()));
}

void check_support_dialog(const Folders &dirs, const Program &prog)
{
    DWORD pid = prog.process.dwProcessId;
    menu_command(prog.main, CmdSupport);
    HWND dlg = wait_dialog(pid, "サポート情報");
    check(dlg != nullptr, "support: dialog opens", describe_boxes(pid));
    if (!dlg)
        return;
    check(field(dlg, IDOK) == "閉じる", "support: close button", field(dlg, IDOK));
    screenshot(dirs, dlg, "support-dialog");
    press(dlg, IDOK);
    check(wait_gone(dlg), "support: button 1 closes it", describe_boxes(pid));
}

// "ヘルプ" without a help file, and "バージョン".
void check_help_menu(const Program &prog)
{
    DWORD pid = prog.process.dwProcessId;
    menu_command(prog.main, CmdHelp);
    HWND box = wait_box(pid, "ヘルプファイルが見つかりません");
    check(box && box_text(box) == "ヘルプファイルが見つかりません\n\n正規なソフトウェアですか？" &&
              GetWindow(box, GW_OWNER) == prog.main,
          "help menu: missing help file reported in a box owned by the main window",
          box ? box_text(box) : describe_boxes(pid));
    if (box)
        answer_box(box, IDOK);

    menu_command(prog.main, CmdVersion);
    HWND about = nullptr;
    wait_until([&] {
        for (HWND w : top_windows(pid, "#32770"))
            if (GetWindow(w, GW_OWNER) == prog.main)
                about = w;
        return about != nullptr;
    }, BoxWait);
    std::string all;
    if (about)
        EnumChildWindows(about, [](HWND w, LPARAM data) -> BOOL {
            reinterpret_cast<std::string *>(data)->append("[" + window_text(w) + "]");
            return TRUE;
        }, reinterpret_cast<LPARAM>(&all));
    check(about && window_text(about).find("ＮＣデータを回転移動する") == 0 &&
              all.find("Pivora Version 2019R0.30 [Build Date 2019/11/23]") != std::string::npos,
          "version menu: about box owned by the main window names the tool and its version",
          about ? window_text(about) + " " + all : describe_boxes(pid));
    if (about) {
        press(about, IDOK);
        if (!wait_gone(about, 5000))
            PostMessageA(about, WM_CLOSE, 0, 0);
    }
}

void check_log_save(const Folders &dirs, const Program &prog)
{
    std::string path = dirs.work + "Pivora.log";
    DeleteFileA(path.c_str());
    std::vector<std::string> lines = log_lines(prog.main);
    menu_command(prog.main, CmdSaveLog);
    std::string want;
    for (const std::string &l : lines)
        want += l + "\r\n";
    std::string got;
    wait_until([&] { return read_bytes(path, &got) && got.size() >= want.size(); }, 10000);
    check(got == want, "log save: Pivora.log beside the program holds every log line",
          got == want ? "" : first_difference(got, want));
    check(top_windows(prog.process.dwProcessId, "#32770").empty(), "log save: silent on success",
          describe_boxes(prog.process.dwProcessId));
}

void check_close(Program *prog)
{
    menu_command(prog->main, CmdQuit);
    DWORD code = 1;
    bool ended = wait_exit(&prog->process, 15000, &code);
    check(ended && code == 0, "close: \"終了\" ends the program with 0", format("ended %d code %lu", ended, code));
}

// Closing the window while a job runs stops the job: the window goes once the
// job has cleaned up, and neither an output, a temporary output, a machining
// move file nor the control file stays beside the input.
void check_close_during_job(const Folders &dirs, Program *prog)
{
    JobCase job = {"close during a job", dirs.nc + "part.nc", dirs.nc + "part_closed.nc", "90", "0", "0", "3",
                   true, 1, "90.", "0.", "0.", "180.", ""};
    fill_job(*prog, job, true);
    // Per-machining copies pause a second after each of the two machinings.
    menu_command(prog->main, CmdExecute);
    Sleep(700);
    PostMessageA(prog->main, WM_CLOSE, 0, 0);
    DWORD code = 1;
    bool ended = wait_exit(&prog->process, 30000, &code);
    check(ended && code == 0, "close during a job: the program ends with 0 once the job has stopped",
          format("ended %d code %lu", ended, code));
    std::string left;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dirs.nc + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == ".." || name == "part.nc" || name == "part_rot.nc")
                continue;
            left += name + " ";
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    check(left.empty(), "close during a job: no output, temporary, move or control file left", left);
}

// ---------------------------------------------------------------------------

bool find_folders(Folders *dirs)
{
    char path[MAX_PATH] = "";
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    if (n == 0 || n >= sizeof path)
        return false;
    std::string self = path;
    dirs->work = self.substr(0, self.rfind('\\') + 1);
    dirs->exe = dirs->work + "Pivora.exe";
    dirs->ini = dirs->work + "Pivora.ini";
    dirs->nc = dirs->work + "nc\\";
    // "ソース" ends its first character with the byte 0x5C, the path separator.
    dirs->kana = dirs->work + "ソース\\";
    dirs->expected = dirs->work + "expected\\";
    dirs->shots = dirs->work + "shots\\";
    CreateDirectoryA(dirs->shots.c_str(), nullptr);
    CreateDirectoryA(dirs->kana.c_str(), nullptr);
    return file_exists(dirs->exe) && file_exists(dirs->nc + "part.nc") &&
           CopyFileA((dirs->nc + "part.nc").c_str(), (dirs->kana + "part.nc").c_str(), FALSE);
}

// The saved initial values shape the next proposal; the dropped file lies in
// the folder whose name ends a character with 0x5C, so the proposed output
// name also shows that the path is split by characters, not by bytes.
void check_drop_after_settings(const Folders &dirs, const Program &prog, const std::string &input)
{
    set_field(prog.main, IdInput, "");
    bool posted = drop_files(prog, {input});
    bool proposed = posted && wait_until([&] { return field(prog.main, IdInput) == input; }, 5000);
    check(proposed && field(prog.main, IdOutput) == dirs.kana + "part_new.nc" && field(prog.main, IdAngle) == "45",
          "drop after saving settings: proposal uses the saved suffix and angle",
          format("posted %d; output [%s] angle [%s]", posted, field(prog.main, IdOutput).c_str(),
                 field(prog.main, IdAngle).c_str()));
    menu_command(prog.main, CmdClearFields);
    bool cleared = wait_until([&] { return field(prog.main, IdInput).empty() && field(prog.main, IdCount).empty(); }, 5000);
    check(cleared, "\"初期化\" clears the job fields");
}

// Enter and Escape reach the window as the commands 1 and 2; neither is bound.
void check_enter_and_escape(const Program &prog)
{
    DWORD pid = prog.process.dwProcessId;
    size_t lines = log_lines(prog.main).size();
    press(prog.main, IDOK);
    press(prog.main, IDCANCEL);
    Sleep(1500);
    bool quiet = IsWindow(prog.main) && IsWindowVisible(prog.main) && top_windows(pid, "#32770").empty() &&
                 log_lines(prog.main).size() == lines;
    check(quiet, "Enter and Escape (commands 1 and 2) do nothing", describe_boxes(pid));
    dismiss_boxes(pid);
}

void run_session(const Folders &dirs)
{
    Program prog = {};
    if (!start_main_window(dirs, &prog)) {
        if (prog.process.hProcess) {
            DWORD code;
            wait_exit(&prog.process, 1000, &code);
        }
        return;
    }
    check_second_start(dirs, prog);
    check_preview_unavailable(prog, "before any conversion");

    const std::string input = dirs.nc + "part.nc";
    JobCase whole = {"whole program", input, dirs.nc + "part_rot.nc", "30", "10", "5", "2", false, 1,
                     "30.", "10.", "5.", "30.", dirs.expected + "whole.nc"};
    if (pick_input_with_dialog(prog, input)) {
        bool proposed = field(prog.main, IdOutput) == whole.output && field(prog.main, IdAngle) == "90" &&
                        field(prog.main, IdCentreX) == "0" && field(prog.main, IdCentreY) == "0" &&
                        field(prog.main, IdCount) == "2" && is_checked(prog.main, IdKeepSource) &&
                        is_checked(prog.main, IdPerMachining) && !is_checked(prog.main, IdWhole);
        check(proposed, "pick: output name and defaults proposed",
              format("output [%s] angle [%s] count [%s]", field(prog.main, IdOutput).c_str(),
                     field(prog.main, IdAngle).c_str(), field(prog.main, IdCount).c_str()));
        fill_job(prog, whole, false);
        run_job_case(dirs, prog, whole);
        screenshot(dirs, prog.main, "main-window");
    }

    JobCase copies = {"copies", input, dirs.nc + "part_rot.nc", "90", "0", "0", "3", true, 0,
                      "90.", "0.", "0.", "180.", dirs.expected + "copies.nc"};
    bool dropped = drop_files(prog, {input, dirs.work + "Pivora.ini", dirs.kana + "part.nc"});
    bool taken = dropped && wait_until([&] { return field(prog.main, IdInput) == input; }, 5000);
    check(taken && field(prog.main, IdOutput) == copies.output, "drop: the first of three dropped files becomes the input",
          format("posted %d; input [%s]", dropped, field(prog.main, IdInput).c_str()));
    fill_job(prog, copies, !taken);
    HWND left_open = open_preview(prog);
    check(left_open != nullptr, "preview: opens after the conversion of the whole program",
          describe_boxes(prog.process.dwProcessId));
    run_job_over_existing(dirs, prog, copies);
    check(left_open && !IsWindow(left_open) && top_windows(prog.process.dwProcessId, PreviewClass).empty(),
          "preview: the next Execute closes the preview of the job before");
    check_preview(dirs, prog);
    check_preview_close(prog);

    check_execute_field_checks(dirs, prog);
    check_preview_unavailable(prog, "after a refused Execute");

    JobCase per_machining = {"per machining", dirs.kana + "part.nc", dirs.kana + "part_pm.nc", "45", "0", "0", "2",
                             true, 1, "45.", "0.", "0.", "45.", dirs.expected + "per_machining.nc"};
    check_angle_helpers(prog);
    fill_job(prog, per_machining, true);
    run_job_case(dirs, prog, per_machining);
    check(!file_exists(dirs.kana + "part_0.nc") && !file_exists(dirs.kana + "part_1.nc"),
          "per machining: no machining move file left beside the input");
    check_load_history(prog, per_machining);

    check_settings_dialog(dirs, prog);
    check_drop_after_settings(dirs, prog, per_machining.input);
    check_enter_and_escape(prog);
    check_support_dialog(dirs, prog);
    check_help_menu(prog);
    check_log_save(dirs, prog);
    check_close_during_job(dirs, &prog);

    // A fresh start for "終了".
    Program again = {};
    if (!start_main_window(dirs, &again)) {
        if (again.process.hProcess) {
            DWORD code;
            wait_exit(&again.process, 1000, &code);
        }
        return;
    }
    check_close(&again);
}

}  // namespace

int main()
{
    Folders dirs;
    if (!find_folders(&dirs)) {
        printf("FAIL setup: Pivora.exe and nc\\part.nc must lie beside the driver\n0 passed, 1 failed\n");
        return 1;
    }
    check_usage_box(dirs);
    check_settings_created(dirs);
    check_help_form(dirs, "help");
    check_help_form(dirs, "/HELP");
    run_session(dirs);
    printf("%d passed, %d failed\n", Passed, Failed);
    fflush(stdout);
    return Failed == 0 ? 0 : 1;
}
