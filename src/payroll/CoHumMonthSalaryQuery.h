#pragma once
// A person's monthly pay statement assembled from every payroll source: hourly wage,
// allowances and deductions settled in the salary, overtime and leave of the salary
// period, piece work, and the advance payments of the month, with the totals the
// statement prints. The amounts the salary computation owns (overtime pay, piece-work
// bonus and shortfall, leave rates, the salary period) come from "QVXHumrs.Reset".
#include <string>
#include <vector>

#include "framework/ComBase.h"
#include "framework/Demo.h"

namespace humrs {

// Where each part of the statement sits in the result of procedure 1.
namespace pay_statement {
inline constexpr int kHourRows = 0;
inline constexpr int kAllowanceRows = 1;
inline constexpr int kOvertimeRows = 2;
inline constexpr int kLeaveRows = 3;
inline constexpr int kPieceRows = 4;
inline constexpr int kVoucherBillNo = 5;
inline constexpr int kHourTotal = 6;
inline constexpr int kAdditions = 7;
inline constexpr int kDeductions = 8;
inline constexpr int kFieldACount = 9;  // 10, 11: B and C, 12 holiday hours
inline constexpr int kFieldAAccount = 13;  // 14, 15: B and C, 16 holiday pay
inline constexpr int kLeaveDeduction = 17;
inline constexpr int kEligibleAmount = 18;
inline constexpr int kDamageAmount = 19;
inline constexpr int kOtherCutPay = 20;
inline constexpr int kPieceBonus = 21;
inline constexpr int kPieceShortFall = 22;
inline constexpr int kAdvanceRows = 23;
inline constexpr int kAdvanceSalaryRows = 24;
inline constexpr int kAdvanceBankRows = 25;
inline constexpr int kSize = 26;
}  // namespace pay_statement

class THumMonthSalaryQuery : public TQVXComBase {
public:
    // The 26 parts of the person's statement for the salary month (yyyymm).
    VariantArray BuildPayStatement(const std::string& person, int yearMonth);
};

// The monthly pay statement query: procedure 1.
const ClassDescriptor& HumMonthSalaryQueryClass();

// Its scenes of the demo.
std::vector<DemoScene> HumMonthSalaryQueryDemo();

}  // namespace humrs
