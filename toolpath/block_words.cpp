// The tool-path model's tokenizer: one pass over the bytes of a line, each
// byte classed by one table look-up, digits accumulated as integers, so that
// a short number costs one division and comes out exactly as the correctly
// rounded decimal conversion would give it.
#include "toolpath/block_words.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

// How the number after a letter is read and kept.
enum LetterKind {
    LETTER_NONE,        // no meaning here: refused
    LETTER_COORDINATE,  // millimetres; without a point a count of 0.001 mm
    LETTER_FEED,        // a plain value
    LETTER_INTEGER,     // a whole number, no point
    LETTER_G,           // a G code with at most one decimal
    LETTER_M,           // an M code
    LETTER_PROGRAM      // O: the program number, first word only
};

// The kind of every upper-case letter, A to Z.
const LetterKind LetterKinds[26] = {
    LETTER_NONE,        // A rotary axis
    LETTER_NONE,        // B rotary axis
    LETTER_NONE,        // C rotary axis
    LETTER_INTEGER,     // D cutter compensation number
    LETTER_NONE,        // E
    LETTER_FEED,        // F feed
    LETTER_G,           // G preparatory code
    LETTER_INTEGER,     // H tool length compensation number
    LETTER_COORDINATE,  // I arc centre X, from the start
    LETTER_COORDINATE,  // J arc centre Y, from the start
    LETTER_INTEGER,     // K repeat count of a cycle
    LETTER_INTEGER,     // L repeat count, data-setting kind
    LETTER_M,           // M miscellaneous code
    LETTER_INTEGER,     // N sequence number
    LETTER_PROGRAM,     // O program number
    LETTER_INTEGER,     // P dwell, reference point, offset number
    LETTER_COORDINATE,  // Q peck depth
    LETTER_COORDINATE,  // R arc radius, cycle R level
    LETTER_INTEGER,     // S spindle speed
    LETTER_INTEGER,     // T tool
    LETTER_NONE,        // U
    LETTER_NONE,        // V
    LETTER_NONE,        // W
    LETTER_COORDINATE,  // X
    LETTER_COORDINATE,  // Y
    LETTER_COORDINATE,  // Z
};

const char CTRL_Z = 0x1A;
// Whole numbers below this convert to a double exactly.
const uint64_t EXACT_LIMIT = 1ull << 53;
const uint64_t ACCUMULATE_LIMIT = 100000000000000000ull;  // 10^17: one more digit still fits

const double PowersOfTen[23] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

int is_digit(char byte) { return byte >= '0' && byte <= '9'; }
int is_blank(char byte) { return byte == ' ' || byte == '\t'; }

// What a byte outside a comment starts. The last three belong to a number
// and are refused where a word should start.
enum ByteRole : unsigned char {
    BYTE_REFUSED,  // not of the dialect
    BYTE_LETTER,   // A to Z: a word
    BYTE_BLANK,    // space, tab
    BYTE_COMMENT,  // "("
    BYTE_COMMA,    // ",C" or ",R"
    BYTE_PERCENT,  // "%": the tape mark
    BYTE_CTRL_Z,   // the end of the file's data
    BYTE_SIGN,     // "+", "-"
    BYTE_POINT,    // "."
    BYTE_DIGIT     // 0 to 9
};

struct ByteRoleTable {
    ByteRole role[256];
};

constexpr ByteRoleTable make_byte_roles() {
    ByteRoleTable table = {};
    for (int byte = 'A'; byte <= 'Z'; ++byte) table.role[byte] = BYTE_LETTER;
    table.role[static_cast<unsigned char>(' ')] = BYTE_BLANK;
    table.role[static_cast<unsigned char>('\t')] = BYTE_BLANK;
    table.role[static_cast<unsigned char>('(')] = BYTE_COMMENT;
    table.role[static_cast<unsigned char>(',')] = BYTE_COMMA;
    table.role[static_cast<unsigned char>('%')] = BYTE_PERCENT;
    table.role[static_cast<unsigned char>(CTRL_Z)] = BYTE_CTRL_Z;
    table.role[static_cast<unsigned char>('+')] = BYTE_SIGN;
    table.role[static_cast<unsigned char>('-')] = BYTE_SIGN;
    table.role[static_cast<unsigned char>('.')] = BYTE_POINT;
    for (int byte = '0'; byte <= '9'; ++byte) table.role[byte] = BYTE_DIGIT;
    return table;
}

