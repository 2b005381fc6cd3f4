// Reading a block's words into what they give: each G code through the code
// table, each M code by its kind, coordinates in millimetres. Whatever the
// table refuses, or a word this tool does not know, refuses the block.
#include "nc/block_parser.h"

#include <cstring>
#include <type_traits>

#include "nc/code_table.h"
#include "platform/platform.h"

namespace {

// The word slot of each letter A to Z, -1 for a letter without one: the
// coordinate words X Y Z I J R Q (K is a repeat count).
struct SlotTable {
    signed char slot[26];
};

constexpr SlotTable make_slot_table() {
    SlotTable table{};
    for (signed char &slot : table.slot) slot = -1;
    const char letters[] = "XYZIJRQ";
    for (int slot = 0; letters[slot]; ++slot) table.slot[letters[slot] - 'A'] = static_cast<signed char>(slot);
    return table;
}

constexpr SlotTable Slots = make_slot_table();

// Letters reach here from the scanner, A to Z only.
int slot_of(char letter) { return letter >= 'A' && letter <= 'Z' ? Slots.slot[letter - 'A'] : -1; }

// What a block gives before its words are read, kept once so that a block
// starts from a copy of it.
const ParsedBlock EmptyBlock{};

// parsed = EmptyBlock, in two halves. The compiler copies a record of this
// size (over 256 bytes) with a string-move instruction whose start-up alone
// costs about as much as reading a short block; each half is moved through
// vector registers instead.
void start_from_empty(ParsedBlock &parsed) {
    static_assert(std::is_trivially_copyable<ParsedBlock>::value, "a ParsedBlock is copied as bytes");
    const size_t half = sizeof(ParsedBlock) / 2;
    unsigned char *to = reinterpret_cast<unsigned char *>(&parsed);
    const unsigned char *from = reinterpret_cast<const unsigned char *>(&EmptyBlock);
    std::memcpy(to, from, half);
    std::memcpy(to + half, from + half, sizeof(ParsedBlock) - half);
}

int refuse(BlockRefusal &refusal, BlockRefusalKind kind, int code) {
    refusal.kind = kind;
    refusal.code = code;
    return -1;
}

// One modal group may be given once per block; the code is stored where it belongs.
int set_group_code(int &field, int empty, int code, BlockRefusal &refusal, int tenths) {
    if (field != empty) return refuse(refusal, REFUSAL_GROUP, tenths);
    field = code;
    return 0;
}

int take_g_code(const NcWord &word, ParsedBlock &parsed, BlockRefusal &refusal) {
    int tenths = word.integer;
    const GCodeEntry *entry = find_g_code(tenths);
    if (!entry) return refuse(refusal, REFUSAL_UNKNOWN_G, tenths);
    if (tenths == 180 || tenths == 190) return refuse(refusal, REFUSAL_PLANE, tenths / 10);
    if (entry->kind == CODE_REFUSED) {
        refusal.why = entry->why;
        return refuse(refusal, REFUSAL_G, tenths);
    }
    if (entry->kind == CODE_COPIED) parsed.copied = 1;
    if (entry->kind == CODE_KEPT) parsed.kept = 1;
    if (tenths == 51) parsed.q_mode = 1;
    if (tenths == 50 || tenths == 80) parsed.p_mode = 1;
    int code = tenths / 10;
    switch (entry->group) {
    case GROUP_MOTION:
        return set_group_code(parsed.motion, -1, code, refusal, tenths);
    case GROUP_PLANE:
        return set_group_code(parsed.plane, 0, code, refusal, tenths);
    case GROUP_DISTANCE:
        return set_group_code(parsed.distance, 0, code, refusal, tenths);
    case GROUP_FEED_MODE:
        return set_group_code(parsed.feed_mode, 0, code, refusal, tenths);
    case GROUP_CUTTER:
        return set_group_code(parsed.cutter, -1, code, refusal, tenths);
    case GROUP_LENGTH:
        return set_group_code(parsed.length, 0, code, refusal, tenths);
    case GROUP_CYCLE:
        return set_group_code(parsed.cycle, -1, code, refusal, tenths);
    case GROUP_RETURN:
        return set_group_code(parsed.cycle_return, 0, code, refusal, tenths);
    case GROUP_WORK_OFFSET:
        return set_group_code(parsed.work_offset, 0, tenths, refusal, tenths);
    case GROUP_CUTTING_MODE:
        return set_group_code(parsed.cutting_mode, 0, code, refusal, tenths);
    case GROUP_ONE_SHOT:
        return set_group_code(parsed.one_shot, 0, code, refusal, tenths);
    case GROUP_NONE:
        return 0;
    }
    return 0;
}

int take_m_code(const NcWord &word, ParsedBlock &parsed, BlockRefusal &refusal) {
    int code = word.integer;
    switch (classify_m_code(code)) {
    case M_REFUSED:
        return refuse(refusal, REFUSAL_SUBPROGRAM, code);
    case M_WRITTEN:
        parsed.written_m[code] = 1;
        parsed.has_written_m = 1;
        if (code == 2) parsed.program_end = 2;
        return 0;
    case M_TOOL_CHANGE:
        parsed.tool_change = 1;
        return 0;
    case M_END:
        parsed.program_end = 30;
        return 0;
    case M_KEPT:
        return 0;
    }
    return 0;
}

// S, T, H and D count things: a fraction in them is no number the machine takes.
int take_integer(const NcWord &word, int &has, int &value, BlockRefusal &refusal) {
    // The range first: a number beyond it has no whole part to cut off.
    if (!(word.value >= -2147483647.0 && word.value <= 2147483647.0) ||
        word.value != static_cast<double>(static_cast<int>(word.value))) {
        return refuse(refusal, REFUSAL_NOT_INTEGER, word.letter);
    }
    has = 1;
    value = static_cast<int>(word.value);
    return 0;
}

// Letters that may stand once per block and were seen already.
struct SeenLetters {
    unsigned mask = 0;
    unsigned corners = 0;
};

int check_once(const NcWord &word, SeenLetters &seen, BlockRefusal &refusal) {
    if (!word.comma && (word.letter == 'G' || word.letter == 'M')) return 0;
    unsigned bit = 1u << (word.letter - 'A');
    unsigned &set = word.comma ? seen.corners : seen.mask;
    if (set & bit) return refuse(refusal, REFUSAL_DUPLICATE, word.letter);
    set |= bit;
    return 0;
}

// Addresses whose numbers count things (speed, tool, offset numbers, repeats,
// codes): the control refuses a decimal point on them, even on a whole number.
bool takes_no_point(char letter) { return std::strchr("DHKLNPST", letter) != nullptr; }

int take_word(const NcWord &word, int index, ParsedBlock &parsed, BlockRefusal &refusal) {
    if (word.comma) {
        parsed.has_corner = 1;
        return 0;
    }
    if (word.has_point && takes_no_point(word.letter)) return refuse(refusal, REFUSAL_POINT, word.letter);
    int slot = slot_of(word.letter);
    if (slot >= 0) {
        parsed.present[slot] = 1;
        parsed.point[slot] = word.has_point;
        parsed.value[slot] = word.has_point ? word.value : word.value / 1000.0;
        parsed.word_at[slot] = index;
        return 0;
    }
    switch (word.letter) {
    case 'G':
        return take_g_code(word, parsed, refusal);
    case 'M':
        return take_m_code(word, parsed, refusal);
    case 'F':
        parsed.has_feed = 1;
        parsed.feed = word.value;
        return 0;
    case 'S':
        return take_integer(word, parsed.has_spindle, parsed.spindle, refusal);
    case 'T':
        return take_integer(word, parsed.has_t, parsed.t, refusal);
    case 'H':
        return take_integer(word, parsed.has_h, parsed.h, refusal);
    case 'D':
        return take_integer(word, parsed.has_d, parsed.d, refusal);
    case 'K':
    case 'L':
        return take_integer(word, parsed.has_repeat, parsed.repeat, refusal);
    case 'P':
        parsed.has_p = 1;
        parsed.p = word.is_integer ? word.integer : 0;
        return 0;
    case 'N':
        parsed.has_sequence = 1;
        return 0;
    case 'O':
        return 0;
    default:
        return refuse(refusal, REFUSAL_LETTER, word.letter);
    }
}

}  // namespace

int parse_block(const NcBlock &block, ParsedBlock &parsed, BlockRefusal &refusal) {
    start_from_empty(parsed);
    refusal = BlockRefusal{};
    SeenLetters seen;
    for (size_t index = 0; index < block.words.size(); ++index) {
        const NcWord &word = block.words[index];
        if (check_once(word, seen, refusal) < 0) return -1;
        if (take_word(word, static_cast<int>(index), parsed, refusal) < 0) return -1;
    }
    return 0;
}

void init_block_state(BlockState &state, int modal_start) {
    for (int &entry : state.pending_g) entry = -1;
    for (int &entry : state.pending_m) entry = -1;
    state.modal = {modal_start, modal_start, modal_start, modal_start, modal_start,
                   modal_start, modal_start, modal_start, modal_start, modal_start};
    for (int i = 0; i < WORD_COUNT; ++i) {
        state.words.v[i] = 0.0;
        state.word_present[i] = 0;
        state.word_point[i] = 0;
    }
    state.feed[0] = state.feed[1] = state.feed[2] = 0.0;
    state.mode = {0, 0};
}
