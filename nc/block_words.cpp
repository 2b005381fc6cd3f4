// Splitting a block into words in one pass over its bytes. A number is read
// whole or the block is refused: "X1.2.3", "X-" or "X" alone would otherwise be
// read as some other number than the programmer meant.
#include "nc/block_words.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Powers of ten that a double holds exactly.
const double ExactPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                              1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// What a byte is to the scanner. A block is read a byte at a time, and one
// look-up in a table tells what the byte starts; a chain of tests would be
// made for every byte of every block.
enum ByteKind : unsigned char {
    BYTE_OTHER = 0,   // belongs to no word
    BYTE_BLANK,       // space or tab: between words
    BYTE_LETTER,      // A to Z: an address letter
    BYTE_COMMA,       // the comma of a corner word
    BYTE_COMMENT,     // "(": a comment to the ")"
    BYTE_TAPE_MARK,   // "%"
    BYTE_LOWER,       // a to z
    BYTE_MACRO,       // "#", "[", "]"
    BYTE_SLASH        // "/": block delete
};

struct ByteTable {
    ByteKind kind[256];
};

constexpr ByteTable make_byte_table() {
    ByteTable table{};
    table.kind[static_cast<unsigned char>(' ')] = BYTE_BLANK;
    table.kind[static_cast<unsigned char>('\t')] = BYTE_BLANK;
    for (int c = 'A'; c <= 'Z'; ++c) table.kind[c] = BYTE_LETTER;
    for (int c = 'a'; c <= 'z'; ++c) table.kind[c] = BYTE_LOWER;
    table.kind[static_cast<unsigned char>(',')] = BYTE_COMMA;
    table.kind[static_cast<unsigned char>('(')] = BYTE_COMMENT;
    table.kind[static_cast<unsigned char>('%')] = BYTE_TAPE_MARK;
    table.kind[static_cast<unsigned char>('#')] = BYTE_MACRO;
    table.kind[static_cast<unsigned char>('[')] = BYTE_MACRO;
    table.kind[static_cast<unsigned char>(']')] = BYTE_MACRO;
    table.kind[static_cast<unsigned char>('/')] = BYTE_SLASH;
    return table;
}

constexpr ByteTable Bytes = make_byte_table();

inline ByteKind kind_of(char c) { return Bytes.kind[static_cast<unsigned char>(c)]; }

// The digits of a number as they are read: the first 19 significant digits as
// a whole number, how many significant digits and decimals there are.
struct DecimalDigits {
    uint64_t mantissa = 0;
    int significant = 0;
    int fraction_digits = 0;
    int digits = 0;
};

// The number [begin, end) as a double, rounded as strtod rounds it. A mantissa
// of at most 15 significant digits is below 2^53, and so is exact in a double
// as is every power of ten up to 10^22: one division, correctly rounded, gives
// what strtod gives. Longer numbers go to strtod itself. 0, or -1 when the
// number lies beyond the range of a double.
int convert_decimal_text(const char *begin, const char *end, bool negative, const DecimalDigits &digits,
                         double &value) {
    if (digits.significant <= 15 && digits.fraction_digits <= 22) {
        double magnitude = static_cast<double>(digits.mantissa) / ExactPowers[digits.fraction_digits];
        value = negative ? -magnitude : magnitude;
        return 0;
    }
    std::string text(begin, static_cast<size_t>(end - begin));
    value = std::strtod(text.c_str(), nullptr);
    return std::isfinite(value) ? 0 : -1;
}

