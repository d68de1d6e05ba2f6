#pragma once
// User messages of the salary adjustment (placeholders %s, %d).
#include "core/Message.h"

namespace humrs::msg {

// Only a person's latest adjustment may be changed or deleted.
inline constexpr Message kSalaryChangeNotLatestEdit{"SalaryChangeNotLatestEdit", "您只能修改人员%s的最近一次的薪资异动单"};
inline constexpr Message kSalaryChangeNotLatestDelete{"SalaryChangeNotLatestDelete", "您只能删除人员%s的最近一次的薪资异动单"};
inline constexpr Message kSalaryChangeOldMethod{"SalaryChangeOldMethod",
    "薪资异动资料更新人员薪资设定的方式改变，以前旧更新方式输入的资料现已不能再做任何异动"};

// Amounts of the new terms.
inline constexpr Message kNoLeaveAmountZero{"NoLeaveAmountZero", "人员%s选择全勤奖金时, 全勤奖金不能为零"};
inline constexpr Message kMealAmountZero{"MealAmountZero", "人员%s选择伙食津贴时, 伙食津贴不能为零"};
inline constexpr Message kSalaryItemTwice{"SalaryItemTwice", "人员%s使用的相同的薪资项目%s"};
inline constexpr Message kSalaryItemAmountZero{"SalaryItemAmountZero", "人员%s使用的薪资项目%s的金额不能为0"};

// Dates of the adjustment.
inline constexpr Message kTwoChangesInMonth{"TwoChangesInMonth", "人员%s 在该调薪年月%s已做了两笔薪资异动现已不能再做异动了"};
inline constexpr Message kAdjustDateBeforeLatest{"AdjustDateBeforeLatest", "该人员%s调薪日期不能比最近一次薪资异动的调薪日期小"};

// Notices of the transfer. A due adjustment of a person without salary settings waits
// for them (person); the daily job could not carry a person's adjustments and goes on
// with the others (person, reason).
inline constexpr Message kSalaryChangeNoSettings{"SalaryChangeNoSettings", "人员%s还没有薪资设定，薪资异动待设定后再转入"};
inline constexpr Message kSalaryTransferFailed{"SalaryTransferFailed", "人员%s的薪资异动未能转入：%s"};

// What every adjustment row needs, whoever saves it.
inline constexpr Message kSalaryChangePersonEmpty{"SalaryChangePersonEmpty", "薪资异动人员不能为空"};
inline constexpr Message kSalaryChangePersonUnknown{"SalaryChangePersonUnknown", "薪资异动人员%s不存在"};
inline constexpr Message kAdjustDateEmpty{"AdjustDateEmpty", "人员%s的调薪日期不能为空"};

}  // namespace humrs::msg
