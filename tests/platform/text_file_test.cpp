// Text-mode reading and writing: the same bytes on every build.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "test_support.h"

namespace {

// Every line the reader hands out, or {"(cannot open)"}.
std::vector<std::string> read_lines(const std::string &path) {
    TextReader reader;
    if (text_open_read(reader, path.c_str()) != 0) return {"(cannot open)"};
    std::vector<std::string> lines;
    std::string line;
    while (text_read_line(reader, line)) lines.push_back(line);
    EXPECT_EQ(reader.failed, 0);
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

TEST(TextFile, ReadingTranslatesLineEndsAndStopsAtCtrlZ) {
    EXPECT_EQ(lines_of("G90\r\nG00X1.\r\n"), (Lines{"G90\n", "G00X1.\n"}));
    EXPECT_EQ(lines_of("G90\nG00X1.\n"), (Lines{"G90\n", "G00X1.\n"}));
    EXPECT_EQ(lines_of("G90\r\nM30"), (Lines{"G90\n", "M30"}));
    EXPECT_EQ(lines_of("A\rB\r\n"), (Lines{"A\rB\n"}));
    EXPECT_EQ(lines_of("A\r\r\nB\r"), (Lines{"A\r\n", "B\r"}));
    EXPECT_EQ(lines_of("\r\n\n"), (Lines{"\n", "\n"}));
    EXPECT_EQ(lines_of(""), Lines{});
    EXPECT_EQ(lines_of("G90\r\nM30\r\n\x1A" "G00X9.\r\n"), (Lines{"G90\n", "M30\n"}));
    EXPECT_EQ(lines_of("G90\r\nM3\x1A" "0\r\n"), (Lines{"G90\n", "M3"}));
    EXPECT_EQ(lines_of("A\r\x1A"), (Lines{"A\r"}));
    EXPECT_EQ(lines_of("\x1A"), Lines{});
    EXPECT_EQ(lines_of(std::string("X1\0Y2\r\n\0\n", 9)), (Lines{std::string("X1\0Y2\n", 6), std::string("\0\n", 2)}));
    // Bytes above 0x7F pass as they are, a trail byte 0x5C too.
    EXPECT_EQ(lines_of("(\x95\x5C)\r\n"), (Lines{"(\x95\x5C)\n"}));
}

TEST(TextFile, LongLinesAndLineEndsAcrossTheReadBuffer) {
    std::string megabyte(1 << 20, 'X');
    EXPECT_EQ(lines_of(megabyte + "\r\nM30\r\n"), (Lines{megabyte + "\n", "M30\n"}));
    EXPECT_EQ(lines_of(megabyte), (Lines{megabyte}));
    // A CR LF pair and a lone CR at every offset around the 64 KB buffer edges.
    for (size_t length : {65534u, 65535u, 65536u, 131071u, 131072u}) {
        std::string head(length, 'N');
        EXPECT_EQ(lines_of(head + "\r\nB\r\n"), (Lines{head + "\n", "B\n"})) << length;
        EXPECT_EQ(lines_of(head + "\rB\r\n"), (Lines{head + "\rB\n"})) << length;
        EXPECT_EQ(lines_of(head + "\r"), (Lines{head + "\r"})) << length;
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

    // Read back, the text is what was written (a CR written before an LF stays).
    EXPECT_EQ(read_lines(path), (Lines{"%\n", "O1000\n", "G90\n", "X12.\n", "(" + wide + ")\n", "\r\n",
                                       std::string("\0\n", 2), "M30"}));

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
