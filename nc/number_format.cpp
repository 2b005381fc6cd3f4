// Number to text: the two coordinate styles of the NC output (millimetres with
// three decimals, or whole thousandths without a point) and the rounded forms
// used for coordinates, feeds, log lines and dialog fields.
#include "nc/number_format.h"

#include <cmath>
#include <cstdio>

// printf of one double into text, at whatever length it takes.
static void print_double(std::string &text, const char *format, int precision, double value) {
    char small[64];
    int length = snprintf(small, sizeof small, format, precision, value);
    if (length < 0) {
        text.clear();
    } else if (static_cast<size_t>(length) < sizeof small) {
        text.assign(small, static_cast<size_t>(length));
    } else {
        text.assign(static_cast<size_t>(length) + 1, '\0');
        snprintf(&text[0], text.size(), format, precision, value);
        text.resize(static_cast<size_t>(length));
    }
}

// Drops the zeros at the end of the fraction; the point stays.
static void drop_trailing_zeros(std::string &text) {
    size_t point = text.find('.');
    if (point == std::string::npos) return;
    size_t last = text.find_last_not_of('0');
    text.resize(last + 1 > point + 1 ? last + 1 : point + 1);
}

// The value rounded to 0.001, halves away from zero. From 1e15 on a double has
// no thousandths left to round (and |value| x 1000 could leave the range).
static double round_thousandths(double value) {
    if (!std::isfinite(value) || std::fabs(value) >= 1e15) return value;
    double rounded = std::round(std::fabs(value) * 1000.0) / 1000.0;
    return value < 0 ? -rounded : rounded;
}

void format_rounded(double value, std::string &text) {
    if (value > -0.0005 && value < 0.0005) {
        text = "0.";
        return;
    }
    double rounded = round_thousandths(value);
    std::string digits;
    print_double(digits, "%.*f", 3, std::fabs(rounded));
    drop_trailing_zeros(digits);
    text = rounded < 0 ? "-" + digits : digits;
}

void format_fixed(double value, std::string &text, int decimals) {
    print_double(text, "%.*f", decimals < 0 ? 0 : decimals, value);
}

void format_thousandths(double value, std::string &text) { print_double(text, "%.*f", 0, value * 1000.0); }

int format_trimmed_3f(std::string &text, const double &value, int keep_point) {
    print_double(text, "%.*f", 3, value);
    // From the end back to the second character: zeros go, and then the point
    // unless it is to be kept.
    while (text.size() > 1 && text.back() == '0') text.pop_back();
    if (text.size() > 1 && text.back() == '.' && !keep_point) text.pop_back();
    return 0;
}

void format_feed(double value, std::string &text) {
    double rounded = round_thousandths(value);
    if (std::isfinite(rounded) && std::fmod(std::fabs(rounded), 1.0) == 0.0) {
        print_double(text, "%.*f", 0, value);
        return;
    }
    print_double(text, "%.*f", 3, rounded);
    drop_trailing_zeros(text);
}
