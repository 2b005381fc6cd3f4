// The tool-path model's tokenizer: its numbers against the C library's
// conversion on random number texts, and its one-pass reading of the common
// word against its full reading on random lines.
#include "toolpath/block_words.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>

namespace {

uint64_t bits_of(double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// A number as programs and corrupted files write it: a sign or none, up to 25
// digits with leading and trailing zeros, a point anywhere or none.
std::string random_number(std::mt19937 &random) {
    static const int DigitCounts[] = {1, 1, 2, 3, 3, 4, 4, 5, 5, 6, 7, 8, 9, 12, 15, 16, 17, 18, 19, 20, 25};
    std::string text;
    switch (random() % 6) {
    case 0: text += '-'; break;
    case 1: text += '+'; break;
    default: break;
    }
    int count = DigitCounts[random() % (sizeof DigitCounts / sizeof DigitCounts[0])];
    std::string digits;
    for (int i = 0; i < count; ++i) digits += static_cast<char>('0' + random() % 10);
    if (random() % 5 == 0) digits.insert(0, random() % 8 + 1, '0');
    if (random() % 5 == 0) digits.append(random() % 8 + 1, '0');
    if (random() % 4 != 0) digits.insert(random() % (digits.size() + 1), 1, '.');
    return text + digits;
}

// The value the C library gives the text, scaled as a word of the letter reads it.
double library_value(const std::string &number, char letter) {
    int coordinate = letter != 'F';
    std::string text = number;
    if (coordinate && text.find('.') == std::string::npos) text += "e-3";
    return std::strtod(text.c_str(), nullptr);
}

TEST(ToolpathBlockWords, NumbersConvertAsTheLibraryConverts) {
    // strtod reads the point of the "C" locale, in which every program starts.
    ASSERT_STREQ(".", std::localeconv()->decimal_point);
    std::unique_ptr<BlockWords> words(new BlockWords);
    WordError error;
    std::mt19937 random(1207);
    const char letters[] = {'X', 'Y', 'Z', 'I', 'J', 'R', 'Q', 'F'};
    int failures = 0;
    for (int round = 0; round < 1000000 && failures < 10; ++round) {
        std::string number = random_number(random);
        char letter = letters[random() % sizeof letters];
        // The common word and, with a blank after its letter, the full reading.
        for (const char *gap : {"", " "}) {
            std::string line = std::string(1, letter) + gap + number;
            int read = read_block_words(line.data(), line.size(), *words, error);
            double expected = library_value(number, letter);
            if (read == 0 && bits_of(words->value[letter - 'A']) == bits_of(expected)) continue;
            ++failures;
            ADD_FAILURE() << "\"" << line << "\": read " << read << " " << error.text << ", value "
                          << words->value[letter - 'A'] << ", library " << expected;
        }
    }
}

// Lines of random words, most of them of the common shape, with every edge the
// readings must agree on: limits of the accumulator and of int, code counts,
// signs and points where they do not belong, blanks inside numbers, comments.
std::string random_line(std::mt19937 &random) {
    static const char *Specials[] = {"9007199254740992", "9007199254740993", "999999999999999999",
                                     "1000000000000000000", "2147483647", "2147483648", "214748364",
                                     "214748365", "0", "-0", ".", "-", "+", "1.2.3", "5-3", "1 2", "1. 5",
                                     "54.1", "54.12", "00000000000000000001", "1e5", " -5", "- 5"};
    static const char Letters[] = "XXXYYYZZIJRQFFGGGMMSTHDPKLNOABCEUVW";
    std::string line;
    int words = static_cast<int>(random() % 7);
    for (int i = 0; i < words; ++i) {
        if (random() % 10 == 0) line += ' ';
        switch (random() % 40) {
        case 0: line += "(COMMENT X1.)"; continue;
        case 1: line += ",C1."; continue;
        case 2: line += ",R0.5"; continue;
        case 3: line += '%'; continue;
        case 4: line += "G01G02G03G04G05G06G07G08G09"; continue;
        case 5: line += "M1M2M3M4M5M6M7M8M9"; continue;
        case 6: line += "x1."; continue;
        case 7: line += '\x1A'; continue;
        default: break;
        }
        line += Letters[random() % (sizeof Letters - 1)];
        if (random() % 6 == 0) {
            line += Specials[random() % (sizeof Specials / sizeof Specials[0])];
        } else {
            line += random_number(random);
        }
        if (random() % 25 == 0) line += static_cast<char>(".+- 5"[random() % 5]);
    }
    return line;
}

// The line with a blank after every letter: a blank there counts for nothing,
// and it sends every word to the full reading.
std::string with_blank_after_letters(const std::string &line) {
    std::string out;
    for (char byte : line) {
        out += byte;
        if (byte >= 'A' && byte <= 'Z') out += ' ';
    }
    return out;
}

std::string words_text(int read, const BlockWords &words, const WordError &error) {
    if (read < 0) return std::string("refused: ") + error.text;
    std::string text = "present " + std::to_string(words.present) + " point " + std::to_string(words.with_point);
    for (int letter = 0; letter < 26; ++letter) {
        if (!(words.present & (1u << letter))) continue;
        text += ' ';
        text += static_cast<char>('A' + letter);
        text += std::to_string(bits_of(words.value[letter])) + "/" + std::to_string(words.integer[letter]);
    }
    text += " G";
    for (int i = 0; i < words.g_count; ++i) text += " " + std::to_string(words.g_codes[i]);
    text += " M";
    for (int i = 0; i < words.m_count; ++i) text += " " + std::to_string(words.m_codes[i]);
    text += " comma " + std::to_string(words.comma_present);
    for (int slot = 0; slot < 2; ++slot) {
        if (words.comma_present & (1 << slot)) text += " " + std::to_string(bits_of(words.comma_value[slot]));
    }
    text += " tape " + std::to_string(words.tape_mark) + " program " + std::to_string(words.program_number);
    text += words.ctrl_z >= 0 ? " ctrl-z" : "";
    return text;
}

TEST(ToolpathBlockWords, CommonWordsReadAsTheFullReadingReadsThem) {
    std::unique_ptr<BlockWords> words(new BlockWords);
    WordError error;
    std::mt19937 random(20261207);
    int failures = 0;
    for (int round = 0; round < 300000 && failures < 10; ++round) {
        std::string line = random_line(random);
        int read = read_block_words(line.data(), line.size(), *words, error);
        std::string common = words_text(read, *words, error);
        std::string blanked = with_blank_after_letters(line);
        read = read_block_words(blanked.data(), blanked.size(), *words, error);
        std::string full = words_text(read, *words, error);
        if (common == full) continue;
        ++failures;
        ADD_FAILURE() << "\"" << line << "\"\n common: " << common << "\n full:   " << full;
    }
}

}  // namespace
