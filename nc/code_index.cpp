// The block index: one pass over a block records the first position of every
// upper-case letter, of every two-digit G and M code, of every one-digit G and
// M code that stands whole, and of "G05P". A look-up gives exactly what the
// substring search would: the search finds the first position at which the
// pattern's bytes stand, and the pass visits every position in order, noting a
// pattern only the first time its bytes are seen there.
#include "nc/code_index.h"

#include "nc/word_scanner.h"

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_upper(char c) { return c >= 'A' && c <= 'Z'; }

bool has_bit(const uint64_t mask[2], int n) { return (mask[n >> 6] >> (n & 63)) & 1u; }

// Notes code n at position at unless an earlier position holds it already.
void note_code(uint64_t mask[2], int table[100], int n, int at) {
    if (has_bit(mask, n)) return;
    mask[n >> 6] |= uint64_t{1} << (n & 63);
    table[n] = at;
}

void note_whole(uint16_t &mask, int table[10], int digit, int at) {
    if ((mask >> digit) & 1u) return;
    mask = static_cast<uint16_t>(mask | (1u << digit));
    table[digit] = at;
}

// The codes that start at a "G" or "M" at position at: two digits make a
// two-digit code, one digit before anything else a whole one-digit code.
void note_codes_at(CodeIndex &index, const char *code, int at) {
    if (!is_digit(code[1])) return;
    bool is_g = code[0] == 'G';
    if (!is_digit(code[2])) {
        int digit = code[1] - '0';
        if (is_g)
            note_whole(index.g_whole_mask, index.g_whole_at, digit, at);
        else
            note_whole(index.m_whole_mask, index.m_whole_at, digit, at);
        return;
    }
    int n = (code[1] - '0') * 10 + (code[2] - '0');
    if (!is_g) {
        note_code(index.m_mask, index.m_at, n, at);
        return;
    }
    note_code(index.g_mask, index.g_at, n, at);
    if (n == 5 && code[3] == 'P' && index.g05p_at < 0) index.g05p_at = at;
}

// A pattern "Gnn" or "Mnn": its number, else -1.
int two_digit_code(const char *pattern) {
    if (!is_digit(pattern[1]) || !is_digit(pattern[2]) || pattern[3] != '\0') return -1;
    return (pattern[1] - '0') * 10 + (pattern[2] - '0');
}

int code_position(const uint64_t mask[2], const int table[100], int n) {
    return has_bit(mask, n) ? table[n] : -1;
}

bool is_g05p(const char *pattern) {
    return pattern[0] == 'G' && pattern[1] == '0' && pattern[2] == '5' && pattern[3] == 'P' &&
           pattern[4] == '\0';
}

}  // namespace

void index_codes(const char *text, CodeIndex &index) {
    index.text = text;
    index.letter_mask = 0;
    index.g_mask[0] = index.g_mask[1] = 0;
    index.m_mask[0] = index.m_mask[1] = 0;
    index.g_whole_mask = 0;
    index.m_whole_mask = 0;
    index.g05p_at = -1;
    if (!text) return;
    for (const char *at = text; *at; ++at) {
        if (!is_upper(*at)) continue;
        int position = static_cast<int>(at - text);
        int bit = *at - 'A';
        if (!((index.letter_mask >> bit) & 1u)) {
            index.letter_mask |= 1u << bit;
            index.letter_at[bit] = position;
        }
        if (*at == 'G' || *at == 'M') note_codes_at(index, at, position);
    }
}

int index_find(const CodeIndex &index, const char *pattern) {
    if (!index.text || !pattern) return -1;
    char first = pattern[0];
    if (is_upper(first)) {
        int letter = index_letter(index, first);
        // A pattern can only stand where its first letter does.
        if (pattern[1] == '\0' || letter < 0) return letter;
    }
    if (first == 'G' || first == 'M') {
        int n = two_digit_code(pattern);
        if (n >= 0) return first == 'G' ? code_position(index.g_mask, index.g_at, n)
                                        : code_position(index.m_mask, index.m_at, n);
        if (is_g05p(pattern)) return index.g05p_at;
    }
    return find_text(index.text, pattern);
}

int index_find_whole(const CodeIndex &index, const char *code) {
    if (!index.text || !code) return -1;
    if ((code[0] == 'G' || code[0] == 'M') && is_digit(code[1]) && code[2] == '\0') {
        int digit = code[1] - '0';
        if (code[0] == 'G') return index_whole_g(index, digit);
        return index_has_whole_m(index, digit) ? index.m_whole_at[digit] : -1;
    }
    return find_whole_code(index.text, code);
}
