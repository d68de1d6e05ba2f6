#include "payroll/PaidFlags.h"

#include "core/Convert.h"

namespace humrs {

bool RowCountsAsPaid(int payWay, bool cashPaid, bool bankPaid) {
    switch (payWay) {
        case pay_way::kBank:
        case pay_way::kCash: return cashPaid || bankPaid;
        case pay_way::kSplit: return cashPaid && bankPaid;
        default: return false;
    }
}

bool BillCountsAsPaid(int64_t rows, int64_t paidRows) { return rows > 0 && paidRows == rows; }

void RecountBillPaid(TQVXDBAccess& db, const std::string& countHead, const std::string& payWayColumn,
                     const std::string& headerUpdate, const std::string& headerWhere) {
    auto count = [&](const std::string& tail) { return CInt(db.DBSelectSQL(countHead + tail)); };
    const auto single = count(" And " + payWayColumn + " In (0,1) And (CashPaid = 1 Or BankPaid = 1)");
    const auto split = count(" And " + payWayColumn + " = 2 And CashPaid = 1 And BankPaid = 1");
    const auto all = count("");
    db.DBExecSQL(headerUpdate + (BillCountsAsPaid(all, single + split) ? "1" : "0") + headerWhere);
}

}  // namespace humrs
