// pivora-run: the console front end. Runs one conversion job, from a control file
// or from options on the command line, with the message log on standard output
// and the message boxes on standard error, both turned from code page 932 into
// the terminal's encoding. A signal stops the job cleanly.
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <iconv.h>
#include <langinfo.h>
#include <sys/stat.h>
#include <unistd.h>

#include "job/control_values.h"
#include "job/conversion_job.h"
#include "job/output_files.h"
#include "platform/platform.h"
#include "settings/program_values.h"
#include "settings/settings_file.h"
#include "shell/dialog_state.h"
#include "shell/job_picture.h"
#include "log/message_log.h"

// ---------------------------------------------------------------------------
// Command line

enum ArgumentsResult { ARGUMENTS_RUN, ARGUMENTS_HELP, ARGUMENTS_BAD };

struct RunnerOptions {
    int no_wait = 0;
    int check_only = 0;            // --check: compare an existing output, convert nothing
    int control_form = 0;          // 1: the one argument is a control file
    std::string argument;          // the control file or the input NC file
    // The options form; an empty text takes the dialog's proposal from Pivora.ini.
    std::string output_path;       // -o
    std::string angle;             // --angle
    std::string centre_x;          // --centre X,Y
    std::string centre_y;
    int copies = 0;                // --copies given: the source is kept
    std::string copy_count = "2";  // --copies N
    int composition = -1;          // --whole 0, --per-machining 1, -1 neither
    std::string svg_path;          // --svg: the picture of the job, either form
    int conversion_options = 0;    // how many options of the options form were given
};

static const char USAGE_TEXT[] =
    "usage: pivora-run [--angle A] [--centre X,Y] [--copies [N]] [--whole | --per-machining]\n"
    "                  [-o OUTPUT] [--no-wait] [--check] [--svg FILE] INPUT.nc\n"
    "       pivora-run [--no-wait] [--check] [--svg FILE] CONTROL_FILE\n"
    "\n"
    "Turns the tool path of the NC program INPUT.nc in the XY plane and writes the\n"
    "result, or runs the conversion that CONTROL_FILE describes (section Pivora:\n"
    "NCFILE1, NCFILE2, ROTANGLE, ROTXCOORD, ROTYCOORD, ROTCOUNT, NCDATAKEEP, ROTTYPE).\n"
    "The one argument is taken for a control file when its name ends in .ini or\n"
    "when it is a file whose first line is the section [Pivora]; anything else is\n"
    "an NC program to convert with the options.\n"
    "\n"
    "Options of the conversion (values not given come from Pivora.ini, section\n"
    "Pivora, as the window proposes them):\n"
    "  --angle A        rotation angle in degrees, counter-clockwise (ANGLE)\n"
    "                     e.g. --angle 22.5\n"
    "  --centre X,Y     rotation centre (XCOORD, YCOORD), e.g. --centre 100,-50.5\n"
    "  --copies [N]     keep the program and add rotated copies: N placements in\n"
    "                   all, 2 to 10000 (default 2), e.g. --copies 4 --angle 90\n"
    "                   (without --copies the program is rotated once)\n"
    "  --per-machining  with --copies: each machining followed by its copies (加工毎,\n"
    "                   the default), e.g. --copies 3 --per-machining --angle 120\n"
    "  --whole          with --copies: copies of the whole program (全体),\n"
    "                   e.g. --copies 4 --whole --angle 90\n"
    "  -o OUTPUT        the file to write; default: INPUT's name with the suffix\n"
    "                   FILES/OUTPUTFILE (_new when empty), e.g. -o part_r.nc\n"
    "Options of both forms:\n"
    "  --svg FILE       after the conversion (with --check: after the check) draw\n"
    "                   the tool path as an SVG picture: the input in grey, the\n"
    "                   output on top one colour per copy, rapids dashed, with the\n"
    "                   centre, a scale, the extents and the check's result; a\n"
    "                   picture that cannot be written is a warning,\n"
    "                   e.g. --svg part.svg\n"
    "  --check          convert nothing: compare the existing output with the input\n"
    "                   under the same parameters; exit 0 when they agree, 1 with\n"
    "                   the first difference, e.g. pivora-run --check job.ini\n"
    "  --no-wait        skip the one-second pauses between copy passes (batch use),\n"
    "                   e.g. pivora-run --no-wait --copies 3 part.nc\n"
    "  --help           show this text, e.g. pivora-run --help\n"
    "A value may also follow its option with '=' (--copies=3); '--' ends the\n"
    "options (an input named like an option).\n"
    "\n"
    "Examples:\n"
    "  pivora-run --angle 30 --centre 50,50 part.nc          (part_new.nc, rotated once)\n"
    "  pivora-run --copies 4 --angle 90 --whole -o four.nc part.nc\n"
    "  pivora-run --no-wait job.ini\n"
    "  pivora-run --svg job.svg job.ini\n"
    "\n"
    "Message boxes go to standard error; the question before an existing output\n"
    "file is replaced is asked on the terminal and answered No when standard\n"
    "input is not a terminal. The output is written to a new file beside it and\n"
    "takes the place of the old one only when complete and checked.\n"
    "\n"
    "Environment:\n"
    "  TSYAIDE=1            unattended: no completion box, an existing output\n"
    "                       file is replaced without a question\n"
    "  PIVORA_SETTINGS_DIR  folder of Pivora.ini (default: beside pivora-run, or\n"
    "                       $XDG_CONFIG_HOME/pivora, else ~/.config/pivora, when\n"
    "                       that folder cannot be written)\n"
    "  TMPDIR               where the options form keeps its control file for the\n"
    "                       run (a private folder, removed afterwards)\n"
    "\n"
    "Exit status: 0 when the output was written (or --check found it right), 1\n"
    "when the job failed, 2 for bad usage, 128 + N when stopped by signal N\n"
    "(SIGINT, SIGTERM, SIGHUP).\n";