// The number that starts at text[at]: sign, digits, point, digits, with at
// least one digit, read and converted in one pass over its bytes. Returns the
// offset after it, or -1 when the characters there do not form one number,
// -2 when it is beyond the range of a double.
int read_number(const char *text, int at, int length, NcWord &word) {
    int begin = at;
    bool negative = false;
    if (at < length && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
    DecimalDigits digits;
    int point = 0;
    for (; at < length; ++at) {
        unsigned digit = static_cast<unsigned char>(text[at]) - static_cast<unsigned>('0');
        if (digit <= 9) {
            ++digits.digits;
            if (digits.mantissa != 0 || digit != 0) ++digits.significant;
            if (digits.significant <= 19) digits.mantissa = digits.mantissa * 10 + digit;
            digits.fraction_digits += point;
        } else if (text[at] == '.' && !point) {
            point = 1;
        } else {
            break;
        }
    }
    word.has_point = static_cast<uint8_t>(point);
    if (digits.digits == 0) return -1;
    // "1.2.3" and "5-3" are no numbers: a point or a sign straight after one is refused.
    if (at < length && (text[at] == '.' || text[at] == '+' || text[at] == '-')) return -1;
    if (convert_decimal_text(text + begin, text + at, negative, digits, word.value) < 0) return -2;
    word.is_integer = !word.has_point && word.value >= INT_MIN && word.value <= INT_MAX;
    word.integer = word.is_integer ? static_cast<int>(word.value) : 0;
    return at;
}

// A G code in tenths (G01 is 10, G54.1 is 541); M codes are whole. 0, or -1.
int read_code(NcWord &word) {
    if (word.value < 0 || word.value > 9999.9) return -1;
    if (!word.has_point) {
        // A number without a point is whole here: its tenths are exact.
        int whole = static_cast<int>(word.value);
        word.integer = word.letter == 'M' ? whole : whole * 10;
        return 0;
    }
    double tenths = word.value * 10.0;
    double whole = std::floor(tenths + 0.5);
    if (std::fabs(tenths - whole) > 1e-6) return -1;
    if (word.letter == 'M') return -1;
    word.integer = static_cast<int>(whole);
    return 0;
}

int fail(BlockFault &fault, BlockFaultKind kind, int at) {
    fault.kind = kind;
    fault.at = at;
    return -1;
}

// Offset after the comment that opens at text[at]; an unclosed one runs to the end.
int skip_comment(const char *text, int at, int length) {
    const void *close = std::memchr(text + at, ')', static_cast<size_t>(length - at));
    return close ? static_cast<int>(static_cast<const char *>(close) - text) + 1 : length;
}

// A word at text[at] (its letter, or the comma of a corner word), read in
// place at the end of the block's words; one that does not read is taken off.
int read_word(const char *text, int at, int length, NcBlock &block, NcWord &word, BlockFault &fault) {
    word.start = at;
    if (text[at] == ',') {
        if (at + 1 >= length || (text[at + 1] != 'C' && text[at + 1] != 'R')) {
            return fail(fault, BLOCK_FAULT_CHARACTER, at);
        }
        word.comma = 1;
        ++at;
    }
    word.letter = text[at++];
    int after = read_number(text, at, length, word);
    if (after == -2) return fail(fault, BLOCK_FAULT_RANGE, word.start);
    // "X#1", "X[#1+2]": a macro variable or expression where the number belongs.
    if (after < 0 && at < length && (text[at] == '#' || text[at] == '[')) return fail(fault, BLOCK_FAULT_MACRO, word.start);
    if (after < 0) return fail(fault, BLOCK_FAULT_NUMBER, word.start);
    bool is_code = !word.comma && (word.letter == 'G' || word.letter == 'M');
    if (is_code && read_code(word) < 0) {
        return fail(fault, word.value > 9999.9 ? BLOCK_FAULT_RANGE : BLOCK_FAULT_CODE_DECIMALS, word.start);
    }
    if (word.letter == 'O' && !word.comma) {
        if (block.words.size() > 1) return fail(fault, BLOCK_FAULT_PROGRAM_NUMBER, word.start);
        block.program_number = 1;
    }
    word.end = after;
    return after;
}

int scan_word(const char *text, int at, int length, NcBlock &block, BlockFault &fault) {
    block.words.emplace_back();
    int after = read_word(text, at, length, block, block.words.back(), fault);
    if (after < 0) block.words.pop_back();
    return after;
}

// A "%" block: the tape mark alone, with blanks and comments.
int scan_tape_mark(int at, NcBlock &block, BlockFault &fault) {
    if (!block.words.empty() || block.tape_mark) return fail(fault, BLOCK_FAULT_TAPE_MARK, at);
    block.tape_mark = 1;
    return at + 1;
}

}  // namespace

int scan_block(const char *text, size_t size, NcBlock &block, BlockFault &fault) {
    block.words.clear();
    block.tape_mark = 0;
    block.program_number = 0;
    block.has_comment = 0;
    fault = BlockFault{};
    int length = static_cast<int>(size);
    int at = 0;
    while (at < length) {
        switch (kind_of(text[at])) {
        case BYTE_BLANK:
            ++at;
            break;
        case BYTE_COMMENT:
            block.has_comment = 1;
            at = skip_comment(text, at + 1, length);
            break;
        case BYTE_LETTER:
        case BYTE_COMMA:
            if (block.tape_mark) return fail(fault, BLOCK_FAULT_TAPE_MARK, at);
            at = scan_word(text, at, length, block, fault);
            if (at < 0) return -1;
            break;
        case BYTE_TAPE_MARK:
            at = scan_tape_mark(at, block, fault);
            if (at < 0) return -1;
            break;
        case BYTE_LOWER:
            return fail(fault, BLOCK_FAULT_LOWER_CASE, at);
        case BYTE_MACRO:
            return fail(fault, BLOCK_FAULT_MACRO, at);
        case BYTE_SLASH:
            return fail(fault, BLOCK_FAULT_BLOCK_DELETE, at);
        case BYTE_OTHER:
            return fail(fault, BLOCK_FAULT_CHARACTER, at);
        }
    }
    return 0;
}

const NcWord *find_word(const NcBlock &block, char letter) {
    for (const NcWord &word : block.words) {
        if (word.letter == letter && !word.comma) return &word;
    }
    return nullptr;
}
