// Text that a driver wrote into a buffer.
#include "db/odbc_text.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace dorvane::db
