#include "registry/registry_key.h"

#include <windows.h>

#include "common/error.h"
#include "os/encoding.h"

namespace dorvane::modRegistro {

struct RegistryKey::State {
    HKEY key = nullptr;
    ~State() {
        if (key != nullptr) RegCloseKey(key);
    }
};

namespace {

// Registry calls return their status rather than setting the last error.
Error registry_error(LSTATUS status) {
    return Error(static_cast<std::int32_t>(status), "Registry error " + std::to_string(status));
}

// A predefined key's handle is its 32-bit value, sign-extended.
HKEY root_handle(std::uint32_t clave_raiz) {
    return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(clave_raiz)));
}

}  // namespace

RegistryKey RegistryKey::open(std::uint32_t clave_raiz, const std::string& subclave) {
    auto state = std::make_unique<State>();
    const LSTATUS status = RegOpenKeyExA(root_handle(clave_raiz), os::to_system_codepage(subclave).c_str(),
                                         0, KEY_ALL_ACCESS, &state->key);
    if (status != ERROR_SUCCESS) {
        state->key = nullptr;
        throw registry_error(status);
    }
    return RegistryKey(std::move(state));
}

RegistryKey::RegistryKey(std::unique_ptr<State> state) : state_(std::move(state)) {}
RegistryKey::RegistryKey(RegistryKey&&) noexcept = default;
RegistryKey::~RegistryKey() = default;

void RegistryKey::set_value(const std::string& nombre_valor, std::int32_t tipo_valor,
                            const ValueBytes& data) {
    const LSTATUS status = RegSetValueExA(state_->key, os::to_system_codepage(nombre_valor).c_str(), 0,
                                          static_cast<DWORD>(tipo_valor), data.data(),
                                          static_cast<DWORD>(data.size()));
    if (status != ERROR_SUCCESS) throw registry_error(status);
}

}  // namespace dorvane::modRegistro
