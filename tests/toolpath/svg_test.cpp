// The tool-path picture: well-formed XML, every move counted before thinning,
// the extent as the moves give it, colours by copy, thinning of dense paths.
#include "toolpath/svg.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

// A small well-formedness check: one root element, tags closed in order,
// attribute values quoted, "&" only as an entity, nothing after the root.
struct XmlReader {
    const std::string &text;
    size_t at;
    std::vector<std::string> open;
    std::string problem;
};

int is_name_char(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
           c == ':' || c == '.';
}

bool fail_xml(XmlReader &reader, const std::string &what) {
    char where[32];
    std::snprintf(where, sizeof where, " at byte %zu", reader.at);
    reader.problem = what + where;
    return false;
}

bool read_entity(XmlReader &reader) {
    static const char *const Entities[] = {"&lt;", "&gt;", "&amp;", "&quot;", "&apos;"};
    for (const char *entity : Entities) {
        if (reader.text.compare(reader.at, std::string(entity).size(), entity) == 0) {
            reader.at += std::string(entity).size();
            return true;
        }
    }
    return fail_xml(reader, "bare &");
}

bool read_name(XmlReader &reader, std::string &name) {
    size_t start = reader.at;
    while (reader.at < reader.text.size() && is_name_char(reader.text[reader.at])) ++reader.at;
    name = reader.text.substr(start, reader.at - start);
    return !name.empty() || fail_xml(reader, "missing name");
}

void skip_space(XmlReader &reader) {
    while (reader.at < reader.text.size() && std::string(" \t\r\n").find(reader.text[reader.at]) != std::string::npos)
        ++reader.at;
}

bool read_attributes(XmlReader &reader, bool &closed) {
    closed = false;
    for (;;) {
        skip_space(reader);
        if (reader.at >= reader.text.size()) return fail_xml(reader, "unclosed tag");
        char c = reader.text[reader.at];
        if (c == '>') {
            ++reader.at;
            return true;
        }
        if (c == '/' && reader.text.compare(reader.at, 2, "/>") == 0) {
            reader.at += 2;
            closed = true;
            return true;
        }
        std::string name;
        if (!read_name(reader, name)) return false;
        if (reader.text.compare(reader.at, 2, "=\"") != 0) return fail_xml(reader, "attribute " + name + " unquoted");
        reader.at += 2;
        while (reader.at < reader.text.size() && reader.text[reader.at] != '"') {
            if (reader.text[reader.at] == '<') return fail_xml(reader, "< in attribute");
            if (reader.text[reader.at] == '&') {
                if (!read_entity(reader)) return false;
            } else {
                ++reader.at;
            }
        }
        if (reader.at >= reader.text.size()) return fail_xml(reader, "unclosed attribute");
        ++reader.at;
    }
}

bool read_tag(XmlReader &reader, int &roots) {
    ++reader.at;
    if (reader.text.compare(reader.at, 3, "!--") == 0) {
        size_t end = reader.text.find("-->", reader.at);
        if (end == std::string::npos) return fail_xml(reader, "unclosed comment");
        reader.at = end + 3;
        return true;
    }
    std::string name;
    if (reader.at < reader.text.size() && reader.text[reader.at] == '/') {
        ++reader.at;
        if (!read_name(reader, name)) return false;
        if (reader.open.empty() || reader.open.back() != name) return fail_xml(reader, "</" + name + "> out of order");
        reader.open.pop_back();
        skip_space(reader);
        if (reader.at >= reader.text.size() || reader.text[reader.at] != '>') return fail_xml(reader, "bad end tag");
        ++reader.at;
        return true;
    }
    if (!read_name(reader, name)) return false;
    if (reader.open.empty() && ++roots > 1) return fail_xml(reader, "second root");
    bool closed = false;
    if (!read_attributes(reader, closed)) return false;
    if (!closed) reader.open.push_back(name);
    return true;
}

