// The run's counts for Prometheus, as the text exposition format that the
// textfile collectors of node_exporter and windows_exporter read: the last
// run's end, duration and status, the last success, and per data source
// what was opened, walked, sent and failed.
#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "run/run_summary.h"

namespace dorvane {

// The metrics file's name, in the collector's folder.
extern const char metrics_file_name[];

struct RunEnd {
    int status;                                         // the exit status
    std::chrono::system_clock::time_point ended;    // when the run ended
    std::chrono::steady_clock::duration duration;
    std::chrono::system_clock::time_point started;      // when it started
};

// The file's whole text: LF lines, a final newline, each metric with its
// HELP and TYPE lines. The last success is this run's end when it exited
// 0, otherwise `previous_success` (absent until a run has succeeded).
std::string metrics_text(const RunSummary& summary, const RunEnd& run_end,
                         const std::optional<std::string>& previous_success);

// The last success that an earlier file recorded, exactly as written there
// (but blanks or a CR at the end of its line), when it holds a plain
// number; nothing otherwise.
std::optional<std::string> last_success_in(const std::string& previous_file);

// The file that a run publishes as it starts: `previous_file`'s gauges (the
// previous run's, as they were) with this run's start in place of the
// previous one. Lines of anything but dorvane's own metrics are left out.
std::string start_metrics_text(const std::optional<std::string>& previous_file,
                               std::chrono::system_clock::time_point started);

// The previous run's metrics file, as a run's start read it.
struct PreviousMetrics {
    bool read = false;  // read, found missing, or told why it could not be
    std::optional<std::string> text;
};

// Publishes the run's start where publish_metrics publishes its end, so
// that a run that never ends (hung, killed, crashed) leaves a start newer
// than its last end behind. A previous file that cannot be read is told as
// publish_metrics tells it, and what was read is given back for the end.
// A file that cannot be written is left to the end to tell.
PreviousMetrics publish_start(std::chrono::system_clock::time_point started) noexcept;

// Removes the metrics file from the collector's folder, and nothing else,
// so that the exporter of a machine where the program is uninstalled
// stops serving its last run. Raises an Error where it cannot.
void forget_metrics();

// Replaces the metrics file in the collector's folder, where one exists on
// this machine (it is never created). The last success is carried over
// from the file there when it is a small regular file (as the run's start
// read it, where it got that far); anything else at that name is replaced
// all the same. A previous file that cannot be read, a file that cannot be
// written and a folder that cannot be told are each a warning, and change
// nothing else.
void publish_metrics(const RunSummary& summary, const RunEnd& run_end,
                     const PreviousMetrics& previous = {}) noexcept;

}  // namespace dorvane
