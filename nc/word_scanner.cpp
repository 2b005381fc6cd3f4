// Finding address words in an NC block and reading the numbers that follow
// their letters. There is no tokeniser: a word is found by a plain substring
// search, and its number is the run of number characters after the letter.
#include "nc/word_scanner.h"

#include <charconv>
#include <cstring>

int find_text(const char *text, const char *pattern) {
    if (!text || !pattern) return -1;
    const char *hit = strstr(text, pattern);
    return hit ? static_cast<int>(hit - text) : -1;
}

static bool is_digit(char c) { return c >= '0' && c <= '9'; }

int find_whole_code(const char *text, const char *code) {
    if (!text || !code || !*code) return -1;
    size_t code_length = strlen(code);
    for (const char *hit = strstr(text, code); hit; hit = strstr(hit + 1, code)) {
        // "G1" inside "G17" or "M3" inside "M30" is part of another code.
        if (!is_digit(hit[code_length])) return static_cast<int>(hit - text);
    }
    return -1;
}

void strip_comment(std::string &line) {
    int open = find_text(line.c_str(), "(");
    if (open >= 0) line.resize(static_cast<size_t>(open));
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

double convert_decimal(const char *text, size_t length) {
    double value = 0.0;
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
