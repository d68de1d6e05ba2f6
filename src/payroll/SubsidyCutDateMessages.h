#pragma once
// User messages of the allowance and deduction bill by salary item (placeholders %s,
// %d). The salary month, pay date and tax rate checks say the same as on the bill of
// one person and use its messages.
#include "core/Message.h"

namespace humrs::msg {

// Save checks, in the order they run on each row
inline constexpr Message kSubsidyDateBankRequired{"SubsidyDateBankRequired", "人员%s薪资发放不为现金,薪资银行不可为空"};
inline constexpr Message kSubsidyDateAmountZero{"SubsidyDateAmountZero", "金额不能为零"};
inline constexpr Message kSubsidyDateInvalid{"SubsidyDateInvalid", "日期不合法"};
inline constexpr Message kSubsidyDateMonthOutsideEmployment{"SubsidyDateMonthOutsideEmployment", "人员薪资年月不能小于到职日期大于离职日期"};

// Field lookups
inline constexpr Message kSubsidyDateBankNotOwned{"SubsidyDateBankNotOwned", "薪资银行%s不属于该人员%s"};

// Payment marking
inline constexpr Message kSubsidyDateRowNotFound{"SubsidyDateRowNotFound", "单据%s中找不到人员%s的第%d行"};

}  // namespace humrs::msg