// One look-up a byte instead of a chain of comparisons.
constexpr ByteRoleTable ByteRoles = make_byte_roles();

ByteRole role_of(char byte) { return ByteRoles.role[static_cast<unsigned char>(byte)]; }

// The number after a letter as it was written.
struct NumberText {
    int negative;
    int has_sign;
    int has_point;
    int digits;          // digits in all
    int fraction;        // digits after the point
    int overflow;        // too many digits for the integer accumulator
    uint64_t mantissa;   // all digits as one integer
    size_t begin;        // first byte of the number (sign included)
    size_t end;          // first byte after it
};

size_t skip_blanks(const char *bytes, size_t length, size_t at) {
    while (at < length && is_blank(bytes[at])) ++at;
    return at;
}

// ---------------------------------------------------------------------------
// Numbers

void accumulate(NumberText &number, char digit) {
    number.digits += 1;
    if (number.mantissa < ACCUMULATE_LIMIT) {
        number.mantissa = number.mantissa * 10 + static_cast<uint64_t>(digit - '0');
    } else {
        number.overflow = 1;
    }
}

// The full reading of a number: sign, digits, point, digits, where blanks
// between them count for nothing and any count of digits is taken.
void scan_number(const char *bytes, size_t length, size_t at, NumberText &number) {
    number = NumberText{};
    at = skip_blanks(bytes, length, at);
    number.begin = at;
    if (at < length && (bytes[at] == '+' || bytes[at] == '-')) {
        number.has_sign = 1;
        number.negative = bytes[at] == '-';
        at = skip_blanks(bytes, length, at + 1);
    }
    while (at < length && (is_digit(bytes[at]) || is_blank(bytes[at]))) {
        if (is_digit(bytes[at])) accumulate(number, bytes[at]);
        ++at;
    }
    if (at < length && bytes[at] == '.') {
        number.has_point = 1;
        ++at;
        while (at < length && (is_digit(bytes[at]) || is_blank(bytes[at]))) {
            if (is_digit(bytes[at])) {
                accumulate(number, bytes[at]);
                number.fraction += 1;
            }
            ++at;
        }
    }
    number.end = at;
}

// A number too long for one exact division: its digits go to the library
// conversion, which rounds correctly whatever their count. Without a point the
// digits count units of 10^-scale (thousandths for a coordinate, ones for a
// feed); with one, the point stands where it was written.
int convert_long_number(const char *bytes, const NumberText &number, int scale, BlockWords &words,
                        double &magnitude) {
    std::string &text = words.scratch;
    text.clear();
    for (size_t at = number.begin; at < number.end; ++at) {
        char byte = bytes[at];
        if (is_digit(byte) || byte == '.') text += byte;
    }
    if (!number.has_point) text += "e-" + std::to_string(scale);
    const char *first = text.data();
    std::from_chars_result result = std::from_chars(first, first + text.size(), magnitude);
    return result.ec == std::errc() && std::isfinite(magnitude) ? 0 : -1;
}

// The value of the digits scaled down by 10^scale, correctly rounded. A whole
// number below 2^53 and a power of ten up to 10^22 are both exact doubles, so
// one division rounds once, to the very value the library conversion gives.
int convert_number(const char *bytes, const NumberText &number, int scale, BlockWords &words, double &value) {
    double magnitude = 0.0;
    if (!number.overflow && number.mantissa < EXACT_LIMIT && scale <= 22) {
        magnitude = static_cast<double>(number.mantissa) / PowersOfTen[scale];
    } else if (convert_long_number(bytes, number, scale, words, magnitude) < 0) {
        return -1;
    }
    value = number.negative ? -magnitude : magnitude;
    return 0;
}

