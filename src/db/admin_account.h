// The account that the program connects as: the database administrator's,
// fixed when the program is built. Its values are the build's (CMake's
// DORVANE_ADMIN_USER and DORVANE_ADMIN_PASSWORD, "sysprogress" and
// "507316" unless a site sets its own); nothing is read at run time, so
// the program's file holds the password.
#pragma once

namespace dorvane::db {

extern const char admin_user[];
extern const char admin_password[];

}  // namespace dorvane::db