static const char SHORT_USAGE[] =
    "usage: pivora-run [options] INPUT.nc | pivora-run [--no-wait] [--check] [--svg FILE] CONTROL_FILE"
    " (pivora-run --help lists the options)\n";

// One line on standard error and the short usage: the caller exits with 2.
static ArgumentsResult bad_usage(const std::string &error) {
    fprintf(stderr, "pivora-run: %s\n%s", error.c_str(), SHORT_USAGE);
    return ARGUMENTS_BAD;
}

// An option's value: after '=' in the same argument, or the next argument.
static int option_value(int argc, char **argv, int &i, const char *inline_value, std::string &value) {
    if (inline_value) {
        value = inline_value;
        return 0;
    }
    if (i + 1 >= argc) return -1;
    value = argv[++i];
    return 0;
}

static int ends_with_ini(const std::string &path) {
    return path.size() >= 4 && same_name(path.substr(path.size() - 4), ".ini");
}

// 1 when the file's first line that is not blank is the section [Pivora].
static int starts_with_control_section(const std::string &path) {
    TextReader reader;
    if (!file_exists(path.c_str()) || text_open_read(reader, path.c_str()) != 0) return 0;
    std::string line;
    int found = 0;
    // A fault ends the look as the end of the file does: the reader stays at
    // its fault, and the job reports it when it reads the program.
    while (text_read_line(reader, line) == 1) {
        size_t first = line.find_first_not_of(" \t\r\n");
        if (first == std::string::npos) continue;
        size_t last = line.find_last_not_of(" \t\r\n");
        found = same_name(line.substr(first, last - first + 1), "[Pivora]");
        break;
    }
    text_close_read(reader);
    return found;
}

static int is_decimal_value(const std::string &text) {
    double value = 0.0;
    return text.size() <= NumberTextLimit && parse_decimal_text(text, value) == 0;
}

static ArgumentsResult read_centre_option(const std::string &text, RunnerOptions &options) {
    size_t comma = text.find(',');
    if (comma == std::string::npos || text.find(',', comma + 1) != std::string::npos) {
        return bad_usage("--centre wants X,Y (two numbers and one comma), e.g. --centre 100,-50.5; got '" + text + "'");
    }
    options.centre_x = text.substr(0, comma);
    options.centre_y = text.substr(comma + 1);
    for (const std::string *part : {&options.centre_x, &options.centre_y}) {
        double value = 0.0;
        if (!is_decimal_value(*part) || parse_decimal_text(*part, value) != 0 || !coordinate_in_range(value)) {
            return bad_usage("--centre: '" + *part + "' is not a coordinate from -99999.999 to 99999.999");
        }
    }
    return ARGUMENTS_RUN;
}

static ArgumentsResult read_copies_option(const std::string &text, RunnerOptions &options) {
    long long count = 0;
    if (text.size() > NumberTextLimit || parse_integer_text(text, count) != 0 || count < FewestCopies ||
        count > MostCopies) {
        return bad_usage("--copies: '" + text + "' is not a count of placements from 2 to 10000");
    }
    options.copy_count = std::to_string(count);
    return ARGUMENTS_RUN;
}

