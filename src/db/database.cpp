#include "db/database.h"

#include "common/error.h"

namespace dorvane::db {

std::string as_text(const FieldValue& value) {
    if (!value) throw Error(invalid_use_of_null, "Invalid use of Null");
    return *value;
}

}  // namespace dorvane::db
