// Writing one value into an existing registry key.
#pragma once

#include <cstdint>
#include <string>

#include "common/error.h"

namespace dorvane::modRegistro {

// Predefined root keys, as their 32-bit handle values.
constexpr std::uint32_t hkey_current_user = 0x80000001;
constexpr std::uint32_t hkey_local_machine = 0x80000002;

// Value types.
constexpr std::int32_t reg_sz = 1;     // text, NUL-terminated
constexpr std::int32_t reg_dword = 4;  // 32-bit number, little-endian

// Writes `valor` as the value `nombre_valor` of the key `subclave` below
// `clave_raiz`. The key must exist: nothing is created. Returns 0 when the
// value was written and -1 on any failure; it never raises.
std::int32_t escribir_valor_registro(std::uint32_t clave_raiz, const std::string& subclave,
                                     const std::string& nombre_valor, const std::string& valor,
                                     std::int32_t tipo_valor) noexcept;

// The same, keeping in `failure` why a write failed, for whoever tells of it.
std::int32_t escribir_valor_registro(std::uint32_t clave_raiz, const std::string& subclave,
                                     const std::string& nombre_valor, const std::string& valor,
                                     std::int32_t tipo_valor, Error& failure) noexcept;

// The number of the failure that a key which does not exist gives
// (ERROR_FILE_NOT_FOUND): a data source that is not defined.
constexpr std::int32_t error_file_not_found = 2;

}  // namespace dorvane::modRegistro
