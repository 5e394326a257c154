// What the command line asks for. With no arguments, the run; anything
// else is read-only: the plan, help, the version, or a usage error.
#pragma once

#include <string>

namespace dorvane {

enum class Request { run, dry_run, check, forget_metrics, help, version, usage_error };

struct Arguments {
    Request request = Request::run;
    std::string problem;  // for a usage error: what was wrong
};

// `--help` and `-h` (and on Windows `/?`) ask for help, `--version` for the
// version, `--dry-run` for the plan, `--check` for the privileges' audit,
// `--forget-metrics` (for the uninstallers) for the metrics file's removal;
// one argument at most.
Arguments read_arguments(int argc, const char* const* argv);

}  // namespace dorvane
