// What the read-only user can still do on a database once the walk is over,
// read from the database's own privilege catalogues, and which of it is
// more than the run means it to have: SELECT on the public schema's tables
// that the walk went through, and nothing else.
#pragma once

#include <unordered_map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "db/database.h"

namespace dorvane::db {

// The catalogues' queries: the rows of the read-only user and of PUBLIC
// only, whatever the letter case that the catalogue stores their names in.
extern const std::string table_privileges_query;
extern const std::string column_privileges_query;
extern const std::string authorities_query;

// A privilege flag of the catalogues. Only what plainly says "not held"
// reads so (NULL, empty, blanks, n, N); a g or G is held with the right to
// grant it; anything else is held.
enum class Flag { not_held, held, grantable };
Flag read_flag(const FieldValue& value);

// The tables that a walk went through, by owner and name (ASCII letters
// compared without regard to case, as the catalogue's names are). Adding
// costs a copy of the names: the walk adds every table, and the first
// lookup, made only for a privilege that the server sent, indexes them.
class WalkedTables {
public:
    void add(const std::string& owner, const std::string& table) { tables_.emplace_back(owner, table); }

    enum class Standing { not_walked, granted, walked };
    // `granted` when the walk granted SELECT on every table of that name
    // (the public schema's), `walked` when it walked one it did not grant.
    Standing standing(const std::string& owner, const std::string& table) const;

private:
    std::vector<std::pair<std::string, std::string>> tables_;
    // By folded names: whether every such table is PUB's. Made at the first
    // lookup, from the tables added since.
    mutable std::unordered_map<std::string, bool> granted_;
    mutable std::size_t indexed_ = 0;
};

// One privilege or authority that the user or PUBLIC holds.
struct HeldPrivilege {
    std::string grantee;  // as the catalogue stores it
    std::string grantor;  // empty when not recorded, and for an authority
    std::string owner, table;  // empty for an authority
    std::optional<std::string> column;
    std::string privilege;  // SELECT, INSERT, ... or DBA, RESOURCE
    bool authority = false;
    bool grantable = false;
    bool excess = false;  // more than the run means the user to have
    std::string removal;  // for an excess one: the revoke that takes it away
};

// What to read: everything that the two grantees hold, or only what may be
// more than the run means, leaving on the server the table privileges that
// are exactly SELECT on a table of PUB (thousands, in a large catalogue).
enum class Reading { everything, what_may_be_excess };

// What the read-only user and PUBLIC hold on the database open on
// `connection`, each marked excess or not against the tables of the walk.
// Raises an Error when a catalogue cannot be read.
std::vector<HeldPrivilege> read_held_privileges(Connection& connection, const WalkedTables& walked,
                                                Reading reading);

// "INSERT on "PUB"."t", held by PUBLIC, granted by G", as an administrator
// reads it; for an excess one, and what would remove it.
std::string describe(const HeldPrivilege& held);

}  // namespace dorvane::db
