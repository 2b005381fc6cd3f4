// The preview window: the tool-path picture of the last job drawn with GDI in a
// window of its own class, owned by the main window and resizable. The picture
// is built once when the window opens; every paint lays it out for the client
// area and draws it into an off-screen bitmap, so a resize does not flicker.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "log/message_log.h"
#include "shell/job_picture.h"
#include "shell/preview_layout.h"
#include "shell/resource.h"
#include "shell/windows_ui.h"

namespace {

const char PreviewClass[] = "PivoraPreview";
const int MARGIN = 20;          // pixels around the drawing
const int FONT_HEIGHT = 16;     // the legend's text
const int HOLE_MARK = 3;        // pixels of a hole's cross either way from its centre
const int CENTRE_RING = 6;      // radius of the rotation centre's ring
const int CENTRE_CROSS = 10;    // pixels of its cross either way
const int KEY_LINE = 28;        // a key's sample line
const int KEY_GAP = 22;         // pixels after a key's words
const int START_WIDTH = 860;    // the window when it opens
const int START_HEIGHT = 780;
const int SMALLEST_WIDTH = 360;
const int SMALLEST_HEIGHT = 320;

// Pen width in pixels per colour: the source wide and grey under the result,
// the result thin enough to show its detail.
int pen_width(int colour) {
    switch (colour) {
    case COLOUR_SOURCE: return 4;      // the program converted
    case COLOUR_COMPOSITION: return 1;  // moves of the composition's own
    case COLOUR_UNCHECKED: return 2;   // after the check's first difference
    default: return 2;                 // a placement of the result
    }
}

// What one open preview holds; freed when the window goes.
struct PreviewWindow {
    Picture picture;
    HFONT font = nullptr;
    HPEN pens[PICTURE_COLOURS][2] = {};  // solid and dashed
    HPEN black = nullptr;
    HPEN red = nullptr;
    HPEN rule = nullptr;  // between the drawing and the legend
    std::vector<PreviewCommand> commands;  // reused from stroke to stroke
    std::vector<POINT> points;
    HBITMAP canvas = nullptr;  // the picture drawn at the client area's size
    int canvas_size[2] = {0, 0};
};

// One preview at a time: opening another replaces it.
HWND ShownWindow = nullptr;
std::unique_ptr<PreviewWindow> Shown;

COLORREF colour_ref(unsigned long rgb) {
    return RGB(static_cast<BYTE>(rgb >> 16), static_cast<BYTE>(rgb >> 8), static_cast<BYTE>(rgb));
}

// A dashed pen of any width (a plain PS_DASH pen is one pixel wide only).
HPEN dashed_pen(int width, COLORREF colour) {
    LOGBRUSH brush = {BS_SOLID, colour, 0};
    DWORD dashes[2] = {7, 5};
    HPEN pen = ExtCreatePen(PS_GEOMETRIC | PS_USERSTYLE | PS_ENDCAP_FLAT | PS_JOIN_ROUND, static_cast<DWORD>(width),
                            &brush, 2, dashes);
    return pen ? pen : CreatePen(PS_DASH, 1, colour);
}

HPEN solid_pen(int width, COLORREF colour) {
    LOGBRUSH brush = {BS_SOLID, colour, 0};
    HPEN pen = ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_ROUND | PS_JOIN_ROUND, static_cast<DWORD>(width),
                            &brush, 0, nullptr);
    return pen ? pen : CreatePen(PS_SOLID, width, colour);
}

void make_tools(PreviewWindow &preview) {
    for (int colour = 0; colour < PICTURE_COLOURS; ++colour) {
        COLORREF value = colour_ref(picture_colour_rgb(colour));
        preview.pens[colour][0] = solid_pen(pen_width(colour), value);
        preview.pens[colour][1] = dashed_pen(pen_width(colour) > 1 ? pen_width(colour) - 1 : 1, value);
    }
    preview.black = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
    preview.red = CreatePen(PS_SOLID, 2, colour_ref(picture_colour_rgb(COLOUR_UNCHECKED)));
    preview.rule = CreatePen(PS_SOLID, 1, RGB(0xdc, 0xdc, 0xdc));
    preview.font = create_ui_font("ＭＳ ゴシック", FONT_HEIGHT);
}

