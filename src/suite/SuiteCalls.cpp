#include "suite/SuiteCalls.h"

#include "core/Convert.h"
#include "framework/ComBase.h"
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

}  // namespace humrs::suite