// A whole number that fits an int (signs allowed where the letter takes one).
int integer_value(const NumberText &number, int &value) {
    if (number.overflow || number.mantissa > static_cast<uint64_t>(INT_MAX)) return -1;
    value = number.negative ? -static_cast<int>(number.mantissa) : static_cast<int>(number.mantissa);
    return 0;
}

// ---------------------------------------------------------------------------
// Messages

// The word as written, for a message: the letter and its number, blanks dropped.
void word_text(const char *bytes, size_t from, size_t to, char *out, size_t size) {
    size_t used = 0;
    for (size_t at = from; at < to && used + 1 < size && used < 24; ++at) {
        if (!is_blank(bytes[at])) out[used++] = bytes[at];
    }
    out[used] = '\0';
}

int fail(WordError &error, const char *reason, const char *bytes, size_t from, size_t to) {
    char word[32];
    word_text(bytes, from, to, word, sizeof word);
    std::snprintf(error.text, sizeof error.text, "%s %s", reason, word);
    return -1;
}

// A second point or a sign straight after the number: "X1.2.3", "X5-3".
int follows_number(const char *bytes, size_t length, size_t end) {
    return end < length && (bytes[end] == '.' || bytes[end] == '+' || bytes[end] == '-');
}

// Why the word at bytes[at] cannot be read, its number ending at end with digits digits.
void refuse_word(const char *bytes, size_t length, size_t at, size_t end, int digits, WordError &error) {
    if (LetterKinds[bytes[at] - 'A'] == LETTER_NONE) {
        fail(error, "対応していない軸または語です", bytes, at, end > at + 1 ? end : at + 1);
    } else if (digits == 0) {
        fail(error, "数値がありません", bytes, at, end > at + 1 ? end : at + 1);
    } else {
        size_t stop = end;
        while (stop < length && (is_digit(bytes[stop]) || bytes[stop] == '.' || bytes[stop] == '+' ||
                                 bytes[stop] == '-' || is_blank(bytes[stop])))
            ++stop;
        fail(error, "数値が正しくありません", bytes, at, stop);
    }
}

int refuse_byte(WordError &error, char byte) {
    unsigned char code = static_cast<unsigned char>(byte);
    if (byte == '\0') {
        std::snprintf(error.text, sizeof error.text, "NULバイトがあります");
    } else if (byte >= 'a' && byte <= 'z') {
        std::snprintf(error.text, sizeof error.text, "小文字は使えません %c", byte);
    } else if (code >= 0x21 && code < 0x7F) {
        std::snprintf(error.text, sizeof error.text, "使えない文字です %c", byte);
    } else {
        std::snprintf(error.text, sizeof error.text, "使えない文字です 0x%02X", code);
    }
    return -1;
}

// ---------------------------------------------------------------------------
// Words

int read_code(const char *bytes, char letter, size_t letter_at, const NumberText &number, BlockWords &words,
              WordError &error) {
    if (number.has_sign) return fail(error, "コードに符号は付けられません", bytes, letter_at, number.end);
    if (number.overflow || number.mantissa > static_cast<uint64_t>(INT_MAX / 10)) {
        return fail(error, "コードの数値が大きすぎます", bytes, letter_at, number.end);
    }
    int whole = static_cast<int>(number.mantissa);
    if (letter == 'M') {
        if (number.has_point) return fail(error, "Mコードに小数点は付けられません", bytes, letter_at, number.end);
        if (words.m_count == BLOCK_M_LIMIT) return fail(error, "1行のMコードが多すぎます", bytes, letter_at, number.end);
        words.m_codes[words.m_count++] = whole;
        return 0;
    }
    // G: one decimal at most; the mantissa holds it as the last digit.
    if (number.fraction > 1) return fail(error, "Gコードの小数は1桁までです", bytes, letter_at, number.end);
    int code = number.fraction == 1 ? whole : whole * 10;
    if (words.g_count == BLOCK_G_LIMIT) return fail(error, "1行のGコードが多すぎます", bytes, letter_at, number.end);
    words.g_codes[words.g_count++] = code;
    return 0;
}

