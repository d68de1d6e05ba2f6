#include "payroll/CoAdvPayment.h"

#include <map>

#include "core/Convert.h"
#include "core/Errors.h"
#include "core/Text.h"
#include "framework/RefusalPlace.h"
#include "payroll/AdvPaymentMessages.h"
#include "payroll/AdvPaymentSettings.h"
#include "payroll/PaidFlags.h"
#include "payroll/RowAccount.h"
#include "suite/Attendance.h"
#include "suite/FieldLabels.h"
#include "suite/ProgIds.h"
#include "suite/SuiteCalls.h"
#include "utils/DateUtils.h"

namespace humrs {

namespace {

void SetIfDifferent(Dataset& ds, const char* field, const Variant& value) {
    if (!ds[field].SameValue(value)) ds.SetFieldValue(field, value);
}

// The payment marks belong to the payment side (procedure 1): a save keeps what is
// stored, and a new row starts unpaid.
void KeepStoredMark(Dataset& ds, const char* field) {
    const bool stored = ds.RowStatus() != UpdateStatus::Inserted;
    SetIfDifferent(ds, field, Variant(stored && CBool(ds.OldValue(field))));
}

// Amounts compared to the ten-thousandth: sums of binary fractions (1000.1 + 0.2)
// must not push an advance equal to the salary due over it.
bool Exceeds(double amount, double limit) { return RoundValue(amount, 4) > RoundValue(limit, 4); }

// Whom an advance row pays and through which bank, as it stands now or as stored.
RowPayee AdvancePayee(const Dataset& row, bool stored) {
    auto value = [&](const char* field) { return stored ? row.OldValue(field) : row[field]; };
    const bool throughBank = CInt(value("SalaryType")) != pay_way::kCash;
    return {CStr(value("PersonID")), throughBank ? CStr(value("PSalaryBank")) : std::string()};
}

// One person's row of the bill, as the save checks read it.
struct AdvanceRow {
    std::string person;
    int64_t rowNo = 0;
    double amount = 0;
    int payWay = pay_way::kCash;
    std::string bank;
    Currency bankAmount;
    bool countsAgainstDue = false;
};
}  // namespace

// ------------------------------------------------------------------ a new bill

void TAdvPayment::DoAddDefaultRecord() {
    TQVXComBase::DoAddDefaultRecord();
    Dataset& header = GetDatasets(0);
    const int month = GetServerDate() / 100;
    const AdvPaymentSettings settings = AdvPaymentSettings::Read(*this);
    header.SetFieldValue("CaclByPercent", Variant(settings.byPercent));
    if (settings.byPercent) header.SetFieldValue("PayRate", Variant(CCurr(Variant(settings.payRate))));
    header.SetFieldValue("SalaryYearMonth", Variant(month));
    // A percentage advance is paid, and its persons judged, on the 16th.
    if (settings.byPercent) {
        header.SetFieldValue("PayDay", Variant(month * 100 + 16));
        header.SetFieldValue("EndDate", Variant(month * 100 + 16));
    }
}

// ------------------------------------------------------------------ save

void TAdvPayment::CheckBillIntegrity() {
    // What guards the stored data itself, before any rule: a salary month and dates
    // that exist, payment ways the payment side knows, and the payment marks, which
    // only the payment side sets.
    Dataset& header = GetDatasets(0);
    header.First();
    const int64_t month = CInt(header["SalaryYearMonth"]);
    if (month != 0 && (month < 0 || month > 999912 || !IsValidDate(static_cast<QVXDate>(month * 100 + 1))))
        throw InputError("SalaryYearMonth " + Num(month) + " is not a year-month (yyyymm, or 0)");
    RequireDateOrZero(CInt(header["PayDay"]), "PayDay");
    RequireDateOrZero(CInt(header["EndDate"]), "EndDate");
    KeepStoredMark(header, "PIsTran");
    header.Post();

    Dataset& rows = GetDatasets(1);
    for (rows.First(); !rows.Eof(); rows.Next()) {
        const int64_t way = CInt(rows["SalaryType"]);
        if (way != pay_way::kBank && way != pay_way::kCash && way != pay_way::kSplit)
            throw InputError("SalaryType " + Num(way) + " of row " + CStr(rows["RowNo"]) +
                             " is no payment way (1 cash, 0 bank, 2 both)");
        KeepStoredMark(rows, "CashPaid");
        KeepStoredMark(rows, "BankPaid");
        rows.Post();
    }
    Dataset& salaryRows = GetDatasets(2);
    for (salaryRows.First(); !salaryRows.Eof(); salaryRows.Next()) {
        KeepStoredMark(salaryRows, "CashPaid");
        KeepStoredMark(salaryRows, "BankPaid");
        salaryRows.Post();
    }
}

void TAdvPayment::BeforeUpdate() {
    TQVXComBase::BeforeUpdate();
    CheckBillIntegrity();
    Dataset& header = GetDatasets(0);
    header.First();
    const std::string billNo = CStr(header["BillNo"]);
    const int month = static_cast<int>(CInt(header["SalaryYearMonth"]));
    const bool byPercent = CBool(header["CaclByPercent"]);
    const int endDate = static_cast<int>(CInt(header["EndDate"]));
    if (CInt(header["PeriodCount"]) == 0 && !byPercent) MakeException(msg::kAdvPeriodNotSet, {}, AtHeader("PeriodCount"));

    // rows[i] is the person's row i of dataset 1, where a refusal of it points.
    std::vector<AdvanceRow> rows;
    Dataset& body = GetDatasets(1);
    for (body.First(); !body.Eof(); body.Next())
        rows.push_back({CStr(body["PersonID"]), CInt(body["RowNo"]), CFloat(body["RealSalary"]),
                        static_cast<int>(CInt(body["SalaryType"])), CStr(body["PSalaryBank"]),
                        CCurr(body["BankAmount"]), CInt(body["SalaryStatus"]) == 1});

    auto at = [](size_t i, const char* field) { return RefusalAt{1, static_cast<int>(i), field}; };
    for (size_t i = 0; i < rows.size(); ++i)
        if (!GetIsOnWork(Db(), rows[i].person, endDate))
            MakeException(msg::kAdvPersonOffJob, {Variant(rows[i].person)}, at(i, "PersonID"));

    // The bank split of each person's row, summed in currency.
    std::map<int64_t, Currency> split;
    Dataset& banks = GetDatasets(3);
    for (banks.First(); !banks.Eof(); banks.Next()) split[CInt(banks["ParentRowNO"])] += CCurr(banks["BankMoneny"]);

    for (size_t i = 0; i < rows.size(); ++i) {
        const AdvanceRow& row = rows[i];
        if (row.payWay != pay_way::kCash && Trim(row.bank).empty())
            MakeException(msg::kAdvBankRequired, {Variant(row.person)}, at(i, "PSalaryBank"));
        // A bill saved without the bank lookup must still pay a new row, or one whose
        // person or bank changed, into an account of the person, and carries that
        // account's number.
        body.MoveTo(i);
        SettleRowAccount(
            body, AdvancePayee(body, false), AdvancePayee(body, true),
            [this](const std::string& person, const std::string& bank) { return BankAccount(person, bank); },
            [&](const std::string& person, const std::string& bank) {
                MakeException(msg::kAdvBankNotOwned, {Variant(bank), Variant(person)}, at(i, "PSalaryBank"));
            });
        if (byPercent) {
            // What the person is advanced on the other bills of the month and on the
            // other rows of this bill, against the salary due.
            double others = CFloat(GetDBConn().DBSelectSQL(
                "Select Sum(RealSalary) From humAdvPaySub Where PersonID = " + QuoteStr(row.person) +
                " And SalaryYearMonth = " + Num(month) + " And BillNo <> " + QuoteStr(billNo) +
                " And SalaryStatus = 1"));
            for (size_t j = 0; j < rows.size(); ++j)
                if (j != i && rows[j].countsAgainstDue && SameText(rows[j].person, row.person)) others += rows[j].amount;
            const double due = suite::SalaryDue(*this, row.person, month);
            if (Exceeds(row.amount, due) || Exceeds(row.amount + others, due))
                MakeException(msg::kAdvOverSalaryDue, {Variant(row.person)}, at(i, "RealSalary"));
        } else if (split[row.rowNo] != row.bankAmount) {
            MakeException(msg::kAdvBankSplitMismatch, {Variant(row.person)}, at(i, "BankAmount"));
        }
    }

    // Every row carries the header's month, pay day, period and kind.
    for (body.First(); !body.Eof(); body.Next()) {
        for (const char* field : {"SalaryYearMonth", "PayDay", "PeriodCount", "CaclByPercent"})
            SetIfDifferent(body, field, header[field]);
        body.Post();
    }
}

void TAdvPayment::AfterUpdate() {
    TQVXComBase::AfterUpdate();
    Dataset& header = GetDatasets(0);
    header.First();
    const std::string billNo = CStr(header["BillNo"]);
    if (!CBool(header["CaclByPercent"])) {
        // The period bills of one month and period number share the end date saved last.
        const std::string others = "CaclByPercent = 0 And SalaryYearMonth = " + Num(CInt(header["SalaryYearMonth"])) +
                                   " And PeriodCount = " + Num(CInt(header["PeriodCount"])) +
                                   " And BillNo <> " + QuoteStr(billNo);
        const int64_t endDate = CInt(header["EndDate"]);
        const Variant shared = DBSelectValue(prog_id::kAdvPayment, 0, "EndDate", others, "BillNo");
        if (!shared.IsNullOrEmpty() && CInt(shared) != endDate)
            GetDBConn().DBExecSQL("Update humAdvPayMain Set EndDate = " + Num(endDate) + " Where " + others);
    }
    // A changed bill may have gained unpaid rows or lost some: its paid mark follows
    // the rows it now has.
    RecountBillPaid(GetDBConn(), "Select Count(*) From humAdvPaySub Where BillNo = " + QuoteStr(billNo), "SalaryType",
                    "Update humAdvPayMain Set PIsTran = ", " Where BillNo = " + QuoteStr(billNo));
}

// ------------------------------------------------------------------ delete

void TAdvPayment::BeforeDelete() {
    TQVXComBase::BeforeDelete();
    Dataset& header = GetDatasets(0);
    header.First();
    const bool byPercent = CBool(header["CaclByPercent"]);
    Dataset& rows = GetDatasets(1);
    for (rows.First(); !rows.Eof(); rows.Next()) {
        if (CBool(rows["CashPaid"]) || CBool(rows["BankPaid"])) MakeException(msg::kAdvPaidNoDelete);
        if (byPercent) continue;
        // Only a person's last period of the month may go.
        const std::string later = "PeriodCount > " + Num(CInt(rows["PeriodCount"])) +
                                  " And SalaryYearMonth = " + Num(CInt(rows["SalaryYearMonth"])) +
                                  " And CaclByPercent = " + (CBool(rows["CaclByPercent"]) ? "1" : "0") +
                                  " And PersonID = " + QuoteStr(CStr(rows["PersonID"]));
        if (CInt(DBSelectValue(prog_id::kAdvPayment, 1, "Count(*)", later, "")) > 0)
            MakeException(msg::kAdvNotLastPeriod, {rows["PersonID"]});
    }
}

// ------------------------------------------------------------------ field lookups

void TAdvPayment::DoCheckFieldValues(int datasetIndex, const VariantArray& names, const VariantArray& values) {
    checkedDataset_ = datasetIndex;
    checkedNames_ = names;
    checkedValues_ = values;
    const std::string field = CStr(Item(names, 0));
    if (SameText(field, "PSalaryBank")) {
        // [0] the bank chosen, [1] the person.
        const std::string bank = CStr(Item(values, 0)), person = CStr(Item(values, 1));
        if (!Trim(bank).empty() && !Trim(person).empty() && BankAccount(person, bank).empty())
            MakeException(msg::kAdvBankNotOwned, {Variant(bank), Variant(person)});
    } else if (SameText(field, "PersonID")) {
        // [0] the person, [1] the date the person must be on the job on (none: today).
        const std::string person = CStr(Item(values, 0));
        const int64_t given = CInt(Item(values, 1));
        RequireDateOrZero(given, "Date");
        const QVXDate date = given == 0 ? GetServerDate() : static_cast<QVXDate>(given);
        if (!Trim(person).empty() && !GetIsOnWork(Db(), person, date))
            MakeException(msg::kAdvPersonOffJob, {Variant(person)});
    }
    TQVXComBase::DoCheckFieldValues(datasetIndex, names, values);
}

void TAdvPayment::CheckFieldReturn(TOleVariantList& list) {
    TQVXComBase::CheckFieldReturn(list);
    if (checkedDataset_ == 1) {
        const std::string field = CStr(Item(checkedNames_, 0));
        if (SameText(field, "PersonID")) {
            // The person's salary settings: a person paid through the salary run
            // (PaySalary) is advanced outside the salary due; no settings count against it.
            const Variant set = GetDBConn().DBSelectSQL("Select PaySalary, CashRate From humPersonSetMain Where Flag = 1 "
                                                        "And ID = " + QuoteStr(CStr(Item(checkedValues_, 0))));
            const bool paySalary = set.IsArray() && CBool(set[0]);
            list.emplace_back("SalaryStatus", Variant(paySalary ? 0 : 1));
            list.emplace_back("CashRate", Variant(set.IsArray() ? CFloat(set[1]) : 0.0));
        } else if (SameText(field, "PSalaryBank")) {
            list.emplace_back("PAccountNumber", Variant(BankAccount(CStr(Item(checkedValues_, 1)),
                                                                    CStr(Item(checkedValues_, 0)))));
        }
    }
    checkedDataset_ = -1;
    checkedNames_.clear();
    checkedValues_.clear();
}

std::string TAdvPayment::BankAccount(const std::string& personId, const std::string& bankId) {
    return suite::PersonBankAccount(*this, personId, bankId);
}

// ------------------------------------------------------------------ procedures

VariantArray TAdvPayment::GetSelectionRanges() {
    VariantArray ranges{Variant(std::string()), Variant(std::string()), Variant(std::string()),
                        Variant(std::string())};
    const Variant departments = GetMinMaxValue(prog_id::kDepartment, 0, "DepartID", "");
    ranges[0] = Variant(CStr(departments[0]));
    ranges[1] = Variant(CStr(departments[1]));
    const QVXDate sixteenth = GetServerDate() / 100 * 100 + 16;
    const std::string onJob = GetPersonIDOnWork(Db(), sixteenth, false, true, false);
    if (!onJob.empty()) {
        const Variant persons = GetMinMaxValue(prog_id::kPerson, 0, "PersonID", "PersonID In (" + onJob + ")");
        ranges[2] = Variant(CStr(persons[0]));
        ranges[3] = Variant(CStr(persons[1]));
    }
    return ranges;
}

void TAdvPayment::MarkAdvancePaid(const std::string& billNo, const std::string& personId, int rowNo, bool cashPaid,
                                  bool bankPaid) {
    const std::string bill = QuoteStr(billNo), person = QuoteStr(personId);
    const std::string row = " Where BillNo = " + bill + " And PersonID = " + person + " And RowNo = " + Num(rowNo);
    if (CInt(GetDBConn().DBSelectSQL("Select Count(*) From humAdvPaySub" + row)) == 0)
        MakeException(msg::kAdvRowNotFound, {Variant(billNo), Variant(personId), Variant(rowNo)});
    const std::string marks =
        std::string(" Set CashPaid = ") + (cashPaid ? "1" : "0") + ", BankPaid = " + (bankPaid ? "1" : "0");
    GetDBConn().DBExecSQL("Update humAdvPaySub" + marks + row);
    GetDBConn().DBExecSQL("Update humSalaryMain" + marks + " Where Flag = 2 And BillNo = " + bill +
                          " And PersonID = " + person + " And ParentRowNO = " + Num(rowNo));
    RecountBillPaid(GetDBConn(), "Select Count(*) From humAdvPaySub Where BillNo = " + bill, "SalaryType",
                    "Update humAdvPayMain Set PIsTran = ", " Where BillNo = " + bill);
}

// ------------------------------------------------------------------ the class

namespace {

std::vector<ProcedureDef> AdvPaymentProcedures() {
    using A = ArgType;
    std::vector<ProcedureDef> p;
    p.push_back({0, "GetSelectionRanges", ArgShape::None, {},
                 Routine<TAdvPayment>([](TAdvPayment& o, const ProcArgs&) -> Variant {
                     return Variant(o.GetSelectionRanges());
                 })});
    // The payment side calls the allowance-by-date and salary bills with the same layout.
    p.push_back({1, "MarkAdvancePaid", ArgShape::Array,
                 {{"BillNo", A::Text}, {"PersonID", A::Text}, {"RowNo", A::Int}, {"CashPaid", A::Bool},
                  {"BankPaid", A::Bool}},
                 Routine<TAdvPayment>([](TAdvPayment& o, const ProcArgs& a) -> Variant {
                     o.MarkAdvancePaid(a.Text(0), a.Text(1), a.Int(2), a.Bool(3), a.Bool(4));
                     return Variant();
                 })});
    MarkReading(p, {0});
    return p;
}

}  // namespace

const ClassDescriptor& AdvPaymentClass() {
    static const ClassDescriptor d = [] {
        using namespace column_types;
        ClassDescriptor d;
        d.className = "TAdvPayment";
        d.coclass = "AdvPayment";
        d.progId = prog_id::kAdvPayment;
        d.role = roles::kPayroll;
        d.clsid = "{DEB7060E-793B-40F5-8E70-DC9D336B3B93}";
        d.interfaceName = "IAdvPayment";
        d.iid = "{A9841475-6E35-4DAC-9E76-F0AABE62B9FD}";
        d.description = "AdvPayment Object";
        d.keyColumn = "BillNo";
        d.title = "预支薪资单";
        d.labels = WithSharedLabels({{"EndDate", "期末日期"},
                                      {"PeriodCount", "期次"},
                                      {"CaclByPercent", "按比例计算"},
                                      {"PayRate", "预支比例"},
                                      {"RealSalary", "预支金额"},
                                      {"BankAmount", "银行金额"},
                                      {"SalaryStatus", "发放状态"}});
        d.findDate = "BillDate";
        d.findPersonDataset = 1;
        d.findPerson = "PersonID";
        d.datasets = {HeaderDataset("humAdvPayMain"), BodyDataset("humAdvPaySub"),
                      UnderRowDataset("humSalaryMain", "ParentRowNO", 2, 1), UnderRowDataset("humSalaryBank", "ParentRowNO", 2, 1)};
        d.tables.push_back({"humAdvPayMain",
                     {{"BillNo", kText},
                      {"BillDate", kInt},
                      {"SalaryYearMonth", kInt},
                      {"PayDay", kInt},
                      {"EndDate", kInt},
                      {"PeriodCount", kInt},
                      {"CaclByPercent", kBool},
                      {"PayRate", kMoney},
                      {"PIsTran", kBool},
                      {"Memo", kText}},
                     {"BillNo"}});
        d.tables.push_back({"humAdvPaySub",
                     {{"BillNo", kText},
                      {"RowNo", kInt},
                      {"SerNo", kInt},
                      {"PersonID", kText},
                      {"RealSalary", kFloat},
                      {"SalaryType", kInt},  // 1 cash, 0 bank, 2 both
                      {"PSalaryBank", kText},
                      {"PAccountNumber", kText},
                      {"BankAmount", kMoney},
                      {"SalaryStatus", kInt},
                      {"CashRate", kFloat},
                      {"CashPaid", kBool},
                      {"BankPaid", kBool},
                      {"SalaryYearMonth", kInt},
                      {"PayDay", kInt},
                      {"PeriodCount", kInt},
                      {"CaclByPercent", kBool}},
                     {"BillNo", "RowNo"}});
        d.indexes.push_back(Index("humAdvPayMain", {"SalaryYearMonth", "PeriodCount"}));
        d.indexes.push_back(Index("humAdvPaySub", {"PersonID", "SalaryYearMonth"}));
        d.create = [] { return std::make_unique<TAdvPayment>(); };
        d.procedures = AdvPaymentProcedures();
        d.demo = AdvPaymentDemo;
        return d;
    }();
    return d;
}

}  // namespace humrs
