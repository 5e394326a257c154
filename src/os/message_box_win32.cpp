#include "os/message_box.h"

#include <windows.h>

#include <string>

#include "os/encoding.h"

namespace dorvane::os {

const char program_name[] = "dorvane";

void message_box(const std::string& text) {
    MessageBoxA(nullptr, to_system_codepage(text).c_str(), program_name, MB_OK);
}

void show_fatal_error(const Error& error) {
    const std::string text = "Error " + std::to_string(error.Number) + ": " + error.Description;
    MessageBoxA(nullptr, to_system_codepage(text).c_str(), program_name, MB_OK | MB_ICONERROR);
}

}  // namespace dorvane::os
