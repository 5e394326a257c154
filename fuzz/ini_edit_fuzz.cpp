// For any file and any edit the program can make: the result holds the new
// value, and every other byte of the file is as it was.
#include <algorithm>
#include <vector>
#include <cstdlib>

#include "fuzz_input.h"
#include "registry/ini_file.h"

namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace dorvane::modRegistro;
    const auto parts = dorvane::fuzz::split_input(data, size, 4);
    const std::string &section = parts[0], &name = parts[1], &value = parts[2], &file = parts[3];
    if (!storable_name(section) || !storable_name(name) || !storable_value(value)) return 0;

    const auto edited = set_ini_value(file, section, name, value);
    if (!edited) return 0;

    // The same edit again changes nothing: the value is there, where it is read.
    require(set_ini_value(*edited, section, name, value) == edited);

    // The result is the original with one span of one line replaced by the
    // value, or with one new entry line added; nothing else differs.
    const std::vector<std::string> insertions = {value, name + "=" + value + "\n", name + "=" + value + "\r\n",
                                                 "\n" + name + "=" + value, "\r\n" + name + "=" + value};
    bool explained = false;
    for (const std::string& inserted : insertions) {
        if (edited->size() < inserted.size() || edited->size() - inserted.size() > file.size()) continue;
        const std::size_t kept_after = edited->size() - inserted.size();  // bytes of the original kept
        for (std::size_t at = 0; at + inserted.size() <= edited->size() && !explained; ++at) {
            const std::size_t tail = kept_after - std::min(at, kept_after);
            if (at > kept_after || file.size() < at + tail) continue;
            const std::size_t removed_end = file.size() - tail;
            explained = file.compare(0, at, *edited, 0, at) == 0 &&
                        edited->compare(at, inserted.size(), inserted) == 0 &&
                        file.compare(removed_end, tail, *edited, at + inserted.size(), tail) == 0 &&
                        file.substr(at, removed_end - at).find('\n') == std::string::npos &&
                        (inserted == value || removed_end == at);
        }
        if (explained) break;
    }
    require(explained);
    return 0;
}
