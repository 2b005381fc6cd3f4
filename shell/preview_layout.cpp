// The preview window's geometry: where the picture goes in the client area and
// what of each stroke is worth a call to the painter.
#include "shell/preview_layout.h"

#include <cmath>

namespace {

// Pixels the scale bar is near.
const double SCALE_BAR = 120.0;
// Beyond this many pixels an arc's circle no longer fits the device's
// coordinates; at that size its visible part is straight anyway.
const double LARGEST_RADIUS = 1.0e7;

int whole_pixel(double value) { return static_cast<int>(std::lround(value)); }

int same_pixel(const int a[2], const int b[2]) { return a[0] == b[0] && a[1] == b[1]; }

PreviewCommand command_of(PreviewOp op, const int to[2]) {
    PreviewCommand command = {};
    command.op = op;
    command.to[0] = to[0];
    command.to[1] = to[1];
    return command;
}

// An arc as the painter draws it, or as a line where it cannot show as an arc.
PreviewCommand arc_command(const PreviewLayout &layout, const PictureArc &arc, const int to[2]) {
    double radius = arc.radius * layout.scale;
    double x = layout.origin[0] + (arc.centre[0] - layout.corner[0]) * layout.scale;
    double y = layout.origin[1] + (layout.corner[1] - arc.centre[1]) * layout.scale;
    if (radius < 1.0 || radius > LARGEST_RADIUS || std::fabs(x) > LARGEST_RADIUS || std::fabs(y) > LARGEST_RADIUS) {
        return command_of(PREVIEW_LINE, to);
    }
    PreviewCommand command = command_of(PREVIEW_ARC, to);
    command.box[0] = whole_pixel(x - radius);
    command.box[1] = whole_pixel(y - radius);
    command.box[2] = whole_pixel(x + radius);
    command.box[3] = whole_pixel(y + radius);
    // The screen shows the program's Y upwards, so an arc turns as the program says.
    command.counter_clockwise = arc.counter_clockwise;
    return command;
}

}  // namespace

int preview_legend_height(int line_height) { return PREVIEW_LEGEND_ROWS * line_height + line_height / 2; }

void lay_out_preview(const PathExtent &extent, int width, int height, int margin, int legend_height,
                     PreviewLayout &layout) {
    int room_width = width - 2 * margin;
    int room_height = height - 2 * margin - legend_height;
    if (room_width < 1) room_width = 1;
    if (room_height < 1) room_height = 1;
    layout.area[0] = margin;
    layout.area[1] = margin;
    layout.area[2] = margin + room_width;
    layout.area[3] = margin + room_height;
    double span_x = extent.max[0] - extent.min[0];
    double span_y = extent.max[1] - extent.min[1];
    double scale_x = span_x > 0.0 ? room_width / span_x : room_width;
    double scale_y = span_y > 0.0 ? room_height / span_y : room_height;
    layout.scale = scale_x < scale_y ? scale_x : scale_y;
    layout.corner[0] = extent.min[0];
    layout.corner[1] = extent.max[1];
    layout.origin[0] = layout.area[0] + (room_width - span_x * layout.scale) / 2.0;
    layout.origin[1] = layout.area[1] + (room_height - span_y * layout.scale) / 2.0;
    layout.legend_top = layout.area[3] + margin / 2;
    layout.bar_length = scale_bar_length(layout.scale, SCALE_BAR);
    layout.bar_pixels = whole_pixel(layout.bar_length * layout.scale);
}

void preview_pixel(const PreviewLayout &layout, const double at[2], int pixel[2]) {
    pixel[0] = whole_pixel(layout.origin[0] + (at[0] - layout.corner[0]) * layout.scale);
    pixel[1] = whole_pixel(layout.origin[1] + (layout.corner[1] - at[1]) * layout.scale);
}

void preview_commands(const Picture &picture, const PicturePath &path, const PreviewLayout &layout,
                      std::vector<PreviewCommand> &commands) {
    commands.clear();
    int pen[2] = {0, 0};
    for (uint32_t index = path.first; index < path.first + path.count; ++index) {
        const PictureStep &step = picture.steps[index];
        int to[2];
        preview_pixel(layout, step.at, to);
        if ((step.kind == STEP_LINE || step.kind == STEP_ARC) && same_pixel(to, pen)) continue;
        switch (step.kind) {
        case STEP_MOVE: commands.push_back(command_of(PREVIEW_MOVE, to)); break;
        case STEP_LINE: commands.push_back(command_of(PREVIEW_LINE, to)); break;
        case STEP_ARC: commands.push_back(arc_command(layout, picture.arcs[step.arc], to)); break;
        case STEP_HOLE: commands.push_back(command_of(PREVIEW_CROSS, to)); break;
        }
        pen[0] = to[0];
        pen[1] = to[1];
    }
}
