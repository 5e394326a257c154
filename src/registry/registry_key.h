// An open registry key, closed exactly once when its owner goes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "registry/value_encoding.h"

namespace dorvane::modRegistro {

class RegistryKey {
public:
    // Opens the existing key `subclave` below `clave_raiz` with full access.
    // Raises an Error when the key is missing or access is refused.
    static RegistryKey open(std::uint32_t clave_raiz, const std::string& subclave);

    RegistryKey(RegistryKey&&) noexcept;
    RegistryKey& operator=(RegistryKey&&) = delete;
    RegistryKey(const RegistryKey&) = delete;
    ~RegistryKey();

    // Sets the value `nombre_valor`, replacing one of any type. Raises an
    // Error on failure.
    void set_value(const std::string& nombre_valor, std::int32_t tipo_valor, const ValueBytes& data);

    struct State;  // what the platform holds for an open key

private:
    explicit RegistryKey(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

}  // namespace dorvane::modRegistro
