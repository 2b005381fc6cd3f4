// Identity masking: with TsyDevelop=1 the banner hides the host name, address
// and user behind asterisks, so that screenshots can go to support as they are.
#include "shell/utilities.h"

#include <cstdlib>

int identity_mask_on(const char *value) {
    return value && strtol(value, nullptr, 10) == 1;
}

void mask_identity_text(std::string &text, int on) {
    if (!on) return;
    // Byte by byte: a double-byte character becomes two asterisks.
    for (char &byte : text) {
        if (byte != '.' && byte != '-') byte = '*';
    }
}

int mask_identity(std::string &text) {
    mask_identity_text(text, identity_mask_on(std::getenv("TsyDevelop")));
    return 0;
}
