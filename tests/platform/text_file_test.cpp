// Text-mode reading and writing: the same bytes on every build.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "test_support.h"

namespace {

// Every line the reader hands out; a fault ends the list with "!fault N at line L".
std::vector<std::string> read_lines(const std::string &path) {
    TextReader reader;
    if (text_open_read(reader, path.c_str()) != 0) return {"(cannot open)"};
    std::vector<std::string> lines;
    std::string line;
    int result = 0;
    while ((result = text_read_line(reader, line)) == 1) lines.push_back(line);
    if (result < 0) {
        lines.push_back("!fault " + std::to_string(reader.fault) + " at line " + std::to_string(reader.line_number));
    }
    text_close_read(reader);
    return lines;
}

std::vector<std::string> lines_of(const std::string &bytes) {
    TempDir dir;
    std::string path = dir.file("in.nc");
    write_file_bytes(path, bytes);
    return read_lines(path);
}

using Lines = std::vector<std::string>;

}  // namespace

TEST(TextFile, EveryLineEndEndsALine) {
    EXPECT_EQ(lines_of("G90\r\nG00X1.\r\n"), (Lines{"G90", "G00X1."}));
    EXPECT_EQ(lines_of("G90\nG00X1.\n"), (Lines{"G90", "G00X1."}));
    EXPECT_EQ(lines_of("G90\rG00X1.\rM30\r"), (Lines{"G90", "G00X1.", "M30"}));
    EXPECT_EQ(lines_of("G90\r\nM30"), (Lines{"G90", "M30"}));
    EXPECT_EQ(lines_of("A\r\r\nB\r"), (Lines{"A", "", "B"}));
    EXPECT_EQ(lines_of("\r\n\n"), (Lines{"", ""}));
    EXPECT_EQ(lines_of(""), Lines{});
    // Bytes above 0x7F pass as they are, a trail byte 0x5C too.
    EXPECT_EQ(lines_of("(\x95\x5C)\r\n"), (Lines{"(\x95\x5C)"}));
}

TEST(TextFile, CtrlZEndsTheInputOnlyAtTheEndAndNulIsAFault) {
    EXPECT_EQ(lines_of("G90\r\nM30\r\n\x1A"), (Lines{"G90", "M30"}));
    EXPECT_EQ(lines_of("G90\r\nM30\x1A\x1A\r\n\x1A"), (Lines{"G90", "M30"}));
    EXPECT_EQ(lines_of("\x1A"), Lines{});
    // Blocks after a Ctrl-Z would be lost without a word: the reader stops there.
    EXPECT_EQ(lines_of("G90\r\nM30\r\n\x1A" "G00X9.\r\n"), (Lines{"G90", "M30", "!fault 2 at line 3"}));
    EXPECT_EQ(lines_of("G90\r\nM3\x1A" "0\r\n"), (Lines{"G90", "!fault 2 at line 2"}));
    EXPECT_EQ(lines_of(std::string("G90\r\nX1\0Y2\r\n", 12)), (Lines{"G90", "!fault 1 at line 2"}));
    EXPECT_EQ(lines_of(std::string("\0", 1)), (Lines{"!fault 1 at line 1"}));
}

TEST(TextFile, LongLinesAndLineEndsAcrossTheReadBuffer) {
    std::string limit(TEXT_LINE_LIMIT, 'X');
    EXPECT_EQ(lines_of(limit + "\r\nM30\r\n"), (Lines{limit, "M30"}));
    EXPECT_EQ(lines_of(limit + "X\r\nM30\r\n"), (Lines{"!fault 3 at line 1"}));
    EXPECT_EQ(lines_of("G90\n" + std::string(1 << 20, 'X')), (Lines{"G90", "!fault 3 at line 2"}));
    // A CR LF pair and a lone CR at every offset around the 64 KB buffer edges.
    for (size_t length : {65534u, 65535u}) {
        std::string head = "G90\n" + std::string(length - 4, 'N');
        std::string first(length - 4, 'N');
        EXPECT_EQ(lines_of(head + "\r\nB\r\n"), (Lines{"G90", first, "B"})) << length;
        EXPECT_EQ(lines_of(head + "\rB\r\n"), (Lines{"G90", first, "B"})) << length;
        EXPECT_EQ(lines_of(head + "\r"), (Lines{"G90", first})) << length;
        EXPECT_EQ(lines_of(head + "\r\n"), (Lines{"G90", first})) << length;
    }
}

