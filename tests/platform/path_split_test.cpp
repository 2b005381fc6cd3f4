// Path splitting into drive, directory, base name and extension.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/platform.h"

namespace {

std::string split(const char *path) {
    PathParts parts;
    split_path(path, parts);
    return parts.drive + "|" + parts.directory + "|" + parts.name + "|" + parts.extension;
}

}  // namespace

TEST(PathSplit, SplitsLikeTheWindowsRuntime) {
    EXPECT_EQ(split("C:\\NC\\PART.NC"), "C:|\\NC\\|PART|.NC");
    EXPECT_EQ(split("C:\\nc\\part"), "C:|\\nc\\|part|");
    EXPECT_EQ(split("c:/nc/sub/part.nc"), "c:|/nc/sub/|part|.nc");
    EXPECT_EQ(split("C:\\nc/mixed\\part.nc"), "C:|\\nc/mixed\\|part|.nc");
    EXPECT_EQ(split("C:\\nc.v2\\part"), "C:|\\nc.v2\\|part|");
    EXPECT_EQ(split("C:\\nc.v2\\part.tar.nc"), "C:|\\nc.v2\\|part.tar|.nc");
    EXPECT_EQ(split("C:part.nc"), "C:||part|.nc");
    EXPECT_EQ(split("C:"), "C:|||");
    EXPECT_EQ(split("part.nc"), "||part|.nc");
    EXPECT_EQ(split("C:\\nc\\"), "C:|\\nc\\||");
    EXPECT_EQ(split("C:\\nc\\.profile"), "C:|\\nc\\||.profile");
    EXPECT_EQ(split("C:\\nc\\part."), "C:|\\nc\\|part|.");
    EXPECT_EQ(split("\\\\server\\share\\nc\\part.nc"), "|\\\\server\\share\\nc\\|part|.nc");
    EXPECT_EQ(split("//server/share/part.nc"), "|//server/share/|part|.nc");
    EXPECT_EQ(split("1:\\part.nc"), "|1:\\|part|.nc");
    EXPECT_EQ(split(""), "|||");
    EXPECT_EQ(split(nullptr), "|||");
}

TEST(PathSplit, DoubleByteCharactersAreNeverCutInTwo) {
    // 表 is 0x95 0x5C: its second byte is a backslash, but not a separator.
    EXPECT_EQ(split("C:\\\x95\x5C\\part.nc"), "C:|\\\x95\x5C\\|part|.nc");
    EXPECT_EQ(split("C:\\nc\\\x95\x5C"), "C:|\\nc\\|\x95\x5C|");
    EXPECT_EQ(split("C:\\nc\\\x95\x5C.nc"), "C:|\\nc\\|\x95\x5C|.nc");
    EXPECT_EQ(split("C:\\\x95\x5C\x83\x5C\\\x83\x41.nc"), "C:|\\\x95\x5C\x83\x5C\\|\x83\x41|.nc");
    // A lead byte at the very end stands alone.
    EXPECT_EQ(split("C:\\nc\\part.n\x95"), "C:|\\nc\\|part|.n\x95");
    // A single-byte katakana (0xA1 to 0xDF) is one byte.
    EXPECT_EQ(split("C:\\\xB1\\\xB2.nc"), "C:|\\\xB1\\|\xB2|.nc");
}

TEST(PathSplit, LeadBytesOfCodePage932) {
    EXPECT_FALSE(is_lead_byte(0x5C));
    EXPECT_FALSE(is_lead_byte(0x80));
    EXPECT_TRUE(is_lead_byte(0x81));
    EXPECT_TRUE(is_lead_byte(0x9F));
    EXPECT_FALSE(is_lead_byte(0xA0));
    EXPECT_FALSE(is_lead_byte(0xDF));
    EXPECT_TRUE(is_lead_byte(0xE0));
    EXPECT_TRUE(is_lead_byte(0xFC));
    EXPECT_FALSE(is_lead_byte(0xFD));
}

#ifdef _WIN32
TEST(PathSplit, AgreesWithTheRuntimeSplitterOnPlainPaths) {
    for (const char *path : {"C:\\NC\\PART.NC", "C:\\nc\\part", "c:/nc/sub/part.nc", "C:\\nc.v2\\part",
                             "C:part.nc", "\\\\server\\share\\nc\\part.nc", "C:\\nc\\.profile", "part."}) {
        char drive[_MAX_DRIVE], directory[_MAX_DIR], name[_MAX_FNAME], extension[_MAX_EXT];
        _splitpath(path, drive, directory, name, extension);
        EXPECT_EQ(split(path), std::string(drive) + "|" + directory + "|" + name + "|" + extension) << path;
    }
}
#endif
