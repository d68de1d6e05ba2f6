#include "payroll/CoSubsidyCut.h"

#include "core/Convert.h"
#include "core/Text.h"
#include "framework/Messages.h"
#include "framework/RefusalPlace.h"
#include "payroll/PaidFlags.h"
#include "payroll/RowAccount.h"
#include "payroll/SubsidyCutMessages.h"
#include "suite/Attendance.h"
#include "suite/FieldLabels.h"
#include "suite/ProgIds.h"
#include "suite/SuiteCalls.h"
#include "utils/DateUtils.h"

namespace humrs {

namespace {
constexpr const char* kVoucherField = "PVoucherNO";
}  // namespace

// ------------------------------------------------------------------ save, edit and delete

const SubsidyRowRefusals kSubsidyCutRefusals{.bankRequired = msg::kSubsidyBankRequired,
                                             .amountZero = msg::kSubsidyAmountZero,
                                             .monthOutsideEmployment = msg::kSubsidyMonthOutsideEmployment,
                                             .bankNotOwned = msg::kSubsidyBankNotOwned,
                                             .namesPerson = false,
                                             .accountDataset = -1,
                                             .rowDataset = 0};

TSubsidyCut::TSubsidyCut() : TSubsidyVoucherBill(kSubsidyCutRefusals) {}

void TSubsidyCut::BeforeUpdate() {
    Dataset& row = GetDatasets(0);
    CheckRowIntegrity(row);
    if (UnderImportLogin()) return;
    CheckBankNamed(row);
    CheckTaxRate(row);
    CheckAmount(row);
    CheckPayPeriodGiven(row);
    CheckMonthInEmployment(row);
    SettleBank(row);
}

void TSubsidyCut::CheckRowIntegrity(Dataset& row) {
    // What guards the stored data itself, under every login type and before any rule:
    // a person on file, a salary month and a pay date that exist, and the payment
    // marks, which belong to the payment side (procedure 0) and which a save keeps as
    // stored (a new row starts unpaid).
    GuardSubsidyRow(*this, 0, row);
    const int64_t month = CInt(row["SalaryMonth"]);
    if (month != 0 && !IsValidSalaryMonth(month))
        throw InputError("SalaryMonth " + std::to_string(month) + " is not a year-month (yyyymm, or 0)");
    RequireDateOrZero(CInt(row["SalaryDate"]), "SalaryDate");
}

bool IsValidSalaryMonth(int64_t yearMonth) {
    return yearMonth > 0 && yearMonth <= 999912 && IsValidDate(static_cast<QVXDate>(yearMonth * 100 + 1));
}

void GuardSubsidyRow(TQVXComBase& bill, int datasetIndex, Dataset& row) {
    const std::string person = CStr(row["PersonID"]);
    if (Trim(person).empty()) bill.MakeException(msg::kSubsidyPersonEmpty, {}, AtRow(datasetIndex, row, "PersonID"));
    if (!bill.Db().QueryFirst("Select PersonID From comPerson Where PersonID = ?", {Variant(person)}))
        bill.MakeException(msg::kSubsidyPersonUnknown, {Variant(person)}, AtRow(datasetIndex, row, "PersonID"));
    const bool stored = row.RowStatus() != UpdateStatus::Inserted;
    for (const char* field : {"CashPaid", "BankPaid"}) {
        const Variant kept(stored && CBool(row.OldValue(field)));
        if (!row[field].SameValue(kept)) row.SetFieldValue(field, kept);
    }
    row.Post();
}

RowPayee SubsidyPayee(const Dataset& row, bool stored) {
    auto value = [&](const char* field) { return stored ? row.OldValue(field) : row[field]; };
    const bool throughBank = CInt(value("SalaryType")) == 0 && CInt(value("PayType")) != pay_way::kCash;
    return {CStr(value("PersonID")), throughBank ? CStr(value("PSalaryBank")) : std::string()};
}

// ------------------------------------------------------------------ the row checks both forms share

RefusalAt TSubsidyVoucherBill::At(const Dataset& row, std::string field) const {
    return AtRow(refusals_.rowDataset, row, std::move(field));
}

void TSubsidyVoucherBill::CheckBankNamed(Dataset& row) {
    if (CInt(row["SalaryType"]) != 0 || CInt(row["PayType"]) == pay_way::kCash ||
        !Trim(CStr(row["PSalaryBank"])).empty())
        return;
    if (refusals_.namesPerson)
        MakeException(refusals_.bankRequired, {Variant(CStr(row["PersonID"]))}, At(row, "PSalaryBank"));
    MakeException(refusals_.bankRequired, {}, At(row, "PSalaryBank"));
}

void TSubsidyVoucherBill::CheckTaxRate(Dataset& row) {
    const double taxRate = CFloat(row["IncomTaxRate"]);
    if (taxRate < 0 || taxRate > 1) MakeException(msg::kSubsidyTaxRateRange, {}, At(row, "IncomTaxRate"));
}

void TSubsidyVoucherBill::CheckAmount(Dataset& row) {
    if (CFloat(row["Account"]) == 0) MakeException(refusals_.amountZero, {}, At(row, "Account"));
}

void TSubsidyVoucherBill::CheckPayPeriodGiven(Dataset& row) {
    const bool paidOnItsOwn = CInt(row["SalaryType"]) == 0;
    if (!paidOnItsOwn && CInt(row["SalaryMonth"]) == 0)
        MakeException(msg::kSubsidySalaryMonthEmpty, {}, At(row, "SalaryMonth"));
    if (paidOnItsOwn && CInt(row["SalaryDate"]) == 0) MakeException(msg::kSubsidyPayDateEmpty, {}, At(row, "SalaryDate"));
}

void TSubsidyVoucherBill::CheckMonthInEmployment(Dataset& row) {
    if (CInt(row["SalaryType"]) == 0) return;
    if (!suite::OnJobInMonth(*this, CStr(row["PersonID"]), static_cast<int>(CInt(row["SalaryMonth"]))))
        MakeException(refusals_.monthOutsideEmployment, {}, At(row, "SalaryMonth"));
}

void TSubsidyVoucherBill::SettleBank(Dataset& row) {
    PointedAt(At(row, "PSalaryBank"), [&] {
        SettleRowAccount(
            row, SubsidyPayee(row, false), SubsidyPayee(row, true),
            [this](const std::string& person, const std::string& bank) { return AccountAt(person, bank); },
            [this](const std::string& person, const std::string& bank) { RefuseBankNotOwned(bank, person); });
    });
}

void TSubsidyVoucherBill::RefuseBankNotOwned(const std::string& bank, const std::string& person) {
    if (refusals_.namesPerson) MakeException(refusals_.bankNotOwned, {Variant(bank), Variant(person)});
    MakeException(refusals_.bankNotOwned, {Variant(bank)});
}

// ------------------------------------------------------------------ the voucher number

void TSubsidyVoucherBill::AfterUpdate() {
    TQVXComBase::AfterUpdate();
    if (!SkipsBusinessChecks()) UpdateVoucherNo(kVoucherField);
}

void TSubsidyVoucherBill::BeforeDelete() {
    TQVXComBase::BeforeDelete();
    CheckVoucherNo(kVoucherField, 0);
}

void TSubsidyVoucherBill::BeforeEdit() {
    TQVXComBase::BeforeEdit();
    CheckVoucherNo(kVoucherField, 1);
}

bool TSubsidyVoucherBill::BeforeCheckVoucherNo() { return false; }

// ------------------------------------------------------------------ field lookups

void TSubsidyVoucherBill::DoCheckFieldValues(int datasetIndex, const VariantArray& names,
                                             const VariantArray& values) {
    checkedDataset_ = datasetIndex;
    checkedNames_ = names;
    checkedValues_ = values;
    const std::string field = CStr(Item(names, 0));
    if (SameText(field, "PersonID") && CInt(Item(values, 1)) == 1) {
        if (!GetIsOnWork(Db(), CStr(Item(values, 0)), static_cast<QVXDate>(CInt(Item(values, 2))),
                         static_cast<QVXDate>(CInt(Item(values, 3))), false))
            MakeException(msg::kSubsidyPersonOffJob, {Item(values, 0)});
    } else if (SameText(field, "PSalaryBank")) {
        const std::string bank = CStr(Item(values, 0)), person = CStr(Item(values, 1));
        if (!Trim(bank).empty() && !Trim(person).empty() && AccountAt(person, bank).empty())
            RefuseBankNotOwned(bank, person);
    }
    TQVXComBase::DoCheckFieldValues(datasetIndex, names, values);
}

void TSubsidyVoucherBill::CheckFieldReturn(TOleVariantList& list) {
    TQVXComBase::CheckFieldReturn(list);
    const bool ofRows = refusals_.accountDataset < 0 || checkedDataset_ == refusals_.accountDataset;
    if (ofRows && SameText(CStr(Item(checkedNames_, 0)), "PSalaryBank"))
        list.emplace_back("PAccountNumber",
                          Variant(AccountAt(CStr(Item(checkedValues_, 1)), CStr(Item(checkedValues_, 0)))));
    checkedDataset_ = -1;
    checkedNames_.clear();
    checkedValues_.clear();
}

// ------------------------------------------------------------------ salary banks and payment

std::string TSubsidyCut::GetPersonBankAccount(const std::string& personId, const std::string& bankId) {
    if (Trim(personId).empty()) return "";
    return CStr(GetDBConn().DBSelectSQL("Select PayAccount From humPersonSetAccount Where Flag=1 And ID = " +
                                        QuoteStr(personId) + " And PayBankID = " + QuoteStr(bankId)));
}

std::string TSubsidyCut::GetPersonBankList(const std::string& personId) {
    Dataset banks =
        GetDBConn().OpenDataset("Select PayBankID From humPersonSetAccount Where Flag=1 And ID = " + QuoteStr(personId));
    TStringArray quoted;
    for (banks.First(); !banks.Eof(); banks.Next()) quoted.push_back(QuoteStr(CStr(banks["PayBankID"])));
    return MergeStrings(quoted, ",");
}

void TSubsidyCut::SetPaidFlags(const std::string& billNo, bool cashPaid, bool bankPaid) {
    const std::string where = " Where BillNo = " + QuoteStr(billNo) + " And Flag = 1";
    if (CInt(GetDBConn().DBSelectSQL("Select Count(*) From HumSubsidyCut" + where)) == 0)
        MakeException(msg::kBillNotFound, {Variant(billNo)});
    GetDBConn().DBExecSQL("Update HumSubsidyCut Set CashPaid = " + std::string(cashPaid ? "1" : "0") +
                          ", BankPaid = " + (bankPaid ? "1" : "0") + where);
}

// ------------------------------------------------------------------ the class

namespace {

// The procedures other bills and the payment side call through DoCOMMethod.
std::vector<ProcedureDef> SubsidyCutProcedures() {
    using A = ArgType;
    auto opt = [](std::string name, ArgType type) { return ArgDef{std::move(name), type, true}; };
    std::vector<ProcedureDef> p;
    p.push_back({0, "SetPaidFlags", ArgShape::Array,
                 {{"BillNo", A::Text}, {"CashPaid", A::Bool}, {"BankPaid", A::Bool}},
                 Routine<TSubsidyCut>([](TSubsidyCut& o, const ProcArgs& a) -> Variant {
                     o.SetPaidFlags(a.Text(0), a.Bool(1), a.Bool(2));
                     return Variant();
                 })});
    p.push_back({1, "GetPersonBankList", ArgShape::Single, {opt("PersonID", A::Text)},
                 Routine<TSubsidyCut>([](TSubsidyCut& o, const ProcArgs& a) -> Variant {
                     return Variant(o.GetPersonBankList(a.Text(0)));
                 })});
    // Called as (person, bank) in the first and the second argument.
    p.push_back({2, "GetPersonBankAccount", ArgShape::Pair, {opt("PersonID", A::Text), opt("BankID", A::Text)},
                 Routine<TSubsidyCut>([](TSubsidyCut& o, const ProcArgs& a) -> Variant {
                     return Variant(o.GetPersonBankAccount(a.Text(0), a.Text(1)));
                 })});
    MarkReading(p, {1, 2});
    return p;
}

}  // namespace

const ClassDescriptor& SubsidyCutClass() {
    static const ClassDescriptor d = [] {
        using namespace column_types;
        ClassDescriptor d;
        d.className = "TSubsidyCut";
        d.coclass = "SubsidyCut";
        d.progId = prog_id::kSubsidyCut;
        d.role = roles::kPayroll;
        d.clsid = "{9FA022A2-E2A8-4F27-B8E9-61FE837DACDD}";
        d.interfaceName = "ISubsidyCut";
        d.iid = "{E85C8694-2700-4B70-9ED4-B59F855C4DBC}";
        d.keyColumn = "BillNo";
        d.title = "津贴扣款单";
        d.labels = WithSharedLabels({{"SalaryType", "结算方式"}});
        d.findDate = "BillDate";
        d.findPersonDataset = 0;
        d.findPerson = "PersonID";
        d.datasets = {SingleRowDataset("HumSubsidyCut", 1)};
        // SalaryType 0: paid on its own on SalaryDate by PayType (1 cash, 0 bank, 2 both);
        // otherwise settled in the salary of SalaryMonth.
        d.tables.push_back({"HumSubsidyCut",
                     {
                         {"Flag", kInt},          {"BillNo", kText},         {"RowNo", kInt},
                         {"SerNo", kInt},         {"BillDate", kInt},        {"PersonID", kText},
                         {"SalaryItem", kText},   {"SalaryType", kInt},      {"PayType", kInt},
                         {"PSalaryBank", kText},  {"PAccountNumber", kText}, {"IncomTaxRate", kFloat},
                         {"Amount", kFloat},      {"Price", kMoney},         {"Account", kMoney},
                         {"RealAccount", kMoney}, {"DeductAccount", kMoney}, {"SalaryMonth", kInt},
                         {"SalaryDate", kInt},    {"SalaryStaus", kInt},     {"CashPaid", kBool},
                         {"BankPaid", kBool},     {"PVoucherNO", kText},     {"Memo", kText},
                     },
                     {"Flag", "BillNo", "RowNo"}});
        d.indexes.push_back(Index("HumSubsidyCut", {"PersonID", "SalaryMonth"}));
        d.indexes.push_back(Index("HumSubsidyCut", {"BillNo"}));
        d.create = [] { return std::make_unique<TSubsidyCut>(); };
        d.procedures = SubsidyCutProcedures();
        d.demo = SubsidyCutDemo;
        return d;
    }();
    return d;
}

}  // namespace humrs
