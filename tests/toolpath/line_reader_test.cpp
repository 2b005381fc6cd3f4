// The tool-path model's line reader against a plain reference reader on
// random files: the same lines, offsets and numbers, across buffer refills,
// line ends of every kind, and lines at and beyond the length limit.
#include "toolpath/line_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

struct ReferenceLine {
    long long offset;
    std::string bytes;
};

// The plain reading: a byte at a time, CR LF, a lone CR and a lone LF each
// end a line, the last line may have no line end. Stops after a line over the
// limit, which it keeps as the last entry.
std::vector<ReferenceLine> reference_lines(const std::string &file, bool &too_long) {
    std::vector<ReferenceLine> lines;
    too_long = false;
    size_t at = 0;
    while (at < file.size()) {
        size_t start = at;
        while (at < file.size() && file[at] != '\r' && file[at] != '\n') ++at;
        lines.push_back({static_cast<long long>(start), file.substr(start, at - start)});
        if (at - start > LINE_LIMIT) {
            too_long = true;
            return lines;
        }
        if (at < file.size()) {
            at += file[at] == '\r' && at + 1 < file.size() && file[at + 1] == '\n' ? 2 : 1;
        }
    }
    return lines;
}

// Random bytes with many line ends, blanks and digits; one file in four holds
// a run without a line end right at, or just beyond, the length limit.
std::string random_file(std::mt19937 &random) {
    static const char Alphabet[] = "\r\n\r\nG01 X-12.345 Y6.7 (\x83\x7C)\t%\x1A";
    size_t size = 0;
    switch (random() % 10) {
    case 0: size = random() % 16; break;
    case 1: size = 200000 + random() % 700000; break;  // beyond the buffer
    default: size = random() % 5000; break;
    }
    std::string file;
    file.reserve(size + LINE_LIMIT + 4);
    while (file.size() < size) {
        file += Alphabet[random() % (sizeof Alphabet - 1)];
        if (random() % 4 == 0) file += static_cast<char>(random() % 256);
    }
    if (random() % 4 == 0) {
        size_t at = file.empty() ? 0 : random() % file.size();
        file.insert(at, LINE_LIMIT - 2 + random() % 5, 'A');
    }
    return file;
}

void expect_reads_as_reference(const std::string &path, const std::string &file, int round) {
    bool too_long = false;
    std::vector<ReferenceLine> expected = reference_lines(file, too_long);
    std::unique_ptr<LineReader> reader(new LineReader);
    ASSERT_EQ(0, line_open(*reader, path.c_str()));
    LineText line;
    for (size_t i = 0; i < expected.size(); ++i) {
        int got = line_next(*reader, line);
        if (too_long && i + 1 == expected.size()) {
            EXPECT_EQ(-1, got) << "round " << round << " line " << i + 1;
            EXPECT_EQ(0, reader->failed);
            break;
        }
        ASSERT_EQ(1, got) << "round " << round << " line " << i + 1;
        EXPECT_EQ(static_cast<int>(i + 1), line.number);
        EXPECT_EQ(expected[i].offset, line.offset) << "round " << round << " line " << i + 1;
        ASSERT_EQ(expected[i].bytes, std::string(line.bytes, line.length)) << "round " << round << " line " << i + 1;
    }
    if (!too_long) {
        EXPECT_EQ(0, line_next(*reader, line)) << "round " << round;
    }
    // Back to a line read before: the same line comes out again with its number.
    if (!expected.empty() && !too_long) {
        size_t back = static_cast<size_t>(round) % expected.size();
        ASSERT_EQ(0, line_seek(*reader, expected[back].offset, static_cast<int>(back + 1)));
        ASSERT_EQ(1, line_next(*reader, line));
        EXPECT_EQ(static_cast<int>(back + 1), line.number);
        EXPECT_EQ(expected[back].bytes, std::string(line.bytes, line.length));
    }
    line_close(*reader);
}

TEST(ToolpathLineReader, RandomFilesReadAsThePlainReaderReadsThem) {
    TempDir dir;
    std::string path = dir.file("LINES.NC");
    std::mt19937 random(20261207);
    for (int round = 0; round < 300; ++round) {
        std::string file = random_file(random);
        write_file_bytes(path, file);
        expect_reads_as_reference(path, file, round);
        if (HasFatalFailure()) return;
    }
}

TEST(ToolpathLineReader, ViewAheadHoldsTheNextLineAndPassesOverWholeLines) {
    TempDir dir;
    std::string path = dir.file("AHEAD.NC");
    std::mt19937 random(1208);
    for (int round = 0; round < 200; ++round) {
        std::string file = random_file(random);
        write_file_bytes(path, file);
        bool too_long = false;
        std::vector<ReferenceLine> expected = reference_lines(file, too_long);
        if (too_long) expected.pop_back();
        std::unique_ptr<LineReader> reader(new LineReader);
        ASSERT_EQ(0, line_open(*reader, path.c_str()));
        size_t index = 0;
        while (index < expected.size()) {
            const char *bytes = nullptr;
            size_t count = 0;
            ASSERT_EQ(0, line_ahead(*reader, bytes, count));
            long long offset = expected[index].offset;
            // The view starts at the next line and holds it whole with its line end, or the file's end.
            size_t wanted = expected[index].bytes.size() + (index + 1 < expected.size() ? 1 : 0);
            ASSERT_GE(count, std::min(wanted, file.size() - static_cast<size_t>(offset))) << "round " << round;
            ASSERT_LE(count, file.size() - static_cast<size_t>(offset)) << "round " << round;
            size_t compared = std::min(count, wanted + 64);
            ASSERT_EQ(file.substr(static_cast<size_t>(offset), compared), std::string(bytes, compared))
                << "round " << round;
            // Over up to three whole lines that lie in the view, then the next one is read.
            size_t reach = index + random() % 4;
            size_t skip = index;
            for (size_t k = index + 1; k <= reach && k < expected.size(); ++k) {
                if (static_cast<size_t>(expected[k].offset - offset) <= count) skip = k;
            }
            line_pass_over(*reader, static_cast<size_t>(expected[skip].offset - offset));
            LineText line;
            ASSERT_EQ(1, line_next(*reader, line)) << "round " << round;
            EXPECT_EQ(expected[skip].offset, line.offset);
            ASSERT_EQ(expected[skip].bytes, std::string(line.bytes, line.length)) << "round " << round;
            index = skip + 1;
        }
        line_close(*reader);
    }
}

TEST(ToolpathLineReader, LineEndsAtEveryPlaceOfAWord) {
    // Every position of a CR, an LF and a CR LF against the eight-byte steps of the search.
    TempDir dir;
    std::string path = dir.file("ENDS.NC");
    const char *ends[] = {"\r", "\n", "\r\n", "\n\r"};
    for (const char *end : ends) {
        for (size_t length = 0; length < 20; ++length) {
            std::string file = std::string(length, 'G') + end + std::string(length % 9, 'X') + end + "M30";
            write_file_bytes(path, file);
            expect_reads_as_reference(path, file, static_cast<int>(length));
        }
    }
}

}  // namespace
