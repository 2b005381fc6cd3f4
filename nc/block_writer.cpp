// The block writer: a parsed (and rotated) block back as NC text. Codes go in a
// fixed order with no blanks between words; modal codes, coordinates and the
// feed are written only when they change, and what is written stops pending.
#include "nc/block_writer.h"

#include <cstdio>
#include <cstring>

// Word letters in the order of the word slots.
static const char WordLetters[WORD_COUNT + 1] = "XYZIJRQK";

// A value inside this band counts as no change (the band is not symmetric:
// -0.0004 itself is a change, 0.0004 is not).
static bool is_negligible(double value) { return value > -0.0004 && value < 0.0005; }

// The text of one block as it grows, and the number of items in it. A block
// is built in the room on the stack; one that outgrows it (numbers of hundreds
// of digits) goes on in a string.
struct BlockText {
    char room[256];
    size_t length = 0;
    std::string spilled;
    int items = 0;
};

static void add_text(BlockText &block, const char *bytes, size_t count) {
    if (block.spilled.empty() && count <= sizeof block.room - block.length) {
        std::memcpy(block.room + block.length, bytes, count);
        block.length += count;
        return;
    }
    if (block.spilled.empty()) block.spilled.assign(block.room, block.length);
    block.spilled.append(bytes, count);
}

static void add_text(BlockText &block, const char *text) { add_text(block, text, std::strlen(text)); }

// One byte, stored at once while the block fits in its room.
static void add_char(BlockText &block, char c) {
    if (block.spilled.empty() && block.length < sizeof block.room) {
        block.room[block.length++] = c;
        return;
    }
    add_text(block, &c, 1);
}

// Writes the block as it stands.
static void write_text(TextWriter &output, const BlockText &block) {
    if (block.spilled.empty())
        text_write(output, block.room, block.length);
    else
        text_write(output, block.spilled.data(), block.spilled.size());
}

// "%c%0*d" of letter, min_digits and number; the codes and words written here
// are never negative, but a negative one would still come out as printf writes it.
static void add_code(BlockText &block, char letter, int number, int min_digits) {
    char code[24];
    if (number < 0) {
        snprintf(code, sizeof code, "%c%0*d", letter, min_digits, number);
        add_text(block, code);
    } else {
        char *end = code + sizeof code;
        char *first = end;
        unsigned value = static_cast<unsigned>(number);
        do {
            *--first = static_cast<char>('0' + value % 10);
            value /= 10;
            --min_digits;
        } while (value != 0 || min_digits > 0);
        *--first = letter;
        add_text(block, first, static_cast<size_t>(end - first));
    }
    ++block.items;
}

// One coordinate word in the style of its flag: with a point in millimetres,
// or without one in thousandths.
static void add_coordinate(BlockText &block, int index, double value, int with_point) {
    add_char(block, WordLetters[index]);
    // Thousandths are value x 1000 with no decimals, as format_thousandths has them.
    char digits[FIXED_CHARS_SIZE];
    size_t length = with_point > 0 ? format_fixed_chars(value, 3, digits)
                                   : format_fixed_chars(value * 1000.0, 0, digits);
    if (length > 0) {
        add_text(block, digits, length);
    } else {
        std::string number;
        if (with_point > 0)
            format_fixed(value, number, 3);
        else
            format_thousandths(value, number);
        add_text(block, number.data(), number.size());
    }
    ++block.items;
}

static void flush_block(TextWriter &output, BlockText &block) {
    if (block.items == 0) return;
    add_char(block, '\n');
    write_text(output, block);
}

static void apply_decimal_mode(int word_point[WORD_COUNT], const OutputFormat &format) {
    if (format.decimal_mode < 0) return;
    int style = format.decimal_mode > 0 ? 1 : 0;
    for (int i = 0; i < WORD_COUNT; ++i) word_point[i] = style;
}

// The block's style is that of its first word; where the flags of X to R
// disagree, every word takes it. A block without any word takes the style of X,
// so that a G92 block of its own still writes one style.
static void unify_style(int word_point[WORD_COUNT], const int word_present[WORD_COUNT],
                        const OutputFormat &format) {
    int style = word_point[WORD_X];
    for (int i = 0; i < WORD_COUNT; ++i) {
        if (word_present[i]) {
            style = word_point[i];
            break;
        }
    }
    for (int i = WORD_Y; i <= WORD_R; ++i) {
        if (word_point[i] != word_point[WORD_X]) {
            for (int j = 0; j < WORD_COUNT; ++j) word_point[j] = style;
            break;
        }
    }
    apply_decimal_mode(word_point, format);
}

