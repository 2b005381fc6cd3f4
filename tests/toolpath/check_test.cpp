// The conversion check: correct conversions written by hand pass in each
// composition, and every corruption that matters fails at its output line.
#include "toolpath/check.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/program_values.h"
#include "test_support.h"

namespace {

std::string data(const std::string &name) { return read_file_bytes(test_data_path("toolpath/data/" + name)); }

const CheckParams WholeAt30 = {30.0, {5.0, 5.0}, 1, 0, 0};
const CheckParams CopiesAt120 = {120.0, {0.0, 0.0}, 3, 1, 2};
const CheckParams PerMachiningAt90 = {90.0, {0.0, 0.0}, 2, 1, 1};

int check_texts(const std::string &source, const std::string &output, const CheckParams &params,
                CheckResult &result) {
    TempDir dir;
    std::string input_path = dir.file("PART.NC");
    std::string output_path = dir.file("PART_ROT.NC");
    write_file_bytes(input_path, source);
    write_file_bytes(output_path, output);
    return check_conversion(input_path.c_str(), output_path.c_str(), params, result);
}

// The lines of a text with their ends, so that a line can be changed or dropped.
std::vector<std::string> lines_of(const std::string &text) {
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        end = end == std::string::npos ? text.size() : end + 1;
        lines.push_back(text.substr(at, end - at));
        at = end;
    }
    return lines;
}

std::string joined(const std::vector<std::string> &lines) {
    std::string text;
    for (const std::string &line : lines) text += line;
    return text;
}

// Line number (from 1) replaced by the given text, its line end kept.
std::string with_line(const std::string &text, int number, const std::string &replacement) {
    std::vector<std::string> lines = lines_of(text);
    std::string &line = lines.at(static_cast<size_t>(number - 1));
    size_t body = line.find_first_of("\r\n");
    line = replacement + (body == std::string::npos ? "" : line.substr(body));
    return joined(lines);
}

std::string without_lines(const std::string &text, int first, int last) {
    std::vector<std::string> lines = lines_of(text);
    lines.erase(lines.begin() + (first - 1), lines.begin() + last);
    return joined(lines);
}

std::string with_line_inserted(const std::string &text, int before, const std::string &line) {
    std::vector<std::string> lines = lines_of(text);
    lines.insert(lines.begin() + (before - 1), line + "\n");
    return joined(lines);
}

void expect_fails_at(const std::string &source, const std::string &output, const CheckParams &params,
                     int output_line, const std::string &what) {
    CheckResult result;
    EXPECT_EQ(-1, check_texts(source, output, params, result)) << what;
    EXPECT_EQ(output_line, result.output_line) << what << "\n  expected: " << result.expected
                                                << "\n  found: " << result.found;
    EXPECT_FALSE(result.expected.empty()) << what;
    EXPECT_FALSE(result.found.empty()) << what;
}

TEST(ToolpathCheck, CorrectConversionsPassInEveryComposition) {
    CheckResult result;
    ASSERT_EQ(0, check_texts(data("whole.nc"), data("whole_30.nc"), WholeAt30, result))
        << result.output_line << " " << result.expected << " / " << result.found;
    EXPECT_EQ(14, result.motions_checked);
    EXPECT_EQ(0, result.output_line);
    EXPECT_TRUE(result.expected.empty());

    ASSERT_EQ(0, check_texts(data("copies.nc"), data("copies_120x3.nc"), CopiesAt120, result))
        << result.output_line << " " << result.expected << " / " << result.found;
    EXPECT_EQ(25, result.motions_checked);

    // The approach of every copy and the way back over the source's point are
    // the composition's own rapids: up, across above the clearance, down onto the start.
    ASSERT_EQ(0, check_texts(data("per_machining.nc"), data("per_machining_90x2.nc"), PerMachiningAt90, result))
        << result.output_line << " " << result.expected << " / " << result.found;
    EXPECT_EQ(34, result.motions_checked);

    // One placement of the copies is the source itself.
    CheckParams single = CopiesAt120;
    single.copy_count = 1;
    ASSERT_EQ(0, check_texts(data("copies.nc"), data("copies.nc"), single, result)) << result.found;
    single = PerMachiningAt90;
    single.copy_count = 0;
    ASSERT_EQ(0, check_texts(data("per_machining.nc"), data("per_machining.nc"), single, result)) << result.found;
}

