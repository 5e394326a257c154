#include "registry/value_encoding.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "common/error.h"
#include "os/encoding.h"
#include "registry/mod_registro.h"

namespace dorvane::modRegistro {
namespace {

Error type_mismatch() { return Error(13, "Type mismatch"); }
Error overflow() { return Error(6, "Overflow"); }

bool is_blank(char c) { return c == ' ' || c == '\t'; }

// The ordinary numeric conversion to a 32-bit integer: blanks around the
// number are allowed, a fraction rounds half to even.
std::int32_t to_int32(const std::string& text) {
    std::size_t first = 0, last = text.size();
    while (first < last && is_blank(text[first])) ++first;
    while (last > first && is_blank(text[last - 1])) --last;
    if (first < last && text[first] == '+') ++first;
    if (first == last) throw type_mismatch();
    double number = 0;
    const char* begin = text.data() + first;
    const char* end = text.data() + last;
    const auto [stop, ec] = std::from_chars(begin, end, number, std::chars_format::fixed);
    if (stop != end) throw type_mismatch();
    if (ec == std::errc::result_out_of_range) throw overflow();
    if (ec != std::errc()) throw type_mismatch();
    const double rounded = std::nearbyint(number);  // default mode: half to even
    if (rounded < std::numeric_limits<std::int32_t>::min() ||
        rounded > std::numeric_limits<std::int32_t>::max())
        throw overflow();
    return static_cast<std::int32_t>(rounded);
}

}  // namespace

ValueBytes encode_value(const std::string& valor, std::int32_t tipo_valor) {
    if (tipo_valor == reg_sz) {
        const std::string text = os::to_system_codepage(valor);
        ValueBytes bytes(text.begin(), text.end());
        bytes.push_back(0);
        return bytes;
    }
    if (tipo_valor == reg_dword) {
        const auto number = static_cast<std::uint32_t>(to_int32(valor));
        return {static_cast<unsigned char>(number), static_cast<unsigned char>(number >> 8),
                static_cast<unsigned char>(number >> 16), static_cast<unsigned char>(number >> 24)};
    }
    throw Error(5, "Invalid procedure call or argument");
}

std::string value_as_text(const ValueBytes& data, std::int32_t tipo_valor) {
    if (tipo_valor == reg_sz && !data.empty() && data.back() == 0) {
        return std::string(data.begin(), data.end() - 1);
    }
    if (tipo_valor == reg_dword && data.size() == 4) {
        const std::uint32_t number = data[0] | (data[1] << 8) | (data[2] << 16) |
                                     (static_cast<std::uint32_t>(data[3]) << 24);
        return std::to_string(static_cast<std::int32_t>(number));
    }
    throw Error(5, "Invalid procedure call or argument");
}

}  // namespace dorvane::modRegistro
