// Number to text: the two coordinate styles of the NC output (millimetres with
// three decimals, or whole thousandths without a point) and the rounded forms
// used for coordinates, feeds, log lines and dialog fields.
#include "nc/number_format.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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

// ---------------------------------------------------------------------------
// "%.0f" and "%.3f" without printf. printf writes the exact binary value of the
// double rounded to the last decimal, a tie going to the even digit. Below
// 1e15 the same is done in whole numbers: a finite double is m x 2^e with m
// below 2^53, so |value| x 1000 is m x 1000 (below 2^63) shifted right by -e,
// and the bits shifted out decide the rounding exactly. Everything else (larger
// values, infinities, NaN, other decimals) still goes through printf.

static const double EXACT_FIXED_LIMIT = 1e15;

// |value| x scale to the nearest whole number, ties to even; |value| below
// EXACT_FIXED_LIMIT and finite, scale 1 or 1000.
static uint64_t scaled_whole(double value, uint64_t scale) {
    uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    int biased = static_cast<int>((bits >> 52) & 0x7FF);
    uint64_t mantissa = bits & ((uint64_t{1} << 52) - 1);
    if (biased != 0) mantissa |= uint64_t{1} << 52;
    int exponent = (biased != 0 ? biased : 1) - 1075;
    uint64_t product = mantissa * scale;
    // The limit lies below 2^50 and m of a normal double is at least 2^52, so e
    // is at most -3 here: the value always has bits right of the point.
    int shift = -exponent;
    // From 64 on, product (below 2^63) is less than half of 2^shift: 0.
    if (shift >= 64) return 0;
    uint64_t whole = product >> shift;
    uint64_t rest = product & ((uint64_t{1} << shift) - 1);
    uint64_t half = uint64_t{1} << (shift - 1);
    if (rest > half || (rest == half && (whole & 1) != 0)) ++whole;
    return whole;
}

// "00" to "99": a coordinate's digits are written two at a time, one
// division for every two digits instead of one for each.
static const char DigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// How many decimal digits whole has (1 for 0); whole is below 10^18 here.
static int digit_count(uint64_t whole) {
    int count = 1;
    for (uint64_t power = 10; count < 18 && whole >= power; power *= 10) ++count;
    return count;
}

// Writes the count digits of whole so that they end at end.
static void write_digits(char *end, uint64_t whole, int count) {
    char *at = end;
    for (; count >= 2; count -= 2) {
        at -= 2;
        std::memcpy(at, DigitPairs + 2 * (whole % 100), 2);
        whole /= 100;
    }
    if (count > 0) *--at = static_cast<char>('0' + whole);
}

// Writes whole in decimal at at; returns the end. Most whole millimetres of a
// program are below 100 and take one look-up.
static char *write_whole(char *at, uint64_t whole) {
    if (whole < 10) {
        *at = static_cast<char>('0' + whole);
        return at + 1;
    }
    if (whole < 100) {
        std::memcpy(at, DigitPairs + 2 * whole, 2);
        return at + 2;
    }
    int count = digit_count(whole);
    write_digits(at + count, whole, count);
    return at + count;
}

size_t format_fixed_chars(double value, int decimals, char out[FIXED_CHARS_SIZE]) {
    if (decimals != 0 && decimals != 3) return 0;
    if (!(std::fabs(value) < EXACT_FIXED_LIMIT)) return 0;  // NaN too
    uint64_t whole = scaled_whole(value, decimals == 3 ? 1000 : 1);
    char *at = out;
    // printf keeps the sign of a negative value that rounds to 0, and of -0.
    if (std::signbit(value)) *at++ = '-';
    if (decimals == 0) return static_cast<size_t>(write_whole(at, whole) - out);
    uint64_t integer = whole / 1000;
    unsigned thousandths = static_cast<unsigned>(whole - integer * 1000);
    at = write_whole(at, integer);
    at[0] = '.';
    at[1] = static_cast<char>('0' + thousandths / 100);
    std::memcpy(at + 2, DigitPairs + 2 * (thousandths % 100), 2);
    return static_cast<size_t>(at + 4 - out);
}

size_t format_code_chars(char letter, int number, int min_digits, char out[FIXED_CHARS_SIZE]) {
    // Nearly every code written is below 100 (G01, M08, G90): two digits from
    // the table, without printf.
    if (number >= 0 && number < 100 && min_digits <= 2) {
        out[0] = letter;
        if (number >= 10 || min_digits == 2) {
            std::memcpy(out + 1, DigitPairs + 2 * number, 2);
            return 3;
        }
        out[1] = static_cast<char>('0' + number);
        return 2;
    }
    char text[FIXED_CHARS_SIZE];
    int length = snprintf(text, sizeof text, "%c%0*d", letter, min_digits < 20 ? min_digits : 20, number);
    if (length < 0) return 0;
    std::memcpy(out, text, static_cast<size_t>(length));
    return static_cast<size_t>(length);
}

static void print_fixed(std::string &text, int decimals, double value) {
    char digits[FIXED_CHARS_SIZE];
    size_t length = format_fixed_chars(value, decimals, digits);
    if (length > 0)
        text.assign(digits, length);
    else
        print_double(text, "%.*f", decimals, value);
}

// Drops the zeros at the end of the fraction; the point stays.
static void drop_trailing_zeros(std::string &text) {
    size_t point = text.find('.');
    if (point == std::string::npos) return;
    size_t last = text.find_last_not_of('0');
    text.resize(last + 1 > point + 1 ? last + 1 : point + 1);
}

