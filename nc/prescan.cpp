// The pre-scan: where the program declares the tool to stand when it starts,
// that is, its first coordinate setting (G92) that gives X, Y and Z.
#include <memory>
#include <string>

#include "nc/block_parser.h"
#include "platform/platform.h"

int prescan_program(const char *path, WordValues &start) {
    std::unique_ptr<TextReader> reader = std::make_unique<TextReader>();
    if (text_open_read(*reader, path) < 0) return -1;
    const char *text = nullptr;
    size_t length = 0;
    NcBlock block;
    ParsedBlock parsed;
    int found = 0;
    int result = 0;
    while (!found && (result = text_read_view(*reader, text, length)) == 1) {
        BlockFault fault;
        BlockRefusal refusal;
        if (scan_block(text, length, block, fault) < 0) continue;
        if (parse_block(block, parsed, refusal) < 0 || parsed.one_shot != 92) continue;
        if (!parsed.present[WORD_X] || !parsed.present[WORD_Y] || !parsed.present[WORD_Z]) continue;
        start = WordValues{};
        for (int slot = WORD_X; slot <= WORD_Z; ++slot) start.v[slot] = parsed.value[slot];
        found = 1;
    }
    text_close_read(*reader);
    if (result < 0 && !found) return -1;
    return found;
}
