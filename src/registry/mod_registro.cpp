#include "registry/mod_registro.h"

#include "common/error.h"
#include "registry/registry_key.h"

namespace dorvane::modRegistro {

// Every failure, whatever its cause, ends in -1 and stays here: the key
// closes itself on the way out, and no error reaches the caller.
std::int32_t escribir_valor_registro(std::uint32_t clave_raiz, const std::string& subclave,
                                     const std::string& nombre_valor, const std::string& valor,
                                     std::int32_t tipo_valor, Error& failure) noexcept {
    try {
        RegistryKey key = RegistryKey::open(clave_raiz, subclave);
        const ValueBytes data = encode_value(valor, tipo_valor);
        key.set_value(nombre_valor, tipo_valor, data);
        return 0;
    } catch (const Error& error) {
        failure.Number = error.Number;
        try {
            failure.Description = error.Description;
        } catch (...) {  // no memory for the words: the number alone
        }
    } catch (...) {
        failure.Number = unspecified_error;
    }
    return -1;
}

std::int32_t escribir_valor_registro(std::uint32_t clave_raiz, const std::string& subclave,
                                     const std::string& nombre_valor, const std::string& valor,
                                     std::int32_t tipo_valor) noexcept {
    Error ignored;
    return escribir_valor_registro(clave_raiz, subclave, nombre_valor, valor, tipo_valor, ignored);
}

}  // namespace dorvane::modRegistro
