// What a run did, counted by the walk as it goes: for each data source it
// reached, whether it opened, the tables walked, and the revokes and grants
// sent and failed. Told once at the run's end, reached or early.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace dorvane {

// Whether what the read-only user can still do was read once the walk was
// over.
enum class PrivilegeCheck { not_made, made, failed };

struct DataSourceSummary {
    std::string data_source;
    bool opened = false;
    std::size_t tables_walked = 0;
    std::size_t revokes = 0, revokes_failed = 0;
    std::size_t grants = 0, grants_failed = 0;
    PrivilegeCheck privilege_check = PrivilegeCheck::not_made;
    std::size_t excess_privileges = 0;  // found by the check
};

struct RunSummary {
    std::vector<DataSourceSummary> data_sources;  // the data sources reached, in order

    // Whether the work was all done: every data source reached, opened and
    // walked, every grant made, and the user left with nothing more than
    // the run means, as far as the check could tell (a check that could not
    // be made counts against it). A failed revoke does not count against
    // it: a database may refuse to revoke what was never granted.
    bool complete() const;
};

// The program's exit statuses, which schedulers and monitoring act on.
enum ExitStatus : int {
    exit_complete = 0,    // the run reached its end and did all its work
    exit_early = 1,  // the run ended early, on an error nothing caught
    exit_usage = 2,         // the command line was not understood
    exit_incomplete = 3,  // the run reached its end, but a data source was not
                            // opened, a grant failed, or the user holds more
                            // than the run means (or that could not be checked)
};

// The status of a run that counted `summary`, ended early or not.
ExitStatus exit_status_of(const RunSummary& summary, bool ended_early);

// The summary's text, one line per data source of the run (those it never
// reached say so), then the duration and the exit status.
std::string summary_text(const RunSummary& summary, std::chrono::steady_clock::duration duration,
                         int exit_status);

}  // namespace dorvane
