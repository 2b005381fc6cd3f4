// One rotated copy of a machining: the move file read back record by record,
// each record turned about the centre and written without M codes.
#include <memory>
#include <string>

#include "nc/block_writer.h"
#include "rotate/driver_support.h"
#include "rotate/rotation.h"
#include "log/message_log.h"

namespace {

// X, Y and Z of a record are the absolute point the move reaches and always
// count as given; the other words count only when they are not exactly 0.
void record_words_present(const WordValues &position, int present[WORD_COUNT]) {
    for (int slot = 0; slot < WORD_COUNT; ++slot) {
        present[slot] = slot <= WORD_Z || position.v[slot] != 0.0 ? 1 : 0;
    }
}

// The flags a copied block is written with: the forced style of decimal_mode,
// or else the style the same block had in the source.
void record_point_flags(const OutputFormat &format, const PointFlags &source_style,
                        int point[WORD_COUNT]) {
    for (int slot = 0; slot < WORD_COUNT; ++slot) {
        if (format.decimal_mode == 0) {
            point[slot] = 0;
        } else if (format.decimal_mode > 0) {
            point[slot] = 1;
        } else {
            point[slot] = source_style[slot];
        }
    }
}

int unreadable_record(TextReader &reader, const char *move_file_name, size_t record_index) {
    text_close_read(reader);
    message_format("エラー：テンポラリファイル %s の%u行目を読み込めません。", move_file_name,
                   static_cast<unsigned>(record_index + 1));
    return -1;
}

}  // namespace

int write_rotated_copy(TextWriter &output, const char *move_file_name, BlockState &state,
                       int pending_g[100], WordValues &current, WordValues &previous,
                       double feed[3], const OutputFormat &format, const double centre[],
                       double angle[3], const CommandFlags &flags, ModePair &mode,
                       const std::vector<PointFlags> &styles) {
    int pending_m[10];
    for (int &entry : pending_m) entry = -1;

    std::unique_ptr<TextReader> reader(new TextReader);
    if (text_open_read(*reader, move_file_name) < 0) {
        message_format("エラー：ＮＣファイル %s 開けません", move_file_name);
        return -1;
    }
    WordValues previous_rotated = current;
    WordValues current_rotated = previous;

    if (format.comment_mode == 1) {
        std::string text;
        format_rounded(angle[0], text);
        text_printf(output, "(ROTATION ANGLE %s)\n", text.c_str());
    }

    std::string line;
    size_t record_index = 0;
    while (text_read_line(*reader, line) == 1) {
        MoveRecord record;
        if (record_index >= styles.size() || read_move_record(line, record) < 0) {
            return unreadable_record(*reader, move_file_name, record_index);
        }
        state.modal.plane = record.plane;
        state.modal.motion = record.motion;
        current = record.position;
        feed[0] = record.feed;

        int present[WORD_COUNT];
        int point[WORD_COUNT];
        record_words_present(current, present);
        record_point_flags(format, styles[record_index], point);
        rotate_position(previous, current, previous_rotated, current_rotated, centre, angle);
        write_block(output, state.modal, present, point, current_rotated, previous_rotated, feed, mode,
                    pending_g, pending_m, flags, format);
        previous = current;
        previous_rotated = current_rotated;
        state.modal.prev_plane = state.modal.plane;
        ++record_index;
    }
    // Fewer records than were written: the file was cut short.
    if (record_index != styles.size()) return unreadable_record(*reader, move_file_name, record_index);
    text_close_read(*reader);

    previous = previous_rotated;
    current = current_rotated;
    return 0;
}
