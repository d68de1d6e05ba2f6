#include "suite/SuiteCalls.h"

#include "core/Convert.h"
#include "framework/ComBase.h"
#include "framework/Dataset.h"
#include "suite/ProgIds.h"

namespace humrs::suite {

namespace {

// Procedure `procNo` of the object `progId` with the first and the second argument.
Variant Call(TQVXComBase& caller, const char* progId, int procNo, const Variant& arg1,
             const Variant& arg2 = Variant()) {
    return caller.DoCOMMethod(progId, "", caller.ContextNumber(), procNo, arg1, arg2);
}

}  // namespace

int Seniority(TQVXComBase& caller, const std::string& person, int date) {
    return static_cast<int>(
        CInt(Call(caller, prog_id::kReset, 3, Variant(VariantArray{Variant(person), Variant(date)}))));
}

PayFigures MonthPayFigures(TQVXComBase& caller, const std::string& person, int yearMonth) {
    const Variant r = Call(caller, prog_id::kReset, 7, Variant(VariantArray{Variant(person), Variant(yearMonth)}));
    return {r[0], r[1], r[2]};
}

Variant LeaveLength(TQVXComBase& caller, const LeaveSpan& span) {
    return Call(caller, prog_id::kReset, 9,
                Variant(VariantArray{Variant(span.person), Variant(span.categoryId), Variant(span.beginDate),
                                     Variant(span.endDate), Variant(span.beginTime), Variant(span.endTime),
                                     Variant(span.unit), Variant(span.byShift)}));
}

bool OnJobInMonth(TQVXComBase& caller, const std::string& person, int yearMonth) {
    return CBool(Call(caller, prog_id::kReset, 11, Variant(person), Variant(yearMonth)));
}

double SalaryDue(TQVXComBase& caller, const std::string& person, int yearMonth) {
    return CFloat(Call(caller, prog_id::kReset, 20, Variant(person), Variant(yearMonth)));
}

bool EliminateOverLimit(TQVXComBase& caller, const Variant& request) {
    return CBool(Call(caller, prog_id::kReset, 34, request, Variant::Null()));
}

std::pair<int, int> SalaryPeriod(TQVXComBase& caller, int yearMonth) {
    const Variant r = Call(caller, prog_id::kReset, 38, Variant(yearMonth));
    return {static_cast<int>(CInt(r[0])), static_cast<int>(CInt(r[1]))};
}

std::pair<int, int> DutyTimes(TQVXComBase& caller, const std::string& classId) {
    const Variant r = Call(caller, prog_id::kClassCls, 0, Variant(classId));
    return {static_cast<int>(CInt(r[0])), static_cast<int>(CInt(r[1]))};
}

void ClearEliminations(TQVXComBase& caller, const Variant& request) {
    Call(caller, prog_id::kChkAttend, 10, request, Variant::Null());
}

std::string AttendMismatches(TQVXComBase& caller, const Variant& request) {
    return CStr(Call(caller, prog_id::kChkAttend, 11, request, Variant::Null()));
}

void PostRedeemChanges(TQVXComBase& caller, const Variant& changes, RedeemSource source, bool deleted) {
    Call(caller, prog_id::kExcuse, 10,
         Variant(VariantArray{changes, Variant(static_cast<int>(source)), Variant(deleted)}));
}

std::string PersonBankAccount(TQVXComBase& caller, const std::string& person, const std::string& bank) {
    return CStr(Call(caller, prog_id::kSubsidyCut, 2, Variant(person), Variant(bank)));
}

void CheckLeaveConflict(TQVXComBase& caller, const std::string& ownBill, const std::string& person,
                        const DaySpan& span, int flag) {
    Call(caller, prog_id::kExcuse, 4,
         Variant(VariantArray{Variant(ownBill), Variant(person), Variant(span.beginDate), Variant(span.beginTime),
                              Variant(span.endDate), Variant(span.endTime), Variant(flag)}));
}

void CheckPersonOnJob(TQVXComBase& caller, const Variant& person, int beginDate, int endDate, int mode,
                      int messageChoice, bool wholeSpan) {
    Call(caller, prog_id::kExcuse, 5,
         Variant(VariantArray{person, Variant(beginDate), Variant(endDate), Variant(mode),
                              Variant(messageChoice), Variant(wholeSpan)}));
}

void CheckConflictRows(TQVXComBase& caller, const Variant& others, const Dataset& row) {
    Call(caller, prog_id::kExcuse, 7,
         Variant(VariantArray{others, row["BeginDate"], row["EndDate"], row["BeginTime"], row["EndTime"],
                              Variant(true)}));
}

void CheckLeaveQuota(TQVXComBase& caller, const std::string& person, const std::string& billNo,
                     const std::string& category, const DaySpan& span, int flag, double count) {
    Call(caller, prog_id::kExcuse, 8,
         Variant(VariantArray{Variant(person), Variant(billNo), Variant(category), Variant(span.beginDate),
                              Variant(span.beginTime), Variant(span.endDate), Variant(span.endTime), Variant(flag),
                              Variant(count)}));
}

int LateAllowance(TQVXComBase& caller, const std::string& person, int beginDate, int beginTime) {
    return static_cast<int>(CInt(Call(
        caller, prog_id::kExcuse, 9, Variant(VariantArray{Variant(person), Variant(beginDate), Variant(beginTime)}))));
}

bool IsInClassWorkTime(TQVXComBase& caller, const std::string& classId, int beginTime, int endTime) {
    return CBool(Call(caller, prog_id::kOvertime, 3,
                      Variant(VariantArray{Variant(classId), Variant(beginTime), Variant(endTime)})));
}

void CheckOvertimeConflict(TQVXComBase& caller, const Variant& ownBill, const std::string& person, int date,
                           int beginTime, int endTime, int flag) {
    Call(caller, prog_id::kOvertime, 1,
         Variant(VariantArray{ownBill, Variant(person), Variant(date), Variant(beginTime), Variant(endTime),
                              Variant(flag)}));
}

void CheckOvertimeRows(TQVXComBase& caller, const Variant& others, int date, int beginTime, int endTime,
                       bool byDateLabel) {
    Call(caller, prog_id::kOvertime, 6,
         Variant(VariantArray{others, Variant(Num(date)), Variant(Num(beginTime)), Variant(Num(endTime)),
                              Variant(byDateLabel)}));
}

}  // namespace humrs::suite
