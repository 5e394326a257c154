// The error line never fails and always starts as the log expects.
#include <cstdlib>
#include <cstring>

#include "fuzz_input.h"
#include "log/error_line.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return 0;
    std::int32_t number;
    std::memcpy(&number, data, sizeof number);
    const auto parts = dorvane::fuzz::split_input(data + 4, size - 4, 2);
    const std::string line = dorvane::log::error_line(parts[0], dorvane::Error(number, parts[1]));
    if (line.rfind("Error para ", 0) != 0) std::abort();
    if (line.find(" -> " + std::to_string(number == 0 ? dorvane::unspecified_error : number) + " -> ") ==
        std::string::npos)
        std::abort();
    return 0;
}
