// The corpus of shop programs: every file is listed once in corpus.txt, keeps the
// dialect's rules, converts in every composition at several angles and centres
// with the check agreeing (a file with cutter compensation is refused per
// machining, and only then), and together the files show every shape the shops
// write.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "../rotate/driver_harness.h"
#include "support/program_walk.h"
#include "test_support.h"
#include "toolpath/check.h"

namespace {

struct CorpusEntry {
    std::string name;
    std::string compositions;
    std::string what;
};

std::string trim(const std::string &text) {
    size_t first = text.find_first_not_of(' '), last = text.find_last_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

std::vector<CorpusEntry> read_listing() {
    std::vector<CorpusEntry> entries;
    std::istringstream listing(read_file_bytes(test_data_path("corpus/corpus.txt")));
    std::string line;
    while (std::getline(listing, line)) {
        if (line.empty() || line[0] == '#') continue;
        size_t bar = line.find('|'), second = line.find('|', bar + 1);
        EXPECT_NE(std::string::npos, second) << line;
        if (second == std::string::npos) continue;
        entries.push_back({trim(line.substr(0, bar)), trim(line.substr(bar + 1, second - bar - 1)),
                           trim(line.substr(second + 1))});
    }
    return entries;
}

TEST(Corpus, EveryFileIsListedOnceAndKeepsTheDialect) {
    std::vector<CorpusEntry> entries = read_listing();
    ASSERT_GE(entries.size(), 15u);
    std::set<std::string> listed;
    for (const CorpusEntry &entry : entries) {
        EXPECT_TRUE(listed.insert(entry.name).second) << "listed twice: " << entry.name;
        EXPECT_FALSE(entry.what.empty()) << entry.name;
        bool refused = entry.compositions == "whole copies per_machining:refused";
        EXPECT_TRUE(refused || entry.compositions == "whole copies per_machining") << entry.name;
        WalkResult walk;
        std::string bytes = read_file_bytes(test_data_path("corpus/" + entry.name));
        ASSERT_FALSE(bytes.empty()) << entry.name;
        EXPECT_EQ(0, walk_program(bytes, walk)) << entry.name << " line " << walk.fault_line << ": " << walk.fault;
        EXPECT_EQ(refused, walk.compensation) << entry.name << ": per_machining:refused is for cutter compensation";
        EXPECT_NE(LINE_END_MIXED, walk.line_end) << entry.name;
    }
    for (const auto &file : std::filesystem::directory_iterator(test_data_path("corpus"))) {
        if (file.path().extension() != ".nc") continue;
        EXPECT_EQ(1u, listed.count(file.path().filename().string())) << "not in corpus.txt: " << file.path();
    }
}

struct CorpusJob {
    const char *name;
    DriverKind kind;
    double angle;
    double centre[2];
    int copies;
    int keep_source;
    int type;
};

// Each composition at angles and centres that turn the path off its own grid.
const CorpusJob CorpusJobs[] = {
    {"whole program 30 about (0, 0)", WHOLE_PROGRAM, 30.0, {0.0, 0.0}, 1, 0, 1},
    {"whole program -90 about (40, -25.5)", WHOLE_PROGRAM, -90.0, {40.0, -25.5}, 1, 0, 1},
    {"whole program 450 about (-12.3, 7)", WHOLE_PROGRAM, 450.0, {-12.3, 7.0}, 1, 0, 1},
    {"copies 3 at 120 about (0, 0)", COPIES, 120.0, {0.0, 0.0}, 3, 1, 0},
    {"copies 4 at 72 about (25, 25)", COPIES, 72.0, {25.0, 25.0}, 4, 1, 0},
    {"per machining 3 at 120 about (0, 0)", PER_MACHINING, 120.0, {0.0, 0.0}, 3, 1, 1},
    {"per machining 2 at 37.5 about (7, -3)", PER_MACHINING, 37.5, {7.0, -3.0}, 2, 1, 1},
};

// One file in one job: "" when it converted, the check agreed and nothing was left behind.
std::string convert_and_check(DriverHarness &h, const CorpusJob &job) {
    h.centre[0] = job.centre[0];
    h.centre[1] = job.centre[1];
    std::string output;
    if (h.run_file(job.kind, job.angle, job.copies, output) != 0) return "driver: " + first_error(h.log);
    CheckParams params = {job.angle, {job.centre[0], job.centre[1]}, job.copies, job.keep_source, job.type};
    CheckResult check;
    if (h.check(params, check) != 0) {
        return "check: output line " + std::to_string(check.output_line) + ": expected " + check.expected +
               ", found " + check.found;
    }
    return h.stray_files().empty() ? "" : "left behind: " + h.stray_files();
}

TEST(Corpus, EveryFileConvertsInEveryCompositionAndPassesTheCheck) {
    for (const CorpusEntry &entry : read_listing()) {
        DriverHarness h;
        write_file_bytes(h.input_path, read_file_bytes(test_data_path("corpus/" + entry.name)));
        bool refused_per_machining = entry.compositions == "whole copies per_machining:refused";
        for (const CorpusJob &job : CorpusJobs) {
            h.log.lines.clear();
            std::string fault = convert_and_check(h, job);
            if (refused_per_machining && job.kind == PER_MACHINING) {
                EXPECT_NE(std::string::npos, fault.find("工具径補正中の加工は加工毎に回転コピーできません"))
                    << entry.name << ", " << job.name << ": " << fault;
                EXPECT_EQ("", h.stray_files()) << entry.name << ", " << job.name;
            } else {
                EXPECT_EQ("", fault) << entry.name << ", " << job.name;
            }
        }
    }
}

// One file's layout and number style, by name, for the corpus-wide count.
void note_file(const std::string &bytes, const WalkResult &walk, std::map<std::string, int> &seen) {
    if (walk.line_end == LINE_END_LF) ++seen["LF line ends"];
    if (walk.line_end == LINE_END_CRLF) ++seen["CR LF line ends"];
    if (!walk.last_line_has_end) ++seen["last line without its end"];
    if (walk.eof_mark) ++seen["Ctrl-Z last"];
    std::map<std::string, int> features = walk.features;
    if (features["number_plain"] > 0 && features["number_point"] == 0) ++seen["no-point numbers only"];
    if (features["number_plain"] > 0 && features["number_point"] > 0) ++seen["mixed numbers"];
    if (features["number_plain"] == 0) ++seen["point numbers only"];
    if (bytes.find("\x81\x5b") != std::string::npos) ++seen["a comment byte 0x5B after a lead byte"];
    if (bytes.find("\x95\x5c") != std::string::npos || bytes.find("\x83\x5c") != std::string::npos)
        ++seen["a comment byte 0x5C after a lead byte"];
    for (unsigned char c : bytes)
        if (c >= 0xA1 && c <= 0xDF) {
            ++seen["half-width katakana"];
            break;
        }
}

TEST(Corpus, TogetherTheFilesShowEveryShape) {
    std::map<std::string, int> seen;
    for (const CorpusEntry &entry : read_listing()) {
        std::string bytes = read_file_bytes(test_data_path("corpus/" + entry.name));
        WalkResult walk;
        walk_program(bytes, walk);
        for (const auto &feature : walk.features) seen[feature.first] += feature.second;
        note_file(bytes, walk, seen);
    }
    const char *const shapes[] = {
        "arc_ij", "arc_r", "arc_r_negative", "arc_r_near_half", "full_circle", "helix", "g91_xy", "g91_z",
        "corner_round", "corner_chamfer", "g92_xyz", "g92_z", "g28", "g30", "g53", "g54_1", "work_offset_change",
        "g43", "g05_1", "g08", "g61", "g64", "g94", "dwell", "m00", "m01", "m04", "m19", "compensation",
        "cycle_73_g98", "cycle_73_g99", "cycle_74_g98", "cycle_74_g99", "cycle_81_g98", "cycle_81_g99",
        "cycle_82_g98", "cycle_82_g99", "cycle_83_g98", "cycle_83_g99", "cycle_84_g98", "cycle_84_g99",
        "cycle_85_g98", "cycle_85_g99", "cycle_86_g98", "cycle_86_g99", "cycle_88_g98", "cycle_88_g99",
        "cycle_89_g98", "cycle_89_g99", "cycle_k", "rigid_tapping", "tool_change", "tool_call",
        "sequence_number", "comment", "blank_line", "tape_mark", "program_number", "LF line ends",
        "CR LF line ends", "last line without its end", "Ctrl-Z last", "no-point numbers only", "mixed numbers",
        "point numbers only", "a comment byte 0x5B after a lead byte", "a comment byte 0x5C after a lead byte",
        "half-width katakana"};
    for (const char *shape : shapes) EXPECT_GT(seen[shape], 0) << "no corpus file shows: " << shape;
}

}  // namespace
