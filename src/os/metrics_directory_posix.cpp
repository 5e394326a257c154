#include <sys/stat.h>

#include "os/metrics_directory.h"

namespace dorvane::os {

std::optional<std::string> metrics_directory() {
    static const char folder[] = "/var/lib/prometheus/node-exporter";
    struct stat file {};
    if (::stat(folder, &file) != 0 || !S_ISDIR(file.st_mode)) return std::nullopt;
    return folder;
}

}  // namespace dorvane::os
