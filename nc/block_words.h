// One NC block split into its words: address letters with their numbers, the
// corner words ,C and ,R, and comments. Anything a block may not hold (a macro,
// a lower-case letter, a number that does not read whole) makes it unreadable,
// and the fault says where.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct NcWord {
    char letter;           // 'A' to 'Z'; for a corner word the letter after the comma
    uint8_t comma;         // 1 for the corner words ,C and ,R
    uint8_t has_point;     // the number had a decimal point
    uint8_t is_integer;    // no point and a value within the range of int
    int start;             // offset of the word's first byte (its letter or comma)
    int end;               // offset one past the word's last byte
    double value;          // the number as written (no thousandths rule applied)
    int integer;           // the value when is_integer; for G codes the code in tenths
};

// What makes a block unreadable.
enum BlockFaultKind {
    BLOCK_FAULT_NONE = 0,
    BLOCK_FAULT_CHARACTER,       // a byte that belongs to no word
    BLOCK_FAULT_LOWER_CASE,      // a lower-case letter: the control would not read it as an address
    BLOCK_FAULT_NUMBER,          // a letter without a number, or a number that does not read whole
    BLOCK_FAULT_RANGE,           // a number beyond the range of a double, or a code beyond int
    BLOCK_FAULT_MACRO,           // "#", "[" or "]": macro variables and expressions
    BLOCK_FAULT_BLOCK_DELETE,    // "/": whether the block runs depends on a switch
    BLOCK_FAULT_TAPE_MARK,       // "%" inside a block
    BLOCK_FAULT_PROGRAM_NUMBER,  // "O" anywhere but at the start of the block
    BLOCK_FAULT_CODE_DECIMALS    // a G code with more than one decimal, an M code with any
};

struct BlockFault {
    BlockFaultKind kind = BLOCK_FAULT_NONE;
    int at = 0;  // offset of the offending byte or word
};

struct NcBlock {
    std::vector<NcWord> words;  // in the order of the block (N and O included)
    int tape_mark = 0;          // the block is "%" alone (blanks and comments aside)
    int program_number = 0;     // the block starts with O and a number
    int has_comment = 0;        // the block holds a comment
};

// Splits text[0..length) into words. 0, or -1 with the fault filled in.
int scan_block(const char *text, size_t length, NcBlock &block, BlockFault &fault);

// The first word with this letter (not a corner word), or nullptr.
const NcWord *find_word(const NcBlock &block, char letter);
