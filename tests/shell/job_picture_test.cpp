// The picture of a finished job: its parameters read from the window's fields
// and from a control file as the job reads them, the check's result in the
// legend, and the SVG file written whole or not at all.
#include "shell/job_picture.h"

#include <gtest/gtest.h>

#include <memory>

#include "settings/program_values.h"
#include "settings/settings_file.h"
#include "test_support.h"

namespace {

const char Source[] = "G90 G00 X10. Y0 Z5.\nG01 X20. F100\nG03 X10. Y10. R10.\nM30\n";
const char TurnedBy90[] = "G90 G00 X0 Y10. Z5.\nG01 X0 Y20. F100\nG03 X-10. Y10. R10.\nM30\n";

struct PictureBench {
    TempDir dir;
    SettingsHome home{dir.path};
    CapturedLog log;
    std::string input = dir.file("part.nc");
    std::string output = dir.file("part_rot.nc");
    std::string control = dir.file("part.ini");
    PictureBench() {
        create_default_settings();
        write_file_bytes(input, Source);
        write_file_bytes(output, TurnedBy90);
    }
    void control_key(const char *key, const std::string &value) {
        profile_write_string("Pivora", key, value.c_str(), control.c_str());
    }
    void whole_job(const char *angle) {
        control_key("NCFILE1", input);
        control_key("NCFILE2", output);
        control_key("ROTANGLE", angle);
        control_key("ROTXCOORD", "0");
        control_key("ROTYCOORD", "0");
        control_key("ROTCOUNT", "1");
        control_key("NCDATAKEEP", "0");
    }
};

TEST(JobPicture, ControlFileReadAsTheJobReadsIt) {
    PictureBench bench;
    bench.whole_job("90");
    bench.control_key("ROTXCOORD", "");  // the centre it lacks comes from Pivora.ini
    profile_write_string("Pivora", "XCOORD", "12.5", SettingsPath.c_str());
    JobPicture job;
    ASSERT_EQ(0, read_job_picture(nullptr, bench.control.c_str(), job));
    EXPECT_EQ(bench.input, job.input_path);
    EXPECT_EQ(bench.output, job.output_path);
    EXPECT_DOUBLE_EQ(90.0, job.params.angle);
    EXPECT_DOUBLE_EQ(12.5, job.params.centre[0]);
    EXPECT_DOUBLE_EQ(0.0, job.params.centre[1]);
    EXPECT_EQ(0, job.params.keep_source);
    EXPECT_EQ(1, job.params.composition);  // ROTTYPE absent: per machining

    bench.control_key("NCDATAKEEP", "5");  // clamped to 1, as the job does
    bench.control_key("ROTTYPE", "7");
    bench.control_key("ROTCOUNT", "4");
    ASSERT_EQ(0, read_job_picture(nullptr, bench.control.c_str(), job));
    EXPECT_EQ(1, job.params.keep_source);
    EXPECT_EQ(7, job.params.composition);
    EXPECT_EQ(4, job.params.copy_count);
    EXPECT_TRUE(bench.log.boxes.empty());

    // A value the job would refuse gives no picture, and says why.
    bench.control_key("ROTANGLE", "9O");
    EXPECT_EQ(-1, read_job_picture(nullptr, bench.control.c_str(), job));
    ASSERT_FALSE(bench.log.boxes.empty());
    EXPECT_EQ("警　告：工具経路の図を作れません（回転角度の値 9O を読めません）。", bench.log.boxes.back().text);
    bench.control_key("ROTANGLE", "0000000000000090");
    EXPECT_EQ(-1, read_job_picture(nullptr, bench.control.c_str(), job));
}

TEST(JobPicture, FieldsAsTheControlFileCarriesThem) {
    PictureBench bench;
    DialogFields fields;
    fields.input_path = "  " + bench.input + " ";  // the control file loses the blanks
    fields.output_path = "\"" + bench.output + "\"";  // ... and the enclosing quotes
    fields.angle = "30";
    fields.centre_x = " 1.5";
    fields.centre_y = "-2";
    fields.copy_count = "3";
    fields.keep_source = 1;
    fields.whole_checked = 1;
    JobPicture job;
    ASSERT_EQ(0, job_picture_from_fields(nullptr, fields, job));
    EXPECT_EQ(bench.input, job.input_path);
    EXPECT_EQ(bench.output, job.output_path);
    EXPECT_DOUBLE_EQ(30.0, job.params.angle);
    EXPECT_DOUBLE_EQ(1.5, job.params.centre[0]);
    EXPECT_DOUBLE_EQ(-2.0, job.params.centre[1]);
    EXPECT_EQ(3, job.params.copy_count);
    EXPECT_EQ(1, job.params.keep_source);
    EXPECT_EQ(0, job.params.composition);
    fields.whole_checked = 0;
    fields.per_machining_checked = 1;
    ASSERT_EQ(0, job_picture_from_fields(nullptr, fields, job));
    EXPECT_EQ(1, job.params.composition);
    fields.copy_count = "";
    EXPECT_EQ(-1, job_picture_from_fields(nullptr, fields, job));
}

TEST(JobPicture, TheLegendGivesTheCheckInTheJobsWords) {
    PictureBench bench;
    bench.whole_job("90");
    JobPicture job;
    ASSERT_EQ(0, read_job_picture(nullptr, bench.control.c_str(), job));
    std::unique_ptr<Picture> picture(new Picture());
    ASSERT_EQ(0, build_job_picture(nullptr, job, *picture));
    EXPECT_EQ(0, picture->check_status);
    EXPECT_EQ("照合: 一致（" + std::to_string(picture->check.motions_checked) + " 動作を確認しました）",
              picture->legend[LEGEND_CHECK]);

    job.params.angle = 45.0;
    ASSERT_EQ(0, build_job_picture(nullptr, job, *picture));
    EXPECT_EQ(0u, picture->legend[LEGEND_CHECK].find("照合: 相違 出力 1行目："));

    job.output_path = bench.dir.file("none.nc");
    EXPECT_EQ(-1, build_job_picture(nullptr, job, *picture));
    ASSERT_FALSE(bench.log.boxes.empty());
    EXPECT_EQ("警　告：工具経路の図を作れません（ＮＣファイル " + job.output_path + " を読み込めません）。",
              bench.log.boxes.back().text);
}

TEST(JobPicture, SvgFileWrittenWholeOrNotAtAll) {
    PictureBench bench;
    bench.whole_job("90");
    JobPicture job;
    ASSERT_EQ(0, read_job_picture(nullptr, bench.control.c_str(), job));
    std::string svg = bench.dir.file("part.svg");
    write_file_bytes(svg, "old picture");
    ASSERT_EQ(0, write_job_svg(nullptr, job, svg.c_str()));
    std::string written = read_file_bytes(svg);
    EXPECT_EQ(0u, written.find("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>"));
    EXPECT_NE(std::string::npos, written.find("</svg>"));
    EXPECT_EQ("工具経路の図 " + svg + " を書き込みました", bench.log.lines.back());
    EXPECT_TRUE(bench.log.boxes.empty());

    // Never over either NC file: the output stays the program it is.
    EXPECT_EQ(-1, write_job_svg(nullptr, job, bench.output.c_str()));
    EXPECT_EQ(TurnedBy90, read_file_bytes(bench.output));
    ASSERT_EQ(1u, bench.log.boxes.size());
    EXPECT_EQ("警　告：工具経路の図 " + bench.output + " を書き込めません（ＮＣファイルと同じです）。",
              bench.log.boxes.back().text);
    // A folder that is not there: a warning, and nothing left behind.
    std::string nowhere = bench.dir.file("none") + bench.dir.path.substr(bench.dir.path.size() - 1) + "part.svg";
    EXPECT_EQ(-1, write_job_svg(nullptr, job, nowhere.c_str()));
    EXPECT_EQ(2u, bench.log.boxes.size());
    // A picture that cannot be made leaves the old file as it was.
    job.input_path = bench.dir.file("none.nc");
    EXPECT_EQ(-1, write_job_svg(nullptr, job, svg.c_str()));
    EXPECT_EQ(written, read_file_bytes(svg));
}

}  // namespace
