#pragma once
// User messages of the monthly salary voucher (placeholders %s, %d).
namespace humrs::msg {

// What a stored voucher must carry, under every login type
inline constexpr const char* kSalaryPersonEmpty = "人员编号不能为空";
inline constexpr const char* kSalaryPersonUnknown = "人员%s不存在";
inline constexpr const char* kSalaryMonthEmpty = "薪资年月不能为空";

// Save checks, in the order they run; the person lookup raises the first one too
inline constexpr const char* kSalaryPersonOffJob = "%s人员不在职!";
inline constexpr const char* kSalaryVoucherDuplicate = "人员%s于该月已有一张薪资凭单，不能重复!";
inline constexpr const char* kSalaryBankSplitMismatch = "帐号总金额不等于银行金额";

}  // namespace humrs::msg
