// A fresh directory for one test, removed with everything in it afterwards.
#pragma once

#include <string>

namespace dorvane::testing {

class TempDir {
public:
    TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir();

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

std::string read_bytes(const std::string& path);
void write_bytes(const std::string& path, const std::string& bytes);
// The names in `directory`, sorted, with each entry's size and mode.
std::string listing(const std::string& directory);

}  // namespace dorvane::testing
