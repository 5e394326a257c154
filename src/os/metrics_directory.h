// Where the machine's Prometheus exporter collects metrics files.
#pragma once

#include <optional>
#include <string>

namespace dorvane::os {

// The textfile collector's folder, where it exists on this machine;
// nothing where it does not (no exporter there: nothing is to be written).
// - POSIX: /var/lib/prometheus/node-exporter, the folder of Debian's
//   prometheus-node-exporter.
// - Windows: the folder that the windows_exporter service's command line
//   names (--collector.textfile.directories, its first; or else
//   --collector.textfile.directory), or else textfile_inputs beside the
//   executable that it runs, wherever it was installed. Where the command
//   line names a configuration file instead, which may set the folder, an
//   Error says so: that file is not read, and no folder guessed.
std::optional<std::string> metrics_directory();

}  // namespace dorvane::os