// The option of one argument; i moves past a value taken from the next one.
static ArgumentsResult read_option(int argc, char **argv, int &i, RunnerOptions &options) {
    std::string arg = argv[i];
    const char *inline_value = nullptr;
    size_t equals = arg.find('=');
    if (arg.compare(0, 2, "--") == 0 && equals != std::string::npos) {
        inline_value = argv[i] + equals + 1;
        arg.resize(equals);
    }
    std::string value;
    if (arg == "--help" || arg == "-h") return ARGUMENTS_HELP;
    if (arg == "--no-wait" && !inline_value) {
        options.no_wait = 1;
    } else if (arg == "--check" && !inline_value) {
        options.check_only = 1;
    } else if (arg == "--whole" && !inline_value) {
        if (options.composition == 1) return bad_usage("--whole and --per-machining exclude each other");
        options.composition = 0;
        ++options.conversion_options;
    } else if (arg == "--per-machining" && !inline_value) {
        if (options.composition == 0) return bad_usage("--whole and --per-machining exclude each other");
        options.composition = 1;
        ++options.conversion_options;
    } else if (arg == "--copies") {
        options.copies = 1;
        ++options.conversion_options;
        long long count = 0;
        // The count is optional: the next argument is taken only when it is a whole number.
        if (inline_value) return read_copies_option(inline_value, options);
        if (i + 1 < argc && parse_integer_text(argv[i + 1], count) == 0) return read_copies_option(argv[++i], options);
    } else if (arg == "--angle") {
        if (option_value(argc, argv, i, inline_value, value) < 0) return bad_usage("--angle wants a number, e.g. --angle 22.5");
        if (!is_decimal_value(value)) {
            return bad_usage("--angle: '" + value + "' is not a number in full (at most 15 characters, no exponent), e.g. --angle 22.5");
        }
        options.angle = value;
        ++options.conversion_options;
    } else if (arg == "--centre" || arg == "--center") {
        if (option_value(argc, argv, i, inline_value, value) < 0) return bad_usage("--centre wants X,Y, e.g. --centre 100,-50.5");
        ++options.conversion_options;
        return read_centre_option(value, options);
    } else if (arg == "-o" || arg == "--output") {
        if (option_value(argc, argv, i, inline_value, value) < 0 || value.empty()) {
            return bad_usage(arg + " wants the output file, e.g. -o part_r.nc");
        }
        options.output_path = value;
        ++options.conversion_options;
    } else if (arg == "--svg") {
        if (option_value(argc, argv, i, inline_value, value) < 0 || value.empty()) {
            return bad_usage("--svg wants a file, e.g. --svg part.svg");
        }
        options.svg_path = value;
    } else {
        return bad_usage("unknown option " + std::string(argv[i]));
    }
    return ARGUMENTS_RUN;
}

// The options that go together, and which form the one argument asks for.
static ArgumentsResult check_combination(RunnerOptions &options) {
    options.control_form = ends_with_ini(options.argument) || starts_with_control_section(options.argument);
    if (options.control_form && options.conversion_options > 0) {
        return bad_usage(options.argument + " is a control file; the options of a conversion go with an NC file only");
    }
    if (options.composition >= 0 && !options.copies) return bad_usage("--whole and --per-machining go with --copies");
    return ARGUMENTS_RUN;
}

static ArgumentsResult parse_arguments(int argc, char **argv, RunnerOptions &options) {
    std::vector<std::string> arguments;
    int options_ended = 0;
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        if (!options_ended && strcmp(arg, "--") == 0) {
            options_ended = 1;
        } else if (!options_ended && arg[0] == '-' && arg[1] != '\0') {
            ArgumentsResult result = read_option(argc, argv, i, options);
            if (result != ARGUMENTS_RUN) return result;
        } else {
            arguments.push_back(arg);
        }
    }
    if (arguments.empty()) return bad_usage("no input NC file or control file given");
    if (arguments.size() > 1) {
        return bad_usage("one input NC file or control file, not " + std::to_string(arguments.size()) + " (" +
                         arguments[0] + ", " + arguments[1] + (arguments.size() > 2 ? ", ..." : "") + ")");
    }
    if (arguments[0].empty()) return bad_usage("the input NC file or control file is an empty name");
    options.argument = arguments[0];
    return check_combination(options);
}

