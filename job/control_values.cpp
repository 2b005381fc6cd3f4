// Numbers read whole: the text is checked character by character first, so that
// nothing a locale or the runtime would also accept ("1e3", "0x10", "inf") and
// nothing after the number ("90abc") passes; only then is it converted.
#include "job/control_values.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace {

int is_blank(char c) { return c == ' ' || c == '\t'; }

int is_digit(char c) { return c >= '0' && c <= '9'; }

// The text without blanks at either end.
std::string without_blanks(const std::string &text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && is_blank(text[begin])) ++begin;
    while (end > begin && is_blank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

// Index after the digits that start at `at`.
size_t skip_digits(const std::string &text, size_t at) {
    while (at < text.size() && is_digit(text[at])) ++at;
    return at;
}

}  // namespace

int parse_decimal_text(const std::string &text, double &value) {
    std::string number = without_blanks(text);
    size_t at = 0;
    if (at < number.size() && (number[at] == '+' || number[at] == '-')) ++at;
    size_t integer_end = skip_digits(number, at);
    size_t digits = integer_end - at;
    at = integer_end;
    if (at < number.size() && number[at] == '.') {
        size_t fraction_end = skip_digits(number, at + 1);
        digits += fraction_end - (at + 1);
        at = fraction_end;
    }
    if (digits == 0 || at != number.size()) return -1;
    double converted = std::strtod(number.c_str(), nullptr);
    if (!std::isfinite(converted)) return -1;
    value = converted;
    return 0;
}

int parse_integer_text(const std::string &text, long long &value) {
    std::string number = without_blanks(text);
    size_t at = 0;
    if (at < number.size() && (number[at] == '+' || number[at] == '-')) ++at;
    size_t end = skip_digits(number, at);
    if (end == at || end != number.size()) return -1;
    errno = 0;
    long long converted = std::strtoll(number.c_str(), nullptr, 10);
    if (errno == ERANGE) return -1;
    value = converted;
    return 0;
}

int coordinate_in_range(double value) {
    return std::isfinite(value) && std::fabs(value) <= CoordinateLimit ? 1 : 0;
}
