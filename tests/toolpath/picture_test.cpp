// The tool-path picture record: every move counted before thinning, the extent
// as the moves give it, strokes that a renderer can walk, the legend, and a
// picture that stays within its step limit however many moves the program has.
#include "toolpath/picture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "test_support.h"

namespace {

// Seven moves with a known start: a plunge, two cuts, a half circle, a return,
// a retract and a hole (the first rapid starts nowhere known).
const char SmallSource[] =
    "G90 G00 X0 Y0 Z5.\n"
    "G01 Z-1. F100\n"
    "X30.\n"
    "G03 X30. Y20. R10.\n"
    "G01 X0\n"
    "Y0\n"
    "G00 Z5.\n"
    "G81 X50. Y5. Z-3. R2. F80\n"
    "G80\n"
    "M30\n";

// The same turned by 90 degrees about the origin.
const char SmallTurned[] =
    "G90 G00 X0 Y0 Z5.\n"
    "G01 Z-1. F100\n"
    "X0 Y30.\n"
    "G03 X-20. Y30. R10.\n"
    "G01 X-20. Y0\n"
    "X0 Y0\n"
    "G00 Z5.\n"
    "G81 X-5. Y50. Z-3. R2. F80\n"
    "G80\n"
    "M30\n";

struct Built {
    int status;
    std::unique_ptr<Picture> picture;
};

Built build(const std::string &source, const std::string &output, const CheckParams &params, const char *text,
            long long limit = PICTURE_STEP_LIMIT) {
    TempDir dir;
    write_file_bytes(dir.file("PART.NC"), source);
    write_file_bytes(dir.file("PART_ROT.NC"), output);
    Built built;
    built.picture.reset(new Picture());
    built.status = build_picture(dir.file("PART.NC").c_str(), dir.file("PART_ROT.NC").c_str(), params, text,
                                 *built.picture, limit);
    return built;
}

void expect_extent(const PathExtent &extent, double min_x, double min_y, double max_x, double max_y) {
    ASSERT_FALSE(extent.empty);
    EXPECT_NEAR(min_x, extent.min[0], 1e-9);
    EXPECT_NEAR(min_y, extent.min[1], 1e-9);
    EXPECT_NEAR(max_x, extent.max[0], 1e-9);
    EXPECT_NEAR(max_y, extent.max[1], 1e-9);
}

// Every step belongs to one path, in order; every path opens with the pen set
// down; every arc step names an arc. Returns the steps of each kind.
void expect_walkable(const Picture &picture, int kinds[4]) {
    for (int kind = 0; kind < 4; ++kind) kinds[kind] = 0;
    uint32_t next = 0;
    for (const PicturePath &path : picture.paths) {
        ASSERT_EQ(next, path.first);
        ASSERT_GT(path.count, 0u);
        EXPECT_EQ(STEP_MOVE, picture.steps[path.first].kind);
        EXPECT_LT(path.colour, PICTURE_COLOURS);
        next += path.count;
    }
    ASSERT_EQ(picture.steps.size(), next);
    for (const PictureStep &step : picture.steps) {
        kinds[step.kind] += 1;
        if (step.kind == STEP_ARC) {
            EXPECT_LT(step.arc, picture.arcs.size());
        }
    }
}

// A raster of fine cuts: rows of `steps` moves of `step` millimetres, `rows`
// rows one millimetre apart, each row cut the other way from the last.
std::string raster(int rows, int steps, double step) {
    std::string program = "G90 G00 X0 Y0 Z5.\nG01 Z-1. F500\n";
    char line[64];
    for (int row = 0; row < rows; ++row) {
        for (int i = 1; i <= steps; ++i) {
            double x = (row % 2 == 0 ? i : steps - i) * step;
            std::snprintf(line, sizeof line, "X%.3f\n", x);
            program += line;
        }
        std::snprintf(line, sizeof line, "Y%d.\n", row + 1);
        program += line;
    }
    return program + "G00 Z5.\nM30\n";
}

// Long moves across the field, every one from and to somewhere else.
std::string scattered(int moves) {
    std::string program = "G90 G00 X0 Y0 Z5.\nG01 Z-1. F500\n";
    unsigned seed = 12345;
    char line[64];
    for (int i = 0; i < moves; ++i) {
        seed = seed * 1103515245u + 12345u;
        int x = static_cast<int>((seed >> 8) % 100000);
        seed = seed * 1103515245u + 12345u;
        int y = static_cast<int>((seed >> 8) % 100000);
        std::snprintf(line, sizeof line, "X%d.%03d Y%d.%03d\n", x / 1000, x % 1000, y / 1000, y % 1000);
        program += line;
    }
    return program + "M30\n";
}

TEST(ToolpathPictureRecord, SmallConversionCountsExtentStrokesAndLegend) {
    const CheckParams params = {90.0, {0.0, 0.0}, 1, 0, 0};
    Built built = build(SmallSource, SmallTurned, params, "一致");
    ASSERT_EQ(0, built.status);
    const Picture &picture = *built.picture;
    EXPECT_EQ(0, picture.check_status) << picture.check.found;
    EXPECT_EQ(7, picture.facts.source_segments);
    EXPECT_EQ(7, picture.facts.result_segments);
    // The half circle reaches X40. and Y40. after the turn; the holes X50. and Y50.
    expect_extent(picture.facts.source_extent, 0.0, 0.0, 50.0, 20.0);
    expect_extent(picture.facts.result_extent, -20.0, 0.0, 0.0, 50.0);
    expect_extent(picture.extent, -20.0, 0.0, 50.0, 50.0);
    EXPECT_EQ(PICTURE_GRID, picture.grid);
    EXPECT_EQ(0, picture.omitted);

    int kinds[4];
    expect_walkable(picture, kinds);
    EXPECT_EQ(2, kinds[STEP_ARC]);
    EXPECT_EQ(2, kinds[STEP_HOLE]);
    EXPECT_EQ(kinds[STEP_LINE] + kinds[STEP_ARC], picture.facts.drawn_segments);
    ASSERT_EQ(2u, picture.arcs.size());
    EXPECT_TRUE(picture.arcs[0].counter_clockwise);
    EXPECT_NEAR(10.0, picture.arcs[1].radius, 1e-9);
    EXPECT_NEAR(-10.0, picture.arcs[1].centre[0], 1e-9);
    EXPECT_NEAR(30.0, picture.arcs[1].centre[1], 1e-9);
    // The source first and grey; the result in the colour of its one placement,
    // its positioning and hole dashed.
    EXPECT_EQ(COLOUR_SOURCE, picture.paths.front().colour);
    bool result_cut = false;
    bool result_rapid = false;
    for (const PicturePath &path : picture.paths) {
        if (path.colour != COLOUR_PLACEMENT) continue;
        (path.dashed ? result_rapid : result_cut) = true;
    }
    EXPECT_TRUE(result_cut);
    EXPECT_TRUE(result_rapid);

    EXPECT_NE(std::string::npos, picture.legend[LEGEND_JOB].find("全体を回転"));
    EXPECT_NE(std::string::npos, picture.legend[LEGEND_JOB].find("90.000°"));
    EXPECT_EQ("変換元(灰色) X0.000〜50.000 Y0.000〜20.000", picture.legend[LEGEND_SOURCE_EXTENT]);
    EXPECT_EQ("変換後 X-20.000〜0.000 Y0.000〜50.000", picture.legend[LEGEND_RESULT_EXTENT]);
    EXPECT_EQ("照合: 一致", picture.legend[LEGEND_CHECK]);
    set_picture_check_text(*built.picture, nullptr);
    EXPECT_EQ("照合: (なし)", picture.legend[LEGEND_CHECK]);
    ASSERT_EQ(2u, picture.placement_keys.size());
    EXPECT_EQ("変換後", picture.placement_keys[1].label);
    ASSERT_EQ(3u, picture.line_keys.size());
    EXPECT_TRUE(picture.line_keys[0].dashed);
}

TEST(ToolpathPictureRecord, ADifferenceIsKeptAndTheRestDrawnUnchecked) {
    const CheckParams params = {90.0, {0.0, 0.0}, 1, 0, 0};
    std::string wrong = SmallTurned;
    wrong.replace(wrong.find("X-20. Y0"), 8, "X-21. Y0");
    Built built = build(SmallSource, wrong, params, nullptr);
    ASSERT_EQ(0, built.status);
    const Picture &picture = *built.picture;
    EXPECT_EQ(-1, picture.check_status);
    EXPECT_EQ(5, picture.check.output_line);
    bool unchecked = false;
    for (const PicturePath &path : picture.paths) unchecked = unchecked || path.colour == COLOUR_UNCHECKED;
    EXPECT_TRUE(unchecked);
    EXPECT_EQ(7, picture.facts.result_segments);

    // A file that cannot be read leaves an empty picture.
    TempDir dir;
    write_file_bytes(dir.file("PART.NC"), SmallSource);
    Picture missing;
    EXPECT_EQ(-1, build_picture(dir.file("PART.NC").c_str(), dir.file("NONE.NC").c_str(), params, nullptr, missing));
    EXPECT_TRUE(missing.paths.empty());
    EXPECT_TRUE(missing.steps.empty());
    EXPECT_EQ(0, missing.facts.source_segments);
}

TEST(ToolpathPictureRecord, CopiesGetAColourAndAKeyEach) {
    const CheckParams params = {120.0, {0.0, 0.0}, 3, 1, 0};
    std::string source = read_file_bytes(test_data_path("toolpath/data/copies.nc"));
    std::string output = read_file_bytes(test_data_path("toolpath/data/copies_120x3.nc"));
    Built built = build(source, output, params, nullptr);
    ASSERT_EQ(0, built.status);
    const Picture &picture = *built.picture;
    EXPECT_EQ(0, picture.check_status) << picture.check.found;
    bool placement[3] = {false, false, false};
    for (const PicturePath &path : picture.paths) {
        int k = path.colour - COLOUR_PLACEMENT;
        if (k >= 0 && k < 3) placement[k] = true;
        EXPECT_LT(k, 3);
    }
    EXPECT_TRUE(placement[0] && placement[1] && placement[2]);
    ASSERT_EQ(4u, picture.placement_keys.size());
    EXPECT_EQ("元の位置", picture.placement_keys[1].label);
    EXPECT_EQ("コピー2", picture.placement_keys[3].label);
    EXPECT_NE(std::string::npos, picture.legend[LEGEND_JOB].find("配置数 3"));
    // Distinct colours for the source and every placement.
    for (int a = 0; a < PICTURE_COLOURS; ++a) {
        for (int b = a + 1; b < PICTURE_COLOURS; ++b) EXPECT_NE(picture_colour_rgb(a), picture_colour_rgb(b));
    }
}

TEST(ToolpathPictureRecord, AMillionMovesMakeABoundedPicture) {
    // A finishing raster of a million cuts of 0.01 mm over 100 x 100 mm: the cuts
    // merge in their cells, so the picture is a few hundred thousand steps.
    std::string program = raster(100, 10000, 0.01);
    const CheckParams params = {0.0, {0.0, 0.0}, 1, 0, 0};
    Built built = build(program, program, params, nullptr);
    ASSERT_EQ(0, built.status);
    const Picture &picture = *built.picture;
    const long long moves = 1 + 100LL * 10000 + 100 + 1;  // the plunge, the cuts, the steps over, the retract
    EXPECT_EQ(moves, picture.facts.source_segments);
    EXPECT_EQ(moves, picture.facts.result_segments);
    expect_extent(picture.facts.source_extent, 0.0, 0.0, 100.0, 100.0);
    EXPECT_EQ(0, picture.omitted);
    EXPECT_LE(static_cast<long long>(picture.steps.size()), PICTURE_STEP_LIMIT);
    EXPECT_LT(picture.facts.drawn_segments, moves / 2);
    int kinds[4];
    expect_walkable(picture, kinds);
}

TEST(ToolpathPictureRecord, AtTheLimitThePictureIsThinnedHarderThenCut) {
    const CheckParams params = {0.0, {0.0, 0.0}, 1, 0, 0};
    // 4,000 fine cuts fit 3,000 steps only on a coarser grid.
    std::string fine = raster(4, 1000, 0.1);
    Built coarser = build(fine, fine, params, nullptr, 3000);
    ASSERT_EQ(0, coarser.status);
    EXPECT_LT(coarser.picture->grid, PICTURE_GRID);
    EXPECT_EQ(0, coarser.picture->omitted);
    EXPECT_LE(coarser.picture->steps.size(), 3000u);
    EXPECT_EQ(4006, coarser.picture->facts.source_segments);
    Built whole = build(fine, fine, params, nullptr);
    EXPECT_EQ(PICTURE_GRID, whole.picture->grid);
    EXPECT_GT(whole.picture->steps.size(), 3000u);

    // Long moves that no grid merges: the coarsest grid keeps what fits and says
    // how many moves it left out.
    std::string wild = scattered(3000);
    Built cut = build(wild, wild, params, nullptr, 2000);
    ASSERT_EQ(0, cut.status);
    const Picture &picture = *cut.picture;
    EXPECT_EQ(PICTURE_COARSEST_GRID, picture.grid);
    EXPECT_LE(picture.steps.size(), 2000u);
    EXPECT_GT(picture.omitted, 0);
    EXPECT_EQ(3001, picture.facts.source_segments);  // the plunge and the moves
    EXPECT_NE(std::string::npos, picture.legend[LEGEND_RESULT_EXTENT].find("移動は表示を省略"));
    int kinds[4];
    expect_walkable(picture, kinds);
}

TEST(ToolpathPictureRecord, ScaleBarLengths) {
    EXPECT_DOUBLE_EQ(10.0, scale_bar_length(10.0, 150.0));   // 15 mm wanted
    EXPECT_DOUBLE_EQ(20.0, scale_bar_length(5.0, 150.0));    // 30 mm
    EXPECT_DOUBLE_EQ(50.0, scale_bar_length(2.0, 150.0));    // 75 mm
    EXPECT_DOUBLE_EQ(100.0, scale_bar_length(1.5, 150.0));   // 100 mm
    EXPECT_DOUBLE_EQ(0.5, scale_bar_length(200.0, 150.0));   // 0.75 mm
}

}  // namespace
