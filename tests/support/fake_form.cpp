#include "support/fake_form.h"

namespace dorvane::testing {
namespace {

Form1Seams fake_seams(FakeForm& f) {
    Form1Seams seams;
    seams.new_connection = [&f] {
        ++f.connections_made;
        return f.db.connect();
    };
    seams.message_box = [&f](const std::string& text) {
        f.boxes.emplace_back(text, read_bytes(f.dir / "dorvane.log"));
    };
    seams.program_directory = [&f] { return f.dir.path(); };
    seams.escribir_valor_registro = [&f](std::uint32_t, const std::string& key, const std::string& name,
                                         const std::string& value, std::int32_t) {
        f.registry_writes.push_back(key + "|" + name + "=" + value);
        return 0;
    };
    return seams;
}

}  // namespace

FakeForm::FakeForm() : form(fake_seams(*this)) {}

}  // namespace dorvane::testing
