// The message tables: every message has an id of its own, named after its constant,
// and a text whose placeholders FormatMessage understands; every message of a header
// is listed here, so a new one is checked as soon as it is declared.
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "BuildPaths.h"
#include "core/Message.h"
#include "framework/Messages.h"
#include "leave/CutExcuseMessages.h"
#include "leave/ExcuseDateMessages.h"
#include "leave/LeaveMessages.h"
#include "overtime/HumCheckFactoryMessages.h"
#include "overtime/OverTimeClsMessages.h"
#include "overtime/OvertimeDateMessages.h"
#include "overtime/OvertimeMessages.h"
#include "payroll/AdvPaymentMessages.h"
#include "payroll/HourSalaryMessages.h"
#include "payroll/MonthSalaryMessages.h"
#include "payroll/SubsidyCutDateMessages.h"
#include "payroll/SubsidyCutMessages.h"
#include "personnel/ChangeInsuranceMessages.h"
#include "personnel/ChangePersonMessages.h"
#include "personnel/ChangeSalaryMessages.h"
#include "suite/AttendanceMessages.h"
#include "support/Files.h"

namespace humrs {
namespace {

struct MessageHeader {
    const char* path;  // in the source folder
    std::vector<const Message*> messages;
};

const std::vector<MessageHeader>& MessageHeaders() {
    static const std::vector<MessageHeader> headers = {
        {"src/framework/Messages.h", {&msg::kBillNotFound, &msg::kVoucherNoDelete, &msg::kVoucherNoEdit}},
        {"src/leave/CutExcuseMessages.h",
         {&msg::kCutCountEmpty, &msg::kNoLeaveForCutSpan, &msg::kLeaveAlreadyCut, &msg::kCutCountOverLeave}},
        {"src/leave/ExcuseDateMessages.h",
         {&msg::kByDateTimeNotEntered, &msg::kByDateCountZero, &msg::kByDateCountNegative,
          &msg::kByDateCategoryEmpty, &msg::kByDateEndDateBeforeBegin, &msg::kByDateRowHasCancellationEdit,
          &msg::kByDateLateOverAllowance}},
        {"src/leave/LeaveMessages.h",
         {&msg::kExcuseUnitNotPositive,
          &msg::kLeaveHasCancellationEdit,
          &msg::kLeaveHasCancellationDelete,
          &msg::kLeaveCountZero,
          &msg::kLeaveCountNegative,
          &msg::kLeaveCategoryEmpty,
          &msg::kLeavePersonEmpty,
          &msg::kPersonOffJobPartly,
          &msg::kPersonOffJob,
          &msg::kLateOverAllowance,
          &msg::kEndDateBeforeBegin,
          &msg::kEndTimeBeforeBegin,
          &msg::kLeaveConflict,
          &msg::kLabelByPerson,
          &msg::kLabelByDate,
          &msg::kCutNoEmpty,
          &msg::kCutCountOutOfRange,
          &msg::kPersonalLeaveOverCap,
          &msg::kSickLeaveOverCap,
          &msg::kSpecialLeaveOverCap,
          &msg::kSpecialLeaveCrossesYear,
          &msg::kCompLeaveOverBalance}},
        {"src/overtime/HumCheckFactoryMessages.h", {&msg::kOverTimeAttendMismatchCount}},
        {"src/overtime/OverTimeClsMessages.h", {&msg::kOverTimeClsHandlingIncomplete}},
        {"src/overtime/OvertimeDateMessages.h",
         {&msg::kOvertimeDateSegmentsNotTotal, &msg::kOvertimeDateTotalZero, &msg::kOvertimeDateOffJob,
          &msg::kOvertimeDateLeaveConflict}},
        {"src/overtime/OvertimeMessages.h",
         {&msg::kOvertimeTimesMissing, &msg::kOvertimeClassEmpty, &msg::kOvertimeOffJob,
          &msg::kOvertimeInClassWorkTime, &msg::kOvertimeConflict, &msg::kOvertimeLabelByPerson,
          &msg::kOvertimeLabelByDate, &msg::kOvertimeLeaveConflict, &msg::kOvertimePersonOffJob,
          &msg::kOvertimePersonFirst, &msg::kOvertimePersonEmpty, &msg::kOvertimeHoursNegative}},
        {"src/payroll/AdvPaymentMessages.h",
         {&msg::kAdvPeriodNotSet, &msg::kAdvPersonOffJob, &msg::kAdvBankRequired, &msg::kAdvOverSalaryDue,
          &msg::kAdvBankSplitMismatch, &msg::kAdvPaidNoDelete, &msg::kAdvNotLastPeriod,
          &msg::kAdvBankNotOwned, &msg::kAdvRowNotFound}},
        {"src/payroll/HourSalaryMessages.h",
         {&msg::kHourBeginTimeMissing, &msg::kHourEndTimeMissing, &msg::kHourConflict, &msg::kHourPersonEmpty,
          &msg::kHourPersonFirst, &msg::kHourPersonOffJob}},
        {"src/payroll/MonthSalaryMessages.h",
         {&msg::kSalaryPersonEmpty, &msg::kSalaryPersonUnknown, &msg::kSalaryMonthEmpty,
          &msg::kSalaryPersonOffJob, &msg::kSalaryVoucherDuplicate, &msg::kSalaryBankSplitMismatch}},
        {"src/payroll/SubsidyCutDateMessages.h",
         {&msg::kSubsidyDateBankRequired, &msg::kSubsidyDateAmountZero, &msg::kSubsidyDateInvalid,
          &msg::kSubsidyDateMonthOutsideEmployment, &msg::kSubsidyDateBankNotOwned,
          &msg::kSubsidyDateRowNotFound}},
        {"src/payroll/SubsidyCutMessages.h",
         {&msg::kSubsidyPersonEmpty, &msg::kSubsidyPersonUnknown, &msg::kSubsidyBankRequired,
          &msg::kSubsidyTaxRateRange, &msg::kSubsidyAmountZero, &msg::kSubsidySalaryMonthEmpty,
          &msg::kSubsidyPayDateEmpty, &msg::kSubsidyMonthOutsideEmployment, &msg::kSubsidyPersonOffJob,
          &msg::kSubsidyBankNotOwned}},
        {"src/personnel/ChangeInsuranceMessages.h",
         {&msg::kInsuranceKindNames, &msg::kInsuranceKindNamesRegional, &msg::kInsuranceOnlyLatestEdit,
          &msg::kInsuranceOnlyLatestDelete, &msg::kInsurancePersonOffJob, &msg::kInsuranceNotYetInsured,
          &msg::kInsuranceResumeNeedsStop, &msg::kPensionEmployerRateZero, &msg::kPensionOnlyAddOrStop,
          &msg::kInsuranceAmountZero, &msg::kInsuranceDateEmpty, &msg::kInsuranceDateBeforeLatest,
          &msg::kInsuranceMonthEmpty, &msg::kInsuranceMonthBeforeLatest, &msg::kInsurancePersonEmpty,
          &msg::kInsuranceKindUnknown, &msg::kInsuranceChangeTypeUnknown, &msg::kInsuranceNoSettings,
          &msg::kInsuranceTransferFailed}},
        {"src/personnel/ChangePersonMessages.h",
         {&msg::kChangeTypeEmpty, &msg::kNotOnJobOnlyProbationOrFormal,
          &msg::kProbationOnlyFormalTransferLeave, &msg::kAlreadyOnProbation, &msg::kAlreadyFormal,
          &msg::kNotOnUnpaidLeaveNoReinstate, &msg::kPersonLeftNoChange,
          &msg::kUnpaidLeaveOnlyReinstateOrLeave, &msg::kChangeTypeUnknown,
          &msg::kUnpaidLeaveMonthsNotPositive, &msg::kNotLatestChange, &msg::kDeleteNotLatestChange,
          &msg::kActiveDateBeforeEarlier, &msg::kCardNoTaken, &msg::kChangePersonEmpty,
          &msg::kChangePersonUnknown}},
        {"src/personnel/ChangeSalaryMessages.h",
         {&msg::kSalaryChangeNotLatestEdit, &msg::kSalaryChangeNotLatestDelete, &msg::kSalaryChangeOldMethod,
          &msg::kNoLeaveAmountZero, &msg::kMealAmountZero, &msg::kSalaryItemTwice,
          &msg::kSalaryItemAmountZero, &msg::kTwoChangesInMonth, &msg::kAdjustDateBeforeLatest,
          &msg::kSalaryChangeNoSettings, &msg::kSalaryTransferFailed, &msg::kSalaryChangePersonEmpty,
          &msg::kSalaryChangePersonUnknown, &msg::kAdjustDateEmpty}},
        {"src/suite/AttendanceMessages.h",
         {&msg::kPersonNotOnJobAt, &msg::kOverTimeNoAttendRecord, &msg::kOverTimeOutsideAttend}},
    };
    return headers;
}

// What is wrong with a text's placeholders, empty when nothing: a % starts %s, %d, %f
// or %%.
std::string PlaceholderFault(std::string_view text) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') continue;
        if (i + 1 == text.size()) return "a % at the end";
        const char c = text[++i];
        if (c != 's' && c != 'd' && c != 'f' && c != '%') return std::string("%") + c;
    }
    return "";
}

