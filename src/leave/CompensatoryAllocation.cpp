#include "leave/CompensatoryAllocation.h"

#include <cstdlib>

#include "core/Convert.h"
#include "core/Text.h"
#include "leave/LeaveTerms.h"
#include "utils/DateUtils.h"

namespace humrs {

OvertimeReach::OvertimeReach(int date, int time, int term) : date_(date), time_(time) {
    if (term != 0) earliest_ = AddMonth(date, -term);
}

bool OvertimeReach::Admits(const RedeemableOvertime& o) const {
    if (!o.date) return false;
    const int64_t d = *o.date;
    const bool before = d < date_ && (!earliest_ || d >= *earliest_);
    const bool sameDay = d == date_ && o.endTime && *o.endTime <= time_;
    return before || sameDay;
}

std::string OvertimeReach::Condition() const {
    const std::string date = std::to_string(date_);
    const std::string sameDay =
        " Or (OverTimeDate = " + date + " And EndTime <= " + std::to_string(time_) + "))";
    if (earliest_)
        return " And ((OvertimeDate >= " + std::to_string(*earliest_) + " And OvertimeDate < " + date + ")" +
               sameDay;
    return " And ((OvertimeDate < " + date + ")" + sameDay;
}

// Each leave in turn takes its hours from the earliest overtime that still has free
// hours; need left when the overtime runs out is not carried anywhere.
void TakeLeaveFromOvertime(std::vector<RedeemableOvertime>& overtime,
                           const std::vector<CompensatoryNeed>& leaves, int term) {
    for (const CompensatoryNeed& leave : leaves) {
        double need = leave.hours;
        // A negative or empty leave uses nothing; it must not hand out overtime that
        // was never worked.
        if (need <= 0) continue;
        const OvertimeReach reach(leave, term);
        for (RedeemableOvertime& o : overtime) {
            if (o.excluded || !o.free || *o.free == 0 || !reach.Admits(o)) continue;
            const double free = RoundValue(*o.free, 2);
            const bool done = need <= free;
            double left = 0;
            if (done)
                left = free - need;
            else
                need -= free;
            // Stored as its decimal text reads, as any quantity written back.
            o.free = std::strtod(DecimalText(left).c_str(), nullptr);
            if (done) break;
        }
    }
}

RedeemSourceRows RowsOf(RedeemSource source) {
    switch (source) {
        case RedeemSource::LeaveByPerson:
            return {true, 1, false};
        case RedeemSource::LeaveByDate:
            return {true, 2, true};
        case RedeemSource::OvertimeByPerson:
            return {false, 1, false};
        case RedeemSource::OvertimeByDate:
            return {false, 3, true};
    }
    // A number no bill passes: leave rows below zero, overtime rows above, Flag 3.
    return {static_cast<int>(source) < 0, 3, false};
}

int RedeemSourceRows::countingKind() const {
    return leave ? Code(LeaveKind::Compensatory) : kRedeemableOvertimeType;
}

}  // namespace humrs