bool is_well_formed(const std::string &text, std::string &problem) {
    XmlReader reader{text, 0, {}, {}};
    if (text.compare(0, 5, "<?xml") == 0) reader.at = text.find("?>") + 2;
    int roots = 0;
    while (reader.at < text.size()) {
        char c = text[reader.at];
        if (c == '<') {
            if (!read_tag(reader, roots)) break;
        } else if (c == '&') {
            if (!read_entity(reader)) break;
        } else if (c == '>') {
            fail_xml(reader, "bare >");
            break;
        } else {
            if (reader.open.empty() && std::string(" \t\r\n").find(c) == std::string::npos) {
                fail_xml(reader, "text outside the root");
                break;
            }
            ++reader.at;
        }
    }
    if (reader.problem.empty() && (!reader.open.empty() || roots != 1)) reader.problem = "unclosed elements";
    problem = reader.problem;
    return problem.empty();
}

struct Drawn {
    int status;
    std::string svg;
    PictureFacts facts;
};

Drawn draw(const std::string &source, const std::string &output, const CheckParams &params, const char *text) {
    TempDir dir;
    std::string input_path = dir.file("PART.NC");
    std::string output_path = dir.file("PART_ROT.NC");
    write_file_bytes(input_path, source);
    write_file_bytes(output_path, output);
    Drawn picture;
    TextWriter writer;
    text_open_memory(writer, picture.svg);
    picture.status = write_toolpath_svg(writer, input_path.c_str(), output_path.c_str(), params, text, picture.facts);
    text_close_write(writer);
    return picture;
}

size_t count_of(const std::string &text, const std::string &what) {
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
    return count;
}

std::string data(const std::string &name) { return read_file_bytes(test_data_path("toolpath/data/" + name)); }

void expect_extent(const PathExtent &extent, double min_x, double min_y, double max_x, double max_y) {
    ASSERT_FALSE(extent.empty);
    EXPECT_NEAR(min_x, extent.min[0], 1e-9);
    EXPECT_NEAR(min_y, extent.min[1], 1e-9);
    EXPECT_NEAR(max_x, extent.max[0], 1e-9);
    EXPECT_NEAR(max_y, extent.max[1], 1e-9);
}

TEST(ToolpathPicture, PerMachiningCopiesWithTheirColoursAndLegend) {
    const CheckParams params = {90.0, {0.0, 0.0}, 2, 1, 1};
    Drawn picture = draw(data("per_machining.nc"), data("per_machining_90x2.nc"), params, "一致 (34)");
    ASSERT_EQ(0, picture.status);
    std::string problem;
    EXPECT_TRUE(is_well_formed(picture.svg, problem)) << problem;
    // Every move with a known start and end in X and Y: 12 in the source; the
    // output's 34 motions less its two dwells and its end.
    EXPECT_EQ(12, picture.facts.source_segments);
    EXPECT_EQ(31, picture.facts.result_segments);
    EXPECT_GT(picture.facts.drawn_segments, 0);
    // The source from its G92 point (0, 0) to X30.; the copies reach X-10. and Y30.
    expect_extent(picture.facts.source_extent, 0.0, 0.0, 30.0, 10.0);
    expect_extent(picture.facts.result_extent, -10.0, 0.0, 30.0, 30.0);
    // The drawing comes before the legend's texts and keys.
    const std::string drawing = picture.svg.substr(0, picture.svg.find("<text"));
    EXPECT_NE(std::string::npos, drawing.find("class=\"s\""));
    EXPECT_NE(std::string::npos, drawing.find("class=\"k0\""));
    EXPECT_NE(std::string::npos, drawing.find("class=\"k1\""));
    EXPECT_NE(std::string::npos, drawing.find("class=\"c r\""));
    EXPECT_NE(std::string::npos, drawing.find(" A"));  // arcs as arcs
    EXPECT_EQ(std::string::npos, drawing.find("class=\"u"));
    EXPECT_NE(std::string::npos, picture.svg.find("一致 (34)"));
    EXPECT_NE(std::string::npos, picture.svg.find("90.000"));
    EXPECT_NE(std::string::npos, picture.svg.find(" mm</text>"));

    // The drawing is the picture record written out: one path element a stroke
    // and one a key, nothing else drawn.
    TempDir dir;
    write_file_bytes(dir.file("PART.NC"), data("per_machining.nc"));
    write_file_bytes(dir.file("PART_ROT.NC"), data("per_machining_90x2.nc"));
    std::unique_ptr<Picture> record(new Picture());
    ASSERT_EQ(0, build_picture(dir.file("PART.NC").c_str(), dir.file("PART_ROT.NC").c_str(), params, "一致 (34)",
                               *record));
    std::string svg;
    TextWriter writer;
    text_open_memory(writer, svg);
    write_picture_svg(writer, *record);
    text_close_write(writer);
    EXPECT_EQ(picture.svg, svg);
    EXPECT_EQ(record->paths.size() + record->placement_keys.size() + record->line_keys.size(),
              count_of(svg, "<path class="));
}

