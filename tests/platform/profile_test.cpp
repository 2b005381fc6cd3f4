// INI profile reads and writes: the same tests run against the portable code and,
// in the Windows build, against the Win32 profile functions themselves.
#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"
#include "test_support.h"

namespace {

std::string read_string(const char *section, const char *key, const char *fallback, unsigned long size,
                        const std::string &path, unsigned long *count = nullptr) {
    std::string out(size + 8, 'Z');
    unsigned long copied = profile_read_string(section, key, fallback, &out[0], size, path.c_str());
    if (count) *count = copied;
    return std::string(out.c_str());
}

std::string read_string(const char *section, const char *key, const std::string &path) {
    return read_string(section, key, "(absent)", 64, path);
}

}  // namespace

TEST(Profile, NamesMatchWithoutRegardToCaseAndValuesAreTrimmed) {
    TempDir dir;
    std::string path = dir.file("names.ini");
    write_file_bytes(path,
                     "; settings\r\n"
                     "[Format]\r\n"
                     "Decimal = 1 \r\n"
                     "  spaced key\t=\t value with blanks  \r\n"
                     "quoted=\"a b\"\r\n"
                     "squoted='x y'\r\n"
                     "half=\"abc\r\n"
                     "empty=\r\n"
                     "no equals sign\r\n"
                     "\x83\x41=katakana a\r\n"
                     "[Other]\r\n"
                     "Decimal=2\r\n");
    EXPECT_EQ(read_string("FORMAT", "DECIMAL", path), "1");
    EXPECT_EQ(read_string("format", "decimal", path), "1");
    EXPECT_EQ(read_string("other", "DECIMAL", path), "2");
    EXPECT_EQ(read_string("Format", "SPACED KEY", path), "value with blanks");
    EXPECT_EQ(read_string("Format", "quoted", path), "a b");
    EXPECT_EQ(read_string("Format", "squoted", path), "x y");
    EXPECT_EQ(read_string("Format", "half", path), "\"abc");
    // An empty value is present: the default is not used.
    EXPECT_EQ(read_string("Format", "empty", path), "");
    EXPECT_EQ(read_string("Format", "no equals sign", path), "(absent)");
    // Only ASCII letters fold: 0x83 0x61 is another character than 0x83 0x41.
    EXPECT_EQ(read_string("Format", "\x83\x41", path), "katakana a");
    EXPECT_EQ(read_string("Format", "\x83\x61", path), "(absent)");
    EXPECT_EQ(read_string("Missing", "Decimal", path), "(absent)");
    EXPECT_EQ(read_string("Format", "Missing", path), "(absent)");
}

TEST(Profile, StringReadIsCutToTheLimitAndFallsBackForAnAbsentKey) {
    TempDir dir;
    std::string path = dir.file("limits.ini");
    std::string long_value(10000, 'v');
    for (size_t i = 0; i < long_value.size(); ++i) long_value[i] = static_cast<char>('a' + i % 26);
    write_file_bytes(path, "[FILES]\r\nNCFILE=abcdefghijklmnopqrst\r\nLONG=" + long_value + "\r\nAFTER=-3\r\n");

    unsigned long count = 0;
    EXPECT_EQ(read_string("FILES", "NCFILE", "ppp", 16, path, &count), "abcdefghijklmno");
    EXPECT_EQ(count, 15u);
    EXPECT_EQ(read_string("FILES", "NCFILE", "ppp", 64, path, &count), "abcdefghijklmnopqrst");
    EXPECT_EQ(count, 20u);
    EXPECT_EQ(read_string("FILES", "NCFILE", "ppp", 1, path, &count), "");
    EXPECT_EQ(count, 0u);

    EXPECT_EQ(read_string("FILES", "LONG", "", 16, path, &count), long_value.substr(0, 15));
    EXPECT_EQ(read_string("FILES", "LONG", "", 20000, path, &count), long_value);
    EXPECT_EQ(count, 10000u);
    EXPECT_EQ(profile_read_int("FILES", "AFTER", 5, path.c_str()), -3);

    EXPECT_EQ(read_string("FILES", "LOGFILE", "log", 16, path, &count), "log");
    EXPECT_EQ(count, 3u);
    // A default is cut like a value, and loses its trailing blanks.
    EXPECT_EQ(read_string("FILES", "LOGFILE", "0123456789", 5, path), "0123");
    EXPECT_EQ(read_string("FILES", "LOGFILE", "def  ", 16, path), "def");
    EXPECT_EQ(read_string("FILES", "LOGFILE", nullptr, 16, path), "");

    // A missing file reads as every key absent.
    std::string missing = dir.file("missing.ini");
    EXPECT_EQ(read_string("FILES", "NCFILE", "ppp", 16, missing), "ppp");
    EXPECT_EQ(profile_read_int("COMMAND", "MODE", 7, missing.c_str()), 7);
    EXPECT_FALSE(file_exists(missing.c_str()));
}

