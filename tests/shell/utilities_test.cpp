// Identity masking and the host's address.
#include "shell/utilities.h"

#include <gtest/gtest.h>

#include <cstdlib>

TEST(Utilities, MaskSwitchConvertsToExactlyOne) {
    EXPECT_TRUE(identity_mask_on("1"));
    EXPECT_TRUE(identity_mask_on("01"));
    EXPECT_FALSE(identity_mask_on("2"));
    EXPECT_FALSE(identity_mask_on("yes"));
    EXPECT_FALSE(identity_mask_on(""));
    EXPECT_FALSE(identity_mask_on(nullptr));
    EXPECT_FALSE(identity_mask_on("11"));
}

TEST(Utilities, MaskReplacesAllButPointsAndHyphens) {
    std::string address = "192.168.0.10";
    mask_identity_text(address, 1);
    EXPECT_EQ("***.***.*.**", address);
    std::string host = "WS-01";
    mask_identity_text(host, 1);
    EXPECT_EQ("**-**", host);
    std::string japanese = "表-A";  // two bytes, two asterisks
    mask_identity_text(japanese, 1);
    EXPECT_EQ("**-*", japanese);
    std::string empty;
    mask_identity_text(empty, 1);
    EXPECT_EQ("", empty);
    std::string kept = "WS-01";
    mask_identity_text(kept, 0);
    EXPECT_EQ("WS-01", kept);
}

TEST(Utilities, HostAddressIsDottedOrZeros) {
    std::string address;
    int result = host_address(address);
    if (result != 0) {
        EXPECT_EQ(-1, result);
        EXPECT_EQ("0.0.0.0", address);
        return;
    }
    int parts[4] = {-1, -1, -1, -1};
    char tail = 0;
    ASSERT_EQ(4, sscanf(address.c_str(), "%d.%d.%d.%d%c", &parts[0], &parts[1], &parts[2], &parts[3], &tail));
    for (int part : parts) {
        EXPECT_GE(part, 0);
        EXPECT_LE(part, 255);
    }
}
