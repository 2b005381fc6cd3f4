// The usage box of the command line.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "job/conversion_job.h"
#include "test_support.h"

namespace {

const char *const Description = "ＮＣデータを回転移動する";
const char *const Argument = "PIVORA　コントロールファイル";

}  // namespace

TEST(Usage, TextLinesWithAndWithoutTheHomeFolder) {
    std::string text;
    {
        EnvironmentValue drive("HOMEDRIVE", "C:");
        EnvironmentValue path("HOMEPATH", "\\Users\\op");
        usage_text(Description, Argument, text);
    }
    const std::string tail =
        "\n\nPivora 2019\n\nPivora　Version 0.30\n\nBuild date　2019/11/23\n\n"
        "https://www.tessaly.example/\n\nCopyright (C) 1998-2019 Tessaly";
    EXPECT_EQ(std::string("ＮＣデータを回転移動する\n\n[ 使用方法 ]\n\nC:\\Users\\op> PIVORA　コントロールファイル") + tail,
              text);
    {
        EnvironmentValue drive("HOMEDRIVE", nullptr);
        EnvironmentValue path("HOMEPATH", nullptr);
        usage_text(Description, Argument, text);
    }
    EXPECT_EQ(std::string("ＮＣデータを回転移動する\n\n[ 使用方法 ]\n\n> PIVORA　コントロールファイル") + tail, text);
}

TEST(Usage, ShownInAnInformationBoxWithoutOwnerOrLogLine) {
    std::string text;
    usage_text(Description, Argument, text);
    CapturedLog log;
    EXPECT_EQ(0, show_usage(Description, Argument));
    EXPECT_TRUE(log.lines.empty());
    ASSERT_EQ(1u, log.boxes.size());
    EXPECT_EQ(BOX_INFORMATION, log.boxes[0].kind);
    EXPECT_EQ(nullptr, log.boxes[0].owner);
    EXPECT_EQ(text, log.boxes[0].text);
    EXPECT_EQ('\0', MessageText[0]);

    // A description far beyond the message text is cut, never written past its end.
    std::string long_description(5000, 'x');
    CapturedLog second;
    EXPECT_EQ(0, show_usage(long_description.c_str(), Argument));
    ASSERT_EQ(1u, second.boxes.size());
    EXPECT_EQ(std::string(1023, 'x'), second.boxes[0].text);
}
