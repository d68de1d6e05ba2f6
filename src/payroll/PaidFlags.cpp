#include "payroll/PaidFlags.h"

namespace humrs {

bool RowCountsAsPaid(int payWay, bool cashPaid, bool bankPaid) {
    switch (payWay) {
        case pay_way::kBank:
        case pay_way::kCash: return cashPaid || bankPaid;
        case pay_way::kSplit: return cashPaid && bankPaid;
        default: return false;
    }
}

}  // namespace humrs