void position_delta(const WordValues &current, const WordValues &previous, WordValues &delta) {
    for (int i = WORD_X; i <= WORD_Z; ++i) delta.v[i] = current.v[i] - previous.v[i];
    for (int i = WORD_I; i < WORD_COUNT; ++i) delta.v[i] = current.v[i];
    for (double &value : delta.v)
        if (is_negligible(value)) value = 0.0;
}

// A coordinate system set by G92 is given in absolute values, on lines of its
// own; other pending codes, S, M and F wait for a later block.
static int write_coordinate_setting(TextWriter &output, const int word_point[WORD_COUNT],
                                    const WordValues &current, const ModePair &mode,
                                    int pending_g[100]) {
    BlockText block;
    if (mode.mode_now == 91) {
        add_text(block, "G90\n");
        ++block.items;
    }
    add_text(block, "G92");
    pending_g[92] = -1;
    for (int i = WORD_X; i <= WORD_Z; ++i) add_coordinate(block, i, current.v[i], word_point[i]);
    add_char(block, '\n');
    if (mode.mode_now == 91) {
        add_text(block, "G91\n");
        ++block.items;
    }
    write_text(output, block);
    return block.items;
}

int write_block(TextWriter &output, ModalIntegers &modal, const int word_present[WORD_COUNT],
                int word_point[WORD_COUNT], const WordValues &current, const WordValues &previous,
                double feed[3], ModePair &mode, int pending_g[100], int pending_m[10],
                const CommandFlags &, const OutputFormat &format) {
    unify_style(word_point, word_present, format);
    if (pending_g[92] == 92) return write_coordinate_setting(output, word_point, current, mode, pending_g);
    WordValues delta;
    position_delta(current, previous, delta);
    return write_words(output, pending_g, pending_m, modal, current, previous, delta, feed, mode,
                       word_present, word_point);
}

// G90 or G91, only while the mode written differs from the mode in force and
// the block gave the code.
static void add_distance_mode(BlockText &block, int pending_g[100], ModePair &mode) {
    if (mode.mode_written == mode.mode_now) return;
    if (mode.mode_now == 90) {
        if (pending_g[90] != 90) return;
        add_code(block, 'G', 90, 0);
        mode.mode_written = 90;
        pending_g[90] = -1;
    } else if (pending_g[91] == 91) {
        add_code(block, 'G', mode.mode_now, 0);
        mode.mode_written = mode.mode_now;
        pending_g[91] = -1;
    }
}

// Pending codes first to last of a range, each written once.
static int add_pending_range(BlockText &block, int pending_g[100], int first, int last) {
    int written = 0;
    for (int n = first; n <= last; ++n) {
        if (pending_g[n] > 0) {
            add_code(block, 'G', pending_g[n], 0);
            pending_g[n] = -1;
            written = n;
        }
    }
    return written;
}

// A code table with nothing pending, to compare ranges of pending_g with.
struct ClearedTable {
    int entries[100];
};
static constexpr ClearedTable cleared_table() {
    ClearedTable table{};
    for (int &entry : table.entries) entry = -1;
    return table;
}
static constexpr ClearedTable Cleared = cleared_table();

// 1 when every entry first to last is -1, as in nearly every block.
static int range_is_clear(const int pending_g[100], int first, int last) {
    size_t bytes = static_cast<size_t>(last - first + 1) * sizeof(int);
    return std::memcmp(pending_g + first, Cleared.entries + first, bytes) == 0;
}

// G05 to G79 (G30, G43, G44, G49, G64, G73) with two digits; the whole range
// stops pending.
static void add_other_codes(BlockText &block, int pending_g[100]) {
    if (range_is_clear(pending_g, 5, 79)) return;
    for (int n = 5; n <= 79; ++n) {
        if (pending_g[n] >= 0) add_code(block, 'G', pending_g[n], 2);
        pending_g[n] = -1;
    }
}

// The motion code when it changes. A motion that is not known (no G00 to G03
// read yet) is never written, and what was written last stays.
static void add_motion(BlockText &block, ModalIntegers &modal, int pending_g[100]) {
    if (modal.motion == modal.prev_motion || modal.motion < 0 || modal.motion > 3) return;
    add_code(block, 'G', modal.motion, 2);
    modal.older_motion = modal.prev_motion;
    modal.prev_motion = modal.motion;
    for (int n = 0; n <= 4; ++n) pending_g[n] = -1;
}

