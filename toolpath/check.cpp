// Placeholder until the tool-path model lands: it reports nothing checked.
#include "toolpath/check.h"

int check_conversion(const char *, const char *, const CheckParams &, CheckResult &result) {
    result = CheckResult{};
    return 0;
}
