#include "run/arguments.h"

#include <string_view>

namespace dorvane {
namespace {

// Windows' own way to ask a program for help.
#ifdef _WIN32
constexpr bool slash_question_asks_for_help = true;
#else
constexpr bool slash_question_asks_for_help = false;
#endif

// An argument as it may be shown back: printable ASCII only, so that what
// a caller passed can neither garble the message nor drive a terminal.
std::string printable(std::string_view argument) {
    std::string shown;
    for (const char c : argument.substr(0, 64)) shown += c >= 0x20 && c < 0x7f ? c : '?';
    return argument.size() > 64 ? shown + "..." : shown;
}

}  // namespace

Arguments read_arguments(int argc, const char* const* argv) {
    if (argc <= 1) return {};
    if (argc > 2) return {Request::usage_error, "one argument at most"};
    const std::string_view argument = argv[1];
    if (argument == "--help" || argument == "-h" || (slash_question_asks_for_help && argument == "/?"))
        return {Request::help, {}};
    if (argument == "--version") return {Request::version, {}};
    if (argument == "--dry-run") return {Request::dry_run, {}};
    if (argument == "--check") return {Request::check, {}};
    if (argument == "--forget-metrics") return {Request::forget_metrics, {}};
    return {Request::usage_error, "unknown argument '" + printable(argument) + "'"};
}

}  // namespace dorvane
