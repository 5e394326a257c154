// Editing one entry of an INI-style settings file (odbc.ini) while every
// other byte of it stays as it was.
#pragma once

#include <optional>
#include <string>

namespace dorvane::modRegistro {

// What an odbc.ini line can hold so that it reads back as written: a
// section or entry name without line breaks, NUL, "=", brackets, comment
// marks or blanks at its ends; a value without line breaks, NUL or blanks
// at its ends (readers trim them).
bool storable_name(const std::string& name);
bool storable_value(const std::string& value);

// True when `content` has a section named `section` (any letter case).
bool has_section(const std::string& content, const std::string& section);

// `content` with the entry `name` of `section` set to `value`: an existing
// entry keeps its line, spacing and line end and only its value changes; a
// missing one is added after the section's last entry. Section and entry
// names compare without regard to letter case; where a section appears
// twice, its first appearance is edited, as it is the one that is read.
// Empty when the section does not exist.
// `name` and `value` must be storable.
std::optional<std::string> set_ini_value(const std::string& content, const std::string& section,
                                         const std::string& name, const std::string& value);

}  // namespace dorvane::modRegistro
