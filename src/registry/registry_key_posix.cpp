// On POSIX, the data sources' keys are sections of unixODBC's odbc.ini:
// "SOFTWARE\ODBC\ODBC.INI\<data source>" under HKEY_LOCAL_MACHINE is the
// section of the system file, under HKEY_CURRENT_USER that of the user's.
// Every other key does not exist.
#include "registry/registry_key.h"

#include "common/error.h"
#include "common/same_name.h"
#include "registry/atomic_file.h"
#include "registry/ini_file.h"
#include "registry/mod_registro.h"
#include "registry/odbc_ini_location.h"

namespace dorvane::modRegistro {

struct RegistryKey::State {
    std::string file;
    std::string section;
};

namespace {

constexpr std::int32_t invalid_data = 13;   // ERROR_INVALID_DATA

Error no_such_key() { return Error(error_file_not_found, "The system cannot find the file specified."); }

}  // namespace

RegistryKey RegistryKey::open(std::uint32_t clave_raiz, const std::string& subclave) {
    const std::string prefix = "SOFTWARE\\ODBC\\ODBC.INI\\";
    if (!same_name(std::string_view(subclave).substr(0, prefix.size()), prefix)) throw no_such_key();
    const std::string section = subclave.substr(prefix.size());
    if (!storable_name(section) || section.find('\\') != std::string::npos) throw no_such_key();

    std::string file;
    if (clave_raiz == hkey_local_machine) {
        file = system_odbc_ini();
    } else if (clave_raiz == hkey_current_user) {
        file = user_odbc_ini();
    } else {
        throw no_such_key();
    }
    // A missing file or section is a missing key. Whether this process may
    // replace the file shows when the value is written.
    if (!has_section(read_file(file), section)) throw no_such_key();

    return RegistryKey(std::make_unique<State>(State{file, section}));
}

RegistryKey::RegistryKey(std::unique_ptr<State> state) : state_(std::move(state)) {}
RegistryKey::RegistryKey(RegistryKey&&) noexcept = default;
RegistryKey::~RegistryKey() = default;

void RegistryKey::set_value(const std::string& nombre_valor, std::int32_t tipo_valor,
                            const ValueBytes& data) {
    const std::string text = value_as_text(data, tipo_valor);
    if (!storable_name(nombre_valor) || !storable_value(text)) throw Error(invalid_data, "The data is invalid.");
    // A value already set leaves the file alone.
    rewrite_file(state_->file, [&](const std::string& content) {
        const auto edited = set_ini_value(content, state_->section, nombre_valor, text);
        if (!edited) throw no_such_key();  // the section went away since the key was opened
        return *edited;
    });
}

}  // namespace dorvane::modRegistro
