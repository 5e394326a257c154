#include "db/privileges.h"

#include "db/connection_string.h"

#include <gtest/gtest.h>

namespace dorvane::db {
namespace {

TEST(PrivilegeStatements, PlainNamesGiveTheStatementsByteForByte) {
    EXPECT_EQ(revoke_statement("PUB", "clientes", "userSQL"), "Revoke all on \"PUB\".\"clientes\" from 'userSQL'");
    EXPECT_EQ(grant_statement("PUB", "clientes", "userSQL"), "grant select on \"PUB\".\"clientes\" to 'userSQL'");
    // Blanks, hyphens and full stops stay inside their quotes as received.
    EXPECT_EQ(revoke_statement(" a.b ", "x-y z", "u"), "Revoke all on \" a.b \".\"x-y z\" from 'u'");
}

TEST(PrivilegeStatements, QuotesInsideNamesAreDoubledSoNoNameCanEndItsQuotes) {
    EXPECT_EQ(grant_statement("PUB", "x\" to 'someone' -- ", "userSQL"),
              "grant select on \"PUB\".\"x\"\" to 'someone' -- \" to 'userSQL'");
    EXPECT_EQ(revoke_statement("o\"", "\"", "it's"), "Revoke all on \"o\"\"\".\"\"\"\" from 'it''s'");
    // An apostrophe inside a quoted name needs nothing; a double quote
    // inside the user literal needs nothing.
    EXPECT_EQ(quoted_identifier("it's"), "\"it's\"");
    EXPECT_EQ(quoted_literal("a\"b"), "'a\"b'");
}

TEST(PrivilegeStatements, ErrorContextJoinsWithFullStops) {
    EXPECT_EQ(statement_context("VistasQuendar", "PUB", "t"), "VistasQuendar.PUB.t");
    EXPECT_EQ(statement_context("", "", ""), "..");
}

// A site's own account may hold what would end a connection string's value
// or open another attribute: it travels between braces, whole.
TEST(ConnectionString, AValueThatWouldEndItsAttributeTravelsBetweenBraces) {
    EXPECT_EQ(attribute_value("sysprogress"), "sysprogress");
    EXPECT_EQ(attribute_value("Otra.123"), "Otra.123");
    EXPECT_EQ(attribute_value("a;DSN=other"), "{a;DSN=other}");
    EXPECT_EQ(attribute_value("x}y{"), "{x}}y{}");
    EXPECT_EQ(attribute_value(" pad "), "{ pad }");
}

}  // namespace
}  // namespace dorvane::db