static void add_spindle_and_m_codes(BlockText &block, ModalIntegers &modal, int pending_m[10]) {
    if (modal.spindle_speed > 0) {
        add_code(block, 'S', modal.spindle_speed, 0);
        modal.spindle_speed = 0;
    }
    for (int n = 0; n < 10; ++n) {
        if (pending_m[n] >= 0) {
            add_code(block, 'M', pending_m[n], 2);
            pending_m[n] = -1;
        }
    }
}

static bool has_coordinate_word(const int word_present[WORD_COUNT]) {
    for (int i = WORD_X; i <= WORD_R; ++i)
        if (word_present[i]) return true;
    return false;
}

static void add_coordinates(BlockText &block, const WordValues &current, const WordValues &delta,
                            const ModePair &mode, const int word_present[WORD_COUNT],
                            const int word_point[WORD_COUNT], bool cycle_written) {
    for (int i = 0; i < WORD_COUNT; ++i) {
        // In a drilling cycle the levels Z, R and Q go out whenever the block gives them.
        bool cycle_level = cycle_written && (i == WORD_Z || i == WORD_R || i == WORD_Q);
        bool write = cycle_level ? word_present[i] == 1 : !is_negligible(delta.v[i]);
        if (!write) continue;
        add_coordinate(block, i, mode.mode_now == 90 ? current.v[i] : delta.v[i], word_point[i]);
    }
}

static void add_feed(BlockText &block, ModalIntegers &modal, double feed[3]) {
    if (!(feed[0] > 0) || feed[1] == feed[0]) return;
    std::string number;
    format_feed(feed[0], number);
    add_char(block, 'F');
    add_text(block, number.data(), number.size());
    ++block.items;
    feed[1] = feed[0];
    modal.feed_flag = 0;
}

int write_words(TextWriter &output, int pending_g[100], int pending_m[10], ModalIntegers &modal,
                const WordValues &current, const WordValues &, const WordValues &delta,
                double feed[3], ModePair &mode, const int word_present[WORD_COUNT],
                const int word_point[WORD_COUNT]) {
    BlockText block;
    add_distance_mode(block, pending_g, mode);
    add_pending_range(block, pending_g, 93, 99);
    add_pending_range(block, pending_g, 17, 19);
    add_pending_range(block, pending_g, 40, 42);
    if (modal.d_number > 0) {
        add_code(block, 'D', modal.d_number, 2);
        modal.d_number = 0;
    }
    // G80 cancels; only G81 to G89 make this a cycle block.
    bool cycle_written = add_pending_range(block, pending_g, 80, 89) > 80;
    add_motion(block, modal, pending_g);
    add_other_codes(block, pending_g);
    if (has_coordinate_word(word_present)) {
        add_coordinates(block, current, delta, mode, word_present, word_point, cycle_written);
        add_feed(block, modal, feed);
    }
    add_spindle_and_m_codes(block, modal, pending_m);
    flush_block(output, block);
    return block.items;
}

int write_start_block(TextWriter &output, const double position[3], ModalIntegers &modal,
                      int word_point[WORD_COUNT], int pending_g[100], ModePair &mode,
                      const int word_present[WORD_COUNT], const OutputFormat &format) {
    int style = word_point[WORD_X];
    for (int i = WORD_X; i <= WORD_Z; ++i) {
        if (word_present[i]) {
            style = word_point[i];
            break;
        }
    }
    if (word_point[WORD_Y] != word_point[WORD_X] || word_point[WORD_Z] != word_point[WORD_X])
        for (int i = WORD_X; i <= WORD_Z; ++i) word_point[i] = style;
    apply_decimal_mode(word_point, format);

    BlockText block;
    if (mode.mode_written != mode.mode_now && pending_g[90] == 90) {
        add_code(block, 'G', 90, 0);
        mode.mode_written = mode.mode_now;
    }
    pending_g[90] = -1;
    pending_g[91] = -1;
    add_pending_range(block, pending_g, 17, 19);
    add_motion(block, modal, pending_g);
    for (int i = WORD_X; i <= WORD_Z; ++i) add_coordinate(block, i, position[i], word_point[i]);
    add_char(block, '\n');
    write_text(output, block);
    return 0;
}
