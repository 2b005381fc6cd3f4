// A one-pass index of one NC block: where each address letter and each code the
// parser and the drivers test for first occurs, so that the sixty-odd substring
// tests made on every block cost a table look-up each instead of a text search.
#pragma once

#include <cstdint>

// Built by index_codes over a block text up to its terminator. A position table
// holds a value only where the matching bit of its mask is set.
struct CodeIndex {
    const char *text;         // the block indexed; other patterns are searched in it
    uint32_t letter_mask;     // bit L - 'A': letter L occurs
    uint64_t g_mask[2];       // bit n (n = 0..99): "Gnn" with two digits occurs
    uint64_t m_mask[2];       // the same for "Mnn"
    uint16_t g_whole_mask;    // bit d: "Gd" not followed by a digit occurs
    uint16_t m_whole_mask;    // the same for "Md"
    int g05p_at;              // first "G05P", or -1
    int letter_at[26];
    int g_at[100];
    int m_at[100];
    int g_whole_at[10];
    int m_whole_at[10];
};

// Scans text once (it must stay unchanged while the index is used).
void index_codes(const char *text, CodeIndex &index);
// What find_text(index.text, pattern) gives; looked up for a single upper-case
// letter, "G" or "M" with two digits, and "G05P", searched for anything else
// (at once -1 for a pattern that begins with a letter the block lacks).
int index_find(const CodeIndex &index, const char *pattern);
// What find_whole_code(index.text, code) gives; looked up for "G" or "M" with
// one digit, searched for anything else.
int index_find_whole(const CodeIndex &index, const char *code);

// The look-ups the parser makes on every block, for codes known in advance.

// find_text(text, "L") for the upper-case letter L.
inline int index_letter(const CodeIndex &index, char letter) {
    int bit = letter - 'A';
    return (index.letter_mask >> bit) & 1u ? index.letter_at[bit] : -1;
}
// find_text(text, "Gnn") >= 0 for n from 0 to 99 (two digits, "G05" for 5).
inline bool index_has_g(const CodeIndex &index, int n) { return (index.g_mask[n >> 6] >> (n & 63)) & 1u; }
// find_text(text, "Mnn") >= 0 for n from 0 to 99.
inline bool index_has_m(const CodeIndex &index, int n) { return (index.m_mask[n >> 6] >> (n & 63)) & 1u; }
// find_whole_code(text, "Gd") for the digit d.
inline int index_whole_g(const CodeIndex &index, int digit) {
    return (index.g_whole_mask >> digit) & 1u ? index.g_whole_at[digit] : -1;
}
// find_whole_code(text, "Md") >= 0 for the digit d.
inline bool index_has_whole_m(const CodeIndex &index, int digit) { return (index.m_whole_mask >> digit) & 1u; }
