#pragma once
// User messages of the advance payment bill (placeholders %s, %d).
#include "core/Message.h"

namespace humrs::msg {

// Save checks, in the order they run
inline constexpr Message kAdvPeriodNotSet{"AdvPeriodNotSet", "期数未设定"};
inline constexpr Message kAdvPersonOffJob{"AdvPersonOffJob", "%s人员不在职"};
inline constexpr Message kAdvBankRequired{"AdvBankRequired", "人员%s薪资发放不为现金,薪资银行不可为空"};
inline constexpr Message kAdvOverSalaryDue{"AdvOverSalaryDue", "人员%s的预发薪资已超出其应发薪资!"};
inline constexpr Message kAdvBankSplitMismatch{"AdvBankSplitMismatch", "人员%s帐号总金额不等于银行金额"};

// Delete checks
inline constexpr Message kAdvPaidNoDelete{"AdvPaidNoDelete", "部分人员的预发薪资已发放，单据不能删除!"};
inline constexpr Message kAdvNotLastPeriod{"AdvNotLastPeriod", "人员%s此期薪资不为最后一期不可删除"};

// Field lookups (the bank one also guards a save)
inline constexpr Message kAdvBankNotOwned{"AdvBankNotOwned", "薪资银行%s不属于该人员%s"};

// Payment marking
inline constexpr Message kAdvRowNotFound{"AdvRowNotFound", "预发薪资单%s中没有人员%s的第%d行"};

}  // namespace humrs::msg