TEST(ToolpathCheck, StartBlockOnlyWhereTheCoordinateSettingPutsIt) {
    const std::string whole = data("whole_30.nc");
    // Turned like every other rapid, the start block is wrong.
    expect_fails_at(data("whole.nc"), with_line(whole, 3, "G90 G00 X3.17 Y-1.83 Z100."), WholeAt30, 3,
                    "start block turned");
    // Without a G92 naming that point, the first rapid is an ordinary one.
    CheckResult result;
    const std::string source = "G90 G00 X0 Y0 Z100.\nG01 X10. F100\n";
    EXPECT_EQ(0, check_texts(source, "G90 G00 X3.17 Y-1.83 Z100.\nG01 X11.830 Y3.170 F100\n", WholeAt30, result))
        << result.expected << " / " << result.found;
    expect_fails_at(source, "G90 G00 X0 Y0 Z100.\nG01 X11.830 Y3.170 F100\n", WholeAt30, 1, "unturned rapid");
}

// Comment lines of the given size in all, full of 9s and G codes, none of
// them a G92 the program gives.
std::string filler_of(size_t bytes) {
    const std::string line = "(G09 9 G 0 9 X99. G92 X10. Y0 Z5. G93)\n";
    std::string text;
    while (text.size() + line.size() + 3 <= bytes) text += line;
    return text + "(" + std::string(bytes - text.size() - 3, '9') + ")\n";
}

TEST(ToolpathCheck, StartSettingFoundFarAheadUnlessALongLineHidesIt) {
    const std::string rapid = "G90 G00 X10. Y0 Z5.\n";
    const std::string turned = "G90 G00 X11.830 Y3.170 Z5.\n";
    const std::string setting = "G 0 9 2 X10. Y0 Z5.\nM30\n";
    CheckResult result;
    // Far beyond the first buffer, and across its end at every place of the G92.
    const size_t buffer = 4 * 65536;
    const size_t fillers[] = {300000, buffer - rapid.size() - 8, buffer - rapid.size() - 7, buffer - rapid.size() - 6,
                              buffer - rapid.size() - 5, buffer - rapid.size() - 4, buffer - rapid.size() - 3};
    for (size_t filler : fillers) {
        const std::string source = rapid + filler_of(filler) + setting;
        EXPECT_EQ(0, check_texts(source, source, WholeAt30, result)) << filler << ": " << result.found;
        EXPECT_EQ(-1, check_texts(source, turned + "M30\n", WholeAt30, result)) << filler;
        EXPECT_EQ(1, result.output_line) << filler;
    }
    // A line over 64 KiB stops a reading line by line: the G92 beyond it is not
    // seen, and the model refuses the long line when it gets there.
    const std::string long_line = "(" + std::string(70000, 'A') + ")\n";
    const std::string hidden = rapid + long_line + setting;
    EXPECT_EQ(-1, check_texts(hidden, rapid + "M30\n", WholeAt30, result));
    EXPECT_EQ(1, result.output_line) << result.expected << " / " << result.found;
    EXPECT_EQ(-1, check_texts(hidden, turned + "M30\n", WholeAt30, result));
    EXPECT_EQ(0, result.output_line);
    EXPECT_EQ(2, result.input_line) << result.expected;
    // Before the long line it is seen.
    const std::string seen = rapid + filler_of(100000) + setting + long_line;
    EXPECT_EQ(-1, check_texts(seen, rapid + "M30\n", WholeAt30, result));
    EXPECT_EQ(0, result.output_line) << result.expected << " / " << result.found;
    EXPECT_EQ(-1, check_texts(seen, turned + "M30\n", WholeAt30, result));
    EXPECT_EQ(1, result.output_line);
}

TEST(ToolpathCheck, ToolStaysAtTheUnturnedPointItWasSetAt) {
    // The G92 names where the tool stands on the machine: the output names the
    // same point, and a move in Z only goes down there, unturned.
    const std::string source = "G92 X0 Y0 Z100.\nG90 G00 Z50.\nX10. Y0\nG01 Z-1. F100\nM30\n";
    const std::string output = "G92 X0 Y0 Z100.\nG90 G00 Z50.\nX10. Y10.\nG01 Z-1. F100\nM30\n";
    const CheckParams at90 = {90.0, {5.0, 5.0}, 1, 0, 0};
    CheckResult result;
    EXPECT_EQ(0, check_texts(source, output, at90, result)) << result.expected << " / " << result.found;
    // A setting turned with the path would put the whole part elsewhere.
    expect_fails_at(source, with_line(output, 1, "G92 X10. Y0 Z100."), at90, 2, "turned setting");
    // A cut straight from the set point is cut at its turned place: the tool
    // goes over there first, at the height it stands at.
    const std::string cut = "G92 X0 Y0 Z0\nG90 G01 X10. F100\n";
    EXPECT_EQ(0, check_texts(cut, "G92 X0 Y0 Z0\nG90 G00 X10.\nG01 Y10. F100\n", at90, result))
        << result.expected << " / " << result.found;
    expect_fails_at(cut, "G92 X0 Y0 Z0\nG90 G01 X10. Y10. F100\n", at90, 2, "cut from the unturned point");
}

