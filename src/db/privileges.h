// The privileges that the program resets: who, on what, and the exact SQL
// that does it.
#pragma once

#include <string>

namespace dorvane::db {

// The user whose privileges are reset on every table.
inline const std::string read_only_user = "userSQL";
// The schema whose tables that user may read.
inline const std::string public_schema = "PUB";
// The database's catalogue of user tables.
inline const std::string catalogue_query = "select * from sysprogress.systables where id > 0";

// A name as a delimited identifier: inside double quotes, each double quote
// doubled, so that no name can end the identifier early.
std::string quoted_identifier(const std::string& name);
// A text as a string literal: inside apostrophes, each apostrophe doubled.
std::string quoted_literal(const std::string& text);

// Revoke all on "owner"."table" from 'user'
std::string revoke_statement(const std::string& propietario, const std::string& tabla,
                             const std::string& usuario);
// grant select on "owner"."table" to 'user'
std::string grant_statement(const std::string& propietario, const std::string& tabla,
                            const std::string& usuario);

// The context of a failed statement's log line: data source, owner, table.
std::string statement_context(const std::string& bd, const std::string& propietario,
                              const std::string& tabla);

}  // namespace dorvane::db
