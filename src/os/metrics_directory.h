// Where the machine's Prometheus exporter collects metrics files.
#pragma once

#include <optional>
#include <string>

namespace dorvane::os {

// The textfile collector's folder, where it exists on this machine;
// nothing where it does not (no exporter there: nothing is to be written).
// - POSIX: /var/lib/prometheus/node-exporter, the folder of Debian's
//   prometheus-node-exporter.
// - Windows: textfile_inputs, beside the executable that the
//   windows_exporter service runs, wherever it was installed.
std::optional<std::string> metrics_directory();

}  // namespace dorvane::os
