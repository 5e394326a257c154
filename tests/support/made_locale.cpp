#include "support/made_locale.h"

#include <clocale>
#include <cstdlib>

namespace dorvane::testing {

MadeLocale::MadeLocale(const std::string& input, const std::string& charmap)
    : before_(std::setlocale(LC_CTYPE, nullptr)) {
    const std::string name = input + "." + charmap;
    const std::string make = "localedef -i " + input + " -f " + charmap + " " + (folder_ / name) + " 2>/dev/null";
    if (std::system(make.c_str()) != 0) return;
    setenv("LOCPATH", folder_.path().c_str(), 1);
    made_ = std::setlocale(LC_CTYPE, name.c_str()) != nullptr;
}

MadeLocale::~MadeLocale() {
    std::setlocale(LC_CTYPE, before_.c_str());
    unsetenv("LOCPATH");
}

}  // namespace dorvane::testing
