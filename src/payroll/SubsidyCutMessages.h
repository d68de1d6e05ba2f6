#pragma once
// User messages of the allowance and deduction bill (placeholders %s, %d).
namespace humrs::msg {

// Save checks, in the order they run
inline constexpr const char* kSubsidyPersonEmpty = "人员编号不能为空";
inline constexpr const char* kSubsidyPersonUnknown = "人员%s不存在";
inline constexpr const char* kSubsidyBankRequired = "薪资发放不为现金,薪资银行不可为空";
inline constexpr const char* kSubsidyTaxRateRange = "扣缴税率应在0~1之间";
inline constexpr const char* kSubsidyAmountZero = "加扣金额不能为零";
inline constexpr const char* kSubsidySalaryMonthEmpty = "薪资年月不能为空";
inline constexpr const char* kSubsidyPayDateEmpty = "薪资发放日不能为空";
inline constexpr const char* kSubsidyMonthOutsideEmployment = "薪资年月不能小于到职日期大于离职日期";

// Field lookups
inline constexpr const char* kSubsidyPersonOffJob = "%s人员不在职";
inline constexpr const char* kSubsidyBankNotOwned = "薪资银行%s不属该人员";

}  // namespace humrs::msg
