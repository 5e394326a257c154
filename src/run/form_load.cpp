#include "registry/mod_registro.h"
#include "run/form1.h"
#include "run/settings.h"

namespace dorvane {

// No error is caught here: whatever fails ends the run where it happens,
// so the later steps (the closing line, the settings after the work) only
// run when everything before them did.
void Form1::Form_Load() {
    for (const std::string& data_source : data_source_names) {
        for (const Setting& setting : settings_before) {
            seams_.escribir_valor_registro(modRegistro::hkey_local_machine, data_source_key(data_source),
                                           setting.name, setting.value, modRegistro::reg_sz);
        }
    }

    crear_fichero();
    if (seams_.run_started) seams_.run_started();
    for (const std::string& data_source : data_source_names) principal(data_source);
    fichero_log->WriteLine("Programa finalizado.");
    cerrar_fichero();

    for (const std::string& data_source : data_source_names) {
        seams_.escribir_valor_registro(modRegistro::hkey_local_machine, data_source_key(data_source),
                                       setting_after.name, setting_after.value,
                                       modRegistro::reg_sz);
    }
}

}  // namespace dorvane
