// The message log: MessageText, log_post and the port to the front end.
#include "log/message_log.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

char MessageText[1024];

static const LogPort *active_port = nullptr;
// Lines up to this length never widen the log.
static int longest_line = 60;

void log_set_port(const LogPort *port) { active_port = port; }

int log_longest_line() { return longest_line; }

int show_box(WindowHandle owner, const char *text, int kind) {
    if (!active_port || !active_port->show_box) return 0;
    return active_port->show_box(active_port->context, owner, text, kind);
}

int log_post(WindowHandle owner, int type) {
    if (active_port && active_port->append_line) active_port->append_line(active_port->context, MessageText);
    if (type < 0) {
        show_box(owner, MessageText, BOX_ERROR);
    } else if (type == 1) {
        show_box(owner, MessageText, BOX_INFORMATION);
    } else if (type == 3) {
        show_box(owner, MessageText, BOX_WARNING);
    }
    int length = static_cast<int>(strlen(MessageText));
    if (length > longest_line) {
        longest_line = length;
        if (active_port && active_port->widen) active_port->widen(active_port->context, MessageText);
    }
    memset(MessageText, 0, sizeof MessageText);
    return type;
}

// Walks the text by characters so that a cut never leaves half of a double-byte character.
static size_t whole_character_length(const char *text, size_t limit) {
    size_t at = 0;
    while (at < limit && text[at]) {
        size_t width = is_lead_byte(static_cast<unsigned char>(text[at])) && text[at + 1] ? 2 : 1;
        if (at + width > limit) break;
        at += width;
    }
    return at;
}

std::string text_format(const char *format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    int wanted = vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text;
    if (wanted > 0) {
        text.resize(static_cast<size_t>(wanted) + 1);
        vsnprintf(&text[0], text.size(), format, again);
        text.resize(static_cast<size_t>(wanted));
    }
    va_end(again);
    return text;
}

int message_format(const char *format, ...) {
    // The whole text is formed first and cut afterwards: cut by the formatting
    // itself, the text would already end in its terminator when the cut is
    // looked at, and a lead byte just before it would be kept on its own.
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    int wanted = vsnprintf(nullptr, 0, format, args);
    va_end(args);
    if (wanted < 0) {
        va_end(again);
        MessageText[0] = '\0';
        return 0;
    }
    std::string text(static_cast<size_t>(wanted) + 1, '\0');
    vsnprintf(&text[0], text.size(), format, again);
    va_end(again);
    size_t kept = whole_character_length(text.c_str(), sizeof MessageText - 1);
    memcpy(MessageText, text.data(), kept);
    MessageText[kept] = '\0';
    return static_cast<int>(kept);
}
