// The layout of the preview window, apart from the painting: the picture's
// millimetres fitted into the client area, the scale bar, the legend's room,
// and each stroke as drawing commands in whole pixels, with the pieces that a
// screen cannot show left out.
#pragma once

#include <vector>

#include "toolpath/picture.h"

// Rows of the legend under the drawing: the scale bar, the four text lines and
// the two rows of keys.
const int PREVIEW_LEGEND_ROWS = 7;

struct PreviewLayout {
    double scale;        // pixels per millimetre, the same along X and Y
    double corner[2];    // the extent's left edge (min X) and top edge (max Y), millimetres
    double origin[2];    // ... and their pixel column and row
    int area[4];         // the rectangle the drawing fits in: left, top, right, bottom
    int legend_top;      // the first pixel row of the legend
    double bar_length;   // the scale bar in millimetres
    int bar_pixels;      // ... and in pixels
};

// The legend's height for a text line height in pixels.
int preview_legend_height(int line_height);
// Fits the extent into a client area of width x height pixels, less margin on
// every side and legend_height at the bottom: one scale for X and Y (the part
// keeps its shape), centred in the room left; Y grows upwards in the picture
// and downwards on the screen. An area too small for anything keeps one pixel.
void lay_out_preview(const PathExtent &extent, int width, int height, int margin, int legend_height,
                     PreviewLayout &layout);
// The pixel of a point in program millimetres.
void preview_pixel(const PreviewLayout &layout, const double at[2], int pixel[2]);

enum PreviewOp {
    PREVIEW_MOVE,   // the pen set down at `to`
    PREVIEW_LINE,   // a straight line to `to`
    PREVIEW_ARC,    // an arc of the circle in `box` from where the pen stands to `to`
    PREVIEW_CROSS   // a hole's cross at `to`; the pen stays there
};

struct PreviewCommand {
    PreviewOp op;
    int to[2];
    int box[4];             // ARC: the circle's bounding box, left, top, right, bottom
    int counter_clockwise;  // ARC: the way it turns as seen on the screen
};

// The commands of one stroke. A piece that ends on the pixel the pen stands on
// is left out (the next goes on from there); an arc too small to show as one,
// whose ends meet on one pixel, or too large for the device's coordinates is a line.
void preview_commands(const Picture &picture, const PicturePath &path, const PreviewLayout &layout,
                      std::vector<PreviewCommand> &commands);
