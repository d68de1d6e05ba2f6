#pragma once
// User messages of the allowance and deduction bill (placeholders %s, %d).
#include "core/Message.h"

namespace humrs::msg {

// Save checks, in the order they run
inline constexpr Message kSubsidyPersonEmpty{"SubsidyPersonEmpty", "人员编号不能为空"};
inline constexpr Message kSubsidyPersonUnknown{"SubsidyPersonUnknown", "人员%s不存在"};
inline constexpr Message kSubsidyBankRequired{"SubsidyBankRequired", "薪资发放不为现金,薪资银行不可为空"};
inline constexpr Message kSubsidyTaxRateRange{"SubsidyTaxRateRange", "扣缴税率应在0~1之间"};
inline constexpr Message kSubsidyAmountZero{"SubsidyAmountZero", "加扣金额不能为零"};
inline constexpr Message kSubsidySalaryMonthEmpty{"SubsidySalaryMonthEmpty", "薪资年月不能为空"};
inline constexpr Message kSubsidyPayDateEmpty{"SubsidyPayDateEmpty", "薪资发放日不能为空"};
inline constexpr Message kSubsidyMonthOutsideEmployment{"SubsidyMonthOutsideEmployment", "薪资年月不能小于到职日期大于离职日期"};

// Field lookups
inline constexpr Message kSubsidyPersonOffJob{"SubsidyPersonOffJob", "%s人员不在职"};
inline constexpr Message kSubsidyBankNotOwned{"SubsidyBankNotOwned", "薪资银行%s不属该人员"};

}  // namespace humrs::msg