// The INI functions take the path as given; a relative one is made absolute
// against the working directory so that the log names the file unambiguously.
static void absolute_path(std::string &path) {
    if (path.empty() || path[0] == '/') return;
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

// Pivora.ini in its folder before any job starts: a folder that is a file, that
// cannot be made, or where the file cannot be created stops the run here,
// before any output is made. 0, or -1 after the error.
static int prepare_settings() {
    std::string directory;
    choose_settings_directory(directory);
    std::string folder = directory.size() > 1 ? directory.substr(0, directory.size() - 1) : directory;
    if (path_exists(folder.c_str()) && !is_directory(folder.c_str())) {
        message_format("エラー：設定フォルダ %s はフォルダではありません。", folder.c_str());
        return log_post(nullptr, -1);
    }
    if (!is_directory(folder.c_str())) {
        message_format("エラー：設定フォルダ %s を作れません。", folder.c_str());
        return log_post(nullptr, -1);
    }
    prepare_settings_paths(directory.c_str());
    if (!file_exists(SettingsPath.c_str())) {
        message_format("エラー：設定ファイル %s を作れません（設定フォルダに書き込めません）。", SettingsPath.c_str());
        return log_post(nullptr, -1);
    }
    return 0;
}

// ---------------------------------------------------------------------------
// Signals: SIGINT, SIGTERM and SIGHUP ask the job to stop. The handler only
// sets two flags; the job looks at one, main at the other for the exit status.

static volatile std::sig_atomic_t CaughtSignal = 0;

static void on_stop_signal(int number) {
    CaughtSignal = number;
    CancelRequested = 1;
}

static void install_stop_signals() {
    struct sigaction action;
    memset(&action, 0, sizeof action);
    action.sa_handler = on_stop_signal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: the question waiting on the terminal is answered No at once.
    action.sa_flags = 0;
    for (int number : {SIGINT, SIGTERM, SIGHUP}) sigaction(number, &action, nullptr);
}

// ---------------------------------------------------------------------------
// The options form: the dialog's proposal from Pivora.ini, the options over it,
// and a control file in a private folder that the job reads as any other.

struct PrivateControlFile {
    std::string folder;  // made by mkdtemp; empty when none
    std::string path;
};

// A value proposed by Pivora.ini must be a number in full, as a typed one is.
static int check_proposed_value(const char *key, const std::string &text, int coordinate) {
    double value = 0.0;
    if (is_decimal_value(text) && parse_decimal_text(text, value) == 0 && (!coordinate || coordinate_in_range(value))) {
        return 0;
    }
    message_format("エラー：設定ファイル %s の %s の値 %s は使えません（数値、座標は -99999.999 から 99999.999 まで）。",
                   SettingsPath.c_str(), key, text.c_str());
    return log_post(nullptr, -1);
}

// The job's fields: what the window would propose for the input, then the options.
static int fill_job_fields(const RunnerOptions &options, DialogFields &fields) {
    std::string input = options.argument;
    absolute_path(input);
    init_dialog_fields(fields, input.c_str(), 1);
    if (!options.output_path.empty()) {
        fields.output_path = options.output_path;
        absolute_path(fields.output_path);
    }
    if (options.angle.empty() && check_proposed_value("ANGLE", fields.angle, 0) < 0) return -1;
    if (options.centre_x.empty() && check_proposed_value("XCOORD", fields.centre_x, 1) < 0) return -1;
    if (options.centre_x.empty() && check_proposed_value("YCOORD", fields.centre_y, 1) < 0) return -1;
    if (!options.angle.empty()) fields.angle = options.angle;
    if (!options.centre_x.empty()) {
        fields.centre_x = options.centre_x;
        fields.centre_y = options.centre_y;
    }
    // Without --copies the program is turned once and the count is not used.
    fields.keep_source = options.copies;
    fields.copy_count = options.copies ? options.copy_count : "1";
    fields.whole_checked = options.composition == 0;
    fields.per_machining_checked = options.composition != 0;
    return 0;
}

static void remove_private_control_file(PrivateControlFile &control) {
    if (control.folder.empty()) return;
    file_delete(control.path.c_str());
    rmdir(control.folder.c_str());
    control.folder.clear();
}

// Writes the control file into a new private folder under $TMPDIR (never beside
// the input, where it could meet a file of the user's). 0, or -1 after the error.
static int write_private_control_file(const DialogFields &fields, PrivateControlFile &control) {
    const char *temporary = getenv("TMPDIR");
    std::string pattern = std::string(temporary && temporary[0] ? temporary : "/tmp") + "/pivora-run.XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (!mkdtemp(name.data())) {
        message_format("エラー：作業フォルダ %s を作れません。", pattern.c_str());
        return log_post(nullptr, -1);
    }
    control.folder = name.data();
    control.path = control.folder + "/control.ini";
    const std::string keep = fields.keep_source ? "1" : "0";
    const std::string composition = fields.whole_checked ? "0" : "1";
    const std::pair<const char *, const std::string *> keys[] = {
        {"NCFILE1", &fields.input_path}, {"NCFILE2", &fields.output_path}, {"ROTANGLE", &fields.angle},
        {"ROTXCOORD", &fields.centre_x}, {"ROTYCOORD", &fields.centre_y}, {"ROTCOUNT", &fields.copy_count},
        {"NCDATAKEEP", &keep},           {"ROTTYPE", &composition},
    };
    for (const auto &key : keys) {
        if (profile_write_string("Pivora", key.first, key.second->c_str(), control.path.c_str())) continue;
        message_format("エラー：コントロールファイル %s を書き込めません", control.path.c_str());
        return log_post(nullptr, -1);
    }
    // A name with blanks or quotes at its ends would come back changed.
    for (int index = 0; index < 2; ++index) {
        std::vector<char> back(fields.input_path.size() + fields.output_path.size() + 8, '\0');
        profile_read_string("Pivora", keys[index].first, "", back.data(), static_cast<unsigned long>(back.size()),
                            control.path.c_str());
        if (*keys[index].second == back.data()) continue;
        message_format("エラー：ファイル名 %s は前後の空白や引用符のため渡せません。", keys[index].second->c_str());
        return log_post(nullptr, -1);
    }
    return 0;
}