TEST(ToolpathCheck, ShiftedFrameKeepsItsShiftAndTheCentreItsPlace) {
    // G92 where the tool stands at X10.: the frame shifts by 10. The output keeps
    // that shift (G92 at the turned place less 10), and the rest turns about the
    // same point of the part, whose numbers are now X-10. Y0.
    const std::string source = "G90 G00 X10. Y0 Z50.\nG92 X0 Y0\nG00 Z5.\nG01 X5. F100\nM30\n";
    const std::string output = "G90 G00 X0 Y10. Z50.\nG92 X-10. Y10.\nG00 Z5.\nG01 X-10. Y15. F100\nM30\n";
    const CheckParams at90 = {90.0, {0.0, 0.0}, 1, 0, 0};
    CheckResult result;
    EXPECT_EQ(0, check_texts(source, output, at90, result)) << result.expected << " / " << result.found;
    EXPECT_EQ(4, result.motions_checked);
    // Turning the setting with the path turns the frame: the tool is not where the source says.
    expect_fails_at(source, with_line(output, 2, "G92 X0 Y0"), at90, 3, "turned frame");
}

TEST(ToolpathCheck, CorruptionsOfTheWholeProgramFailAtTheirLine) {
    const std::string source = data("whole.nc");
    const std::string good = data("whole_30.nc");
    expect_fails_at(source, with_line(good, 10, "X37.821 Y18.17"), WholeAt30, 10, "X off by 0.01");
    expect_fails_at(source, with_line(good, 11, "G02 X24.151 Y21.83 R10."), WholeAt30, 11, "G02 for G03");
    expect_fails_at(source, without_lines(good, 10, 10), WholeAt30, 10, "dropped cut");
    expect_fails_at(source, with_line(good, 4, "G55 G92 X0 Y0 Z100."), WholeAt30, 9, "other work offset");
    expect_fails_at(source, with_line(good, 6, "S1000"), WholeAt30, 9, "lost M03");
    expect_fails_at(source, with_line(good, 7, "G00 X20.49 Y8.17"), WholeAt30, 9, "lost M08");
    expect_fails_at(source, with_line(good, 5, "T02 M06"), WholeAt30, 9, "other tool");
    expect_fails_at(source, with_line(good, 8, "G43 Z5. H02"), WholeAt30, 9, "other length offset");
    expect_fails_at(source, with_line(good, 9, "G01 Z-1. F110"), WholeAt30, 9, "other feed");
    expect_fails_at(source, with_line(good, 4, "G54"), WholeAt30, 7, "dropped G92");
    expect_fails_at(source, with_line(good, 9, "G00 Z-1. F100"), WholeAt30, 9, "feed made a rapid");
    expect_fails_at(source, with_line(good, 12, "G02 X20.49 Y8.17 I-8.651 J-5."), WholeAt30, 12, "arc centre");
    expect_fails_at(source, with_line(good, 15, "G99 G81 X41.471 Y31.83 Z-5. R3. F80"), WholeAt30, 15,
                    "hole R level");
    expect_fails_at(source, with_line(good, 15, "G98 G81 X41.471 Y31.83 Z-5. R2. F80"), WholeAt30, 15,
                    "hole return level");
    expect_fails_at(source, with_line(good, 13, "G91 G01 X5. Y-8.66"), WholeAt30, 13, "distance mode");
    expect_fails_at(source, with_line(good, 21, "M02"), WholeAt30, 21, "other program end");
    expect_fails_at(source, with_line_inserted(good, 21, "G00 Z200."), WholeAt30, 21, "extra rapid");
    // Across at the reference height only onto the next start: anywhere else it is a difference.
    expect_fails_at(source, with_line_inserted(good, 21, "G90 G00 X100. Y100."), WholeAt30, 21,
                    "across at the reference height, going nowhere it must");
    // Ended early: the line where the output stops, and the source line it still owes.
    CheckResult result;
    ASSERT_EQ(-1, check_texts(source, without_lines(good, 19, 22), WholeAt30, result));
    EXPECT_EQ(18, result.output_line);
    EXPECT_EQ(20, result.input_line);
    // The words say what differs.
    ASSERT_EQ(-1, check_texts(source, with_line(good, 10, "X37.821 Y18.17"), WholeAt30, result));
    EXPECT_EQ(10, result.input_line);
    EXPECT_NE(std::string::npos, result.expected.find("X37.811")) << result.expected;
    EXPECT_NE(std::string::npos, result.found.find("X37.821")) << result.found;
    EXPECT_EQ(0u, result.expected.find("直線切削"));
}