TEST(Profile, IntegerReadTakesTheLeadingDecimalNumber) {
    TempDir dir;
    std::string path = dir.file("numbers.ini");
    std::string digits400(400, '9');
    write_file_bytes(path,
                     "[COMMAND]\r\n"
                     "NEG=-12x\r\n"
                     "LETTERS=abc\r\n"
                     "PLUS=+7\r\n"
                     "LEAD=0012\r\n"
                     "BLANKS=   42   \r\n"
                     "MINUS=-\r\n"
                     "DOUBLE=--5\r\n"
                     "QUOTED=\"12\"\r\n"
                     "POINT=3.9\r\n"
                     "WIDE=123456789012\r\n"
                     "HUGE=" + digits400 + "\r\n");
    const char *file = path.c_str();
    EXPECT_EQ(profile_read_int("COMMAND", "NEG", 5, file), -12);
    EXPECT_EQ(profile_read_int("command", "neg", 5, file), -12);
    EXPECT_EQ(profile_read_int("COMMAND", "LETTERS", 5, file), 0);
    EXPECT_EQ(profile_read_int("COMMAND", "PLUS", 5, file), 7);
    EXPECT_EQ(profile_read_int("COMMAND", "LEAD", 5, file), 12);
    EXPECT_EQ(profile_read_int("COMMAND", "BLANKS", 5, file), 42);
    EXPECT_EQ(profile_read_int("COMMAND", "MINUS", 5, file), 0);
    EXPECT_EQ(profile_read_int("COMMAND", "DOUBLE", 5, file), 0);
    EXPECT_EQ(profile_read_int("COMMAND", "QUOTED", 5, file), 12);
    EXPECT_EQ(profile_read_int("COMMAND", "POINT", 5, file), 3);
    EXPECT_EQ(profile_read_int("COMMAND", "ABSENT", 5, file), 5);
    EXPECT_EQ(profile_read_int("COMMAND", "ABSENT", -1, file), -1);
    // Past 32 bits the number wraps around instead of failing.
    EXPECT_EQ(profile_read_int("COMMAND", "WIDE", 5, file), -1097262572);
    int huge = profile_read_int("COMMAND", "HUGE", 5, file);
    EXPECT_NE(huge, 5);
}

TEST(Profile, EmptyIntegerValueReadsAsTheDefault) {
    // The Win32 integer read falls back to the default when the string read
    // yields nothing; the portable code does the same so both builds agree.
    TempDir dir;
    std::string path = dir.file("empty.ini");
    write_file_bytes(path, "[COMMAND]\r\nDEBUG=\r\nQUOTES=\"\"\r\n");
    EXPECT_EQ(profile_read_int("COMMAND", "DEBUG", 9, path.c_str()), 9);
    EXPECT_EQ(profile_read_int("COMMAND", "QUOTES", 9, path.c_str()), 9);
}

TEST(Profile, FirstSectionAndFirstKeyOfDuplicatesWin) {
    TempDir dir;
    std::string path = dir.file("duplicates.ini");
    write_file_bytes(path,
                     "[A]\r\n"
                     "dup=first\r\n"
                     "dup=second\r\n"
                     "[B]\r\n"
                     "dup=other\r\n"
                     "[a]\r\n"
                     "dup=third\r\n"
                     "later=yes\r\n");
    EXPECT_EQ(read_string("A", "dup", path), "first");
    EXPECT_EQ(read_string("B", "dup", path), "other");
    EXPECT_EQ(read_string("A", "later", path), "(absent)");

    ASSERT_EQ(profile_write_string("A", "DUP", "rep", path.c_str()), 1);
    EXPECT_EQ(read_file_bytes(path),
              "[A]\r\n"
              "dup=rep\r\n"
              "dup=second\r\n"
              "[B]\r\n"
              "dup=other\r\n"
              "[a]\r\n"
              "dup=third\r\n"
              "later=yes\r\n");
}