// --svg: the picture of the job the control file describes, after a conversion
// that succeeded or after a check whatever it found (a difference shows in the
// picture). The job's result stands either way.
static void write_picture(const RunnerOptions &options, const char *control_path, int result) {
    if (options.svg_path.empty() || CaughtSignal || (result != 0 && !options.check_only)) return;
    std::string svg = options.svg_path;
    absolute_path(svg);
    JobPicture job;
    if (read_job_picture(nullptr, control_path, job) < 0) return;
    write_job_svg(nullptr, job, svg.c_str());
}

// Converts, or with --check compares, as the control file says; then the picture.
static int run_control_path(const RunnerOptions &options, const char *control_path) {
    int result = options.check_only ? check_job_output(nullptr, control_path) : run_job(nullptr, control_path);
    write_picture(options, control_path, result);
    return result;
}

static int run_options_form(const RunnerOptions &options) {
    DialogFields fields;
    if (fill_job_fields(options, fields) < 0) return -1;
    PrivateControlFile control;
    int result = write_private_control_file(fields, control);
    if (result == 0 && !CaughtSignal) result = run_control_path(options, control.path.c_str());
    remove_private_control_file(control);
    return result;
}

static int run_control_form(const RunnerOptions &options) {
    std::string control = options.argument;
    absolute_path(control);
    if (CaughtSignal) return -1;
    return run_control_path(options, control.c_str());
}

// ---------------------------------------------------------------------------

int main(int argc, char **argv) {
    RunnerOptions options;
    ArgumentsResult arguments = parse_arguments(argc, argv, options);
    if (arguments == ARGUMENTS_HELP) {
        // The text names the compositions as the window does, in code page 932.
        Console console;
        open_console(console);
        print_converted(console, stdout, USAGE_TEXT, "");
        close_console(console);
        return 0;
    }
    if (arguments == ARGUMENTS_BAD) return 2;
    install_stop_signals();
    // A log reader that goes away (pivora-run ... | head) must not stop the job
    // halfway through the output file; the lines it misses are only the log.
    signal(SIGPIPE, SIG_IGN);
    // A file size limit fails the write, which the job reports and cleans up after,
    // instead of ending the process with its temporary output left behind.
    signal(SIGXFSZ, SIG_IGN);

    Console console;
    open_console(console);
    LogPort port = {&console, console_append_line, nullptr, console_show_box};
    log_set_port(&port);

    int result = prepare_settings();
    if (result == 0) {
        read_command_flags(ActiveCommandFlags);
        SkipWaits = options.no_wait;
        result = options.control_form ? run_control_form(options) : run_options_form(options);
    }

    log_set_port(nullptr);
    close_console(console);
    fflush(stdout);
    if (result != 0 && CaughtSignal) return 128 + CaughtSignal;
    return result == 0 ? 0 : 1;
}
