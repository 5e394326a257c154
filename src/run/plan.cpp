// The plan: the run's own walk, with nothing sent and nothing written.
#include "run/form1.h"
#include "run/settings.h"

namespace dorvane {

// The run would end where the log cannot be created (a read-only folder,
// another run holding it): the plan ends there too, with that error.
void Form1::print_plan(const std::function<void(const std::string& line)>& output) {
    check_log_creatable();
    fichero_log = std::make_unique<log::TextStream>(output);
    for (const std::string& data_source : data_source_names) {
        output("-- " + data_source);
        principal(data_source);
    }
    fichero_log.reset();
}

}  // namespace dorvane
