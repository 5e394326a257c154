// A line of the plan as an administrator reads it: nothing in a name can
// make it look like another line, move the cursor or hide a character.
#pragma once

#include <functional>
#include <string>

namespace dorvane {

// The mark before a line that holds escapes. It makes the line a comment:
// pasted as SQL, it runs nothing.
extern const char escapes_mark[];

// Whether `c` is always written as an escape: control characters (C0, DEL,
// C1), line and paragraph separators, Unicode's format characters (the
// invisible ones that hide, join or reorder text, the bidirectional
// controls among them), and a surrogate without its pair.
bool is_escaped(char32_t c);

// `line` (UTF-8) with every character that could forge what is read
// written as an escape, \u{XX} with its code point in hex: those of
// is_escaped, and each character for which `representable` is false (the
// output's encoding cannot carry it). A line
// with escapes starts with the mark, and its backslashes are doubled, so
// that an escape is never taken for a name's own text. Any other line is
// returned as it is.
std::string plan_line(const std::string& line, const std::function<bool(char32_t)>& representable);

}  // namespace dorvane
