#pragma once
// Compensatory leave taken from free overtime hours, on rows held in memory: each leave
// in turn, oldest first, takes its hours from the earliest redeemable overtime that
// still has free hours. Which overtime a leave may take from is decided here, once,
// both for the rows in memory and for the balance read from the database.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/Variant.h"
#include "suite/SuiteCalls.h"

namespace humrs {

// HumOverTime.RedeemType of overtime that may be taken back as compensatory leave.
inline constexpr int kRedeemableOvertimeType = 1;

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

// The overtime a leave beginning at (date, time) may take hours from: overtime worked
// before the leave's date (within the term of months before it when there is one), or
// earlier on the leave's own date when it had ended by the leave's begin.
class OvertimeReach {
public:
    OvertimeReach(int date, int time, int term);
    OvertimeReach(const CompensatoryNeed& leave, int term) : OvertimeReach(leave.date, leave.time, term) {}
    bool Admits(const RedeemableOvertime& o) const;
    // The same rule on HumOverTime's rows, as a condition to append to a Where clause.
    std::string Condition() const;

private:
    int date_, time_;
    std::optional<int> earliest_;  // first day within the term
};

// Takes each leave's hours from `overtime` (in the order leave is taken from it) within
// the term of months (0: no term); need left when the overtime runs out is dropped.
void TakeLeaveFromOvertime(std::vector<RedeemableOvertime>& overtime,
                           const std::vector<CompensatoryNeed>& leaves, int term);

// How the rows of a source take part in the compensatory accounting.
struct RedeemSourceRows {
    bool leave;   // leave rows (humExcuse); otherwise overtime rows (HumOverTime)
    int flag;     // the rows' Flag in their table
    bool byDate;  // rows numbered within a bill by date (RowNo)
    const char* kindField() const { return leave ? "ExcuseCls" : "RedeemType"; }
    int countingKind() const;  // the value of kindField() of the rows that count
};
RedeemSourceRows RowsOf(RedeemSource source);

// The rows of one bill a rebuild leaves out, so that a change to that bill is weighed
// without it; by default none.
struct LeftOutRows {
    enum class Table { None, Leave, Overtime } table = Table::None;
    int flag = 0;
    std::string billNo;
    std::optional<int> rowNo;  // leave rows only: just this row of the bill
};

}  // namespace humrs