int read_program_number(const char *bytes, size_t letter_at, const NumberText &number, int first_word,
                        BlockWords &words, WordError &error) {
    if (!first_word) return fail(error, "O(プログラム番号)は行の最初の語だけです", bytes, letter_at, number.end);
    if (number.has_sign || number.has_point) {
        return fail(error, "プログラム番号が正しくありません", bytes, letter_at, number.end);
    }
    words.program_number = 1;
    return 0;
}

int store_word(const char *bytes, char letter, size_t letter_at, const NumberText &number, int first_word,
               BlockWords &words, WordError &error) {
    LetterKind kind = LetterKinds[letter - 'A'];
    if (kind == LETTER_G || kind == LETTER_M) return read_code(bytes, letter, letter_at, number, words, error);
    uint32_t bit = letter_bit(letter);
    if ((words.present & bit) && letter != 'N') {
        return fail(error, "同じ語が二つあります", bytes, letter_at, number.end);
    }
    words.present |= bit;
    if (number.has_point) words.with_point |= bit;
    int slot = letter - 'A';
    if (kind == LETTER_COORDINATE || kind == LETTER_FEED) {
        // A coordinate without a point counts thousandths of a millimetre.
        int scale = kind == LETTER_COORDINATE && !number.has_point ? 3 : number.fraction;
        if (convert_number(bytes, number, scale, words, words.value[slot]) < 0) {
            return fail(error, "数値が範囲外です", bytes, letter_at, number.end);
        }
        return 0;
    }
    if (kind == LETTER_PROGRAM) return read_program_number(bytes, letter_at, number, first_word, words, error);
    if (number.has_point) return fail(error, "整数の語に小数点があります", bytes, letter_at, number.end);
    if (integer_value(number, words.integer[slot]) < 0) {
        return fail(error, "数値が大きすぎます", bytes, letter_at, number.end);
    }
    return 0;
}

// A letter and its number, at bytes[at], by the full reading; returns the
// first byte after the word or 0 after an error. Kept out of line: the common
// word never comes here (see read_plain_word), and the reading loop stays short.
[[gnu::noinline]] size_t read_word(const char *bytes, size_t length, size_t at, int first_word, BlockWords &words,
                                   WordError &error) {
    char letter = bytes[at];
    NumberText number;
    scan_number(bytes, length, at + 1, number);
    if (LetterKinds[letter - 'A'] == LETTER_NONE || number.digits == 0 || follows_number(bytes, length, number.end)) {
        refuse_word(bytes, length, at, number.end, number.digits, error);
        return 0;
    }
    if (store_word(bytes, letter, at, number, first_word, words, error) < 0) return 0;
    return number.end;
}

// ---------------------------------------------------------------------------
// The common word
//
// Nearly every word of a program is a letter and a plain number: a sign,
// digits, a point and digits, nothing between them. Such a word is read in
// one pass that looks at each byte once, with no record in between; any other
// word (blanks inside the number, a long digit run, a refusal, O, ",C") is
// left to the full reading above, which then reads it from its letter again.
// Both readings give the same words: the plain reading takes only what the
// full reading would take, and stores what it would store.

// The most digits for the plain reading: 10^18 still fits the 64-bit
// accumulator, so a mantissa of that many digits cannot have wrapped.
const size_t PLAIN_DIGITS = 18;

struct PlainNumber {
    uint64_t mantissa;  // all digits as one integer
    size_t end;         // first byte after the number and the blanks after it
    int sign;           // -1 for "-", 1 for "+", 0 for none
    int fraction;       // digits after the point, -1 without a point
};

// The digits from bytes[at] on, added to mantissa; returns the first byte
// after them. More than PLAIN_DIGITS digits may wrap the mantissa: the caller counts.
size_t accumulate_digits(const char *bytes, size_t length, size_t at, uint64_t &mantissa) {
    for (; at < length; ++at) {
        unsigned digit = static_cast<unsigned>(static_cast<unsigned char>(bytes[at])) - '0';
        if (digit > 9) break;
        mantissa = mantissa * 10 + digit;
    }
    return at;
}

