// The block writer: a block, turned or not, back as NC text. Codes go in a fixed
// order with no blanks between words; the distance mode, the motion, the
// coordinates and the feed are written only where the machine does not hold
// them already, and what is written stops pending.
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

// Where count more bytes go straight into the room, or nullptr when the block
// has outgrown it.
static char *room_for(BlockText &block, size_t count) {
    if (!block.spilled.empty() || count > sizeof block.room - block.length) return nullptr;
    return block.room + block.length;
}

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

// Writes the block and its line end.
static void write_text_line(TextWriter &output, const BlockText &block) {
    if (block.spilled.empty())
        text_write_line(output, block.room, block.length);
    else
        text_write_line(output, block.spilled.data(), block.spilled.size());
}

// A code or a counted word (G01, M08, S1500, D11), in the room where it fits.
static void add_code(BlockText &block, char letter, int number, int min_digits) {
    char code[FIXED_CHARS_SIZE];
    char *at = room_for(block, sizeof code);
    size_t length = format_code_chars(letter, number, min_digits, at ? at : code);
    if (at)
        block.length += length;
    else
        add_text(block, code, length);
    ++block.items;
}

// One coordinate word in the style of its flag: with a point in millimetres,
// or without one in thousandths.
static void add_coordinate(BlockText &block, int index, double value, int with_point) {
    // The number goes straight into the room after its letter where it fits.
    char *at = room_for(block, 1 + FIXED_CHARS_SIZE);
    if (at) {
        size_t length = with_point > 0 ? format_fixed_chars(value, 3, at + 1)
                                       : format_fixed_chars(value * 1000.0, 0, at + 1);
        if (length > 0) {
            at[0] = WordLetters[index];
            block.length += 1 + length;
            ++block.items;
            return;
        }
    }
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

static void flush_block(TextWriter &output, const BlockText &block) {
    if (block.items == 0) return;
    write_text_line(output, block);
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

// The style of a block whose coordinates are written on a line of their own.
static void unify_given_style(int word_point[WORD_COUNT], const int given[3], const OutputFormat &format) {
    int present[WORD_COUNT] = {given[0], given[1], given[2], 0, 0, 0, 0, 0};
    unify_style(word_point, present, format);
}

int write_coordinate_setting(TextWriter &output, BlockState &state, const double values[3],
                             const int given[3], const char *tail, size_t tail_length,
                             const OutputFormat &format) {
    unify_given_style(state.word_point, given, format);
    BlockText block;
    // The values are absolute whatever the mode; a machine in G91 is put in G90
    // for them all the same, and back in G91 after them where the program runs in G91.
    if (state.mode.mode_written == 91) {
        add_text(block, "G90\n");
        ++block.items;
        state.mode.mode_written = 90;
    }
    add_text(block, "G92");
    ++block.items;
    state.pending_g[92] = -1;
    for (int i = WORD_X; i <= WORD_Z; ++i) {
        if (given[i]) add_coordinate(block, i, values[i], state.word_point[i]);
    }
    if (tail_length > 0) add_text(block, tail, tail_length);
    add_char(block, '\n');
    if (state.mode.mode_now == 91) {
        add_text(block, "G91\n");
        ++block.items;
        state.mode.mode_written = 91;
    }
    write_text(output, block);
    return block.items;
}

// G90 or G91 wherever the machine holds another mode than the one in force.
static void add_distance_mode(BlockText &block, int pending_g[100], ModePair &mode) {
    if (mode.mode_now != 90 && mode.mode_now != 91) return;
    if (mode.mode_written == mode.mode_now) return;
    add_code(block, 'G', mode.mode_now, 0);
    mode.mode_written = mode.mode_now;
    pending_g[90] = -1;
    pending_g[91] = -1;
}

// Pending codes first to last of a range, each written once. Returns the last written.
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

// The drilling cycles: G73, G74 and G80 to G89. Returns 1 when a cycle code
// (not G80) was written.
static int add_cycle_code(BlockText &block, int pending_g[100]) {
    int written = 0;
    for (int n : {73, 74}) {
        if (pending_g[n] == n) {
            add_code(block, 'G', n, 0);
            pending_g[n] = -1;
            written = 1;
        }
    }
    return add_pending_range(block, pending_g, 80, 89) > 80 || written;
}

// The motion code when it changes. A motion that is not known is never written,
// and what was written last stays.
static void add_motion(BlockText &block, ModalIntegers &modal, int pending_g[100]) {
    if (modal.motion == modal.prev_motion || modal.motion < 0 || modal.motion > 3) return;
    add_code(block, 'G', modal.motion, 2);
    modal.older_motion = modal.prev_motion;
    modal.prev_motion = modal.motion;
    for (int n = 0; n <= 4; ++n) pending_g[n] = -1;
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

// G05 to G79 but the cycles (G49 is the one the writer still meets there); the
// range stops pending.
static void add_other_codes(BlockText &block, int pending_g[100]) {
    if (range_is_clear(pending_g, 5, 72) && range_is_clear(pending_g, 75, 79)) return;
    for (int n = 5; n <= 79; ++n) {
        if (n == 73 || n == 74) continue;
        if (pending_g[n] >= 0) add_code(block, 'G', pending_g[n], 2);
        pending_g[n] = -1;
    }
}

static void add_spindle_and_m_codes(BlockText &block, ModalIntegers &modal, int pending_m[10]) {
    if (modal.spindle_speed > 0) {
        add_code(block, 'S', modal.spindle_speed, 0);
        modal.spindle_speed = 0;
    }
    if (std::memcmp(pending_m, Cleared.entries, 10 * sizeof(int)) == 0) return;
    for (int n = 0; n < 10; ++n) {
        if (pending_m[n] >= 0) {
            add_code(block, 'M', pending_m[n], 2);
            pending_m[n] = -1;
        }
    }
}

// One slot of position_delta, worked out only for the slots a block writes.
static double slot_delta(const WordValues &current, const WordValues &previous, int i) {
    double delta = i <= WORD_Z ? current.v[i] - previous.v[i] : current.v[i];
    return is_negligible(delta) ? 0.0 : delta;
}

static void add_coordinates(BlockText &block, const WordValues &current, const WordValues &previous,
                            const ModePair &mode, const SlotRules &rules, const int word_point[WORD_COUNT]) {
    for (int i = 0; i < WORD_COUNT; ++i) {
        switch (rules.rule[i]) {
        case SLOT_NEVER:
            break;
        case SLOT_LITERAL:
            add_coordinate(block, i, current.v[i], word_point[i]);
            break;
        case SLOT_ALWAYS:
            add_coordinate(block, i,
                           mode.mode_now == 90 || i > WORD_Z ? current.v[i] : slot_delta(current, previous, i),
                           word_point[i]);
            break;
        case SLOT_IF_CHANGED: {
            double delta = slot_delta(current, previous, i);
            if (!is_negligible(delta)) add_coordinate(block, i, mode.mode_now == 90 ? current.v[i] : delta, word_point[i]);
            break;
        }
        }
    }
}

static void add_feed(BlockText &block, ModalIntegers &modal, double feed[3]) {
    if (!(feed[0] > 0) || feed[1] == feed[0]) return;
    add_char(block, 'F');
    char digits[FIXED_CHARS_SIZE];
    size_t length = format_feed_chars(feed[0], digits);
    if (length > 0) {
        add_text(block, digits, length);
    } else {
        std::string number;
        format_feed(feed[0], number);
        add_text(block, number.data(), number.size());
    }
    ++block.items;
    feed[1] = feed[0];
    modal.feed_flag = 0;
}

static bool writes_coordinates(const SlotRules &rules) {
    for (int i = 0; i < WORD_COUNT; ++i) {
        if (rules.rule[i] != SLOT_NEVER) return true;
    }
    return false;
}

int write_block_words(TextWriter &output, BlockState &state, const WordValues &current,
                      const WordValues &previous, const SlotRules &rules, const char *tail,
                      size_t tail_length, const OutputFormat &format) {
    unify_style(state.word_point, state.word_present, format);
    int *pending_g = state.pending_g;
    BlockText block;
    add_distance_mode(block, pending_g, state.mode);
    // Most blocks give no code at all: one comparison spares every range.
    bool codes = !range_is_clear(pending_g, 0, 99);
    if (codes) {
        add_pending_range(block, pending_g, 93, 99);
        add_pending_range(block, pending_g, 17, 19);
        add_pending_range(block, pending_g, 40, 42);
    }
    if (state.modal.d_number > 0) {
        add_code(block, 'D', state.modal.d_number, 2);
        state.modal.d_number = 0;
    }
    if (codes) add_cycle_code(block, pending_g);
    add_motion(block, state.modal, pending_g);
    if (codes) add_other_codes(block, pending_g);
    bool coordinates = writes_coordinates(rules);
    if (coordinates) add_coordinates(block, current, previous, state.mode, rules, state.word_point);
    if (coordinates || rules.write_feed) add_feed(block, state.modal, state.feed);
    add_spindle_and_m_codes(block, state.modal, state.pending_m);
    if (tail_length > 0) {
        add_text(block, tail, tail_length);
        ++block.items;
    }
    flush_block(output, block);
    return block.items;
}

int write_block(TextWriter &output, ModalIntegers &modal, const int word_present[WORD_COUNT],
                int word_point[WORD_COUNT], const WordValues &current, const WordValues &previous,
                double feed[3], ModePair &mode, int pending_g[100], int pending_m[10],
                const CommandFlags &, const OutputFormat &format) {
    BlockState state;
    for (int n = 0; n < 100; ++n) state.pending_g[n] = pending_g[n];
    for (int n = 0; n < 10; ++n) state.pending_m[n] = pending_m[n];
    state.modal = modal;
    state.mode = mode;
    for (int i = 0; i < WORD_COUNT; ++i) {
        state.word_present[i] = word_present[i];
        state.word_point[i] = word_point[i];
    }
    state.feed[0] = feed[0];
    state.feed[1] = feed[1];
    state.feed[2] = feed[2];
    bool cycle = false;
    for (int n : {73, 74, 81, 82, 83, 84, 85, 86, 87, 88, 89}) cycle = cycle || pending_g[n] == n;
    SlotRules rules;
    bool coordinates = false;
    for (int i = WORD_X; i <= WORD_R; ++i) coordinates = coordinates || word_present[i];
    for (int i = 0; i < WORD_COUNT; ++i) {
        bool level = cycle && (i == WORD_Z || i == WORD_R || i == WORD_Q);
        if (!coordinates) {
            rules.rule[i] = SLOT_NEVER;
        } else if (level) {
            rules.rule[i] = word_present[i] ? SLOT_LITERAL : SLOT_NEVER;
        } else {
            rules.rule[i] = SLOT_IF_CHANGED;
        }
    }
    WordValues literal = current;
    if (cycle && coordinates) {
        WordValues delta;
        position_delta(current, previous, delta);
        if (mode.mode_now != 90) literal.v[WORD_Z] = delta.v[WORD_Z];
    }
    int items = write_block_words(output, state, literal, previous, rules, nullptr, 0, format);
    for (int n = 0; n < 100; ++n) pending_g[n] = state.pending_g[n];
    for (int n = 0; n < 10; ++n) pending_m[n] = state.pending_m[n];
    modal = state.modal;
    mode = state.mode;
    for (int i = 0; i < WORD_COUNT; ++i) word_point[i] = state.word_point[i];
    feed[0] = state.feed[0];
    feed[1] = state.feed[1];
    return items;
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
    add_distance_mode(block, pending_g, mode);
    pending_g[90] = -1;
    pending_g[91] = -1;
    add_pending_range(block, pending_g, 17, 19);
    add_motion(block, modal, pending_g);
    for (int i = WORD_X; i <= WORD_Z; ++i) add_coordinate(block, i, position[i], word_point[i]);
    write_text_line(output, block);
    return 0;
}
