#pragma once
// Compensatory leave taken from free overtime hours, on rows held in memory: each leave
// in turn, oldest first, takes its hours from the earliest redeemable overtime that
// still has free hours.
#include <cstdint>
#include <optional>
#include <vector>

#include "core/Variant.h"

namespace humrs {

struct RedeemableOvertime {
    Variant flag, billNo, rowNo;
    std::optional<int64_t> date, endTime;
    std::optional<double> stored;  // free hours as stored now
    std::optional<double> free;    // free hours as the rebuild leaves them (worked hours to begin with)
    bool excluded = false;         // the bill being changed: reset, but nothing taken from it
};

struct CompensatoryNeed {
    int date = 0, time = 0;
    double hours = 0;  // rounded to two decimals
};

// Takes each leave's hours from `overtime` (in the order leave is taken from it) within
// the term of months (0: no term); need left when the overtime runs out is dropped.
void TakeLeaveFromOvertime(std::vector<RedeemableOvertime>& overtime, const std::vector<CompensatoryNeed>& leaves,
                           int term);

}  // namespace humrs