// The role of bytes[at], BYTE_REFUSED at the line's end.
ByteRole role_at(const char *bytes, size_t length, size_t at) {
    return at < length ? role_of(bytes[at]) : BYTE_REFUSED;
}

// A plain number at bytes[at]: 1 with number, 0 when the full reading must read it.
int scan_plain_number(const char *bytes, size_t length, size_t at, PlainNumber &number) {
    ByteRole first = role_at(bytes, length, at);
    if (first == BYTE_BLANK) return 0;
    number.sign = first != BYTE_SIGN ? 0 : bytes[at++] == '-' ? -1 : 1;
    uint64_t mantissa = 0;
    size_t whole_from = at;
    at = accumulate_digits(bytes, length, at, mantissa);
    size_t digits = at - whole_from;
    number.fraction = -1;
    if (at < length && bytes[at] == '.') {
        size_t fraction_from = at + 1;
        at = accumulate_digits(bytes, length, fraction_from, mantissa);
        number.fraction = static_cast<int>(at - fraction_from);
        digits += at - fraction_from;
    }
    if (digits == 0 || digits > PLAIN_DIGITS) return 0;
    at = skip_blanks(bytes, length, at);
    // A digit or a point after blanks goes on with the number; a sign or a
    // second point makes the word wrong.
    if (role_at(bytes, length, at) >= BYTE_SIGN) return 0;
    number.mantissa = mantissa;
    number.end = at;
    return 1;
}

// A coordinate or a feed: the value by one exact division (see convert_number).
int store_plain_value(const PlainNumber &number, LetterKind kind, int slot, BlockWords &words) {
    if (number.mantissa >= EXACT_LIMIT) return 0;
    // Without a point a coordinate counts thousandths of a millimetre, a feed ones.
    int scale = number.fraction >= 0 ? number.fraction : kind == LETTER_COORDINATE ? 3 : 0;
    double magnitude = static_cast<double>(number.mantissa) / PowersOfTen[scale];
    words.value[slot] = number.sign < 0 ? -magnitude : magnitude;
    return 1;
}

int store_plain_integer(const PlainNumber &number, int slot, BlockWords &words) {
    if (number.fraction >= 0 || number.mantissa > static_cast<uint64_t>(INT_MAX)) return 0;
    int whole = static_cast<int>(number.mantissa);
    words.integer[slot] = number.sign < 0 ? -whole : whole;
    return 1;
}

// A G or M code; the G code keeps one decimal as its last digit (G54.1 is 541).
int store_plain_code(const PlainNumber &number, char letter, BlockWords &words) {
    if (number.sign != 0 || number.mantissa > static_cast<uint64_t>(INT_MAX / 10)) return 0;
    int whole = static_cast<int>(number.mantissa);
    if (letter == 'M') {
        if (number.fraction >= 0 || words.m_count == BLOCK_M_LIMIT) return 0;
        words.m_codes[words.m_count++] = whole;
        return 1;
    }
    if (number.fraction > 1 || words.g_count == BLOCK_G_LIMIT) return 0;
    words.g_codes[words.g_count++] = number.fraction == 1 ? whole : whole * 10;
    return 1;
}

// The common word at bytes[at]: the first byte after it, or 0 when the full
// reading must read it. Nothing is stored unless the word is taken whole.
size_t read_plain_word(const char *bytes, size_t length, size_t at, BlockWords &words) {
    char letter = bytes[at];
    PlainNumber number;
    if (!scan_plain_number(bytes, length, at + 1, number)) return 0;
    LetterKind kind = LetterKinds[letter - 'A'];
    if (kind == LETTER_G || kind == LETTER_M) return store_plain_code(number, letter, words) ? number.end : 0;
    uint32_t bit = letter_bit(letter);
    int slot = letter - 'A';
    if ((words.present & bit) && letter != 'N') return 0;
    int stored = 0;
    if (kind == LETTER_COORDINATE || kind == LETTER_FEED) {
        stored = store_plain_value(number, kind, slot, words);
    } else if (kind == LETTER_INTEGER) {
        stored = store_plain_integer(number, slot, words);
    }
    if (!stored) return 0;
    words.present |= bit;
    if (number.fraction >= 0) words.with_point |= bit;
    return number.end;
}

