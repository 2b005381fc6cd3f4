// A small walk of a milling program, independent of the rewrite and of the
// generator, that proves a program keeps the rules of the dialect the rewrite
// accepts and counts which shapes it holds (the corpus and generator tests use it).
#pragma once

#include <map>
#include <string>

// Line ends of a program file.
enum LineEndStyle { LINE_END_NONE = 0, LINE_END_CRLF, LINE_END_LF, LINE_END_MIXED };

struct WalkResult {
    int fault_line = 0;                   // 1-based line of the first fault (0: none)
    std::string fault;                    // what is wrong there
    int lines = 0;                        // lines of the file, blank ones too
    int line_end = LINE_END_NONE;         // how the lines end
    bool last_line_has_end = false;       // the last line ends with a line end
    bool eof_mark = false;                // the very last byte is Ctrl-Z (0x1A)
    bool compensation = false;            // a G41 or G42 stands in the program
    std::map<std::string, int> features;  // shapes seen, by name, with their counts
};

// 0 when the whole program keeps the rules, -1 at the first fault (fault_line
// and fault say where and what). features is filled up to the fault.
int walk_program(const std::string &bytes, WalkResult &result);