TEST(MessageTableTest, EveryMessageHasAnIdOfItsOwnAndWellFormedPlaceholders) {
    const std::regex idShape("[A-Z][A-Za-z0-9]*");
    std::set<std::string_view> seen;
    for (const MessageHeader& header : MessageHeaders()) {
        for (const Message* m : header.messages) {
            SCOPED_TRACE(std::string(header.path) + ": " + std::string(m->id));
            EXPECT_TRUE(std::regex_match(std::string(m->id), idShape));
            EXPECT_TRUE(seen.insert(m->id).second) << "the id is taken by another message";
            EXPECT_FALSE(m->text.empty());
            EXPECT_EQ(PlaceholderFault(m->text), "");
        }
    }
}

// The ids declared in each header, read from its source: each is its constant's name
// without the "k", and the list above holds them all.
TEST(MessageTableTest, EachHeaderNamesItsIdsAfterTheirConstantsAndAllAreListed) {
    const std::regex declaration(R"re(inline constexpr Message k(\w+)\{"(\w*)")re");
    for (const MessageHeader& header : MessageHeaders()) {
        SCOPED_TRACE(header.path);
        const std::string source = testing::ReadFile(std::string(HUMRS_SOURCE_DIR) + "/" + header.path);
        ASSERT_FALSE(source.empty());
        std::set<std::string> declared, listed;
        for (std::sregex_iterator it(source.begin(), source.end(), declaration), end; it != end; ++it) {
            EXPECT_EQ((*it)[2].str(), (*it)[1].str()) << "the id of k" << (*it)[1].str();
            declared.insert((*it)[1].str());
        }
        for (const Message* m : header.messages) listed.insert(std::string(m->id));
        EXPECT_EQ(listed, declared);
    }
}

}  // namespace
}  // namespace humrs
