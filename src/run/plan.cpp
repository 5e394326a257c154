// The plan: the run's own walk, with nothing sent and nothing written.
#include "run/form1.h"
#include "run/settings.h"

namespace dorvane {

// The run would end where the log cannot be created (a read-only folder,
// another run holding it): the plan ends there too, with that error.
void Form1::planificar(const std::function<void(const std::string& linea)>& salida) {
    comprobar_fichero();
    fichero_log = std::make_unique<log::TextStream>(salida);
    for (const std::string& fuente : fuentes_de_datos) {
        salida("-- " + fuente);
        principal(fuente);
    }
    fichero_log.reset();
}

}  // namespace dorvane
