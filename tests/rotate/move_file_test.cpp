// The machining move file: its name, its records and its creation.
#include <gtest/gtest.h>

#include <string>

#include "rotate/driver_support.h"
#include "rotate/drivers.h"
#include "log/message_log.h"
#include "test_support.h"

namespace {

TEST(MoveFile, NameIsTheInputNameWithTheIndex) {
    std::string name;
    machining_file_name("C:\\NC\\PART.NC", name, 0);
    EXPECT_EQ("C:\\NC\\PART_0.NC", name);
    machining_file_name("C:\\NC\\A.NC", name, 12);
    EXPECT_EQ("C:\\NC\\A_12.NC", name);
    machining_file_name("C:\\NC\\PROGRAM", name, 1);
    EXPECT_EQ("C:\\NC\\PROGRAM_1", name);
    // The second byte of a double-byte character is no separator: \x95\x5C is one character.
    machining_file_name("D:\\\x95\x5C\\PART.NC", name, 3);
    EXPECT_EQ("D:\\\x95\x5C\\PART_3.NC", name);
}

TEST(MoveFile, RecordsReadBackAsWritten) {
    std::string text;
    TextWriter writer;
    text_open_memory(writer, text);
    MoveRecord written = {17, 2, {{-12.3456, 7.0, -1.5, 2.5, -0.25, 0.0, 3.0, 0.001}}, 150.0};
    write_move_record(writer, written);
    EXPECT_EQ("17  2      -12.346        7.000       -1.500        2.500       -0.250        0.000"
              "        3.000        0.001   150.000\n",
              text);

    MoveRecord read = {};
    ASSERT_EQ(0, read_move_record(text, read));
    EXPECT_EQ(17, read.plane);
    EXPECT_EQ(2, read.motion);
    EXPECT_EQ(-12.346, read.position.v[WORD_X]);
    EXPECT_EQ(-0.25, read.position.v[WORD_J]);
    EXPECT_EQ(0.001, read.position.v[WORD_K]);
    EXPECT_EQ(150.0, read.feed);

    EXPECT_EQ(-1, read_move_record("17  2  1.000 2.000", read));
    EXPECT_EQ(-1, read_move_record("", read));
    EXPECT_EQ(-1, read_move_record("-1 X1 1 2 3 4 5 6 7 8 9", read));
}

TEST(MoveFile, CreationTakesTheNextFreeNameAndNeverEmptiesAFile) {
    TempDir dir;
    std::string input = dir.file("A.NC");
    write_file_bytes(dir.file("A_0.NC"), "OURS\r\n");
    write_file_bytes(dir.file("A_1.NC"), "ALSO OURS\r\n");

    int index = 0;
    std::string name;
    TextWriter writer;
    ASSERT_EQ(0, create_move_file(input.c_str(), index, name, writer));
    EXPECT_EQ(2, index);
    EXPECT_EQ(dir.file("A_2.NC"), name);
    text_puts(writer, "RECORD\n");
    ASSERT_EQ(0, text_close_write(writer));
    EXPECT_EQ("RECORD\r\n", read_file_bytes(name));
    EXPECT_EQ("OURS\r\n", read_file_bytes(dir.file("A_0.NC")));
    EXPECT_EQ("ALSO OURS\r\n", read_file_bytes(dir.file("A_1.NC")));

    // A folder that does not exist: the error names the file that could not be made.
    std::string nowhere = dir.file("MISSING") + "/B.NC";
    index = 0;
    EXPECT_EQ(-1, create_move_file(nowhere.c_str(), index, name, writer));
    EXPECT_EQ("エラー：テンポラリファイル " + name + " 開けません", std::string(MessageText));
    EXPECT_NE(std::string::npos, name.find("B_0.NC"));
    MessageText[0] = '\0';
}

}  // namespace
