// The machining move file: a temporary text file beside the input that holds
// the moves of one machining, one record of eleven numbers per line, until its
// rotated copies have been written.
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "rotate/driver_support.h"
#include "rotate/drivers.h"
#include "log/message_log.h"

namespace {

// Gives up looking for a free name after this many taken ones.
const int FreeNameAttempts = 1000;

// Outcome of an exclusive creation.
enum CreateResult { CREATED, NAME_TAKEN, CREATE_FAILED };

// Creates an empty file, never touching one that is already there.
CreateResult create_new_file(const char *path) {
#ifdef _WIN32
    int descriptor = _open(path, _O_WRONLY | _O_CREAT | _O_EXCL, _S_IREAD | _S_IWRITE);
#else
    int descriptor = open(path, O_WRONLY | O_CREAT | O_EXCL, 0644);
#endif
    if (descriptor < 0) return errno == EEXIST ? NAME_TAKEN : CREATE_FAILED;
#ifdef _WIN32
    _close(descriptor);
#else
    close(descriptor);
#endif
    return CREATED;
}

}  // namespace

void machining_file_name(const char *path, std::string &name, int index) {
    PathParts parts;
    split_path(path, parts);
    name = parts.drive + parts.directory + parts.name + "_" + std::to_string(index) + parts.extension;
}

int create_move_file(const char *input_path, int &index, std::string &name, TextWriter &writer) {
    for (int attempt = 0; attempt < FreeNameAttempts; ++attempt, ++index) {
        machining_file_name(input_path, name, index);
        CreateResult result = create_new_file(name.c_str());
        if (result == NAME_TAKEN) continue;
        // The file is ours now; opening it in text mode only empties it again.
        if (result == CREATED && text_open_write(writer, name.c_str()) == 0) return 0;
        if (result == CREATED) file_delete(name.c_str());
        break;
    }
    message_format("エラー：テンポラリファイル %s 開けません", name.c_str());
    return -1;
}

void write_move_record(TextWriter &writer, const MoveRecord &record) {
    const double *v = record.position.v;
    text_printf(writer, "%2d %2d %12.3f %12.3f %12.3f %12.3f %12.3f %12.3f %12.3f %12.3f %9.3f\n",
                record.plane, record.motion, v[WORD_X], v[WORD_Y], v[WORD_Z], v[WORD_I], v[WORD_J],
                v[WORD_R], v[WORD_Q], v[WORD_K], record.feed);
}

int read_move_record(const std::string &line, MoveRecord &record) {
    double *v = record.position.v;
    int fields = std::sscanf(line.c_str(), "%d %d %lf %lf %lf %lf %lf %lf %lf %lf %lf", &record.plane,
                             &record.motion, &v[WORD_X], &v[WORD_Y], &v[WORD_Z], &v[WORD_I],
                             &v[WORD_J], &v[WORD_R], &v[WORD_Q], &v[WORD_K], &record.feed);
    return fields == 11 ? 0 : -1;
}
