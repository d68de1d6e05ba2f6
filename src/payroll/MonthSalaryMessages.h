#pragma once
// User messages of the monthly salary voucher (placeholders %s, %d).
#include "core/Message.h"

namespace humrs::msg {

// What a stored voucher must carry, under every login type
inline constexpr Message kSalaryPersonEmpty{"SalaryPersonEmpty", "人员编号不能为空"};
inline constexpr Message kSalaryPersonUnknown{"SalaryPersonUnknown", "人员%s不存在"};
inline constexpr Message kSalaryMonthEmpty{"SalaryMonthEmpty", "薪资年月不能为空"};

// Save checks, in the order they run; the person lookup raises the first one too
inline constexpr Message kSalaryPersonOffJob{"SalaryPersonOffJob", "%s人员不在职!"};
inline constexpr Message kSalaryVoucherDuplicate{"SalaryVoucherDuplicate", "人员%s于该月已有一张薪资凭单，不能重复!"};
inline constexpr Message kSalaryBankSplitMismatch{"SalaryBankSplitMismatch", "帐号总金额不等于银行金额"};

}  // namespace humrs::msg
