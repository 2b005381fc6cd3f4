// pivora-run: the console front end. Runs one conversion job from a control file,
// with the message log on standard output and the message boxes on standard error,
// both turned from code page 932 into the terminal's encoding.
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <iconv.h>
#include <langinfo.h>
#include <sys/stat.h>
#include <unistd.h>

#include "job/conversion_job.h"
#include "platform/platform.h"
#include "settings/program_values.h"
#include "settings/settings_file.h"
#include "log/message_log.h"

// ---------------------------------------------------------------------------
// Command line

enum ArgumentsResult { ARGUMENTS_RUN, ARGUMENTS_HELP, ARGUMENTS_BAD };

struct RunnerOptions {
    int no_wait = 0;
    std::string control_path;
};

static const char USAGE_TEXT[] =
    "usage: pivora-run [--no-wait] CONTROL_FILE\n"
    "\n"
    "Runs the conversion that CONTROL_FILE describes (section Pivora: NCFILE1,\n"
    "NCFILE2, ROTANGLE, ROTXCOORD, ROTYCOORD, ROTCOUNT, NCDATAKEEP, ROTTYPE) and\n"
    "prints the message log. Message boxes go to standard error; the question\n"
    "before an existing output file is replaced is asked on the terminal and\n"
    "answered No when standard input is not a terminal.\n"
    "\n"
    "  --no-wait   skip the one-second pauses between copy passes (batch use)\n"
    "  --help      show this text\n"
    "\n"
    "Environment:\n"
    "  TSYAIDE=1            unattended: no completion box, an existing output\n"
    "                       file is replaced without a question\n"
    "  PIVORA_SETTINGS_DIR  folder of Pivora.ini (default: beside pivora-run, or\n"
    "                       $XDG_CONFIG_HOME/pivora, else ~/.config/pivora, when\n"
    "                       that folder cannot be written)\n"
    "\n"
    "Exit status: 0 when the output was written, 1 when the job failed, 2 for\n"
    "bad usage.\n";

static ArgumentsResult parse_arguments(int argc, char **argv, RunnerOptions &options) {
    int files = 0;
    int options_ended = 0;
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        if (!options_ended && arg[0] == '-' && arg[1] != '\0') {
            if (strcmp(arg, "--help") == 0 || strcmp(arg, "-h") == 0) return ARGUMENTS_HELP;
            if (strcmp(arg, "--no-wait") == 0) {
                options.no_wait = 1;
            } else if (strcmp(arg, "--") == 0) {
                options_ended = 1;
            } else {
                fprintf(stderr, "pivora-run: unknown option %s\n", arg);
                return ARGUMENTS_BAD;
            }
            continue;
        }
        options.control_path = arg;
        ++files;
    }
    if (files != 1 || options.control_path.empty()) return ARGUMENTS_BAD;
    return ARGUMENTS_RUN;
}

// The INI functions take the path as given; a relative one is made absolute
// against the working directory so that the log names the file unambiguously.
static void absolute_path(std::string &path) {
    if (path[0] == '/') return;
    std::string directory(4096, '\0');
    if (!getcwd(&directory[0], directory.size())) return;
    directory.resize(strlen(directory.c_str()));
    if (directory.empty() || directory.back() != '/') directory += '/';
    path = directory + path;
}

// ---------------------------------------------------------------------------
// The terminal: code page 932 to the terminal's encoding

struct Console {
    iconv_t converter = reinterpret_cast<iconv_t>(-1);  // none: bytes go out as they are
    std::string replacement = "?";                      // for a byte that is not code page 932
};

static int is_ascii_codeset(const char *codeset) {
    return strcmp(codeset, "ANSI_X3.4-1968") == 0 || strcasecmp(codeset, "ASCII") == 0 ||
           strcasecmp(codeset, "US-ASCII") == 0 || codeset[0] == '\0';
}

static int is_cp932_codeset(const char *codeset) {
    static const char *const names[] = {"CP932", "SHIFT_JIS", "SJIS", "WINDOWS-31J", "SHIFT-JIS"};
    for (const char *name : names) {
        if (strcasecmp(codeset, name) == 0) return 1;
    }
    return 0;
}

// The terminal's encoding is taken from the user's locale; the job itself then
// runs in the "C" locale, so that no locale changes how a number is read or written.
static void open_console(Console &console) {
    std::string codeset = "UTF-8";
    if (setlocale(LC_ALL, "")) {
        const char *name = nl_langinfo(CODESET);
        if (name && !is_ascii_codeset(name)) codeset = name;
    }
    setlocale(LC_ALL, "C");
    if (is_cp932_codeset(codeset.c_str())) return;
    console.converter = iconv_open(codeset.c_str(), "CP932");
    if (console.converter == reinterpret_cast<iconv_t>(-1)) {
        codeset = "UTF-8";
        console.converter = iconv_open("UTF-8", "CP932");
    }
    if (strcasecmp(codeset.c_str(), "UTF-8") == 0 || strcasecmp(codeset.c_str(), "UTF8") == 0) {
        console.replacement = "\xEF\xBF\xBD";  // U+FFFD
    }
}

static void close_console(Console &console) {
    if (console.converter != reinterpret_cast<iconv_t>(-1)) iconv_close(console.converter);
}