void free_tools(PreviewWindow &preview) {
    for (auto &pair : preview.pens) {
        for (HPEN &pen : pair) {
            if (pen) DeleteObject(pen);
            pen = nullptr;
        }
    }
    for (HGDIOBJ object : {static_cast<HGDIOBJ>(preview.black), static_cast<HGDIOBJ>(preview.red),
                           static_cast<HGDIOBJ>(preview.rule), static_cast<HGDIOBJ>(preview.font)}) {
        if (object) DeleteObject(object);
    }
    preview.black = preview.red = preview.rule = nullptr;
    if (preview.canvas) DeleteObject(preview.canvas);
    preview.canvas = nullptr;
    preview.font = nullptr;
}

// ---------------------------------------------------------------------------
// Painting

void flush_points(HDC dc, std::vector<POINT> &points) {
    if (points.size() >= 2) Polyline(dc, points.data(), static_cast<int>(points.size()));
    POINT last = points.empty() ? POINT{0, 0} : points.back();
    points.assign(1, last);
}

void draw_cross(HDC dc, int x, int y, int size) {
    MoveToEx(dc, x - size, y, nullptr);
    LineTo(dc, x + size + 1, y);
    MoveToEx(dc, x, y - size, nullptr);
    LineTo(dc, x, y + size + 1);
}

// One stroke: runs of lines as one polyline each, arcs with Arc in the way
// they turn, a hole's cross in the stroke's pen.
void draw_stroke(HDC dc, PreviewWindow &preview, const PicturePath &path, const PreviewLayout &layout) {
    preview_commands(preview.picture, path, layout, preview.commands);
    SelectObject(dc, preview.pens[path.colour % PICTURE_COLOURS][path.dashed ? 1 : 0]);
    std::vector<POINT> &points = preview.points;
    points.clear();
    for (const PreviewCommand &command : preview.commands) {
        POINT to = {command.to[0], command.to[1]};
        switch (command.op) {
        case PREVIEW_MOVE:
            flush_points(dc, points);
            points.assign(1, to);
            break;
        case PREVIEW_LINE: points.push_back(to); break;
        case PREVIEW_ARC: {
            flush_points(dc, points);
            POINT from = points.back();
            SetArcDirection(dc, command.counter_clockwise ? AD_COUNTERCLOCKWISE : AD_CLOCKWISE);
            Arc(dc, command.box[0], command.box[1], command.box[2], command.box[3], from.x, from.y, to.x, to.y);
            points.assign(1, to);
            break;
        }
        case PREVIEW_CROSS:
            flush_points(dc, points);
            draw_cross(dc, to.x, to.y, HOLE_MARK);
            points.assign(1, to);
            break;
        }
    }
    flush_points(dc, points);
}

void draw_centre_mark(HDC dc, const PreviewWindow &preview, const PreviewLayout &layout) {
    int at[2];
    preview_pixel(layout, preview.picture.centre, at);
    SelectObject(dc, preview.red);
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    Ellipse(dc, at[0] - CENTRE_RING, at[1] - CENTRE_RING, at[0] + CENTRE_RING + 1, at[1] + CENTRE_RING + 1);
    draw_cross(dc, at[0], at[1], CENTRE_CROSS);
}

