// How many reports of one kind a run makes before it only counts them, so
// that a night where everything goes wrong cannot flood a log that other
// programs share: the first ten, then one that says how many more came.
#pragma once

#include <string>

namespace dorvane::os {

class ReportBound {
public:
    static constexpr int recorded = 10;

    // Counts one more report; whether it is among those to be made.
    bool take() noexcept { return ++seen_ <= recorded; }
    // How many were counted and not made.
    int held_back() const noexcept { return seen_ > recorded ? seen_ - recorded : 0; }

private:
    int seen_ = 0;
};

// The warning that counts the excess privileges that were not told.
inline std::string more_excess_privileges(int held_back) {
    return std::to_string(held_back) + " more excess privileges are not told here: dorvane --check lists them all";
}

}  // namespace dorvane::os