TEST(Profile, WriteCreatesTheFileAndChangesOnlyWhatItNames) {
    TempDir dir;
    std::string path = dir.file("Pivora.ini");
    const char *file = path.c_str();

    ASSERT_EQ(profile_write_string("FILES", "NCFILE", "ppp", file), 1);
    EXPECT_EQ(read_file_bytes(path), "[FILES]\r\nNCFILE=ppp\r\n");

    write_file_bytes(path,
                     "; kept comment\r\n"
                     "[FILES]\r\n"
                     "NCFILE=ppp\r\n"
                     "; comment in the section\r\n"
                     "LOGFILE=log\r\n"
                     "[COMMAND]\r\n"
                     "MODE=0\r\n");
    // The key keeps its spelling in the file.
    ASSERT_EQ(profile_write_string("files", "ncfile", "nc", file), 1);
    EXPECT_EQ(read_file_bytes(path),
              "; kept comment\r\n"
              "[FILES]\r\n"
              "NCFILE=nc\r\n"
              "; comment in the section\r\n"
              "LOGFILE=log\r\n"
              "[COMMAND]\r\n"
              "MODE=0\r\n");

    // A new key joins its section, before the next one; a new section goes last.
    ASSERT_EQ(profile_write_string("FILES", "TXTFILE", "txt", file), 1);
    ASSERT_EQ(profile_write_string("HISTORY", "NCFILE1", "C:\\nc\\part.nc", file), 1);
    EXPECT_EQ(read_file_bytes(path),
              "; kept comment\r\n"
              "[FILES]\r\n"
              "NCFILE=nc\r\n"
              "; comment in the section\r\n"
              "LOGFILE=log\r\n"
              "TXTFILE=txt\r\n"
              "[COMMAND]\r\n"
              "MODE=0\r\n"
              "[HISTORY]\r\n"
              "NCFILE1=C:\\nc\\part.nc\r\n");

    // An empty value is written as such; nullptr removes the key, then the section.
    ASSERT_EQ(profile_write_string("COMMAND", "MODE", "", file), 1);
    EXPECT_EQ(read_string("COMMAND", "MODE", path), "");
    ASSERT_EQ(profile_write_string("FILES", "LOGFILE", nullptr, file), 1);
    ASSERT_EQ(profile_write_string("COMMAND", nullptr, nullptr, file), 1);
    EXPECT_EQ(read_file_bytes(path),
              "; kept comment\r\n"
              "[FILES]\r\n"
              "NCFILE=nc\r\n"
              "; comment in the section\r\n"
              "TXTFILE=txt\r\n"
              "[HISTORY]\r\n"
              "NCFILE1=C:\\nc\\part.nc\r\n");

    // A file without a line end after its last line gets one before the new section.
    std::string unended = dir.file("unended.ini");
    write_file_bytes(unended, "[A]\r\nx=1");
    ASSERT_EQ(profile_write_string("B", "y", "2", unended.c_str()), 1);
    EXPECT_EQ(read_file_bytes(unended), "[A]\r\nx=1\r\n[B]\r\ny=2\r\n");
}

TEST(Profile, WriteFailsWhereNoFileCanBeMade) {
    TempDir dir;
    std::string nowhere = dir.file("no-such-folder") + "/Pivora.ini";
    EXPECT_EQ(profile_write_string("FILES", "NCFILE", "ppp", nowhere.c_str()), 0);
    EXPECT_FALSE(file_exists(nowhere.c_str()));
    EXPECT_EQ(read_string("FILES", "NCFILE", "ppp", 16, nowhere), "ppp");
    // A folder where the file should be is not written into.
    EXPECT_EQ(profile_write_string("FILES", "NCFILE", "ppp", dir.path.c_str()), 0);
}

