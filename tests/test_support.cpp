// Shared test helpers: temporary folders, file bytes, captured log.
#include "test_support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "settings/program_values.h"

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::random_device seed;
    std::mt19937_64 random(seed());
    fs::path base = fs::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path candidate = base / ("pivora-test-" + std::to_string(random()));
        std::error_code error;
        if (fs::create_directory(candidate, error)) {
            path = candidate.string() + std::string(1, fs::path::preferred_separator);
            return;
        }
    }
    std::abort();
}

TempDir::~TempDir() {
    std::error_code error;
    fs::remove_all(fs::path(path), error);
}

std::string read_file_bytes(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void write_file_bytes(const std::string &path, const std::string &bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string test_data_path(const std::string &relative) {
    const char *override_dir = std::getenv("PIVORA_TEST_DATA");
    std::string base = override_dir && *override_dir ? override_dir : PIVORA_TEST_DATA;
    return base + "/" + relative;
}

static void captured_append(void *context, const char *text) {
    static_cast<CapturedLog *>(context)->lines.push_back(text);
}

static void captured_widen(void *context, const char *text) {
    static_cast<CapturedLog *>(context)->widened.push_back(text);
}

static int captured_box(void *context, WindowHandle owner, const char *text, int kind) {
    CapturedLog *log = static_cast<CapturedLog *>(context);
    log->boxes.push_back({text, kind, owner});
    return kind == BOX_QUESTION ? log->answer : 0;
}

static LogPort captured_port;

CapturedLog::CapturedLog() {
    captured_port = {this, captured_append, captured_widen, captured_box};
    log_set_port(&captured_port);
}

CapturedLog::~CapturedLog() { log_set_port(nullptr); }

EnvironmentValue::EnvironmentValue(const char *variable, const char *value) : name(variable) {
    const char *old = std::getenv(variable);
    had_value = old != nullptr;
    if (old) saved = old;
    assign(value);
}

EnvironmentValue::~EnvironmentValue() { assign(had_value ? saved.c_str() : nullptr); }

void EnvironmentValue::assign(const char *value) {
#ifdef _WIN32
    _putenv_s(name.c_str(), value ? value : "");
#else
    if (value) {
        setenv(name.c_str(), value, 1);
    } else {
        unsetenv(name.c_str());
    }
#endif
}

SettingsHome::SettingsHome(const std::string &dir)
    : saved_exe_directory(ExeDirectory), saved_settings_path(SettingsPath) {
    ExeDirectory = dir;
    SettingsPath = dir + "Pivora.ini";
}

SettingsHome::~SettingsHome() {
    ExeDirectory = saved_exe_directory;
    SettingsPath = saved_settings_path;
    ActiveCommandFlags = {0, 0, 1, 0, 1};
}
