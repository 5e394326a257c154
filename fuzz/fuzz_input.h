// Splitting one fuzzer input into the several texts a target needs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace dorvane::fuzz {

// The input cut at each byte 0x00 into at most `count` texts; missing
// texts are empty, and the last one keeps any further 0x00 bytes.
inline std::vector<std::string> split_input(const std::uint8_t* data, std::size_t size, std::size_t count) {
    std::vector<std::string> parts(count);
    std::size_t part = 0;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0 && part + 1 < count) {
            ++part;
            continue;
        }
        parts[part] += static_cast<char>(data[i]);
    }
    return parts;
}

}  // namespace dorvane::fuzz
