// Number to text: the two coordinate styles of the NC output and the rounded
// forms used for coordinates, log lines and dialog fields.
#pragma once

#include <cstddef>
#include <string>

#include "settings/program_values.h"

// Rounded to 0.001, trailing zeros dropped, the point kept: 90 gives "90.", 12.5 "12.5".
void format_rounded(double value, std::string &text);
// What the standard text-to-number conversion reads back from the text of
// format_rounded: the same double, without the text where that is provably so.
double rounded_value(double value);
// Fixed notation with the given number of decimals, as "%.3f" writes it for 3.
void format_fixed(double value, std::string &text, int decimals);
// Room for the text of format_fixed_chars.
constexpr size_t FIXED_CHARS_SIZE = 32;
// The text of format_fixed for 0 or 3 decimals, into out without a terminator,
// for a value of magnitude below 1e15. Returns its length, or 0 for any other
// value or number of decimals (format_fixed writes those).
size_t format_fixed_chars(double value, int decimals, char out[FIXED_CHARS_SIZE]);
// letter and number as "%c%0*d" writes them, at least min_digits digits
// (min_digits at most 20), into out without a terminator. Returns the length.
size_t format_code_chars(char letter, int number, int min_digits, char out[FIXED_CHARS_SIZE]);
// The style without a point: value x 1000 to the nearest whole number, as "%.0f"
// writes it (12.5 gives 12500, -0.0004 gives -0).
void format_thousandths(double value, std::string &text);
// "%.3f" with trailing zeros dropped; the point too unless keep_point. Returns 0.
int format_trimmed_3f(std::string &text, const double &value, int keep_point);
// The feed word's number: whole numbers as "%.0f", fractions with as many
// decimals as they have, up to six, and no trailing zeros (0.15, 1.25, 0.0125).
void format_feed(double value, std::string &text);
// The text of format_feed into out without a terminator, for a value of
// magnitude below 1e15 with three decimals or fewer. Returns its length, or 0
// for any other value (format_feed writes those).
size_t format_feed_chars(double value, char out[FIXED_CHARS_SIZE]);
// The feed goes out as it stands: it has no digits past the sixth decimal.
bool feed_fits_output(double value);
