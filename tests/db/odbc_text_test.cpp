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

// A value's length: the reported one only where the terminator bears it
// out. A driver that counts characters would otherwise cut "clientes" to
// "clie", and one that says SQL_NO_TOTAL of a piece that fits would pad it
// with whatever the buffer held after the terminator.
TEST(OdbcText, AValueIsAsLongAsItsTerminatorSays) {
    const SQLWCHAR value[12] = {'c', 'l', 'i', 'e', 'n', 't', 'e', 's', 0, 'x', 'x', 0};
    EXPECT_EQ(written_length(value, 11, 8 * sizeof(SQLWCHAR)), 8u);  // counted in bytes
    EXPECT_EQ(written_length(value, 11, 8), 8u);                      // counted in characters
    EXPECT_EQ(written_length(value, 11, SQL_NO_TOTAL), 8u);
    EXPECT_EQ(written_length(value, 8, SQL_NO_TOTAL), 8u);  // a full buffer: the value may go on
    const SQLWCHAR empty[4] = {0, 'x', 'x', 0};
    EXPECT_EQ(written_length(empty, 3, 0), 0u);
}

}  // namespace
}  // namespace dorvane::db