int text_width(HDC dc, const std::string &text) {
    SIZE size = {0, 0};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

void draw_text(HDC dc, int x, int y, const std::string &text) {
    TextOutA(dc, x, y, text.c_str(), static_cast<int>(text.size()));
}

// A bar of a round length with its ends marked, and its length beside it.
void draw_scale_bar(HDC dc, const PreviewWindow &preview, const PreviewLayout &layout, int top, int line_height) {
    int y = top + line_height / 2;
    int right = MARGIN + layout.bar_pixels;
    SelectObject(dc, preview.black);
    MoveToEx(dc, MARGIN, y, nullptr);
    LineTo(dc, right + 1, y);
    for (int x : {MARGIN, right}) {
        MoveToEx(dc, x, y - 4, nullptr);
        LineTo(dc, x, y + 5);
    }
    draw_text(dc, right + 8, top, text_format("%g mm", layout.bar_length));
}

// A row of keys: each a sample of its stroke and its words.
void draw_keys(HDC dc, const PreviewWindow &preview, const std::vector<PictureKey> &keys, int top, int line_height) {
    int x = MARGIN;
    int y = top + line_height / 2;
    for (const PictureKey &key : keys) {
        SelectObject(dc, preview.pens[key.colour % PICTURE_COLOURS][key.dashed ? 1 : 0]);
        MoveToEx(dc, x, y, nullptr);
        LineTo(dc, x + KEY_LINE, y);
        draw_text(dc, x + KEY_LINE + 6, top, key.label);
        x += KEY_LINE + 6 + text_width(dc, key.label) + KEY_GAP;
    }
}

// A rule across the window, the scale bar, the four lines of the legend and the two rows of keys.
void draw_legend(HDC dc, const PreviewWindow &preview, const PreviewLayout &layout, int width, int line_height) {
    int y = layout.legend_top;
    SelectObject(dc, preview.rule);
    MoveToEx(dc, MARGIN / 2, y - MARGIN / 4, nullptr);
    LineTo(dc, width - MARGIN / 2, y - MARGIN / 4);
    draw_scale_bar(dc, preview, layout, y, line_height);
    y += line_height;
    for (const std::string &line : preview.picture.legend) {
        draw_text(dc, MARGIN, y, line);
        y += line_height;
    }
    draw_keys(dc, preview, preview.picture.placement_keys, y, line_height);
    draw_keys(dc, preview, preview.picture.line_keys, y + line_height, line_height);
}

void paint_preview(HDC dc, PreviewWindow &preview, int width, int height) {
    RECT all = {0, 0, width, height};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    HGDIOBJ previous_font = SelectObject(dc, preview.font);
    HGDIOBJ previous_pen = SelectObject(dc, preview.black);
    HGDIOBJ previous_brush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    TEXTMETRICA metrics;
    int line_height = GetTextMetricsA(dc, &metrics) ? metrics.tmHeight + 4 : FONT_HEIGHT + 4;
    PreviewLayout layout;
    lay_out_preview(preview.picture.extent, width, height, MARGIN, preview_legend_height(line_height), layout);
    for (const PicturePath &path : preview.picture.paths) draw_stroke(dc, preview, path, layout);
    draw_centre_mark(dc, preview, layout);
    draw_legend(dc, preview, layout, width, line_height);
    SelectObject(dc, previous_brush);
    SelectObject(dc, previous_pen);
    SelectObject(dc, previous_font);
}

void drop_canvas(PreviewWindow &preview) {
    if (preview.canvas) DeleteObject(preview.canvas);
    preview.canvas = nullptr;
}

// The picture drawn off-screen at the client area's size, kept until the size
// changes: a window uncovered or moved is copied, not drawn again (a picture of
// a million-block program takes half a second to draw under Wine).
int ready_canvas(HDC dc, PreviewWindow &preview, int width, int height) {
    if (preview.canvas && preview.canvas_size[0] == width && preview.canvas_size[1] == height) return 1;
    drop_canvas(preview);
    HDC memory = CreateCompatibleDC(dc);
    if (!memory) return 0;
    preview.canvas = CreateCompatibleBitmap(dc, width, height);
    if (preview.canvas) {
        HGDIOBJ previous = SelectObject(memory, preview.canvas);
        paint_preview(memory, preview, width, height);
        SelectObject(memory, previous);
        preview.canvas_size[0] = width;
        preview.canvas_size[1] = height;
    }
    DeleteDC(memory);
    return preview.canvas != nullptr;
}

// Copied from the canvas in one step; drawn straight onto the window where no
// bitmap can be had.
void on_paint(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    int width = client.right - client.left;
    int height = client.bottom - client.top;
    if (Shown && width > 0 && height > 0) {
        HDC memory = ready_canvas(dc, *Shown, width, height) ? CreateCompatibleDC(dc) : nullptr;
        if (memory) {
            HGDIOBJ previous = SelectObject(memory, Shown->canvas);
            BitBlt(dc, 0, 0, width, height, memory, 0, 0, SRCCOPY);
            SelectObject(memory, previous);
            DeleteDC(memory);
        } else {
            paint_preview(dc, *Shown, width, height);
        }
    }
    EndPaint(window, &paint);
}

LRESULT CALLBACK preview_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_ERASEBKGND: return 1;  // the paint covers every pixel
    case WM_SIZE: InvalidateRect(window, nullptr, FALSE); return 0;
    case WM_PAINT: on_paint(window); return 0;
    case WM_KEYDOWN:
        if (wparam == VK_ESCAPE) {
            DestroyWindow(window);
            return 0;
        }
        break;
    case WM_GETMINMAXINFO: {
        MINMAXINFO *limits = reinterpret_cast<MINMAXINFO *>(lparam);
        limits->ptMinTrackSize.x = SMALLEST_WIDTH;
        limits->ptMinTrackSize.y = SMALLEST_HEIGHT;
        return 0;
    }
    case WM_NCDESTROY:
        if (window == ShownWindow) {
            if (Shown) free_tools(*Shown);
            Shown.reset();
            ShownWindow = nullptr;
        }
        break;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

int register_preview_class() {
    static int registered = 0;
    if (registered) return 1;
    WNDCLASSEXA preview_class;
    ZeroMemory(&preview_class, sizeof preview_class);
    preview_class.cbSize = sizeof preview_class;
    preview_class.style = CS_HREDRAW | CS_VREDRAW;
    preview_class.lpfnWndProc = preview_window_proc;
    preview_class.hInstance = ProgramInstance;
    preview_class.hIcon = LoadIconA(ProgramInstance, MAKEINTRESOURCEA(IDI_PIVORA));
    preview_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    preview_class.lpszClassName = PreviewClass;
    registered = RegisterClassExA(&preview_class) != 0;
    return registered;
}

std::string file_name_of(const std::string &path) {
    PathParts parts;
    split_path(path.c_str(), parts);
    return parts.name + parts.extension;
}

int warn_window(HWND owner) {
    message_format("警　告：プレビューの窓を開けません。");
    log_post(owner, 3);
    return -1;
}

}  // namespace

void close_preview_window() {
    if (ShownWindow) DestroyWindow(ShownWindow);
}

int open_preview_window(HWND owner, const JobPicture &job) {
    close_preview_window();
    if (!register_preview_class()) return warn_window(owner);
    std::unique_ptr<PreviewWindow> preview(new PreviewWindow());
    HCURSOR previous = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    int built = build_job_picture(owner, job, preview->picture);
    SetCursor(previous);
    if (built < 0) return -1;
    make_tools(*preview);
    Shown = std::move(preview);
    std::string title = "工具経路プレビュー － " + file_name_of(job.input_path) + " → " + file_name_of(job.output_path);
    HWND window = CreateWindowExA(0, PreviewClass, title.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                  START_WIDTH, START_HEIGHT, owner, nullptr, ProgramInstance, nullptr);
    if (!window) {
        free_tools(*Shown);
        Shown.reset();
        return warn_window(owner);
    }
    ShownWindow = window;
    set_small_icon(window);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    return 0;
}
