#pragma once
// Whether a payroll row has been paid out, shared by every bill that pays in cash,
// through a bank or both (allowances and deductions, advance payments).
#include <cstdint>
#include <string>

#include "framework/ComBase.h"

namespace humrs {

// The payment way of a row (HumSubsidyCut.PayType, humAdvPaySub.SalaryType).
namespace pay_way {
inline constexpr int kBank = 0;   // bank only
inline constexpr int kCash = 1;   // cash only
inline constexpr int kSplit = 2;  // part cash, part bank
}  // namespace pay_way

// A row paid one way counts as paid out when its cash or its bank part is marked
// paid; a split row only when both parts are. A row of any other payment way never
// counts as paid.
bool RowCountsAsPaid(int payWay, bool cashPaid, bool bankPaid);

// A bill header is paid out (PIsTran 1) exactly when it has rows and every one of
// them counts as paid: a bill without rows has paid nothing out.
bool BillCountsAsPaid(int64_t rows, int64_t paidRows);

// Recounts a bill's rows in the database and sets its header's PIsTran by that rule.
// countHead selects the count of the bill's rows ("Select Count(*) From <rows> Where
// ... BillNo = '<bill>'"), payWayColumn names the rows' payment way column, and
// headerUpdate + "1"/"0" + headerWhere is the statement that writes the header.
void RecountBillPaid(TQVXDBAccess& db, const std::string& countHead, const std::string& payWayColumn,
                     const std::string& headerUpdate, const std::string& headerWhere);

}  // namespace humrs
