#include "os/message_box.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <string>

#include "os/encoding.h"

namespace dorvane::os {

const char program_name[] = "dorvane";

void message_box(const std::string& text) {
    std::cerr << program_name << ": " << to_system_codepage(text) << '\n';
    if (isatty(STDIN_FILENO) && isatty(STDERR_FILENO)) {
        std::cerr << "[Intro] " << std::flush;
        std::string ignored;
        std::getline(std::cin, ignored);
    }
    std::cerr.flush();
}

void warn(const std::string& text) noexcept {
    try {
        std::cerr << program_name << ": warning: " << to_system_codepage(text) << std::endl;
    } catch (...) {  // a warning that cannot be written is not worth the run
    }
}

void tell_summary(const std::string& text) noexcept {
    try {
        std::cout << to_system_codepage(text) << std::flush;
    } catch (...) {  // the run is over; its status stands
    }
}

void end_reports(const std::function<std::string()>&) {}

void show_fatal_error(const Error& error) {
    std::cerr << program_name << ": error " << error.Number << ": "
              << to_system_codepage(error.Description) << std::endl;
}

}  // namespace dorvane::os
