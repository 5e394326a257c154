// Where the machine's Prometheus exporter collects metrics files.
#pragma once

#include <optional>
#include <string>

#include "common/error.h"

namespace dorvane::os {

// The textfile collector's folder, where it exists on this machine;
// nothing where it does not (no exporter there: nothing is to be written).
// - POSIX: the folder that node_exporter's systemd unit gives its
//   --collector.textfile.directory (prometheus-node-exporter.service,
//   node_exporter.service or node-exporter.service, the /etc/systemd/system
//   copy first, with their drop-ins and the environment files they name),
//   or else /var/lib/prometheus/node-exporter, the folder of Debian's
//   prometheus-node-exporter.
// - Windows: the folder that the windows_exporter service's command line
//   names (--collector.textfile.directories, its first; or else
//   --collector.textfile.directory), or else textfile_inputs beside the
//   executable that it runs, wherever it was installed. Where the command
//   line names a configuration file instead, which may set the folder, an
//   Error says so: that file is not read, and no folder guessed.
std::optional<std::string> metrics_directory();

// What an administrator does so that the program may write in `folder`,
// where `failure` is how writing there failed and that is the cause (on
// POSIX, the service's read-only file system: the drop-in line that allows
// the folder), after a "; "; empty otherwise.
std::string how_to_allow(const Error& failure, const std::string& folder);

}  // namespace dorvane::os
