// Text across the wide ODBC entry points: UTF-8 inside, UTF-16 SQLWCHAR
// outside, on every platform.
#pragma once

#ifdef _WIN32
#include <windows.h>
#endif
#include <sqltypes.h>

#include <algorithm>
#include <string>
#include <string_view>

#include "os/utf16.h"

namespace dorvane::db {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "the wide ODBC calls must take UTF-16");

// A NUL-terminated UTF-16 copy of a text, for the duration of one call.
// Assigning a new text reuses the storage of the last one.
class WideText {
public:
    WideText() = default;
    explicit WideText(std::string_view text) { assign(text); }
    WideText& assign(std::string_view text) {
        os::utf8_to_utf16(text, wide_);
        return *this;
    }
    SQLWCHAR* get() { return reinterpret_cast<SQLWCHAR*>(wide_.data()); }
    // In characters; passed along with the text so that nothing is cut at
    // an embedded NUL.
    SQLINTEGER length() const { return static_cast<SQLINTEGER>(wide_.size()); }

private:
    std::u16string wide_;
};

inline std::string from_sqlwchar(const SQLWCHAR* text, std::size_t length) {
    return os::utf16_to_utf8(std::u16string_view(reinterpret_cast<const char16_t*>(text), length));
}

// Where the terminator sits among the first `capacity` characters of
// `buffer`; `capacity` when it is not among them.
inline std::size_t terminated_length(const SQLWCHAR* buffer, std::size_t capacity) {
    return static_cast<std::size_t>(std::find(buffer, buffer + capacity, SQLWCHAR{0}) - buffer);
}

// The text that a driver wrote into a buffer of `capacity` characters, up
// to its terminator, whatever length the driver reported: some count it in
// bytes, others in characters. Without a terminator, the buffer's last
// place is taken for one.
inline std::string from_terminated_sqlwchar(const SQLWCHAR* buffer, std::size_t capacity) {
    return from_sqlwchar(buffer, terminated_length(buffer, capacity > 0 ? capacity - 1 : 0));
}

// How many characters of a value a driver wrote into `buffer`, which holds
// `capacity` of them and a terminator: up to its first terminator, or
// `capacity` when the buffer is full. The length that the driver reports
// is not taken, not even where a terminator sits at that place: drivers
// count in bytes or in characters, some count the terminator too, some
// count the UTF-8 bytes of text of several bytes a character, and a buffer
// that keeps an earlier row's bytes may hold a terminator anywhere. An
// over-reported length would give "clientes" a NUL at its end, and every
// statement would name a table that does not exist.
inline std::size_t written_length(const SQLWCHAR* buffer, std::size_t capacity) {
    return terminated_length(buffer, capacity);
}

}  // namespace dorvane::db
