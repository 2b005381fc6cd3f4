// Small services the shell shares: identity masking for support screenshots and
// the host's own name, address and user.
#pragma once

#include <string>

// The mask is on when the value converts to exactly 1 (nullptr: variable unset).
int identity_mask_on(const char *value);
// Replaces every byte other than "." and "-" by "*" when on.
void mask_identity_text(std::string &text, int on);
// Masks text when the environment variable TsyDevelop asks for it. Returns 0.
int mask_identity(std::string &text);

// The host's IPv4 address in dotted form; 0, or -1 after writing "0.0.0.0".
int host_address(std::string &address);
// The computer's name and the logged-on user's name (empty when unknown). Return 0.
int computer_name(std::string &name);
int user_name(std::string &name);
