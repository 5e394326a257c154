#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <fstream>
#include <memory>
#include <sstream>

#include "os/metrics_directory.h"
#include "os/node_exporter_unit.h"

namespace dorvane::os {
namespace {

// A unit file's or an environment file's text, links followed as systemd
// follows them; nothing where there is none or it cannot be read. Such
// files are a few lines: anything longer than 1 MiB is not one.
std::optional<std::string> text_of(const std::string& path) {
    struct stat file {};
    if (::stat(path.c_str(), &file) != 0 || !S_ISREG(file.st_mode) || file.st_size > (1 << 20)) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

struct CloseDir {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

std::vector<std::string> names_in(const std::string& folder) {
    std::vector<std::string> names;
    const std::unique_ptr<DIR, CloseDir> dir(::opendir(folder.c_str()));
    if (!dir) return names;
    while (const dirent* entry = ::readdir(dir.get())) names.emplace_back(entry->d_name);
    return names;
}

}  // namespace

std::optional<std::string> metrics_directory() {
    const std::string folder =
        node_exporter_textfile_directory(text_of, names_in).value_or("/var/lib/prometheus/node-exporter");
    struct stat file {};
    if (::stat(folder.c_str(), &file) != 0 || !S_ISDIR(file.st_mode)) return std::nullopt;
    return folder;
}

std::string how_to_allow(const Error& failure, const std::string& folder) {
    // The service's file system is read-only but for the folders it names.
    if (failure.Number != EROFS) return {};
    return "; where dorvane runs as its service, allow it that folder with a drop-in (systemctl edit "
           "dorvane.service): [Service] ReadWritePaths=" +
           folder;
}

}  // namespace dorvane::os
