// Text that a driver wrote into a buffer.
#include "db/odbc_text.h"

#include <gtest/gtest.h>
#include <sql.h>
#include <sqlext.h>

namespace dorvane::db {
namespace {

// Drivers count a name's length in bytes or in characters: halving a count
// of characters would cut "owner" to "ow", and the column would never be
// found. The text ends at its terminator instead.
TEST(OdbcText, ATextEndsAtItsTerminatorWhateverLengthWasReported) {
    const SQLWCHAR name[8] = {'o', 'w', 'n', 'e', 'r', 0, 'x', 'x'};
    EXPECT_EQ(from_terminated_sqlwchar(name, 8), "owner");
    const SQLWCHAR unterminated[3] = {'a', 'b', 'c'};  // the last place is the terminator's
    EXPECT_EQ(from_terminated_sqlwchar(unterminated, 3), "ab");
}

// A value ends at its first terminator, whatever its driver reported: a
// count in characters would cut "clientes" to "clie"; and a buffer kept
// from row to row holds stale bytes and stale terminators after it, where
// a length that counts the terminator, or the UTF-8 bytes of "año", would
// find one and give the name a NUL at its end.
TEST(OdbcText, AValueEndsAtItsFirstTerminator) {
    const SQLWCHAR value[12] = {'c', 'l', 'i', 'e', 'n', 't', 'e', 's', 0, 0, 'x', 0};
    EXPECT_EQ(written_length(value, 11), 8u);  // not 9, where "the terminator counted" points
    const SQLWCHAR year[8] = {'a', u'\u00f1', 'o', 0, 0, 'x', 'x', 0};
    EXPECT_EQ(written_length(year, 7), 3u);  // not 4, the UTF-8 bytes of "año"
    EXPECT_EQ(written_length(value, 8), 8u);  // a full buffer: the value may go on
    const SQLWCHAR empty[4] = {0, 'x', 'x', 0};
    EXPECT_EQ(written_length(empty, 3), 0u);
}

}  // namespace
}  // namespace dorvane::db
