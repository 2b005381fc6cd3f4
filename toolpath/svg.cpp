// The SVG writer of the tool-path picture: maps the picture's millimetres to a
// drawing of 1000 pixels along its longer side and writes its strokes, the
// rotation centre, a scale and the legend.
#include "toolpath/svg.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <string>

namespace {

const double DRAWING = 1000.0;        // pixels along the longer side of the drawing
const double MARGIN = 40.0;           // pixels around the drawing
const double LEGEND_HEIGHT = 170.0;   // pixels below it
const double HOLE_MARK = 3.0;         // pixels of the cross at a hole
const double SCALE_BAR = 150.0;       // pixels a scale bar is near
const double KEY_STEP = 100.0;        // pixels between the keys of the placements
const double LINE_KEY_AT[] = {0.0, 130.0, 275.0};  // pixels of the keys of the kinds of line

// Mapping from program millimetres to picture pixels.
struct Canvas {
    PathExtent extent;
    double scale;      // pixels per millimetre
    double width;      // pixels of the whole picture
    double height;
};

void setup_canvas(Canvas &canvas, const Picture &picture) {
    canvas.extent = picture.extent;
    double span_x = picture.extent.max[0] - picture.extent.min[0];
    double span_y = picture.extent.max[1] - picture.extent.min[1];
    double longer = span_x > span_y ? span_x : span_y;
    // A picture that was never built has no extent: drawn at one pixel a millimetre.
    canvas.scale = longer > 0.0 ? DRAWING / longer : 1.0;
    canvas.width = 2.0 * MARGIN + span_x * canvas.scale;
    canvas.height = 2.0 * MARGIN + span_y * canvas.scale + LEGEND_HEIGHT;
    if (canvas.width < 1000.0) canvas.width = 1000.0;
}

double pixel_x(const Canvas &canvas, double x) { return MARGIN + (x - canvas.extent.min[0]) * canvas.scale; }
double pixel_y(const Canvas &canvas, double y) { return MARGIN + (canvas.extent.max[1] - y) * canvas.scale; }

// ---------------------------------------------------------------------------
// Strokes

void write_point(TextWriter &out, const Canvas &canvas, char command, const double at[2]) {
    text_printf(out, "%c%.2f %.2f ", command, pixel_x(canvas, at[0]), pixel_y(canvas, at[1]));
}

void write_arc(TextWriter &out, const Canvas &canvas, const PictureArc &arc, const double at[2]) {
    double pixels = arc.radius * canvas.scale;
    // The picture's Y grows downwards, so its positive angles turn clockwise as
    // seen: a counter-clockwise arc of the program sweeps the negative way there.
    text_printf(out, "A%.2f %.2f 0 %d %d %.2f %.2f ", pixels, pixels, arc.large, arc.counter_clockwise ? 0 : 1,
                pixel_x(canvas, at[0]), pixel_y(canvas, at[1]));
}

void write_hole_mark(TextWriter &out, const Canvas &canvas, const double at[2]) {
    double px = pixel_x(canvas, at[0]);
    double py = pixel_y(canvas, at[1]);
    text_printf(out, "M%.2f %.2f h%.1f M%.2f %.2f v%.1f M%.2f %.2f ", px - HOLE_MARK, py, 2.0 * HOLE_MARK, px,
                py - HOLE_MARK, 2.0 * HOLE_MARK, px, py);
}

void write_path(TextWriter &out, const Canvas &canvas, const Picture &picture, const PicturePath &path) {
    char style[16];
    picture_style_name(path.colour, path.dashed, style);
    text_printf(out, "<path class=\"%s\" d=\"", style);
    for (uint32_t index = path.first; index < path.first + path.count; ++index) {
        const PictureStep &step = picture.steps[index];
        switch (step.kind) {
        case STEP_MOVE: write_point(out, canvas, 'M', step.at); break;
        case STEP_LINE: write_point(out, canvas, 'L', step.at); break;
        case STEP_ARC: write_arc(out, canvas, picture.arcs[step.arc], step.at); break;
        case STEP_HOLE: write_hole_mark(out, canvas, step.at); break;
        }
    }
    text_puts(out, "\"/>\n");
}

// ---------------------------------------------------------------------------
// Header, marks and legend

void write_header(TextWriter &out, const Canvas &canvas) {
    text_printf(out,
                "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n"
                "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%.0f\" height=\"%.0f\" viewBox=\"0 0 %.0f %.0f\">\n",
                canvas.width, canvas.height, canvas.width, canvas.height);
    text_printf(out,
                "<style>path{fill:none;stroke-width:1.2;stroke-linecap:round;stroke-linejoin:round}"
                ".s{stroke:#%06lx;stroke-width:2.5}.c{stroke:#%06lx;stroke-width:0.8}"
                ".u{stroke:#%06lx;stroke-width:1.5}.r{stroke-dasharray:4 3}"
                "text{font-family:sans-serif;font-size:12px}",
                picture_colour_rgb(COLOUR_SOURCE), picture_colour_rgb(COLOUR_COMPOSITION),
                picture_colour_rgb(COLOUR_UNCHECKED));
    for (int k = 0; k < PLACEMENT_COLOURS; ++k) {
        text_printf(out, ".k%d{stroke:#%06lx}", k, picture_colour_rgb(COLOUR_PLACEMENT + k));
    }
    text_puts(out, "</style>\n<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n");
}

void write_centre_mark(TextWriter &out, const Canvas &canvas, const double centre[2]) {
    double x = pixel_x(canvas, centre[0]);
    double y = pixel_y(canvas, centre[1]);
    text_printf(out,
                "<g stroke=\"#e03131\" fill=\"none\"><circle cx=\"%.2f\" cy=\"%.2f\" r=\"6\"/>"
                "<path d=\"M%.2f %.2f h20 M%.2f %.2f v20\"/></g>\n",
                x, y, x - 10.0, y, x, y - 10.0);
}

void write_scale(TextWriter &out, const Canvas &canvas, double top) {
    double length = scale_bar_length(canvas.scale, SCALE_BAR);
    double pixels = length * canvas.scale;
    text_printf(out,
                "<path d=\"M%.2f %.2f h%.2f M%.2f %.2f v8 M%.2f %.2f v8\" stroke=\"#000000\" fill=\"none\"/>\n"
                "<text x=\"%.2f\" y=\"%.2f\">%g mm</text>\n",
                MARGIN, top, pixels, MARGIN, top - 4.0, MARGIN + pixels, top - 4.0, MARGIN + pixels + 8.0, top + 4.0,
                length);
}

// Text inside an element: the markup characters escaped. Code page 932 trail
// bytes never take the values of "<", "&" or ">".
void write_text(TextWriter &out, double x, double y, const std::string &text) {
    text_printf(out, "<text x=\"%.2f\" y=\"%.2f\">", x, y);
    for (char byte : text) {
        if (byte == '<') text_puts(out, "&lt;");
        else if (byte == '>') text_puts(out, "&gt;");
        else if (byte == '&') text_puts(out, "&amp;");
        else if (static_cast<unsigned char>(byte) >= 0x20 || byte == '\t') text_write(out, &byte, 1);
    }
    text_puts(out, "</text>\n");
}

void write_key(TextWriter &out, double x, double y, const PictureKey &key) {
    char style[16];
    picture_style_name(key.colour, key.dashed, style);
    text_printf(out, "<path class=\"%s\" d=\"M%.2f %.2f h24\"/>\n", style, x, y - 4.0);
    write_text(out, x + 30.0, y, key.label);
}

void write_legend(TextWriter &out, const Canvas &canvas, const Picture &picture) {
    double top = canvas.height - LEGEND_HEIGHT + 20.0;
    write_scale(out, canvas, top);
    for (int line = 0; line < LEGEND_LINES; ++line) {
        write_text(out, MARGIN, top + 28.0 + 18.0 * line, picture.legend[line]);
    }
    double y = top + 104.0;
    for (size_t k = 0; k < picture.placement_keys.size(); ++k) {
        write_key(out, MARGIN + KEY_STEP * static_cast<double>(k), y, picture.placement_keys[k]);
    }
    for (size_t k = 0; k < picture.line_keys.size() && k < sizeof LINE_KEY_AT / sizeof LINE_KEY_AT[0]; ++k) {
        write_key(out, MARGIN + LINE_KEY_AT[k], y + 20.0, picture.line_keys[k]);
    }
}

}  // namespace

void write_picture_svg(TextWriter &out, const Picture &picture) {
    Canvas canvas;
    setup_canvas(canvas, picture);
    write_header(out, canvas);
    for (const PicturePath &path : picture.paths) write_path(out, canvas, picture, path);
    write_centre_mark(out, canvas, picture.centre);
    write_legend(out, canvas, picture);
    text_puts(out, "</svg>\n");
}

int write_toolpath_svg(TextWriter &out, const char *input_path, const char *output_path, const CheckParams &params,
                       const char *check_text, PictureFacts &facts) {
    std::unique_ptr<Picture> picture(new Picture());
    int built = build_picture(input_path, output_path, params, check_text, *picture);
    facts = picture->facts;
    if (built < 0) return -1;
    write_picture_svg(out, *picture);
    return 0;
}
