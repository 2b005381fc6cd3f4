// Finding address words in an NC block and reading the numbers after their letters.
#pragma once

#include <cstddef>
#include <string>

// Byte position of the first occurrence of pattern in text, -1 when absent.
int find_text(const char *text, const char *pattern);
// Position of the first occurrence of code that stands as a whole code, that is,
// is not followed by another digit ("G1" in "G17 G1" is at 4); -1 when absent.
int find_whole_code(const char *text, const char *code);
// Removes everything from the first "(" to the end of the line, line end included.
void strip_comment(std::string &line);
// A coordinate word (X Y Z I J R Q K): value in millimetres; a number without a
// point counts 0.001 mm. has_point is 1 when the number had a ".".
void read_word_number(const char *word, double &value, int &has_point);
// S, D and the digits of a G code: the leading integer; returns it as well.
int read_word_integer(const char *word, int &value);
// The run of number characters after F, whole.
void read_feed_text(const char *word, std::string &text);
// The F word's value: the same run converted as a plain decimal number (F150 is
// 150, F.15 is 0.15), without building the text.
double read_feed_value(const char *word);
// The longest leading decimal number of text[0..length); 0 when there is none
// or when it lies beyond the range of a double. No thousandths rule.
double convert_decimal(const char *text, size_t length);
// Copies text[first..last] inclusive into out; returns the number of bytes copied.
int copy_tail(const char *text, int first, int last, std::string &out);
