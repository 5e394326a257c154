#include "registry/mod_registro.h"
#include "run/form1.h"
#include "run/settings.h"

namespace dorvane {

// No error is caught here: whatever fails ends the run where it happens,
// so the later steps (the closing line, the settings after the work) only
// run when everything before them did.
void Form1::Form_Load() {
    for (const std::string& fuente : fuentes_de_datos) {
        for (const Ajuste& ajuste : ajustes_antes) {
            seams_.escribir_valor_registro(modRegistro::hkey_local_machine, clave_fuente(fuente),
                                           ajuste.nombre, ajuste.valor, modRegistro::reg_sz);
        }
    }

    crear_fichero();
    if (seams_.run_started) seams_.run_started();
    for (const std::string& fuente : fuentes_de_datos) principal(fuente);
    fichero_log->WriteLine("Programa finalizado.");
    cerrar_fichero();

    for (const std::string& fuente : fuentes_de_datos) {
        seams_.escribir_valor_registro(modRegistro::hkey_local_machine, clave_fuente(fuente),
                                       ajuste_despues.nombre, ajuste_despues.valor,
                                       modRegistro::reg_sz);
    }
}

}  // namespace dorvane