TEST(TextFile, OpeningFailsForMissingFilesAndFolders) {
    TempDir dir;
    TextReader reader;
    EXPECT_EQ(text_open_read(reader, dir.file("missing.nc").c_str()), -1);
    EXPECT_EQ(text_open_read(reader, dir.path.c_str()), -1);
    TextWriter writer;
    EXPECT_EQ(text_open_write(writer, (dir.file("no-such-folder") + "/out.nc").c_str()), -1);
}

TEST(TextFile, CreatingNeverTouchesAFileThatIsThere) {
    TempDir dir;
    std::string path = dir.file("out.nc.1.tmp");
    TextWriter writer;
    ASSERT_EQ(0, text_create_write(writer, path.c_str()));
    text_puts(writer, "G90\n");
    EXPECT_EQ(0, text_close_write(writer));
    EXPECT_EQ("G90\r\n", read_file_bytes(path));

    EXPECT_EQ(1, text_create_write(writer, path.c_str()));
    EXPECT_EQ(nullptr, writer.file);
    EXPECT_EQ("G90\r\n", read_file_bytes(path));
    EXPECT_EQ(-1, text_create_write(writer, (dir.file("no-such-folder") + "/out.nc").c_str()));
    EXPECT_EQ(nullptr, writer.file);
}

TEST(TextFile, WritingTurnsEveryLineFeedIntoCrLf) {
    TempDir dir;
    std::string path = dir.file("out.nc");
    TextWriter writer;
    ASSERT_EQ(text_open_write(writer, path.c_str()), 0);
    text_puts(writer, "%\nO1000\n");
    text_write(writer, "G90\nX", 5);
    text_printf(writer, "%d.\n", 12);
    std::string wide(2000, 'Y');
    text_printf(writer, "(%s)\n", wide.c_str());
    text_write(writer, "\r\n", 2);
    text_write(writer, std::string("\0\n", 2).data(), 2);
    text_puts(writer, "M30");
    EXPECT_EQ(text_close_write(writer), 0);
    EXPECT_EQ(read_file_bytes(path),
              "%\r\nO1000\r\nG90\r\nX12.\r\n(" + wide + ")\r\n\r\r\n" + std::string("\0\r\nM30", 6));

    // Read back: the lines as written; a CR written before an LF ends a line of
    // its own, and the NUL stops the reading at its line.
    EXPECT_EQ(read_lines(path), (Lines{"%", "O1000", "G90", "X12.", "(" + wide + ")", "", "", "!fault 1 at line 8"}));

    // Opening for writing empties an existing file.
    ASSERT_EQ(text_open_write(writer, path.c_str()), 0);
    EXPECT_EQ(text_close_write(writer), 0);
    EXPECT_EQ(read_file_bytes(path), "");
}

TEST(TextFile, OneWriteOfManyLinesAndLongRunsIsTranslatedWhole) {
    // Far more than any translation buffer in one call: many short lines, a
    // long run without a line end, line ends back to back, no final line end.
    std::string text;
    std::string expected;
    for (int i = 0; i < 3000; ++i) {
        text += "X" + std::to_string(i) + ".\n";
        expected += "X" + std::to_string(i) + ".\r\n";
    }
    std::string run(10000, 'Y');
    text += run + "\n\n\n" + run;
    expected += run + "\r\n\r\n\r\n" + run;
    TempDir dir;
    std::string path = dir.file("many.nc");
    TextWriter writer;
    ASSERT_EQ(text_open_write(writer, path.c_str()), 0);
    text_write(writer, text.data(), text.size());
    text_write(writer, "\n", 1);
    EXPECT_EQ(text_close_write(writer), 0);
    EXPECT_EQ(expected + "\r\n", read_file_bytes(path));
}

TEST(TextFile, MemoryCaptureKeepsTheTextUntranslated) {
    std::string sink;
    TextWriter writer;
    text_open_memory(writer, sink);
    text_puts(writer, "G90\n");
    text_printf(writer, "X%s\n", "1.");
    text_write(writer, "A\r\n", 3);
    EXPECT_EQ(text_close_write(writer), 0);
    EXPECT_EQ(sink, "G90\nX1.\nA\r\n");
}

