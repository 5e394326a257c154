// A form wired to a fake database, a recording message box and registry
// writer, and a temporary program directory.
#pragma once

#include <string>
#include <vector>

#include "run/form1.h"
#include "support/fake_database.h"
#include "support/temp_dir.h"

namespace dorvane::testing {

struct FakeForm {
    FakeForm();

    std::string log() const { return read_bytes(dir / "dorvane.log"); }

    TempDir dir;
    FakeDatabase db;
    int connections_made = 0;
    // Each box's text, with the log as it stood when the box was shown.
    std::vector<std::pair<std::string, std::string>> boxes;
    std::vector<std::string> registry_writes;  // "key|name=value"
    Form1 form;
};

}  // namespace dorvane::testing
