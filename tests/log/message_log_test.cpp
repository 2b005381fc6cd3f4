// The message text: formatting, the cut at 1,023 bytes on a character boundary,
// and posting through the port.
#include "log/message_log.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "test_support.h"

namespace {

// 1 when the text ends inside a double-byte character.
int ends_in_lone_lead_byte(const char *text) {
    size_t length = std::strlen(text);
    size_t at = 0;
    int lone = 0;
    while (at < length) {
        int lead = is_lead_byte(static_cast<unsigned char>(text[at]));
        lone = lead && at + 1 >= length;
        at += lead && at + 1 < length ? 2 : 1;
    }
    return lone;
}

}  // namespace

TEST(MessageFormat, CutsOnACharacterBoundary) {
    // 1,022 ASCII bytes, then 表 (0x95 0x5C): its lead byte would be byte 1,023
    // of the text, the last one kept; the cut leaves the whole character out.
    std::string head(1022, 'a');
    EXPECT_EQ(1022, message_format("%s表表", head.c_str()));
    EXPECT_EQ(head, std::string(MessageText));
    EXPECT_EQ(0, ends_in_lone_lead_byte(MessageText));

    // One byte less before it: the character fits whole as bytes 1,022 and 1,023.
    std::string shorter(1021, 'a');
    EXPECT_EQ(1023, message_format("%s表表", shorter.c_str()));
    EXPECT_EQ(shorter + "表", std::string(MessageText));

    // The same through a number formatted in front, and with a text far longer.
    EXPECT_EQ(1022, message_format("%d%s表", 7, std::string(1021, 'b').c_str()));
    EXPECT_EQ(0, ends_in_lone_lead_byte(MessageText));
    std::string kanji;
    for (int i = 0; i < 2000; ++i) kanji += "ソ";
    int kept = message_format("x%s", kanji.c_str());
    EXPECT_EQ(1023, kept);
    EXPECT_EQ(0, ends_in_lone_lead_byte(MessageText));
    kept = message_format("%s", kanji.c_str());
    EXPECT_EQ(1022, kept);
    EXPECT_EQ(0, ends_in_lone_lead_byte(MessageText));

    // A short text is kept whole; posting clears it.
    EXPECT_EQ(10, message_format("エラー：%d", 42));
    EXPECT_STREQ("エラー：42", MessageText);
    CapturedLog log;
    log_post(nullptr, 0);
    EXPECT_EQ('\0', MessageText[0]);
    ASSERT_EQ(1u, log.lines.size());
    EXPECT_EQ("エラー：42", log.lines[0]);
}
