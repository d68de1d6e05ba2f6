#include "payroll/CoSubsidyCutDate.h"

#include "core/Convert.h"
#include "core/Text.h"
#include "framework/RefusalPlace.h"
#include "payroll/PaidFlags.h"
#include "payroll/SubsidyCutDateMessages.h"
#include "payroll/SubsidyCutMessages.h"
#include "suite/FieldLabels.h"
#include "suite/SuiteCalls.h"
#include "utils/DateUtils.h"

namespace humrs {

// ------------------------------------------------------------------ save, edit and delete

const SubsidyRowRefusals kSubsidyCutDateRefusals{
    .bankRequired = msg::kSubsidyDateBankRequired,
    .amountZero = msg::kSubsidyDateAmountZero,
    .monthOutsideEmployment = msg::kSubsidyDateMonthOutsideEmployment,
    .bankNotOwned = msg::kSubsidyDateBankNotOwned,
    .namesPerson = true,
    .accountDataset = 1,
    .rowDataset = 1};

TSubsidyCutDate::TSubsidyCutDate() : TSubsidyVoucherBill(kSubsidyCutDateRefusals) {}

void TSubsidyCutDate::BeforeUpdate() {
    Dataset& header = GetDatasets(0);
    Dataset& rows = GetDatasets(1);
    RequireDateOrZero(CInt(header["BillDate"]), "BillDate");
    const bool checked = !UnderImportLogin();
    for (rows.First(); !rows.Eof(); rows.Next()) {
        GuardSubsidyRow(*this, 1, rows);
        // Without the checks a month or a day that does not exist is still never stored.
        if (!checked) CheckRowDates(rows);
    }
    if (!checked) return;
    const Variant salaryItem = header["SalaryItem"];
    const Variant billDate = header["BillDate"];
    for (rows.First(); !rows.Eof(); rows.Next()) CheckRow(rows, salaryItem, billDate);
}

void TSubsidyCutDate::CheckRow(Dataset& row, const Variant& salaryItem, const Variant& billDate) {
    CheckBankNamed(row);
    CheckAmount(row);
    CheckPayPeriodGiven(row);
    CheckTaxRate(row);
    CheckRowDates(row);

    // The bill is of one salary item on one bill date: every row carries the header's,
    // so the income tax summary finds each row under its item and in its month.
    if (!row["SalaryItem"].SameValue(salaryItem)) row.SetFieldValue("SalaryItem", salaryItem);
    if (CInt(billDate) != 0 && !row["BillDate"].SameValue(billDate)) row.SetFieldValue("BillDate", billDate);
    row.Post();

    CheckMonthInEmployment(row);
    SettleBank(row);
}

void TSubsidyCutDate::CheckRowDates(Dataset& row) {
    // The salary month with day 01, and the pay date, must be days of the calendar;
    // 0 means not entered.
    const int64_t month = CInt(row["SalaryMonth"]);
    const int64_t day = CInt(row["SalaryDate"]);
    const bool dayValid = day > 0 && day <= 99991231 && IsValidDate(static_cast<QVXDate>(day));
    if ((month != 0 && !IsValidSalaryMonth(month)) || (day != 0 && !dayValid))
        MakeException(msg::kSubsidyDateInvalid, {},
                      At(row, month != 0 && !IsValidSalaryMonth(month) ? "SalaryMonth" : "SalaryDate"));
}

void TSubsidyCutDate::AfterUpdate() {
    TSubsidyVoucherBill::AfterUpdate();
    // A row added to a paid bill leaves it unpaid; the header never says what its rows do not.
    RecountHeaderPaid(CStr(GetDatasets(0)["BillNo"]));
}

std::string TSubsidyCutDate::AccountAt(const std::string& personId, const std::string& bankId) {
    return suite::PersonBankAccount(*this, personId, bankId);
}

// ------------------------------------------------------------------ payment and numbering

void TSubsidyCutDate::MarkSubsidyRowPaid(const std::string& billNo, const std::string& personId, int rowNo,
                                         bool cashPaid, bool bankPaid) {
    const std::string where = " Where BillNo = " + QuoteStr(billNo) +
                              " And PersonID = " + QuoteStr(personId) +
                              " And RowNo = " + std::to_string(rowNo) + " And Flag = 4";
    if (CInt(GetDBConn().DBSelectSQL("Select Count(*) From HumSubsidyCut" + where)) == 0)
        MakeException(msg::kSubsidyDateRowNotFound,
                      {Variant(billNo), Variant(personId), Variant(rowNo)});
    GetDBConn().DBExecSQL("Update HumSubsidyCut Set CashPaid = " + std::string(cashPaid ? "1" : "0") +
                          ", BankPaid = " + (bankPaid ? "1" : "0") + where);
    RecountHeaderPaid(billNo);
}

void TSubsidyCutDate::RecountHeaderPaid(const std::string& billNo) {
    const std::string bill = QuoteStr(billNo);
    RecountBillPaid(GetDBConn(), "Select Count(*) From HumSubsidyCut Where Flag = 4 And BillNo = " + bill,
                    "PayType", "Update OstrelHeader Set PIsTran = ", " Where Flag = 4 And BillNo = " + bill);
}

std::string TSubsidyCutDate::NewBillNo() {
    return CStr(GetMaxID(ContextNumber(), std::to_string(GetServerDate()))[0]);
}

// ------------------------------------------------------------------ the class

namespace {

// The procedures the payment side and the client call.
std::vector<ProcedureDef> SubsidyCutDateProcedures() {
    using A = ArgType;
    std::vector<ProcedureDef> p;
    p.push_back({0,
                 "MarkSubsidyRowPaid",
                 ArgShape::Array,
                 {{"BillNo", A::Text},
                  {"PersonID", A::Text},
                  {"RowNo", A::Int},
                  {"CashPaid", A::Bool},
                  {"BankPaid", A::Bool}},
                 Routine<TSubsidyCutDate>([](TSubsidyCutDate& o, const ProcArgs& a) -> Variant {
                     o.MarkSubsidyRowPaid(a.Text(0), a.Text(1), a.Int(2), a.Bool(3), a.Bool(4));
                     return Variant();
                 })});
    p.push_back({1,
                 "NewBillNo",
                 ArgShape::None,
                 {},
                 Routine<TSubsidyCutDate>(
                     [](TSubsidyCutDate& o, const ProcArgs&) -> Variant { return Variant(o.NewBillNo()); })});
    return p;
}

}  // namespace

const ClassDescriptor& SubsidyCutDateClass() {
    static const ClassDescriptor d = [] {
        using namespace column_types;
        ClassDescriptor d;
        d.className = "TSubsidyCutDate";
        d.coclass = "SubsidyCutDate";
        d.progId = "QVXHumrs.SubsidyCutDate";
        d.role = roles::kPayroll;
        d.clsid = "{7ED35F9A-293D-47ED-B505-A74B60D2256C}";
        d.interfaceName = "ISubsidyCutDate";
        d.iid = "{4627433D-9791-4DD4-9ADD-1C4AF5A7E01F}";
        d.keyColumn = "BillNo";
        d.title = "按日期津贴扣款单";
        d.labels = WithSharedLabels({{"SalaryType", "结算方式"}});
        d.findDate = "BillDate";
        d.findPersonDataset = 1;
        d.findPerson = "PersonID";
        d.datasets = {HeaderDataset("OstrelHeader", 4), BodyDataset("HumSubsidyCut", 4)};
        d.tables.push_back({"OstrelHeader",
                            {{"Flag", kInt},
                             {"BillNo", kText},
                             {"BillDate", kInt},
                             {"SalaryItem", kText},
                             {"PIsTran", kBool},
                             {"PVoucherNO", kText},
                             {"Memo", kText}},
                            {"Flag", "BillNo"}});
        d.create = [] { return std::make_unique<TSubsidyCutDate>(); };
        d.procedures = SubsidyCutDateProcedures();
        d.demo = SubsidyCutDateDemo;
        return d;
    }();
    return d;
}

}  // namespace humrs
