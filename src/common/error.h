// The current error: what every failing operation raises, and what the
// error handlers read back.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <utility>

namespace dorvane {

// The number given to a failure whose source reports none (E_FAIL).
constexpr std::int32_t unspecified_error = -2147467259;

// Visual Basic's number for a null value used where text is needed.
constexpr std::int32_t invalid_use_of_null = 94;

// A failure with its number and description. It travels as a C++ exception;
// a handler that stores it as the form's current error keeps it for
// whoever reports it next.
class Error : public std::exception {
public:
    Error() = default;
    // A failure never reads as number 0, whatever its source reported.
    Error(std::int32_t number, std::string description)
        : Number(number != 0 ? number : unspecified_error),
          Description(std::move(description)) {}

    const char* what() const noexcept override { return Description.c_str(); }

    // True when no failure is recorded.
    bool empty() const { return Number == 0; }
    void Clear() { *this = Error(); }

    std::int32_t Number = 0;
    std::string Description;
};

// "error N: description", as the program's messages tell a failure.
inline std::string error_text(const Error& error) {
    return "error " + std::to_string(error.Number) + ": " + error.Description;
}

// Runs `step` and records its failure in `err` instead of letting it leave:
// the "resume with the next statement, then test the number" stance. Only
// this program's own errors are resumed; anything else still travels.
template <typename Step>
void resume_next(Error& err, Step&& step) {
    try {
        step();
    } catch (const Error& e) {
        err = e;
    }
}

}  // namespace dorvane