// A non-negative value below 2^63 rounded to the nearest whole number, halves
// away from zero, as std::round rounds it: the conversion to an integer cuts
// the fraction off exactly, and the fraction left is exact too. Every rotated
// coordinate is rounded this way, and the library call costs more than this.
static double round_half_away(double magnitude) {
    double whole = static_cast<double>(static_cast<int64_t>(magnitude));
    return magnitude - whole >= 0.5 ? whole + 1.0 : whole;
}

// The value rounded to 0.001, halves away from zero. From 1e15 on a double has
// no thousandths left to round (and |value| x 1000 could leave the range).
static double round_thousandths(double value) {
    if (!std::isfinite(value) || std::fabs(value) >= 1e15) return value;
    double rounded = round_half_away(std::fabs(value) * 1000.0) / 1000.0;
    return value < 0 ? -rounded : rounded;
}

void format_rounded(double value, std::string &text) {
    if (value > -0.0005 && value < 0.0005) {
        text = "0.";
        return;
    }
    double rounded = round_thousandths(value);
    std::string digits;
    print_fixed(digits, 3, std::fabs(rounded));
    drop_trailing_zeros(digits);
    text = rounded < 0 ? "-" + digits : digits;
}

// Below 1e12, r = n / 1000 with n = the rounded thousandths (a whole number
// below 2^53, exact in a double): "%.3f" of r gives the digits of n, because r
// lies within half an ulp (under 2^-14) of n / 1000, far less than half a
// thousandth. The text is then exactly n / 1000, and the text-to-number
// conversion returns the double nearest to it, which is the correctly rounded
// quotient n / 1000.0 itself. A value that prints as "0." reads back as +0.
static const double EXACT_ROUNDED_LIMIT = 1e12;

double rounded_value(double value) {
    if (value > -0.0005 && value < 0.0005) return 0.0;
    if (!(std::fabs(value) < EXACT_ROUNDED_LIMIT)) {
        std::string text;
        format_rounded(value, text);
        return std::strtod(text.c_str(), nullptr);
    }
    double thousandths = round_half_away(std::fabs(value) * 1000.0);
    double rounded = thousandths / 1000.0;
    return value < 0 && thousandths > 0 ? -rounded : rounded;
}

void format_fixed(double value, std::string &text, int decimals) {
    print_fixed(text, decimals < 0 ? 0 : decimals, value);
}

void format_thousandths(double value, std::string &text) { print_fixed(text, 0, value * 1000.0); }

int format_trimmed_3f(std::string &text, const double &value, int keep_point) {
    print_fixed(text, 3, value);
    // From the end back to the second character: zeros go, and then the point
    // unless it is to be kept.
    while (text.size() > 1 && text.back() == '0') text.pop_back();
    if (text.size() > 1 && text.back() == '.' && !keep_point) text.pop_back();
    return 0;
}

// Feeds per revolution carry four decimals (F0.0125) and some programs more. A
// feed with digits past the thousandths keeps them, up to six: rounded to 0.001
// it would change the machine's feed. Below 1e9 the millionths are a whole
// number under 2^53, and "%.6f" of their quotient gives their digits (the
// double lies within 6e-8 of it). Larger feeds, and every feed of three
// decimals or fewer, go out as before.
static const double FINE_FEED_LIMIT = 1e9;

static bool has_finer_digits(double value) {
    double magnitude = std::fabs(value);
    if (!(magnitude < FINE_FEED_LIMIT)) return false;
    return round_half_away(magnitude * 1e6) != round_half_away(magnitude * 1e3) * 1000.0;
}

static void format_fine_feed(double value, std::string &text) {
    double rounded = round_half_away(std::fabs(value) * 1e6) / 1e6;
    print_double(text, "%.*f", 6, value < 0 ? -rounded : rounded);
    drop_trailing_zeros(text);
}

bool feed_fits_output(double value) {
    double magnitude = std::fabs(value);
    if (!(magnitude < FINE_FEED_LIMIT)) return true;
    double millionths = magnitude * 1e6;
    // The reading of a decimal text is off by far less than 0.01 millionth below 1e9.
    return std::fabs(millionths - round_half_away(millionths)) < 0.01;
}

void format_feed(double value, std::string &text) {
    if (has_finer_digits(value)) {
        format_fine_feed(value, text);
        return;
    }
    double rounded = round_thousandths(value);
    if (std::isfinite(rounded) && std::fmod(std::fabs(rounded), 1.0) == 0.0) {
        print_fixed(text, 0, value);
        return;
    }
    print_fixed(text, 3, rounded);
    drop_trailing_zeros(text);
}

size_t format_feed_chars(double value, char out[FIXED_CHARS_SIZE]) {
    if (!(std::fabs(value) < EXACT_FIXED_LIMIT)) return 0;  // NaN too
    if (has_finer_digits(value)) return 0;
    double rounded = round_thousandths(value);
    // Whole after the rounding: for a finite value, fmod(|r|, 1) is 0 exactly
    // when the value is its own floor.
    double magnitude = std::fabs(rounded);
    if (std::floor(magnitude) == magnitude) return format_fixed_chars(value, 0, out);
    size_t length = format_fixed_chars(rounded, 3, out);
    // The zeros at the end of the fraction go; the point stays.
    while (length > 0 && out[length - 1] == '0') --length;
    return length;
}
