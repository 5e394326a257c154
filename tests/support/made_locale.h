// Test only: a locale made for the test's length with localedef, in a
// folder of its own (LOCPATH), and LC_CTYPE set to it; both put back after.
#pragma once

#include <string>

#include "support/temp_dir.h"

namespace dorvane::testing {

class MadeLocale {
public:
    // `input` and `charmap` as localedef takes them: "es_ES", "ISO-8859-1".
    MadeLocale(const std::string& input, const std::string& charmap);
    ~MadeLocale();
    MadeLocale(const MadeLocale&) = delete;
    MadeLocale& operator=(const MadeLocale&) = delete;

    // False where localedef could not make it, or setlocale not take it.
    bool made() const { return made_; }

private:
    TempDir folder_;
    std::string before_;
    bool made_ = false;
};

}  // namespace dorvane::testing
