#include "db/recordset.h"

#include <utility>

#include "common/same_name.h"

namespace dorvane::db {
namespace {

Error closed() { return Error(3704, "Operation is not allowed when the object is closed."); }
Error at_end() {
    return Error(3021, "Either BOF or EOF is True, or the current record has been deleted.");
}

}  // namespace

std::string as_text(const FieldValue& value) {
    if (!value) throw Error(invalid_use_of_null, "Invalid use of Null");
    return *value;
}

Recordset::Recordset(Cursor& cursor, std::vector<std::string> columns,
                     std::shared_ptr<const std::optional<Error>> link_failure)
    : columns_(std::move(columns)), link_failure_(std::move(link_failure)) {
    for (std::size_t k = 0; k < columns_.size(); ++k) present_.push_back(cursor.has_column(k));
    std::vector<FieldValue> row;
    try {
        while (cursor.fetch(row)) {
            for (FieldValue& value : row) values_.push_back(std::move(value));
            ++rows_;
        }
    } catch (const Error& e) {
        failure_ = e;
    }
    cursor.close();
    if (rows_ == 0 && failure_) throw *failure_;
}

// Past its last row, a recordset whose reading failed has only that
// failure to give.
void Recordset::refuse_if_unreadable() const {
    if (!open_) throw closed();
    if (position_ >= rows_ && failure_) throw *failure_;
    if (eof()) throw at_end();
}

FieldValue Recordset::field(const std::string& name) const {
    refuse_if_unreadable();
    for (std::size_t k = 0; k < columns_.size(); ++k) {
        if (present_[k] && same_name(columns_[k], name)) return values_[position_ * columns_.size() + k];
    }
    throw Error(3265, "Item cannot be found in the collection corresponding to the requested name or ordinal.");
}

bool Recordset::has_field(const std::string& name) const {
    for (std::size_t k = 0; k < columns_.size(); ++k)
        if (present_[k] && same_name(columns_[k], name)) return true;
    return false;
}

void Recordset::MoveNext() {
    refuse_if_unreadable();
    // The rows are in memory; a cursor on a lost connection must still not
    // move on as if nothing had happened.
    if (link_failure_ && *link_failure_) throw **link_failure_;
    if (++position_ < rows_ || !failure_) return;
    throw *failure_;
}

void Recordset::Close() {
    if (!open_) throw closed();
    open_ = false;
    values_.clear();
    values_.shrink_to_fit();
}

}  // namespace dorvane::db
