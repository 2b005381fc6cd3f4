// The lines of one machining, kept until its rotated copies have been written:
// in memory up to a fixed bound, and beyond it in the machining move file, a
// temporary file beside the input that never outlives the job.
#pragma once

#include <memory>
#include <string>

#include "platform/platform.h"

// Bytes of lines kept in memory before the rest goes to the move file.
const size_t MACHINING_MEMORY_LIMIT = 1 << 20;

struct MachiningBuffer {
    std::string memory;          // each line: its number (8 bytes), length (4 bytes), bytes
    size_t lines = 0;
    int spilled = 0;             // the lines are in the move file
    std::string file_name;       // the move file, while it exists
    TextWriter file;
    int index = 0;               // numbers the move files of one job
};

struct BufferReader {
    size_t at = 0;                        // next line in memory
    std::unique_ptr<TextReader> file;     // or the move file, opened for reading
};

// Empties the buffer for a new machining.
void buffer_clear(MachiningBuffer &buffer);
// Keeps one line. -1 with the message in MessageText (not posted) when the move
// file cannot be created or written.
int buffer_add(MachiningBuffer &buffer, const char *input_path, const char *text, size_t length,
               long long number);
// Readies the buffer's lines for reading from the first. -1 with the message in
// MessageText (not posted) when the move file cannot be read.
int buffer_open_reading(MachiningBuffer &buffer, BufferReader &reader);
// The next line and its number: 1, or 0 after the last, -1 when the move file
// does not read back (message in MessageText).
int buffer_next_line(MachiningBuffer &buffer, BufferReader &reader, std::string &line, long long &number);
void buffer_close_reading(BufferReader &reader);
// Removes the move file, if there is one. -1 with the message in MessageText
// when it could not be deleted.
int buffer_discard(MachiningBuffer &buffer);
