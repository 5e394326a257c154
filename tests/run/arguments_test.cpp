// What an unknown argument looks like when it is shown back.
#include "run/arguments.h"

#include <gtest/gtest.h>

namespace dorvane {
namespace {

// Whatever a caller passed can neither garble the usage error nor drive the
// terminal it is shown on: control bytes, DEL and bytes above ASCII are
// shown as "?", and a long argument is cut.
TEST(Arguments, AnUnknownArgumentIsShownInPrintableAsciiAlone) {
    const char* const argv[] = {"dorvane", "-\x1b[2J\r\n\x07\x7f\xc3\xa9z"};
    const Arguments read = read_arguments(2, argv);
    EXPECT_EQ(read.request, Request::usage_error);
    EXPECT_EQ(read.problem, "unknown argument '-?[2J??????z'");
    const std::string long_argument(100, 'x');
    const char* const long_argv[] = {"dorvane", long_argument.c_str()};
    EXPECT_EQ(read_arguments(2, long_argv).problem, "unknown argument '" + std::string(64, 'x') + "...'");
}

}  // namespace
}  // namespace dorvane