// Bytes that cannot be converted become the replacement, one per character, and
// the rest of the text still goes out.
static void convert_text(Console &console, const char *text, std::string &out) {
    out.clear();
    if (console.converter == reinterpret_cast<iconv_t>(-1)) {
        out = text;
        return;
    }
    iconv(console.converter, nullptr, nullptr, nullptr, nullptr);
    char *in = const_cast<char *>(text);
    size_t in_left = strlen(text);
    char buffer[1024];
    while (in_left > 0) {
        char *next = buffer;
        size_t room = sizeof buffer;
        size_t result = iconv(console.converter, &in, &in_left, &next, &room);
        out.append(buffer, static_cast<size_t>(next - buffer));
        if (result != static_cast<size_t>(-1) || errno == E2BIG) continue;
        unsigned char first = static_cast<unsigned char>(in[0]);
        unsigned char second = in_left > 1 ? static_cast<unsigned char>(in[1]) : 0;
        size_t skip = is_lead_byte(first) && second >= 0x40 && second != 0x7F && second <= 0xFC ? 2 : 1;
        out += console.replacement;
        in += skip;
        in_left -= skip;
    }
    char *next = buffer;
    size_t room = sizeof buffer;
    iconv(console.converter, nullptr, nullptr, &next, &room);
    out.append(buffer, static_cast<size_t>(next - buffer));
}

static void print_converted(Console &console, FILE *stream, const char *text, const char *ending) {
    std::string converted;
    convert_text(console, text, converted);
    fwrite(converted.data(), 1, converted.size(), stream);
    fputs(ending, stream);
    fflush(stream);
}

// ---------------------------------------------------------------------------
// The log port: lines to standard output, boxes to standard error

static void console_append_line(void *context, const char *text) {
    print_converted(*static_cast<Console *>(context), stdout, text, "\n");
}

// Yes only for an answer that begins with y or Y; end of input is No.
static int ask_terminal() {
    if (!isatty(STDIN_FILENO)) {
        fputs("[y/N] n (standard input is not a terminal)\n\n", stderr);
        return 0;
    }
    fputs("[y/N] ", stderr);
    fflush(stderr);
    char answer[64];
    if (!fgets(answer, sizeof answer, stdin)) {
        fputs("\n", stderr);
        return 0;
    }
    fputs("\n", stderr);
    return answer[0] == 'y' || answer[0] == 'Y';
}

static int console_show_box(void *context, WindowHandle, const char *text, int kind) {
    fflush(stdout);
    Console &console = *static_cast<Console *>(context);
    if (kind == BOX_QUESTION) {
        print_converted(console, stderr, text, "\n");
        return ask_terminal();
    }
    print_converted(console, stderr, text, "\n\n");
    return 0;
}

// ---------------------------------------------------------------------------
// Settings location

static void add_separator(std::string &directory) {
    if (directory.empty() || directory.back() != '/') directory += '/';
}

// Creates the folder and its parents; 0 when it exists afterwards.
static int make_directories(const std::string &directory) {
    for (size_t at = 1; at <= directory.size(); ++at) {
        if (at != directory.size() && directory[at] != '/') continue;
        std::string part = directory.substr(0, at);
        if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return -1;
    }
    struct stat info;
    return stat(directory.c_str(), &info) == 0 && S_ISDIR(info.st_mode) ? 0 : -1;
}

static int executable_directory(std::string &directory) {
    std::string path = executable_path();
    if (path.empty()) return -1;
    PathParts parts;
    split_path(path.c_str(), parts);
    directory = parts.drive + parts.directory;
    return directory.empty() ? -1 : 0;
}

// The per-user folder: $XDG_CONFIG_HOME/pivora/, else $HOME/.config/pivora/.
static int user_settings_directory(std::string &directory) {
    const char *config = getenv("XDG_CONFIG_HOME");
    const char *home = getenv("HOME");
    if (config && config[0] == '/') {
        directory = config;
    } else if (home && home[0] != '\0') {
        directory = home;
        add_separator(directory);
        directory += ".config";
    } else {
        return -1;
    }
    add_separator(directory);
    directory += "pivora/";
    return make_directories(directory);
}

// Pivora.ini lives beside the executable, as on Windows. Where that folder cannot
// be written (an installed program), the per-user folder takes its place.
// PIVORA_SETTINGS_DIR names the folder outright.
static void choose_settings_directory(std::string &directory) {
    const char *chosen = getenv("PIVORA_SETTINGS_DIR");
    if (chosen && chosen[0] != '\0') {
        directory = chosen;
        add_separator(directory);
        make_directories(directory);
        return;
    }
    int found = executable_directory(directory);
    if (found == 0 && access(directory.c_str(), W_OK) == 0) return;
    std::string user_directory;
    if (user_settings_directory(user_directory) == 0) {
        directory = user_directory;
    } else if (found != 0) {
        directory = "./";
    }
}

// ---------------------------------------------------------------------------

int main(int argc, char **argv) {
    RunnerOptions options;
    ArgumentsResult arguments = parse_arguments(argc, argv, options);
    if (arguments == ARGUMENTS_HELP) {
        fputs(USAGE_TEXT, stdout);
        return 0;
    }
    if (arguments == ARGUMENTS_BAD) {
        fputs(USAGE_TEXT, stderr);
        return 2;
    }
    absolute_path(options.control_path);
    // A log reader that goes away (pivora-run ... | head) must not stop the job
    // halfway through the output file; the lines it misses are only the log.
    signal(SIGPIPE, SIG_IGN);

    Console console;
    open_console(console);
    LogPort port = {&console, console_append_line, nullptr, console_show_box};
    log_set_port(&port);

    std::string settings_directory;
    choose_settings_directory(settings_directory);
    prepare_settings_paths(settings_directory.c_str());
    read_command_flags(ActiveCommandFlags);
    SkipWaits = options.no_wait;

    int result = run_job(nullptr, options.control_path.c_str());

    log_set_port(nullptr);
    close_console(console);
    fflush(stdout);
    return result == 0 ? 0 : 1;
}
