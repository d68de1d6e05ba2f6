#pragma once
// User messages of the advance payment bill (placeholders %s, %d).
namespace humrs::msg {

// Save checks, in the order they run
inline constexpr const char* kAdvPeriodNotSet = "期数未设定";
inline constexpr const char* kAdvPersonOffJob = "%s人员不在职";
inline constexpr const char* kAdvBankRequired = "人员%s薪资发放不为现金,薪资银行不可为空";
inline constexpr const char* kAdvOverSalaryDue = "人员%s的预发薪资已超出其应发薪资!";
inline constexpr const char* kAdvBankSplitMismatch = "人员%s帐号总金额不等于银行金额";

// Delete checks
inline constexpr const char* kAdvPaidNoDelete = "部分人员的预发薪资已发放，单据不能删除!";
inline constexpr const char* kAdvNotLastPeriod = "人员%s此期薪资不为最后一期不可删除";

// Field lookups (the bank one also guards a save)
inline constexpr const char* kAdvBankNotOwned = "薪资银行%s不属于该人员%s";

// Payment marking
inline constexpr const char* kAdvRowNotFound = "预发薪资单%s中没有人员%s的第%d行";

}  // namespace humrs::msg
