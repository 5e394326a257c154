#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "os/descriptor_posix.h"
#include "os/program_directory.h"
#include "os/system_error.h"
#include "os/whole_file.h"

namespace dorvane::os {

std::optional<std::string> read_file_if_present(const std::string& path) {
    const Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) {
        if (errno == ENOENT) return std::nullopt;
        throw last_system_error();
    }
    return read_all(file.get());
}

void replace_file(const std::string& path, const std::string& content) {
    std::string temporary = path + ".XXXXXX";
    std::vector<char> name(temporary.begin(), temporary.end());
    name.push_back('\0');
    Descriptor file(::mkostemp(name.data(), O_CLOEXEC));
    if (file.get() < 0) throw last_system_error();
    temporary = name.data();
    try {
        if (::fchmod(file.get(), 0644) != 0) throw last_system_error();
        write_all(file.get(), content);
        if (::fsync(file.get()) != 0) throw last_system_error();
        file.close();
        if (::rename(temporary.c_str(), path.c_str()) != 0) throw last_system_error();
    } catch (...) {
        ::unlink(temporary.c_str());
        throw;
    }
    // The rename made durable too, where the folder can be synced; the new
    // file is in place either way.
    const Descriptor folder(::open(directory_of(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0) ::fsync(folder.get());
}

}  // namespace dorvane::os
