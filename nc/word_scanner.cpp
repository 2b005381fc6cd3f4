// Finding address words in an NC block and reading the numbers that follow
// their letters. There is no tokeniser: a word is found by a plain substring
// search, and its number is the run of number characters after the letter.
#include "nc/word_scanner.h"

#include <charconv>
#include <cstdint>
#include <cstring>

static bool is_digit(char c) { return c >= '0' && c <= '9'; }

// A code or a letter is a pattern of a few bytes in a short block: looking for
// its first byte and comparing the rest there is quicker than the general
// search, and finds the same first position.
static const size_t SHORT_PATTERN = 8;

static const char *find_short(const char *text, const char *pattern, size_t length) {
    for (const char *at = strchr(text, pattern[0]); at; at = strchr(at + 1, pattern[0])) {
        // at[i] is never read past the text's end: at[i - 1] matched a pattern byte.
        size_t i = 1;
        while (i < length && at[i] == pattern[i]) ++i;
        if (i == length) return at;
    }
    return nullptr;
}

// The first occurrence of pattern in text, as strstr finds it.
static const char *search(const char *text, const char *pattern) {
    size_t length = 0;
    while (length <= SHORT_PATTERN && pattern[length]) ++length;
    if (length == 0) return text;
    return length <= SHORT_PATTERN ? find_short(text, pattern, length) : strstr(text, pattern);
}

int find_text(const char *text, const char *pattern) {
    if (!text || !pattern) return -1;
    const char *hit = search(text, pattern);
    return hit ? static_cast<int>(hit - text) : -1;
}

int find_whole_code(const char *text, const char *code) {
    if (!text || !code || !*code) return -1;
    size_t code_length = strlen(code);
    for (const char *hit = search(text, code); hit; hit = search(hit + 1, code)) {
        // "G1" inside "G17" or "M3" inside "M30" is part of another code.
        if (!is_digit(hit[code_length])) return static_cast<int>(hit - text);
    }
    return -1;
}

void strip_comment(std::string &line) {
    // The block ends at its first NUL for every search made on it, so a "(" after
    // one is no comment.
    const char *open = strchr(line.c_str(), '(');
    if (open) line.resize(static_cast<size_t>(open - line.c_str()));
}

// Coordinate numbers may hold digits, points and minus signs in any order.
static bool is_coordinate_char(char c) { return is_digit(c) || c == '.' || c == '-'; }
static bool is_integer_char(char c) { return is_digit(c) || c == '-'; }

// Length of the run of number characters that follows the letter at word[0].
static size_t number_run(const char *word, bool (*accepts)(char)) {
    if (!word || !word[0]) return 0;
    size_t length = 0;
    while (accepts(word[1 + length])) ++length;
    return length;
}

// Powers of ten that a double holds exactly.
static const double ExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                          1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                          1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
static const int MAX_EXACT_DIGITS = 15;  // any 15 digits make a whole number below 2^53

// The common case of the conversion, done in one division. With at most 15
// significant digits the number is m / 10^k with m and 10^k (k at most 22)
// both exact doubles, and one IEEE division rounds m / 10^k correctly, as the
// full conversion rounds it. Returns false, leaving value alone, for anything
// else: more digits, more decimals, or no digit at all.
static bool convert_short_decimal(const char *text, size_t length, double &value) {
    size_t at = 0;
    bool negative = length > 0 && text[0] == '-';
    if (negative) ++at;
    uint64_t whole = 0;
    int significant = 0;
    int decimals = 0;
    bool any_digit = false;
    bool after_point = false;
    for (; at < length; ++at) {
        char c = text[at];
        if (c == '.' && !after_point) {
            after_point = true;
            continue;
        }
        if (!is_digit(c)) break;  // "1.2.3" is 1.2, "5-3" is 5
        any_digit = true;
        if (after_point) ++decimals;
        if (whole == 0 && c == '0') continue;  // leading zeros carry no digit
        if (++significant > MAX_EXACT_DIGITS) return false;
        whole = whole * 10 + static_cast<uint64_t>(c - '0');
    }
    if (!any_digit || decimals > 22) return false;
    double magnitude = static_cast<double>(whole) / ExactPowersOfTen[decimals];
    value = negative ? -magnitude : magnitude;
    return true;
}

double convert_decimal(const char *text, size_t length) {
    double value = 0.0;
    if (convert_short_decimal(text, length, value)) return value;
    // The longest leading part that forms a number counts ("1.2.3" is 1.2, "5-3"
    // is 5). Text that forms no number, or a number beyond the range of a double
    // (a run of hundreds of digits), reads as 0.
    std::from_chars_result result = std::from_chars(text, text + length, value, std::chars_format::fixed);
    if (result.ec != std::errc()) return 0.0;
    return value;
}

void read_word_number(const char *word, double &value, int &has_point) {
    has_point = 0;
    size_t length = number_run(word, is_coordinate_char);
    if (length > 0 && memchr(word + 1, '.', length)) has_point = 1;
    value = length > 0 ? convert_decimal(word + 1, length) : 0.0;
    // Without a point the number counts thousandths of a millimetre.
    if (!has_point) value /= 1000.0;
}

int read_word_integer(const char *word, int &value) {
    size_t length = number_run(word, is_integer_char);
    int read = 0;
    if (length > 0) {
        std::from_chars_result result = std::from_chars(word + 1, word + 1 + length, read);
        // Beyond the range of an int, or no number at all: 0.
        if (result.ec != std::errc()) read = 0;
    }
    value = read;
    return value;
}

void read_feed_text(const char *word, std::string &text) {
    size_t length = number_run(word, is_coordinate_char);
    text.assign(length > 0 ? word + 1 : "", length);
}

double read_feed_value(const char *word) {
    size_t length = number_run(word, is_coordinate_char);
    return length > 0 ? convert_decimal(word + 1, length) : 0.0;
}

int copy_tail(const char *text, int first, int last, std::string &out) {
    out.clear();
    if (!text || first < 0 || last < first) return 0;
    // Never past the terminator, whatever last the caller passes.
    size_t available = strnlen(text, static_cast<size_t>(last) + 1);
    if (static_cast<size_t>(first) >= available) return 0;
    size_t end = static_cast<size_t>(last) + 1 < available ? static_cast<size_t>(last) + 1 : available;
    out.assign(text + first, end - static_cast<size_t>(first));
    return static_cast<int>(out.size());
}
