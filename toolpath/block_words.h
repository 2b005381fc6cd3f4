// The words of one NC line as the tool-path model reads them: comments and
// blanks dropped, every word checked against the dialect, numbers converted to
// millimetres (coordinates), plain values (F) or integers, in one pass over the bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

constexpr int BLOCK_G_LIMIT = 16;  // G codes one block may hold
constexpr int BLOCK_M_LIMIT = 8;   // M codes one block may hold

// Bit of a letter in BlockWords::present and with_point.
constexpr uint32_t letter_bit(char letter) { return 1u << (letter - 'A'); }

struct BlockWords {
    uint32_t present = 0;     // letters given, N however often (G and M are listed in their codes below)
    uint32_t with_point = 0;  // letters whose number had a decimal point
    double value[26] = {};    // X Y Z I J R Q in millimetres, F as written
    int integer[26] = {};     // S T H D P K L N O
    int g_count = 0;
    int g_codes[BLOCK_G_LIMIT] = {};  // code times ten plus its decimal: G01 is 10, G54.1 is 541
    int m_count = 0;
    int m_codes[BLOCK_M_LIMIT] = {};
    int comma_present = 0;     // bit 0: ,C (chamfer)  bit 1: ,R (corner rounding)
    double comma_value[2] = {};
    int tape_mark = 0;         // the line is a "%" and nothing else
    int program_number = 0;    // the first word is O: the line has no effect
    long ctrl_z = -1;          // byte index of a Ctrl-Z that ended the line, -1 for none
    std::string scratch;       // a number too long for the exact short conversion
};

// What was wrong with a line: a short text in code page 932.
struct WordError {
    char text[160];
};

// Reads the words of one line (without its line end). 0, or -1 with the
// reason in error. A Ctrl-Z stops the reading and is reported in ctrl_z.
int read_block_words(const char *bytes, size_t length, BlockWords &words, WordError &error);
