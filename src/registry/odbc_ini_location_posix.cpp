#include "registry/odbc_ini_location.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "common/error.h"

// unixODBC's own answers to "which odbc.ini?". Exported by libodbcinst but
// declared only in its private header.
extern "C" int _odbcinst_SystemINI(char* file_name, int verify);

namespace dorvane::modRegistro {

std::string system_odbc_ini() {
    char path[8192] = {};
    if (!_odbcinst_SystemINI(path, 0)) throw Error(unspecified_error, "No system odbc.ini");
    return path;
}

std::string user_odbc_ini() {
    if (const char* file = std::getenv("ODBCINI"); file != nullptr && *file != '\0') return file;
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == '\0') {
        const passwd* user = ::getpwuid(::getuid());
        if (user == nullptr) throw Error(unspecified_error, "No home directory");
        home = user->pw_dir;
    }
    return std::string(home) + "/.odbc.ini";
}

}  // namespace dorvane::modRegistro
