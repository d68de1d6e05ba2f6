#pragma once
// User messages of the insurance change (placeholders %s, %d), and the names of the
// insurance kinds the messages use.
namespace humrs::msg {

// The insurance kinds by number, separated by ",": under local type 0, and under
// every other local type.
inline constexpr const char* kInsuranceKindNames = "养老保险,医疗保险,失业保险,工伤保险,住房公积金,生育保险";
inline constexpr const char* kInsuranceKindNamesRegional = "健保,劳保,劳退";

// Only the latest change of a person's kind may be changed or deleted (person, kind name).
inline constexpr const char* kInsuranceOnlyLatestEdit = "您只能修改人员%s%s的最近一次的异动";
inline constexpr const char* kInsuranceOnlyLatestDelete = "您只能删除人员%s%s的最近一次的异动";

// Checks of a change row.
inline constexpr const char* kInsurancePersonOffJob = "%s人员不在职";
inline constexpr const char* kInsuranceNotYetInsured = "该人员%s %s还未加保不可做其它类型异动";
inline constexpr const char* kInsuranceResumeNeedsStop = "人员%s%s前一次异动不为停保，本次异动不可做复保";
inline constexpr const char* kPensionEmployerRateZero = "人员 %s 选择劳退新制，劳退雇主提缴不能为0";
inline constexpr const char* kPensionOnlyAddOrStop = "人员 %s 选择劳退新制，只能做加保或停保的操作";
inline constexpr const char* kInsuranceAmountZero = "人员 %s 选择加保或复保时，投保金额不能为0";
inline constexpr const char* kInsuranceDateEmpty = "该人员%s%s异动日期不可为空";
inline constexpr const char* kInsuranceDateBeforeLatest = "该人员%s%s异动日期不能比最近一次异动记录的调整日期小";
inline constexpr const char* kInsuranceMonthEmpty = "该人员%s%s异动年月不能为空";
inline constexpr const char* kInsuranceMonthBeforeLatest = "该人员%s%s异动年月不能比最近一次异动记录的调整年月小";

// What a change row must carry whatever the login.
inline constexpr const char* kInsurancePersonEmpty = "异动人员不能为空";
inline constexpr const char* kInsuranceKindUnknown = "保险类别%d不存在";
inline constexpr const char* kInsuranceChangeTypeUnknown = "异动类型%d不存在";
// Notices of the transfer. A due change of a person without salary settings waits
// for them (person, kind name); the daily job could not carry a person's changes and
// goes on with the others (person, reason).
inline constexpr const char* kInsuranceNoSettings = "人员%s还没有薪资设定，%s异动待设定后再转入";
inline constexpr const char* kInsuranceTransferFailed = "人员%s的保险异动未能转入：%s";

}  // namespace humrs::msg
