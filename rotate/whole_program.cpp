// The whole program turned once: every line is written turned about the centre;
// the start block stays at the program's start point.
#include <memory>

#include "log/message_log.h"
#include "rotate/drivers.h"
#include "rotate/pass.h"
#include "settings/settings_file.h"

int rotate_whole_program(WindowHandle owner, TextWriter &output, const char *input_path,
                         double angle[3], const double centre[]) {
    OutputFormat format;
    read_output_format(format);
    if (ActiveCommandFlags.debug == 100) log_output_parameters(owner, format);
    if (ActiveCommandFlags.debug > 0 && post_start_of_program(owner, input_path) < 0) return -1;
    post_angle_line(owner, angle[0]);

    std::unique_ptr<Pass> pass = std::make_unique<Pass>();
    init_pass(*pass, owner, output, input_path, format, angle[0], centre);
    pass->start_block = 1;
    std::unique_ptr<TextReader> input = std::make_unique<TextReader>();
    if (open_pass_input(owner, *input, input_path, 0) < 0) return -1;
    int result = run_pass(*pass, *input);
    text_close_read(*input);
    return result;
}