TEST(ToolpathPicture, ExtentOfFullCirclesAndTheRestAfterADifference) {
    const std::string source = "G90 G00 X10. Y0 Z0\nG02 I-10. F100\nG03 X0 Y10. R10.\n";
    const CheckParams whole = {0.0, {0.0, 0.0}, 1, 0, 0};
    Drawn picture = draw(source, source, whole, nullptr);
    ASSERT_EQ(0, picture.status);
    // The first rapid starts nowhere known: only the circle and the quarter are drawn.
    EXPECT_EQ(2, picture.facts.source_segments);
    expect_extent(picture.facts.source_extent, -10.0, -10.0, 10.0, 10.0);
    std::string problem;
    EXPECT_TRUE(is_well_formed(picture.svg, problem)) << problem;
    // A full circle is two half arcs.
    size_t first = picture.svg.find(" A");
    ASSERT_NE(std::string::npos, first);
    EXPECT_NE(std::string::npos, picture.svg.find(" A", first + 1));

    // After the first difference the output is still drawn, in the colour of the unchecked.
    Drawn wrong = draw(source, "G90 G00 X10. Y0 Z0\nG02 I-10. F100\nG03 X0 Y11. R10.5\n", whole, "相違");
    ASSERT_EQ(0, wrong.status);
    EXPECT_NE(std::string::npos, wrong.svg.substr(0, wrong.svg.find("<text")).find("class=\"u\""));
    EXPECT_EQ(2, wrong.facts.result_segments);
    EXPECT_TRUE(is_well_formed(wrong.svg, problem)) << problem;
}

TEST(ToolpathPicture, DensePathsAreThinnedToTheGrid) {
    // Thousands of steps of a micron, then one long move: the steps share a cell.
    std::string source = "G90 G00 X0 Y0 Z0\nG01 F100\n";
    for (int i = 1; i <= 5000; ++i) source += (i % 2 ? "X.001\n" : "X0\n");
    source += "X100. Y100.\n";
    const CheckParams whole = {0.0, {0.0, 0.0}, 1, 0, 0};
    Drawn picture = draw(source, source, whole, nullptr);
    ASSERT_EQ(0, picture.status);
    EXPECT_EQ(5001, picture.facts.source_segments);
    EXPECT_EQ(5001, picture.facts.result_segments);
    EXPECT_LT(picture.facts.drawn_segments, 10);
    EXPECT_LT(picture.svg.size(), 8000u);
    std::string problem;
    EXPECT_TRUE(is_well_formed(picture.svg, problem)) << problem;
}

TEST(ToolpathPicture, MissingFileDrawsNothing) {
    TempDir dir;
    std::string present = dir.file("PART.NC");
    write_file_bytes(present, "G90 G00 X0 Y0 Z0\n");
    std::string svg;
    TextWriter writer;
    text_open_memory(writer, svg);
    PictureFacts facts;
    const CheckParams whole = {0.0, {0.0, 0.0}, 1, 0, 0};
    EXPECT_EQ(-1, write_toolpath_svg(writer, present.c_str(), dir.file("NONE.NC").c_str(), whole, nullptr, facts));
    text_close_write(writer);
    EXPECT_TRUE(svg.empty());
    // The checker itself refuses what is not well formed.
    std::string problem;
    EXPECT_FALSE(is_well_formed("<svg><path d=\"M0 0\"></svg>", problem));
    EXPECT_FALSE(is_well_formed("<svg><text>a & b</text></svg>", problem));
    EXPECT_FALSE(is_well_formed("<svg x=1/>", problem));
    EXPECT_TRUE(is_well_formed("<?xml version=\"1.0\"?>\n<svg><g/><!-- c --><text>&lt;</text></svg>\n", problem));
}

}  // namespace
