#include "payroll/CoMonthSalary.h"

#include "core/Convert.h"
#include "core/Text.h"
#include "framework/Messages.h"
#include "framework/RefusalPlace.h"
#include "payroll/MonthSalaryMessages.h"
#include "suite/Attendance.h"
#include "suite/FieldLabels.h"
#include "utils/DateUtils.h"

namespace humrs {

namespace {
constexpr const char* kVoucherField = "PVoucherNO";

// The first and the last day of a salary month (yyyymm).
QVXDate FirstDay(int yearMonth) { return static_cast<QVXDate>(yearMonth * 100 + 1); }
QVXDate LastDay(int yearMonth) { return static_cast<QVXDate>(yearMonth * 100 + GetMaxDay(yearMonth)); }
}  // namespace

// ------------------------------------------------------------------ a new voucher

void TMonthSalary::DoAddDefaultRecord() {
    // A voucher is normally written after the month it pays: the salary month
    // defaults to the month before the bill date (a bill of January pays December).
    // A new voucher without a bill date yet counts from today.
    Dataset& head = GetDatasets(0);
    if (head.IsEmpty()) return;
    head.Edit();
    QVXDate billDate = static_cast<QVXDate>(CInt(head["BillDate"]));
    if (!IsValidDate(billDate)) billDate = static_cast<QVXDate>(GetServerDate());
    head.SetFieldValue("SalaryYearMonth", Variant(static_cast<int64_t>(AddMonth(billDate, -1) / 100)));
}

// ------------------------------------------------------------------ save, edit and delete

void TMonthSalary::BeforeUpdate() {
    TQVXComBase::BeforeUpdate();
    Dataset& head = GetDatasets(0);
    if (head.IsEmpty()) return;
    head.First();
    CheckHeaderIntegrity(head);

    const std::string person = CStr(head["PersonID"]);
    const int month = static_cast<int>(CInt(head["SalaryYearMonth"]));
    if (!GetIsOnWork(Db(), person, FirstDay(month), LastDay(month), false))
        MakeException(msg::kSalaryPersonOffJob, {Variant(person)}, AtHeader("PersonID"));
    CheckOneVoucherInChanges();
    if (!UnderImportLogin()) CheckBankSplit(head);
}

void TMonthSalary::CheckHeaderIntegrity(Dataset& head) {
    // What guards the stored voucher itself, under every login type and before any
    // rule: a person on file, a salary month and a bill date that exist, and the
    // payment marks, which belong to the payment side (procedure 0) and which a save
    // keeps as stored (a new voucher starts unpaid).
    const std::string person = CStr(head["PersonID"]);
    if (Trim(person).empty()) MakeException(msg::kSalaryPersonEmpty, {}, AtHeader("PersonID"));
    if (!Db().QueryFirst("Select PersonID From comPerson Where PersonID = ?", {Variant(person)}))
        MakeException(msg::kSalaryPersonUnknown, {Variant(person)}, AtHeader("PersonID"));
    const int64_t month = CInt(head["SalaryYearMonth"]);
    if (month == 0) MakeException(msg::kSalaryMonthEmpty, {}, AtHeader("SalaryYearMonth"));
    if (month < 0 || month > 999912 || !IsValidDate(static_cast<QVXDate>(month * 100 + 1)))
        throw InputError("SalaryYearMonth " + std::to_string(month) + " is not a year-month (yyyymm)");
    RequireDateOrZero(CInt(head["BillDate"]), "BillDate");

    const bool stored = head.RowStatus() != UpdateStatus::Inserted;
    for (const char* field : {"CashPaid", "BankPaid"}) {
        const Variant kept(stored && CBool(head.OldValue(field)));
        if (!head[field].SameValue(kept)) head.SetFieldValue(field, kept);
    }
    head.Post();
}

void TMonthSalary::CheckOneVoucherInChanges() {
    // A new voucher is checked for its person and month. A changed voucher is checked
    // only when its person or its month changed, for the pair it will be stored
    // with: a row moved to another person and month at once must not meet a voucher
    // of that person in that month, whatever the person had in the old month.
    DeltaDataset changes(GetDeltaDatasets(0));
    for (changes.First(); !changes.Eof(); changes.Next()) {
        const UpdateStatus status = changes.Status();
        const bool moved = status == UpdateStatus::Modified &&
                           (changes.Changed("PersonID") || changes.Changed("SalaryYearMonth"));
        if (status != UpdateStatus::Inserted && !moved) continue;
        CheckOneVoucherPerMonth(CStr(changes.RealFieldValue("PersonID")),
                                static_cast<int>(CInt(changes.RealFieldValue("SalaryYearMonth"))));
    }
}

void TMonthSalary::CheckOneVoucherPerMonth(const std::string& personId, int yearMonth) {
    const Variant count = GetDBConn().DBSelectSQL("Select Count(*) From humSalaryMain Where Flag = 1 And PersonID = " +
                                                  QuoteStr(personId) + " And SalaryYearMonth = " + Num(yearMonth));
    if (CInt(count) > 0) MakeException(msg::kSalaryVoucherDuplicate, {Variant(personId)}, AtHeader("SalaryYearMonth"));
}

void TMonthSalary::CheckBankSplit(Dataset& head) {
    // The bank part of the net pay must be split over the accounts to the last
    // ten-thousandth: amounts add up in currency, without rounding.
    Dataset& banks = GetDatasets(4);
    Currency split;
    for (banks.First(); !banks.Eof(); banks.Next()) split += CCurr(banks["BankMoneny"]);
    banks.First();
    // The refusal points at the bank part of the header, which the split must match.
    if (split != CCurr(head["RealBank"])) MakeException(msg::kSalaryBankSplitMismatch, {}, AtHeader("RealBank"));
}

void TMonthSalary::AfterUpdate() {
    TQVXComBase::AfterUpdate();
    if (!SkipsBusinessChecks()) UpdateVoucherNo(kVoucherField);
    // A changed voucher carries its insurance amounts into the person's own family
    // row of the month; a new voucher leaves humFamily as it is.
    Dataset& head = GetDatasets(0);
    if (head.IsEmpty()) return;
    head.First();
    if (head.RowStatus() != UpdateStatus::Modified) return;
    GetDBConn().DBExecSQL("Update humFamily Set InsuAccount = " + DecimalText(CFloat(head["HealthTax"])) +
                          " , LaborAccount = " + DecimalText(CFloat(head["LaborTax"])) + " Where" +
                          " Flag = 2 And PersonID = " + QuoteStr(CStr(head["PersonID"])) +
                          " And Name = " + QuoteStr("") + " And SalaryMonth = " + Num(CInt(head["SalaryYearMonth"])));
}

void TMonthSalary::BeforeDelete() {
    TQVXComBase::BeforeDelete();
    CheckVoucherNo(kVoucherField, 0);
    // The insured persons of the month go with the voucher, the family members too.
    Dataset& head = GetDatasets(0);
    if (head.IsEmpty()) return;
    head.First();
    GetDBConn().DBExecSQL("Delete humFamily Where Flag = 2 And PersonID = " + QuoteStr(CStr(head["PersonID"])) +
                          " And SalaryMonth = " + Num(CInt(head["SalaryYearMonth"])));
}

void TMonthSalary::BeforeEdit() {
    TQVXComBase::BeforeEdit();
    CheckVoucherNo(kVoucherField, 1);
}

bool TMonthSalary::BeforeCheckVoucherNo() { return false; }

// ------------------------------------------------------------------ field lookups

void TMonthSalary::DoCheckFieldValues(int datasetIndex, const VariantArray& names, const VariantArray& values) {
    if (SameText(CStr(Item(names, 0)), "PersonID")) {
        // [0] the person, [1] and [2] the period the person must be on the job in.
        if (!GetIsOnWork(Db(), CStr(Item(values, 0)), static_cast<QVXDate>(CInt(Item(values, 1))),
                         static_cast<QVXDate>(CInt(Item(values, 2))), false))
            MakeException(msg::kSalaryPersonOffJob, {Item(values, 0)});
    }
    TQVXComBase::DoCheckFieldValues(datasetIndex, names, values);
}

void TMonthSalary::CheckFieldReturn(TOleVariantList& list) { TQVXComBase::CheckFieldReturn(list); }

// ------------------------------------------------------------------ payment

void TMonthSalary::SetPaidFlags(const std::string& billNo, bool cashPaid, bool bankPaid) {
    const std::string where = " Where Flag = 1 And BillNo = " + QuoteStr(billNo);
    if (CInt(GetDBConn().DBSelectSQL("Select Count(*) From humSalaryMain" + where)) == 0)
        MakeException(msg::kBillNotFound, {Variant(billNo)});
    GetDBConn().DBExecSQL("Update humSalaryMain Set CashPaid = " + std::string(cashPaid ? "1" : "0") +
                          ", BankPaid = " + (bankPaid ? "1" : "0") + where);
}

// ------------------------------------------------------------------ the class

namespace {

// The payment side marks a voucher paid with [0] the voucher's number, [1] and [2]
// values it does not need here, [3] cash paid, [4] bank paid.
std::vector<ProcedureDef> MonthSalaryProcedures() {
    using A = ArgType;
    std::vector<ProcedureDef> p;
    p.push_back({0, "SetPaidFlags", ArgShape::Array,
                 {{"BillNo", A::Text},
                  {"Unused1", A::Any, true},
                  {"Unused2", A::Any, true},
                  {"CashPaid", A::Bool},
                  {"BankPaid", A::Bool}},
                 Routine<TMonthSalary>([](TMonthSalary& o, const ProcArgs& a) -> Variant {
                     o.SetPaidFlags(a.Text(0), a.Bool(3), a.Bool(4));
                     return Variant();
                 })});
    return p;
}

}  // namespace

const ClassDescriptor& MonthSalaryClass() {
    static const ClassDescriptor d = [] {
        using namespace column_types;
        ClassDescriptor d;
        d.className = "TMonthSalary";
        d.coclass = "MonthSalary";
        d.progId = "QVXHumrs.MonthSalary";
        d.role = roles::kPayroll;
        d.clsid = "{64E804D1-8BB2-43B2-8631-2E3FEA62C437}";
        d.interfaceName = "IMonthSalary";
        d.iid = "{8EE7EAFE-E82A-4AB4-A3CF-E361BB71FEA5}";
        d.keyColumn = "BillNo";
        d.title = "月薪资单";
        d.labels = WithSharedLabels({{"FieldAAccount", "A段金额"},
                                      {"FieldBAccount", "B段金额"},
                                      {"FieldCAccount", "C段金额"},
                                      {"HolidayAccount", "假日金额"},
                                      {"ExcuseCount", "请假数量"}});
        d.findDate = "BillDate";
        d.findPersonDataset = 0;
        d.findPerson = "PersonID";
        d.datasets = {SingleRowDataset("humSalaryMain", 1), BodyDataset("humSalarySub", 1), BodyDataset("humSalaryExcuse", 1),
                      BodyDataset("humSalaryOverTime", 1), UnderRowDataset("humSalaryBank", "ParentRowNO", 1, 0)};
        // payments (ParentRowNO = the advance row).
        d.tables.push_back({"humSalarySub",
                            {{"Flag", kInt}, {"BillNo", kText}, {"RowNo", kInt}, {"SalaryItem", kText}, {"Account", kMoney}},
                            {"Flag", "BillNo", "RowNo"}});
        d.tables.push_back({"humSalaryMain",
                     {{"Flag", kInt},
                      {"BillNo", kText},
                      {"ParentRowNO", kInt},
                      {"RowNo", kInt},
                      {"BillDate", kInt},
                      {"PersonID", kText},
                      {"DepartID", kText},
                      {"SalaryYearMonth", kInt},
                      {"PayDay", kInt},
                      {"SalaryType", kInt},
                      {"BaseSalary", kMoney},
                      {"TaxOvertime", kMoney},
                      {"MealSalary", kMoney},
                      {"MessSalary", kMoney},
                      {"NoLeaveSalary", kMoney},
                      {"ClassSalary", kMoney},
                      {"OtherTaxSalary", kMoney},
                      {"ExcuseSalary", kMoney},
                      {"OtherDeductSalary", kMoney},
                      {"OtherDeduct", kMoney},
                      {"PieceWorkSalary", kMoney},
                      {"IncomeTax", kMoney},
                      {"RealSalary", kMoney},
                      {"RealCash", kMoney},
                      {"RealBank", kMoney},
                      {"HealthTax", kFloat},
                      {"LaborTax", kFloat},
                      {"CashPaid", kBool},
                      {"BankPaid", kBool},
                      {"PVoucherNO", kText},
                      {"Memo", kText}},
                     {"Flag", "BillNo", "ParentRowNO", "RowNo"}});
        d.tables.push_back({"humSalaryExcuse",
                     {{"Flag", kInt},
                      {"BillNo", kText},
                      {"RowNo", kInt},
                      {"ExcuseClsID", kText},
                      {"ExcuseCount", kFloat},
                      {"Account", kMoney}},
                     {"Flag", "BillNo", "RowNo"}});
        d.tables.push_back({"humSalaryOverTime",
                     {{"Flag", kInt},
                      {"BillNo", kText},
                      {"RowNo", kInt},
                      {"FieldACount", kMoney},
                      {"FieldBCount", kMoney},
                      {"FieldCCount", kMoney},
                      {"HolidayCount", kMoney},
                      {"FieldAAccount", kMoney},
                      {"FieldBAccount", kMoney},
                      {"FieldCAccount", kMoney},
                      {"HolidayAccount", kMoney}},
                     {"Flag", "BillNo", "RowNo"}});
        // Bank split: Flag 1 of a voucher (ParentRowNO 0), 2 of an advance payment row.
        d.tables.push_back({"humSalaryBank",
                     {{"Flag", kInt},
                      {"BillNo", kText},
                      {"ParentRowNO", kInt},
                      {"RowNo", kInt},
                      {"MasterAccount", kBool},
                      {"PayBankID", kText},
                      {"PayAccount", kText},
                      {"AccountName", kText},
                      {"BankMoneny", kMoney}},
                     {"Flag", "BillNo", "ParentRowNO", "RowNo"}});
        d.tables.push_back({"humFamily",
                     {{"Flag", kInt},
                      {"PersonID", kText},
                      {"Name", kText},  // empty: the employee's own row
                      {"SalaryMonth", kInt},
                      {"InsuAccount", kMoney},
                      {"LaborAccount", kMoney}},
                     {}});
        d.indexes.push_back(Index("humSalaryMain", {"PersonID", "SalaryYearMonth"}));
        d.indexes.push_back(Index("humFamily", {"PersonID", "SalaryMonth"}));
        d.create = [] { return std::make_unique<TMonthSalary>(); };
        d.procedures = MonthSalaryProcedures();
        d.demo = MonthSalaryDemo;
        return d;
    }();
    return d;
}

}  // namespace humrs
