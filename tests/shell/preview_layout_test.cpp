// The preview's layout: the extent fitted into the client area with the part's
// shape kept, the scale bar, and the strokes as drawing commands in pixels.
#include "shell/preview_layout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "test_support.h"

namespace {

PathExtent extent_of(double min_x, double min_y, double max_x, double max_y) {
    PathExtent extent = {0, {min_x, min_y}, {max_x, max_y}};
    return extent;
}

void pixel_at(const PreviewLayout &layout, double x, double y, int pixel[2]) {
    const double at[2] = {x, y};
    preview_pixel(layout, at, pixel);
}

TEST(PreviewLayout, TheExtentFitsTheAreaWithItsShapeKept) {
    // 200 x 100 mm into 760 x 460 pixels of room: the width decides, 3.8 pixels a millimetre.
    PreviewLayout layout;
    lay_out_preview(extent_of(-50.0, 10.0, 150.0, 110.0), 800, 600, 20, 100, layout);
    EXPECT_DOUBLE_EQ(3.8, layout.scale);
    EXPECT_EQ(20, layout.area[0]);
    EXPECT_EQ(20, layout.area[1]);
    EXPECT_EQ(780, layout.area[2]);
    EXPECT_EQ(480, layout.area[3]);
    int top_left[2], bottom_right[2], middle[2];
    pixel_at(layout, -50.0, 110.0, top_left);
    pixel_at(layout, 150.0, 10.0, bottom_right);
    pixel_at(layout, 50.0, 60.0, middle);
    EXPECT_EQ(20, top_left[0]);
    EXPECT_EQ(780, bottom_right[0]);
    // Centred in the height: 380 pixels of drawing in 460 of room.
    EXPECT_EQ(60, top_left[1]);
    EXPECT_EQ(440, bottom_right[1]);
    EXPECT_EQ(400, middle[0]);
    EXPECT_EQ(250, middle[1]);
    // One scale both ways: 200 mm across, 100 mm down.
    EXPECT_EQ(2 * (bottom_right[1] - top_left[1]), bottom_right[0] - top_left[0]);
    EXPECT_GT(layout.legend_top, layout.area[3]);
    EXPECT_LE(layout.legend_top + 100, 600);

    // A tall part: the height decides, centred across.
    lay_out_preview(extent_of(0.0, 0.0, 10.0, 100.0), 800, 600, 20, 100, layout);
    EXPECT_DOUBLE_EQ(4.6, layout.scale);
    pixel_at(layout, 0.0, 100.0, top_left);
    pixel_at(layout, 10.0, 0.0, bottom_right);
    EXPECT_EQ(20, top_left[1]);
    EXPECT_EQ(480, bottom_right[1]);
    EXPECT_EQ(400 - 23, top_left[0]);
    EXPECT_EQ(400 + 23, bottom_right[0]);

    // A window shrunk below its margins still lays out without a division by nothing.
    lay_out_preview(extent_of(0.0, 0.0, 10.0, 10.0), 10, 10, 20, 100, layout);
    EXPECT_GT(layout.scale, 0.0);
    EXPECT_TRUE(std::isfinite(layout.origin[0]) && std::isfinite(layout.origin[1]));
    EXPECT_GE(layout.area[2], layout.area[0] + 1);
}

TEST(PreviewLayout, ScaleBarIsARoundLengthNearItsPixels) {
    PreviewLayout layout;
    lay_out_preview(extent_of(0.0, 0.0, 200.0, 100.0), 800, 600, 20, 100, layout);
    EXPECT_DOUBLE_EQ(20.0, layout.bar_length);  // 120 pixels are 31.6 mm at 3.8
    EXPECT_EQ(76, layout.bar_pixels);
    lay_out_preview(extent_of(0.0, 0.0, 2.0, 1.0), 800, 600, 20, 100, layout);
    EXPECT_DOUBLE_EQ(0.2, layout.bar_length);  // 380 pixels a millimetre
    EXPECT_EQ(76, layout.bar_pixels);
    EXPECT_GT(preview_legend_height(16), 6 * 16);
}

TEST(PreviewLayout, StrokesBecomeCommandsOfWholePixels) {
    Picture picture;
    picture.extent = extent_of(0.0, 0.0, 100.0, 100.0);
    const PictureStep steps[] = {
        {{0.0, 0.0}, 0, STEP_MOVE},
        {{0.05, 0.0}, 0, STEP_LINE},   // within the pixel the pen stands on: left out
        {{50.0, 0.0}, 0, STEP_LINE},
        {{50.0, 20.0}, 0, STEP_ARC},   // a half circle about (50, 10), counter-clockwise
        {{50.0, 20.0}, 1, STEP_ARC},   // ends where it starts on the screen: left out
        {{50.6, 20.0}, 2, STEP_ARC},   // of 0.6 pixels' radius: a line
        {{60.0, 20.0}, 0, STEP_LINE},
        {{60.0, 20.0}, 0, STEP_HOLE},
    };
    for (const PictureStep &step : steps) picture.steps.push_back(step);
    picture.arcs.push_back({{50.0, 10.0}, 10.0, 1, 0});
    picture.arcs.push_back({{50.0, 10.0}, 10.0, 1, 0});
    picture.arcs.push_back({{50.3, 20.0}, 0.3, 0, 0});
    PicturePath path = {COLOUR_PLACEMENT, 0, 0, static_cast<uint32_t>(picture.steps.size())};
    picture.paths.push_back(path);

    PreviewLayout layout;
    lay_out_preview(picture.extent, 220, 320, 10, 100, layout);  // 2 pixels a millimetre
    ASSERT_DOUBLE_EQ(2.0, layout.scale);
    std::vector<PreviewCommand> commands;
    preview_commands(picture, path, layout, commands);
    ASSERT_EQ(6u, commands.size());
    EXPECT_EQ(PREVIEW_MOVE, commands[0].op);
    EXPECT_EQ(10, commands[0].to[0]);
    EXPECT_EQ(210, commands[0].to[1]);
    EXPECT_EQ(PREVIEW_LINE, commands[1].op);
    EXPECT_EQ(110, commands[1].to[0]);
    ASSERT_EQ(PREVIEW_ARC, commands[2].op);
    EXPECT_EQ(110, commands[2].to[0]);
    EXPECT_EQ(170, commands[2].to[1]);
    EXPECT_EQ(90, commands[2].box[0]);
    EXPECT_EQ(170, commands[2].box[1]);
    EXPECT_EQ(130, commands[2].box[2]);
    EXPECT_EQ(210, commands[2].box[3]);
    EXPECT_TRUE(commands[2].counter_clockwise);
    EXPECT_EQ(PREVIEW_LINE, commands[3].op);
    EXPECT_EQ(111, commands[3].to[0]);
    EXPECT_EQ(PREVIEW_LINE, commands[4].op);
    EXPECT_EQ(130, commands[4].to[0]);
    EXPECT_EQ(PREVIEW_CROSS, commands[5].op);
    EXPECT_EQ(130, commands[5].to[0]);
    EXPECT_EQ(170, commands[5].to[1]);
}

TEST(PreviewLayout, EveryCommandOfABuiltPictureLiesInTheArea) {
    TempDir dir;
    const std::string source = "G90 G00 X10. Y0 Z5.\nG01 X20. F100\nG03 X10. Y10. R10.\nG02 X10. Y10. I0 J-5.\n"
                               "G81 X40. Y-20. Z-3. R2.\nG80\nM30\n";
    write_file_bytes(dir.file("a.nc"), source);
    const CheckParams params = {0.0, {0.0, 0.0}, 1, 0, 0};
    std::unique_ptr<Picture> picture(new Picture());
    ASSERT_EQ(0, build_picture(dir.file("a.nc").c_str(), dir.file("a.nc").c_str(), params, nullptr, *picture));
    PreviewLayout layout;
    lay_out_preview(picture->extent, 640, 480, 16, 120, layout);
    std::vector<PreviewCommand> commands;
    int arcs = 0;
    for (const PicturePath &path : picture->paths) {
        preview_commands(*picture, path, layout, commands);
        ASSERT_FALSE(commands.empty());
        EXPECT_EQ(PREVIEW_MOVE, commands.front().op);
        for (const PreviewCommand &command : commands) {
            EXPECT_GE(command.to[0], layout.area[0]);
            EXPECT_LE(command.to[0], layout.area[2]);
            EXPECT_GE(command.to[1], layout.area[1]);
            EXPECT_LE(command.to[1], layout.area[3]);
            if (command.op == PREVIEW_ARC) arcs += 1;
        }
    }
    EXPECT_EQ(3 * 2, arcs);  // the arc, and the full circle in two halves, in both programs
}

}  // namespace