TEST(ToolpathCheck, CorruptionsOfCopiesFailAtTheirLine) {
    const std::string source = data("copies.nc");
    const std::string good = data("copies_120x3.nc");
    expect_fails_at(source, with_line_inserted(good, 15, "M30"), CopiesAt120, 15, "end before the copies");
    expect_fails_at(source, with_line(good, 29, "G90 G54 G00 X-5. Y8.66"), CopiesAt120, 29, "copy at the wrong angle");
    expect_fails_at(source, with_line(good, 35, "X-10. Y-17.321 F90"), CopiesAt120, 35, "copy's feed");
    expect_fails_at(source, without_lines(good, 15, 27), CopiesAt120, 16, "a copy left out");
    // A lost arc is found at the first motion that cannot stand in its place:
    // the rapid up after it is one the composition may make of its own.
    expect_fails_at(source, without_lines(good, 36, 36), CopiesAt120, 39, "a copy's arc left out");
}

TEST(ToolpathCheck, CompositionMovesOnlyAboveTheClearance) {
    const std::string source = data("per_machining.nc");
    const std::string good = data("per_machining_90x2.nc");
    expect_fails_at(source, with_line(good, 10, "Z50."), PerMachiningAt90, 11, "across below the clearance");
    CheckResult result;
    ASSERT_EQ(-1, check_texts(source, with_line(good, 10, "Z50."), PerMachiningAt90, result));
    EXPECT_NE(std::string::npos, result.found.find("Z100.000")) << result.found;
    expect_fails_at(source, with_line(without_lines(good, 11, 11), 10, "X0 Y10. Z100."), PerMachiningAt90, 10,
                    "up and across at once");
    expect_fails_at(source, with_line(good, 12, "Z4."), PerMachiningAt90, 12, "down beside the start");
    expect_fails_at(source, without_lines(good, 18, 18), PerMachiningAt90, 18, "no way back over the source");
    expect_fails_at(source, without_lines(good, 10, 16), PerMachiningAt90, 12, "a copy left out");
    expect_fails_at(source, with_line(good, 26, "G00 Z-2."), PerMachiningAt90, 26, "copy's cut as a rapid");
    expect_fails_at(source, with_line(good, 28, "G04 P400"), PerMachiningAt90, 28, "copy's dwell");
    expect_fails_at(source, without_lines(good, 33, 36), PerMachiningAt90, 33, "copies of the last machining");
}

TEST(ToolpathCheck, StopsWhenTheJobIsCancelled) {
    CheckResult result;
    CancelRequested = 1;
    int status = check_texts(data("whole.nc"), data("whole_30.nc"), WholeAt30, result);
    CancelRequested = 0;
    EXPECT_EQ(-1, status);
    EXPECT_EQ(0, result.output_line);
    EXPECT_FALSE(result.found.empty());
}

TEST(ToolpathCheck, RefusedFilesAreDifferencesWithTheirLine) {
    CheckResult result;
    const std::string source = data("whole.nc");
    const std::string good = data("whole_30.nc");
    ASSERT_EQ(-1, check_texts(source, with_line(good, 12, "G02 X20.49 Y8.17 A1."), WholeAt30, result));
    EXPECT_EQ(12, result.output_line);
    EXPECT_EQ(0, result.input_line);
    EXPECT_EQ(0u, result.found.find("出力 12行目: ")) << result.found;
    ASSERT_EQ(-1, check_texts(with_line(source, 16, "G68 X0 Y0 R5."), good, WholeAt30, result));
    EXPECT_EQ(16, result.input_line);
    EXPECT_EQ(0, result.output_line);
    EXPECT_EQ(0u, result.expected.find("変換元 16行目: ")) << result.expected;
    TempDir dir;
    std::string present = dir.file("PRESENT.NC");
    write_file_bytes(present, source);
    ASSERT_EQ(-1, check_conversion(dir.file("MISSING.NC").c_str(), present.c_str(), WholeAt30, result));
    EXPECT_NE(std::string::npos, result.expected.find("MISSING.NC"));
    ASSERT_EQ(-1, check_conversion(present.c_str(), dir.file("MISSING.NC").c_str(), WholeAt30, result));
    EXPECT_NE(std::string::npos, result.found.find("MISSING.NC"));
}

}  // namespace
