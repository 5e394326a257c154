#include "run/run_summary.h"

#include <cstdio>

#include "run/settings.h"

namespace dorvane {
namespace {

std::string counted(const char* what, std::size_t sent, std::size_t failed) {
    return std::string(what) + ": " + std::to_string(sent) + " sent, " + std::to_string(failed) + " failed";
}

std::string outcome_of(const DataSourceSummary& f) {
    switch (f.privilege_check) {
        case PrivilegeCheck::made:
            return f.excess_privileges == 0 ? "userSQL read-only"
                                            : std::to_string(f.excess_privileges) + " excess privileges of userSQL";
        case PrivilegeCheck::failed: return "privileges could not be checked";
        case PrivilegeCheck::not_made: break;
    }
    return "privileges not checked";
}

std::string line_for(const DataSourceSummary& f) {
    if (!f.opened) return f.data_source + ": could not be opened";
    return f.data_source + ": " + std::to_string(f.tables_walked) + " tables walked; " +
           counted("revokes", f.revokes, f.revokes_failed) + "; " +
           counted("grants", f.grants, f.grants_failed) + "; " + outcome_of(f);
}

}  // namespace

bool RunSummary::complete() const {
    if (data_sources.size() != data_source_names.size()) return false;
    for (const DataSourceSummary& f : data_sources)
        if (!f.opened || f.grants_failed != 0 || f.privilege_check == PrivilegeCheck::failed ||
            f.excess_privileges != 0)
            return false;
    return true;
}

ExitStatus exit_status_of(const RunSummary& summary, bool ended_early) {
    if (ended_early) return exit_early;
    return summary.complete() ? exit_complete : exit_incomplete;
}

std::string summary_text(const RunSummary& summary, std::chrono::steady_clock::duration duration,
                         int exit_status) {
    std::string text = "Summary of the run:\n";
    for (const std::string& data_source : data_source_names) {
        const DataSourceSummary* reached = nullptr;
        for (const DataSourceSummary& f : summary.data_sources)
            if (f.data_source == data_source) reached = &f;
        text += "  " + (reached != nullptr ? line_for(*reached) : data_source + ": not reached") + "\n";
    }
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.2f", std::chrono::duration<double>(duration).count());
    return text + "  ended after " + seconds + " s with exit status " + std::to_string(exit_status) + "\n";
}

}  // namespace dorvane
