// The numbers of a job as text: a control-file value, a settings value or a
// command-line argument is read whole or refused, never read as far as it goes.
#pragma once

#include <cstddef>
#include <string>

// Longest number text a job carries: the dialog's fields hold 15 characters.
const size_t NumberTextLimit = 15;
// Largest coordinate the program writes, either way (millimetres: 5 digits and 3 decimals).
const double CoordinateLimit = 99999.999;
// Placements of the program when the source is kept: the source and at least one
// copy, at most this many in all.
const long long FewestCopies = 2;
const long long MostCopies = 10000;

// 0 with the value when the text, blanks at either end aside, is a decimal number
// in full: an optional sign, digits, an optional point and digits, at least one
// digit. No exponent, no hexadecimal, no "inf" or "nan", no comma, no full-width
// digits, no blank inside. -1 otherwise.
int parse_decimal_text(const std::string &text, double &value);

// 0 with the value when the text, blanks at either end aside, is a whole number
// in full (an optional sign and digits) within the range of long long; -1 otherwise.
int parse_integer_text(const std::string &text, long long &value);

// 1 when the coordinate is finite and within the limit either way.
int coordinate_in_range(double value);