#ifdef __linux__
TEST(TextFile, ClosingReportsWritesThatDidNotReachTheDisk) {
    TextWriter writer;
    ASSERT_EQ(text_open_write(writer, "/dev/full"), 0);
    std::string block(200000, 'X');
    text_puts(writer, block.c_str());
    text_puts(writer, "\n");
    EXPECT_EQ(text_close_write(writer), -1);

    // A short line stays in the buffer until the close, which must still fail.
    ASSERT_EQ(text_open_write(writer, "/dev/full"), 0);
    text_puts(writer, "M30\n");
    EXPECT_EQ(text_close_write(writer), -1);
}
#endif

namespace {

// The translation as one loop over the bytes: every LF becomes CR LF.
std::string with_cr_before_lf(const std::string &text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

// Random bytes weighted towards the ones the writer treats apart.
std::string random_piece(std::mt19937 &random, size_t length) {
    static const char Special[] = {'\n', '\r', '\0', '\x1A', 'X', '.', '\x83'};
    std::string piece(length, ' ');
    for (char &c : piece) {
        uint32_t pick = random();
        c = pick % 4 == 0 ? Special[(pick >> 8) % sizeof Special] : static_cast<char>(pick >> 16);
    }
    return piece;
}

}  // namespace

TEST(TextFile, BufferedWritingEqualsTheByteForByteTranslation) {
    // Pieces of every size, from nothing to more than the writer's buffer, through
    // every writing call, so that pieces and line ends fall on every buffer edge.
    std::mt19937 random(20261207);
    TempDir dir;
    std::string path = dir.file("random.nc");
    for (int round = 0; round < 4; ++round) {
        TextWriter writer;
        ASSERT_EQ(text_open_write(writer, path.c_str()), 0);
        std::string written;
        size_t total = 0;
        while (total < 400000) {
            uint32_t pick = random();
            size_t length = pick % 16 == 0 ? random() % 150000 : random() % 80;
            std::string piece = random_piece(random, length);
            total += length;
            switch ((pick >> 4) % 4) {
            case 0:
                text_write(writer, piece.data(), piece.size());
                written += piece;
                break;
            case 1:
                text_write_line(writer, piece.data(), piece.size());
                written += piece + "\n";
                break;
            case 2:
                text_puts(writer, piece.c_str());
                written += piece.c_str();
                break;
            default:
                text_printf(writer, "N%u %s", pick % 1000, piece.c_str());
                written += "N" + std::to_string(pick % 1000) + " " + piece.c_str();
                break;
            }
        }
        ASSERT_EQ(text_close_write(writer), 0);
        ASSERT_EQ(read_file_bytes(path), with_cr_before_lf(written)) << "round " << round;
    }
}

namespace {

// The reading rules over the whole input at once: the lines, each with whether
// it had a line end, and the fault with its line number.
struct ReadResult {
    std::vector<std::string> lines;
    std::vector<int> line_ends;
    int fault = LINE_FAULT_NONE;
    long long fault_line = 0;
    bool operator==(const ReadResult &other) const {
        return lines == other.lines && line_ends == other.line_ends && fault == other.fault &&
               fault_line == other.fault_line;
    }
};

ReadResult read_by_rules(const std::string &bytes) {
    ReadResult result;
    size_t at = 0;
    while (at < bytes.size()) {
        long long number = static_cast<long long>(result.lines.size()) + 1;
        size_t stop = at;
        while (stop < bytes.size() && bytes[stop] != '\n' && bytes[stop] != '\r' && bytes[stop] != '\0' &&
               bytes[stop] != '\x1A')
            ++stop;
        std::string line = bytes.substr(at, stop - at);
        if (line.size() > TEXT_LINE_LIMIT) {
            result.fault = LINE_FAULT_TOO_LONG;
            result.fault_line = number;
            return result;
        }
        if (stop == bytes.size()) {
            result.lines.push_back(line);
            result.line_ends.push_back(0);
            return result;
        }
        if (bytes[stop] == '\0') {
            result.fault = LINE_FAULT_NUL;
            result.fault_line = number;
            return result;
        }
        if (bytes[stop] == '\x1A') {
            if (bytes.find_first_not_of(std::string("\r\n\x1A", 3), stop) != std::string::npos) {
                result.fault = LINE_FAULT_AFTER_END;
                result.fault_line = number;
                return result;
            }
            if (!line.empty()) {
                result.lines.push_back(line);
                result.line_ends.push_back(0);
            }
            return result;
        }
        result.lines.push_back(line);
        result.line_ends.push_back(1);
        at = stop + 1;
        if (bytes[stop] == '\r' && at < bytes.size() && bytes[at] == '\n') ++at;
    }
    return result;
}

// The reader on a file of these bytes, through text_read_view, or through
// text_read_line when by_string.
ReadResult read_by_reader(const std::string &path, bool by_string) {
    ReadResult result;
    TextReader reader;
    if (text_open_read(reader, path.c_str()) != 0) return result;
    std::string line;
    const char *text = nullptr;
    size_t length = 0;
    int read = 0;
    for (;;) {
        read = by_string ? text_read_line(reader, line) : text_read_view(reader, text, length);
        if (read != 1) break;
        result.lines.push_back(by_string ? line : std::string(text, length));
        result.line_ends.push_back(reader.had_line_end);
    }
    if (read < 0) {
        result.fault = reader.fault;
        result.fault_line = reader.line_number;
    }
    // Once ended, the reader stays ended.
    if (text_read_view(reader, text, length) != read || length != 0) result.fault = -99;
    text_close_read(reader);
    return result;
}

// Random input: short lines of any bytes but the line stops, now and then a
// long one, every kind of line end, and rarely a NUL, a Ctrl-Z or one at the
// very end.
std::string random_input(std::mt19937 &random) {
    static const char *const Ends[] = {"\r\n", "\n", "\r", "\r\r\n", "\n\r"};
    size_t size = random() % 3 == 0 ? random() % 2000 : 60000 + random() % 90000;
    std::string bytes;
    while (bytes.size() < size) {
        uint32_t pick = random();
        size_t length = pick % 50 == 0 ? random() % 70000 : pick % 40;
        for (size_t i = 0; i < length; ++i) {
            // Mostly text; bytes of double-byte characters and control bytes
            // (a tab, but never a line stop) now and then.
            uint32_t kind = random() % 16;
            char byte = static_cast<char>(0x20 + random() % 0x60);
            if (kind == 0) byte = static_cast<char>(0x80 + random() % 0x80);
            if (kind == 1) byte = "\t\x01\x1B\x1F\x7F"[random() % 5];
            bytes += byte;
        }
        bytes += Ends[(pick >> 8) % 5];
        if ((pick >> 12) % 2000 == 0) bytes += '\0';
        if ((pick >> 12) % 2000 == 1) bytes += '\x1A';
    }
    // A line end on the edge of the read buffer, in some of the inputs.
    if (bytes.size() > 65537 && random() % 2 == 0) {
        bytes[65535] = '\r';
        bytes[65536] = random() % 2 ? '\n' : 'G';
    }
    if (random() % 8 == 0) bytes += std::string("\r\n\x1A\x1A\n", 5).substr(0, 1 + random() % 5);
    return bytes;
}

}  // namespace

TEST(TextFile, ReaderHandsOutTheLinesTheRulesGive) {
    // The buffered reader, with its lines in place in the buffer and its line
    // end looked for after a refill, against the rules applied to the whole input.
    std::mt19937 random(65536);
    TempDir dir;
    std::string path = dir.file("random.nc");
    int faults = 0;
    for (int round = 0; round < 80; ++round) {
        std::string bytes = random_input(random);
        write_file_bytes(path, bytes);
        ReadResult expected = read_by_rules(bytes);
        faults += expected.fault != LINE_FAULT_NONE;
        ASSERT_TRUE(read_by_reader(path, false) == expected) << "round " << round;
        ASSERT_TRUE(read_by_reader(path, true) == expected) << "round " << round;
    }
    // The inputs reach the faults as well as the end.
    EXPECT_GT(faults, 5);
    EXPECT_LT(faults, 75);
}
