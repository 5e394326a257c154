// The bytes of a registry value, the same on every platform.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace dorvane::modRegistro {

using ValueBytes = std::vector<unsigned char>;

// REG_SZ: the text in the system's code page and one NUL. REG_DWORD: the
// text read as a 32-bit signed number, four bytes little-endian. Raises an
// Error for any other type and for a text that is no number in range.
ValueBytes encode_value(const std::string& valor, std::int32_t tipo_valor);

// The value's text as a settings file stores it: a REG_SZ without its NUL,
// a REG_DWORD in decimal. Raises an Error for malformed bytes.
std::string value_as_text(const ValueBytes& data, std::int32_t tipo_valor);

}  // namespace dorvane::modRegistro
