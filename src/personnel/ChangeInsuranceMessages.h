#pragma once
// User messages of the insurance change (placeholders %s, %d), and the names of the
// insurance kinds the messages use.
#include "core/Message.h"

namespace humrs::msg {

// The insurance kinds by number, separated by ",": under local type 0, and under
// every other local type.
inline constexpr Message kInsuranceKindNames{"InsuranceKindNames", "养老保险,医疗保险,失业保险,工伤保险,住房公积金,生育保险"};
inline constexpr Message kInsuranceKindNamesRegional{"InsuranceKindNamesRegional", "健保,劳保,劳退"};

// Only the latest change of a person's kind may be changed or deleted (person, kind name).
inline constexpr Message kInsuranceOnlyLatestEdit{"InsuranceOnlyLatestEdit", "您只能修改人员%s%s的最近一次的异动"};
inline constexpr Message kInsuranceOnlyLatestDelete{"InsuranceOnlyLatestDelete", "您只能删除人员%s%s的最近一次的异动"};

// Checks of a change row.
inline constexpr Message kInsurancePersonOffJob{"InsurancePersonOffJob", "%s人员不在职"};
inline constexpr Message kInsuranceNotYetInsured{"InsuranceNotYetInsured", "该人员%s %s还未加保不可做其它类型异动"};
inline constexpr Message kInsuranceResumeNeedsStop{"InsuranceResumeNeedsStop", "人员%s%s前一次异动不为停保，本次异动不可做复保"};
inline constexpr Message kPensionEmployerRateZero{"PensionEmployerRateZero", "人员 %s 选择劳退新制，劳退雇主提缴不能为0"};
inline constexpr Message kPensionOnlyAddOrStop{"PensionOnlyAddOrStop", "人员 %s 选择劳退新制，只能做加保或停保的操作"};
inline constexpr Message kInsuranceAmountZero{"InsuranceAmountZero", "人员 %s 选择加保或复保时，投保金额不能为0"};
inline constexpr Message kInsuranceDateEmpty{"InsuranceDateEmpty", "该人员%s%s异动日期不可为空"};
inline constexpr Message kInsuranceDateBeforeLatest{"InsuranceDateBeforeLatest", "该人员%s%s异动日期不能比最近一次异动记录的调整日期小"};
inline constexpr Message kInsuranceMonthEmpty{"InsuranceMonthEmpty", "该人员%s%s异动年月不能为空"};
inline constexpr Message kInsuranceMonthBeforeLatest{"InsuranceMonthBeforeLatest", "该人员%s%s异动年月不能比最近一次异动记录的调整年月小"};

// What a change row must carry whatever the login.
inline constexpr Message kInsurancePersonEmpty{"InsurancePersonEmpty", "异动人员不能为空"};
inline constexpr Message kInsuranceKindUnknown{"InsuranceKindUnknown", "保险类别%d不存在"};
inline constexpr Message kInsuranceChangeTypeUnknown{"InsuranceChangeTypeUnknown", "异动类型%d不存在"};
// Notices of the transfer. A due change of a person without salary settings waits
// for them (person, kind name); the daily job could not carry a person's changes and
// goes on with the others (person, reason).
inline constexpr Message kInsuranceNoSettings{"InsuranceNoSettings", "人员%s还没有薪资设定，%s异动待设定后再转入"};
inline constexpr Message kInsuranceTransferFailed{"InsuranceTransferFailed", "人员%s的保险异动未能转入：%s"};

}  // namespace humrs::msg