TEST(Profile, CodePage932BytesRoundTrip) {
    TempDir dir;
    std::string path = dir.file("sjis.ini");
    const char *file = path.c_str();
    // 表 (0x95 0x5C) and ソ (0x83 0x5C) end in a backslash byte; ミ (0x83 0x7E) and
    // 0x83 0x5D end in a tilde and a closing bracket.
    const char *value = "C:\\\x95\x5C\\\x83\x5C\x83\x7E.nc";
    ASSERT_EQ(profile_write_string("HISTORY", "NCFILE1", value, file), 1);
    ASSERT_EQ(profile_write_string("\x83\x5D\x83\x5D", "K", "\x95\x5C", file), 1);
    EXPECT_EQ(read_string("HISTORY", "NCFILE1", path), value);
    EXPECT_EQ(read_string("\x83\x5D\x83\x5D", "K", path), "\x95\x5C");
    EXPECT_EQ(read_file_bytes(path),
              std::string("[HISTORY]\r\nNCFILE1=") + value + "\r\n[\x83\x5D\x83\x5D]\r\nK=\x95\x5C\r\n");
    // A whole double-byte value read with room to spare comes back whole.
    unsigned long count = 0;
    EXPECT_EQ(read_string("\x83\x5D\x83\x5D", "K", "", 3, path, &count), "\x95\x5C");
}

TEST(Profile, NullNamesListKeysAndSections) {
    TempDir dir;
    std::string path = dir.file("lists.ini");
    write_file_bytes(path, "[FILES]\r\nNCFILE=ppp\r\nLOGFILE=log\r\n[COMMAND]\r\nMODE=1\r\n");
    char out[64];
    unsigned long count = profile_read_string("FILES", nullptr, "", out, sizeof out, path.c_str());
    EXPECT_EQ(std::string(out, count + 1), std::string("NCFILE\0LOGFILE\0\0", 16));
    count = profile_read_string(nullptr, nullptr, "", out, sizeof out, path.c_str());
    EXPECT_EQ(std::string(out, count + 1), std::string("FILES\0COMMAND\0\0", 15));
    // A list that does not fit is cut and reports size - 2.
    count = profile_read_string("FILES", nullptr, "", out, 10, path.c_str());
    EXPECT_EQ(count, 8u);
    EXPECT_EQ(std::string(out, 9), std::string("NCFILE\0L\0", 9));
}

#ifndef _WIN32
// Where the Win32 functions themselves differ between versions, the portable code
// keeps to the stricter reading; these cases are checked on the portable build only.
TEST(PortableProfile, CutNeverLeavesHalfACharacter) {
    TempDir dir;
    std::string path = dir.file("cut.ini");
    write_file_bytes(path, "[S]\r\nK=\x95\x5C\x8E\xA6\x95\x5C\r\n");
    unsigned long count = 0;
    EXPECT_EQ(read_string("S", "K", "", 4, path, &count), "\x95\x5C");
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(read_string("S", "K", "", 2, path, &count), "");
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(read_string("S", "K", "", 6, path, &count), "\x95\x5C\x8E\xA6");
    EXPECT_EQ(count, 4u);
}

TEST(PortableProfile, IntegerReadIsDecimalOnlyAndWriteKeepsOtherLinesByteForByte) {
    TempDir dir;
    std::string path = dir.file("layout.ini");
    const std::string before =
        "; layout kept as the user wrote it\n"
        "\n"
        "[ FILES ]  trailing words\n"
        "  NCFILE = ppp  \n"
        "HEX=0x1F\n"
        "\n"
        "[COMMAND]\r\n"
        "MODE = 1\r\n";
    write_file_bytes(path, before);
    EXPECT_EQ(profile_read_int("FILES", "HEX", 5, path.c_str()), 0);
    ASSERT_EQ(profile_write_string("COMMAND", "MODE", "0", path.c_str()), 1);
    EXPECT_EQ(read_file_bytes(path),
              "; layout kept as the user wrote it\n"
              "\n"
              "[ FILES ]  trailing words\n"
              "  NCFILE = ppp  \n"
              "HEX=0x1F\n"
              "\n"
              "[COMMAND]\r\n"
              "MODE=0\r\n");
    // A new key goes after the section's last line that is not blank.
    ASSERT_EQ(profile_write_string("FILES", "LOGFILE", " log ", path.c_str()), 1);
    EXPECT_EQ(read_file_bytes(path),
              "; layout kept as the user wrote it\n"
              "\n"
              "[ FILES ]  trailing words\n"
              "  NCFILE = ppp  \n"
              "HEX=0x1F\n"
              "LOGFILE= log \r\n"
              "\n"
              "[COMMAND]\r\n"
              "MODE=0\r\n");
    EXPECT_EQ(read_string("files", "logfile", path), "log");
}
#endif