// ",C" or ",R" and its number, at bytes[at] (the comma), by the full reading.
[[gnu::noinline]] size_t read_comma_word(const char *bytes, size_t length, size_t at, BlockWords &words,
                                         WordError &error) {
    size_t letter_at = skip_blanks(bytes, length, at + 1);
    if (letter_at >= length || (bytes[letter_at] != 'C' && bytes[letter_at] != 'R')) {
        fail(error, "\",\" の後は C か R です", bytes, at, letter_at < length ? letter_at + 1 : length);
        return 0;
    }
    int slot = bytes[letter_at] == 'C' ? 0 : 1;
    NumberText number;
    scan_number(bytes, length, letter_at + 1, number);
    size_t end = number.end;
    if (number.digits == 0 || follows_number(bytes, length, end)) {
        fail(error, "数値が正しくありません", bytes, at, end > letter_at + 1 ? end : letter_at + 1);
        return 0;
    }
    if (words.comma_present & (1 << slot)) {
        fail(error, "同じ語が二つあります", bytes, at, end);
        return 0;
    }
    words.comma_present |= 1 << slot;
    if (convert_number(bytes, number, number.has_point ? number.fraction : 3, words, words.comma_value[slot]) < 0) {
        fail(error, "数値が範囲外です", bytes, at, end);
        return 0;
    }
    return end;
}

// Past the comment that opens at bytes[at]; inside it any byte but NUL is taken.
// Returns the first byte after ")" (or the line's end), or 0 after an error.
size_t skip_comment(const char *bytes, size_t length, size_t at, BlockWords &words, WordError &error) {
    for (size_t i = at + 1; i < length; ++i) {
        char byte = bytes[i];
        if (byte == ')') return i + 1;
        if (byte == '\0') {
            std::snprintf(error.text, sizeof error.text, "NULバイトがあります");
            return 0;
        }
        if (byte == CTRL_Z) {
            words.ctrl_z = static_cast<long>(i);
            return length;
        }
    }
    return length;
}

// Only what a line sets is cleared: values and integers are read only where present says.
void clear_words(BlockWords &words) {
    words.present = 0;
    words.with_point = 0;
    words.g_count = 0;
    words.m_count = 0;
    words.comma_present = 0;
    words.tape_mark = 0;
    words.program_number = 0;
    words.ctrl_z = -1;
}

}  // namespace

int read_block_words(const char *bytes, size_t length, BlockWords &words, WordError &error) {
    clear_words(words);
    error.text[0] = '\0';
    int percent = 0;
    int word_count = 0;
    size_t at = 0;
    while (at < length) {
        switch (role_of(bytes[at])) {
        case BYTE_LETTER: {
            size_t end = read_plain_word(bytes, length, at, words);
            if (end == 0) end = read_word(bytes, length, at, word_count == 0, words, error);
            if (end == 0) return -1;
            at = end;
            ++word_count;
            break;
        }
        case BYTE_BLANK: ++at; break;
        case BYTE_COMMENT:
            at = skip_comment(bytes, length, at, words, error);
            if (at == 0) return -1;
            break;
        case BYTE_COMMA:
            at = read_comma_word(bytes, length, at, words, error);
            if (at == 0) return -1;
            ++word_count;
            break;
        case BYTE_PERCENT:
            percent = 1;
            ++at;
            break;
        case BYTE_CTRL_Z:
            words.ctrl_z = static_cast<long>(at);
            at = length;
            break;
        default: return refuse_byte(error, bytes[at]);
        }
    }
    if (percent && word_count > 0) {
        std::snprintf(error.text, sizeof error.text, "%% の行に語があります");
        return -1;
    }
    words.tape_mark = percent;
    return 0;
}
