#include "personnel/CoChangeSalary.h"

#include <algorithm>
#include <map>

#include "core/Convert.h"
#include "core/Format.h"
#include "core/Text.h"
#include "personnel/ChangeSalaryMessages.h"
#include "personnel/ChangeSalarySettings.h"
#include "personnel/PersonnelTransfer.h"
#include "suite/Attendance.h"
#include "utils/DateUtils.h"

namespace humrs {

namespace {

std::string Num(int64_t n) { return std::to_string(n); }
std::string Flag01(bool b) { return b ? "1" : "0"; }
std::string PersonKey(const std::string& person) { return LowerAscii(Trim(person)); }

// A row of the bill as the delete and undo steps need it.
struct ChangeRow {
    std::string person;
    int changeTimes = 0;
    bool isNew = false;
    bool isTransfer = false;
};

// Undo runs from the highest number down, so that each undo finds the snapshot taken
// before its own transfer.
void HighestFirst(std::vector<ChangeRow>& rows) {
    std::stable_sort(rows.begin(), rows.end(),
                     [](const ChangeRow& a, const ChangeRow& b) { return a.changeTimes > b.changeTimes; });
}

}  // namespace

// ------------------------------------------------------------------ save and delete

void TChangeSalary::BeforeUpdate() {
    TQVXComBase::BeforeUpdate();
    Dataset& body = GetDatasets(1);
    Dataset& items = GetDatasets(2);
    CheckRowIntegrity(body);
    const bool importing = Importing();
    if (!importing) CheckGetIsOnWork(Db(), body, "NAdjustDate", "PersonID");

    // Numbers already held by rows of this bill, so that two new rows of one person
    // in one bill get two numbers.
    std::vector<std::pair<std::string, int>> numbered;
    for (body.First(); !body.Eof(); body.Next())
        numbered.emplace_back(PersonKey(CStr(body["PersonID"])), static_cast<int>(CInt(body["ChangeTimes"])));

    for (body.First(); !body.Eof(); body.Next()) {
        CheckChosenAmounts(body);
        NumberChange(body, numbered);
        CheckSalaryItems(body, items);
        if (!importing) CheckTwoChangesInMonth(body);
    }

    if (!body.HasChanges()) return;
    std::vector<ChangeRow> deleted;
    DeltaDataset d(GetDeltaDatasets(1));
    for (d.First(); !d.Eof(); d.Next()) {
        if (d.Status() == UpdateStatus::Deleted) {
            deleted.push_back({CStr(d.OldValue("PersonID")), static_cast<int>(CInt(d.OldValue("ChangeTimes"))),
                               CBool(d.OldValue("IsNew")), CBool(d.OldValue("IsTransfer"))});
        } else if (d.Status() == UpdateStatus::Inserted || d.Status() == UpdateStatus::Modified) {
            CheckAdjustDateOrder(CStr(d.RealFieldValue("PersonID")), static_cast<int>(CInt(d.RealFieldValue("NAdjustDate"))),
                                 CBool(d.RealFieldValue("IsNew")));
        }
    }
    // The salary items of a deleted row go with it (the rows under a body row follow
    // their parent); its transfer is undone here.
    HighestFirst(deleted);
    for (const ChangeRow& row : deleted)
        if (row.isTransfer) UndoTransfer(row.person, row.changeTimes);
}

void TChangeSalary::AfterUpdate() { Transfer(GetDatasets(1), GetServerDate()); }

void TChangeSalary::BeforeDelete() {
    Dataset& body = GetDatasets(1);
    const std::string billNo = CStr(GetDatasets(0)["BillNo"]);
    std::vector<ChangeRow> rows;
    for (body.First(); !body.Eof(); body.Next()) {
        ChangeRow row{CStr(body["PersonID"]), static_cast<int>(CInt(body["ChangeTimes"])), CBool(body["IsNew"]),
                      CBool(body["IsTransfer"])};
        // The whole bill goes: a later adjustment of the person in this same bill does
        // not hold an earlier one back.
        const int highest = CInt(GetDBConn().DBSelectSQL("Select Max(ChangeTimes) From humChangeSalary Where PersonID = " +
                                                         QuoteStr(row.person) + " And BillNo <> " + QuoteStr(billNo)));
        if (row.changeTimes < highest) MakeException(0, 0, msg::kSalaryChangeNotLatestDelete, {Variant(row.person)});
        if (!row.isNew) MakeException(0, 0, msg::kSalaryChangeOldMethod);
        rows.push_back(std::move(row));
    }
    HighestFirst(rows);
    for (const ChangeRow& row : rows)
        if (row.isTransfer) UndoTransfer(row.person, row.changeTimes);
}

void TChangeSalary::DefineBillReportName() {
    // Header to body by the bill number, body to salary items by bill and row number
    // (fields of the lower dataset = fields of the upper one).
    AddBodyRelate("BillNO=BIllNO");
    AddBodyRelate("BillNO;ParentRowNO=BIllNO;RowNO");
}

bool TChangeSalary::Importing() { return GetMergeInState() || GetLoginType(ContextNumber()) == 5; }

// ------------------------------------------------------------------ checks

void TChangeSalary::CheckRowIntegrity(Dataset& body) {
    // What guards the stored terms and history, under every login type and before any
    // rule: a person who exists, dates that exist, the posting marks left to the
    // posting, and only a person's latest adjustment changed or deleted.
    std::map<std::string, int> highestInBill;
    for (body.First(); !body.Eof(); body.Next()) {
        const std::string person = Trim(CStr(body["PersonID"]));
        if (person.empty()) MakeException(0, 0, msg::kSalaryChangePersonEmpty);
        RequireDateOrZero(CInt(body["NAdjustDate"]), "NAdjustDate");
        RequireDateOrZero(CInt(body["BillDate"]), "BillDate");
        if (CBool(body["IsNew"]) && CInt(body["NAdjustDate"]) == 0)
            MakeException(0, 0, msg::kAdjustDateEmpty, {Variant(person)});
        if (CInt(GetDBConn().DBSelectSQL("Select Count(*) From comPerson Where PersonID = " + QuoteStr(person))) == 0)
            MakeException(0, 0, msg::kSalaryChangePersonUnknown, {Variant(person)});
        // The transfer mark belongs to the transfer and a stored row keeps its number:
        // a client cannot make the history and the settings disagree by sending them.
        const bool stored = body.RowStatus() != UpdateStatus::Inserted;
        auto keep = [&](const char* field, const Variant& value) {
            if (!body[field].SameValue(value)) body.SetFieldValue(field, value);
        };
        keep("IsTransfer", stored ? body.OldValue("IsTransfer") : Variant(false));
        if (stored) keep("ChangeTimes", body.OldValue("ChangeTimes"));
        body.Post();
        int& highest = highestInBill[PersonKey(person)];
        highest = std::max(highest, static_cast<int>(CInt(body["ChangeTimes"])));
    }

    const std::string billNo = CStr(GetDatasets(0)["BillNo"]);
    auto highestRemaining = [&](const std::string& person) {
        const int elsewhere = CInt(GetDBConn().DBSelectSQL("Select Max(ChangeTimes) From humChangeSalary Where PersonID = " +
                                                           QuoteStr(person) + " And BillNo <> " + QuoteStr(billNo)));
        auto it = highestInBill.find(PersonKey(person));
        return std::max(elsewhere, it == highestInBill.end() ? 0 : it->second);
    };
    for (body.First(); !body.Eof(); body.Next()) {
        if (body.RowStatus() != UpdateStatus::Modified) continue;
        const std::string person = CStr(body["PersonID"]);
        if (CInt(body["ChangeTimes"]) < highestRemaining(person))
            MakeException(0, 0, msg::kSalaryChangeNotLatestEdit, {Variant(person)});
    }
    DeltaDataset d(GetDeltaDatasets(1));
    for (d.First(); !d.Eof(); d.Next()) {
        if (d.Status() != UpdateStatus::Deleted) continue;
        const std::string person = CStr(d.OldValue("PersonID"));
        if (CInt(d.OldValue("ChangeTimes")) < highestRemaining(person))
            MakeException(0, 0, msg::kSalaryChangeNotLatestDelete, {Variant(person)});
        if (!CBool(d.OldValue("IsNew"))) MakeException(0, 0, msg::kSalaryChangeOldMethod);
    }
}

void TChangeSalary::CheckChosenAmounts(Dataset& body) {
    const Variant person = body["PersonID"];
    if (CBool(body["NoLeave"]) && CCurr(body["NNoLeave"]) == Currency())
        MakeException(0, 0, msg::kNoLeaveAmountZero, {person});
    if (CBool(body["Meal"]) && CCurr(body["NMealSalary"]) == Currency())
        MakeException(0, 0, msg::kMealAmountZero, {person});
}

void TChangeSalary::NumberChange(Dataset& body, std::vector<std::pair<std::string, int>>& numbered) {
    if (CInt(body["ChangeTimes"]) != 0) return;
    const std::string person = CStr(body["PersonID"]);
    int next = HighestChangeTimes(person);
    for (const auto& [key, n] : numbered)
        if (key == PersonKey(person)) next = std::max(next, n);
    ++next;
    body.SetFieldValue("ChangeTimes", next);
    body.Post();
    numbered.emplace_back(PersonKey(person), next);
}

void TChangeSalary::CheckSalaryItems(Dataset& body, Dataset& items) {
    const Variant person = body["PersonID"];
    const int64_t rowNo = CInt(body["RowNo"]);
    std::vector<std::pair<std::string, Currency>> own;
    for (items.First(); !items.Eof(); items.Next())
        if (CInt(items["ParentRowNo"]) == rowNo) own.emplace_back(CStr(items["SalaryItem"]), CCurr(items["Account"]));
    for (size_t i = 0; i < own.size(); ++i) {
        for (size_t j = 0; j < own.size(); ++j)
            if (j != i && SameText(Trim(own[i].first), Trim(own[j].first)))
                MakeException(0, 0, msg::kSalaryItemTwice, {person, Variant(own[i].first)});
        if (own[i].second == Currency()) MakeException(0, 0, msg::kSalaryItemAmountZero, {person, Variant(own[i].first)});
    }
}

void TChangeSalary::CheckTwoChangesInMonth(Dataset& body) {
    const std::string person = CStr(body["PersonID"]);
    const int month = static_cast<int>(CInt(body["NAdjustDate"]) / 100);
    const int64_t elsewhere = CInt(GetDBConn().DBSelectSQL(
        "Select Count(*) From humChangeSalary Where PersonID = " + QuoteStr(person) + " And BillNo <> " +
        QuoteStr(CStr(body["BillNo"])) + "And NAdjustDate Between " + Num(month * 100 + 1) + " And " +
        Num(month * 100 + 31)));
    // Other rows of the person in this bill dated in the same month count as well.
    int64_t inBill = 0;
    const size_t here = body.RecNo();
    for (size_t i = 0; body.MoveTo(i); ++i)
        if (i != here && SameText(Trim(CStr(body["PersonID"])), Trim(person)) && CInt(body["NAdjustDate"]) / 100 == month)
            ++inBill;
    body.MoveTo(here);
    if (elsewhere + inBill >= 2) MakeException(0, 0, msg::kTwoChangesInMonth, {Variant(person), Variant(Num(month))});
}

void TChangeSalary::CheckAdjustDateOrder(const std::string& person, int adjustDate, bool isNew) {
    const std::string p = QuoteStr(person);
    std::string sql = "Select Max(NAdjustDate) From humChangeSalary Where PersonID = " + p;
    if (SaveMode() == 2) sql += " And BillNo <> " + QuoteStr(CStr(GetDatasets(0)["BillNo"]));
    int latest = static_cast<int>(CInt(GetDBConn().DBSelectSQL(sql)));
    if (latest == 0)
        latest = static_cast<int>(CInt(GetDBConn().DBSelectSQL(
            "Select AdjustDate From humHistSalaryBase Where PersonID = " + p + " And ChangeTimes = 0")));
    if (adjustDate < latest && isNew) MakeException(0, 0, msg::kAdjustDateBeforeLatest, {Variant(person)});
}

// ------------------------------------------------------------------ the change number

int TChangeSalary::HighestChangeTimes(const std::string& person) {
    return static_cast<int>(
        CInt(GetDBConn().DBSelectSQL("Select Max(ChangeTimes) From humChangeSalary Where PersonID = " + QuoteStr(person))));
}

void TChangeSalary::CheckLatestChange(const std::string& person, int changeTimes, int flag) {
    if (changeTimes >= HighestChangeTimes(person)) return;
    MakeException(0, 0, flag != 0 ? msg::kSalaryChangeNotLatestEdit : msg::kSalaryChangeNotLatestDelete,
                  {Variant(person)});
}

// ------------------------------------------------------------------ transfer and undo

void TChangeSalary::Transfer(Dataset& rows, int date, bool dailyJob) {
    const ChangeSalarySettings s = ChangeSalarySettings::Read(*this);
    const size_t total = rows.RecordCount();
    size_t done = 0;
    auto personOf = [&](size_t i) {
        rows.MoveTo(i);
        return CStr(rows["PersonID"]);
    };
    TransferRows(
        *this, total, personOf,
        [&](size_t i) {
            rows.MoveTo(i);
            if (progress_) progress_(++done, total);
            TransferRow(rows, date, s);
        },
        dailyJob, msg::kSalaryTransferFailed);
}

void TChangeSalary::TransferRow(Dataset& rows, int date, const ChangeSalarySettings& s) {
    auto& conn = GetDBConn();
    const std::string person = CStr(rows["PersonID"]);
    const int n = static_cast<int>(CInt(rows["ChangeTimes"]));
    if (!CBool(rows["IsNew"]) || n != HighestChangeTimes(person)) return;
    const std::string p = QuoteStr(person);
    const std::string b = QuoteStr(CStr(rows["BillNo"]));
    const std::string rowNo = Num(CInt(rows["RowNo"]));
    const int adjustDate = static_cast<int>(CInt(rows["NAdjustDate"]));
    const bool transferred = CBool(rows["IsTransfer"]);
    auto markTransferred = [&](bool mark) {
        rows.SetFieldValue("IsTransfer", mark);
        rows.Post();
    };

    if (adjustDate > date) {
        // Not yet due: a transfer made when the row was due comes undone.
        if (transferred) {
            UndoTransfer(person, n);
            conn.DBExecSQL("Update humChangeSalary Set  IsTransfer = 0 Where BillNo = " + b + " And RowNo = " + rowNo);
            markTransferred(false);
        }
        return;
    }

    if (!HasSalarySettings(*this, person)) {
        AddMessage(FormatMessage(msg::kSalaryChangeNoSettings, {Variant(person)}), 1, 0);
        return;
    }
    if (!transferred) TakeFirstSnapshot(person);
    const bool noLeaveHere = s.payNoLeave == 0;
    const bool mealHere = s.payMess == 0;
    const std::string noLeaveAmount = noLeaveHere ? CCurr(rows["NNoLeave"]).ToString() : "0";
    const std::string noLeaveChosen = noLeaveHere ? Flag01(CBool(rows["NoLeave"])) : "0";
    const std::string mealAmount = mealHere ? CCurr(rows["NMealSalary"]).ToString() : "0";
    const std::string mealChosen = mealHere ? Flag01(CBool(rows["Meal"])) : "0";
    const std::string nText = Num(n);

    conn.DBExecSQL("Delete humPersonSetSub Where Flag = 1 And ID =" + p);
    conn.DBExecSQL("Update humPersonSetMain Set  BaseSalary = " + CCurr(rows["NBaseSalary"]).ToString() +
                   ", NoLeaveSalary = " + noLeaveAmount + ", MealSalary = " + mealAmount + ", NoLeave = " +
                   noLeaveChosen + ", Meal = " + mealChosen + ", AdjustDate = " + Num(adjustDate) +
                   ", AdjustMode = " + Num(CInt(rows["NAdjustMode"])) + " Where Flag = 1 And ID = " + p);
    conn.DBExecSQL("Insert Into humPersonSetSub Select 1 As Flag, " + p + " as ID, SalaryItem, Account, " +
                   " RowNo From humChangeSalarySub Where BillNo = " + b + " And ParentRowNo = " + rowNo);
    if (transferred) {
        conn.DBExecSQL("Delete humHistSalaryBase Where PersonID = " + p + "And ChangeTimes = " + nText);
        conn.DBExecSQL("Delete humHistSalaryItem Where PersonID = " + p + " And ChangeTimes = " + nText);
    }
    WriteSnapshot(p, n);
    conn.DBExecSQL("Update humChangeSalary Set  IsTransfer = 1 Where BillNo = " + b + " And RowNo = " + rowNo);
    markTransferred(true);
}

void TChangeSalary::TakeFirstSnapshot(const std::string& person) {
    // Snapshot 0 is taken where a person's settings are first set up. A person whose
    // first adjustment is transferred without one would lose the earlier terms to the
    // transfer, and an undo would find nothing to put back: take it now, from the
    // settings as they stand.
    const std::string p = QuoteStr(person);
    if (CInt(GetDBConn().DBSelectSQL("Select Count(*) From humHistSalaryBase Where PersonID = " + p)) != 0) return;
    WriteSnapshot(p, 0);
}

void TChangeSalary::WriteSnapshot(const std::string& quotedPerson, int changeTimes) {
    const std::string& p = quotedPerson;
    const std::string n = Num(changeTimes);
    auto& conn = GetDBConn();
    conn.DBExecSQL(
        "Insert Into humHistSalaryBase Select ID as PersonID, BaseSalary, NoLeave, NoLeaveSalary, Meal, "
        "MealSalary, AdjustDate, AdjustMode," +
        n + " As ChangeTimes " + "From humPersonSetMain Where Flag = 1 And ID =" + p);
    conn.DBExecSQL("Insert Into humHistSalaryItem Select ID as PersonID, SalaryItem, Account, " + n +
                   " As ChangeTimes, RowNo From humPersonSetSub Where Flag = 1 And ID =" + p);
}

void TChangeSalary::UndoTransfer(const std::string& person, int changeTimes) {
    const std::string p = QuoteStr(person);
    const std::string n = Num(changeTimes);
    auto& conn = GetDBConn();
    // The terms before this adjustment: after an adjustment entered under the old
    // method, the snapshot before the first adjustment; otherwise the latest snapshot
    // below this one, which is the previous adjustment's unless that one was never
    // transferred (it was superseded before it fell due).
    const Variant previousIsNew = conn.DBSelectSQL("Select IsNew From humChangeSalary Where PersonID = " + p +
                                                   " And ChangeTimes = " + Num(changeTimes - 1));
    int k = 0;
    if (previousIsNew.IsNullOrEmpty() || CBool(previousIsNew))
        k = static_cast<int>(CInt(conn.DBSelectSQL("Select Max(ChangeTimes) From humHistSalaryBase Where PersonID = " +
                                                   p + " And ChangeTimes < " + n)));
    const std::string kText = Num(k);
    conn.DBExecSQL(
        "Update humPersonSetMain Set BaseSalary = B.BaseSalary, NoLeaveSalary = B.NoLeaveSalary, MealSalary = "
        "B.MealSalary, NoLeave = B.NoLeave, Meal = B.Meal, AdjustDate = B.AdjustDate, AdjustMode = B.AdjustMode "
        "From (Select * From humHistSalaryBase Where PersonID = " +
        p + " And ChangeTimes = " + kText + ") B Where Flag = 1 And ID = " + p);
    conn.DBExecSQL("Delete humHistSalaryBase Where PersonID = " + p + "And ChangeTimes = " + n);
    conn.DBExecSQL("Delete humPersonSetSub Where Flag = 1 And ID =" + p);
    conn.DBExecSQL(
        "Insert Into humPersonSetSub Select 1 as Flag , PersonID as ID, SalaryItem, Account, RowNo From "
        "humHistSalaryItem Where PersonID = " +
        p + " And ChangeTimes = " + kText);
    conn.DBExecSQL("Delete humHistSalaryItem Where PersonID = " + p + " And ChangeTimes = " + n);
}

bool TChangeSalary::TransferDueChanges(const std::string& person, int date) {
    RequireDateOrZero(date, "Date");
    std::string sql =
        "Select * From humChangeSalary Where IsTransfer = 0 And IsNew = 1 And NAdjustDate <= " + Num(date);
    if (!Trim(person).empty()) sql += "And PersonID = " + QuoteStr(Trim(person));
    sql += " Order By PersonID,ChangeTimes,NAdjustDate";
    Dataset rows = GetDBConn().OpenDataset(sql);
    Transfer(rows, date, true);
    return true;
}

Variant TChangeSalary::SalaryItemsOf(const std::string& person) {
    return OpenDatasetV(
        "Select A.SalaryItem, A.Account, B.SalaryName,B.Propertiy From humPersonSetSub A Inner Join humSalaryItem B "
        "On A.SalaryItem = B.SalaryID Where A.ID =" +
            QuoteStr(person) + " And Flag = 1",
        -1);
}

std::string TChangeSalary::NextBillNo() {
    return CStr(GetMaxID(ContextNumber(), std::to_string(GetServerDate()))[0]);
}

// ------------------------------------------------------------------ the class

namespace {

std::vector<ProcedureDef> ChangeSalaryProcedures() {
    using A = ArgType;
    auto opt = [](std::string name, ArgType type) { return ArgDef{std::move(name), type, true}; };
    std::vector<ProcedureDef> p;
    p.push_back({0, "CheckLatestChange", ArgShape::Array,
                 {{"PersonID", A::Text}, {"ChangeTimes", A::Int}, {"Flag", A::Int}},
                 Routine<TChangeSalary>([](TChangeSalary& o, const ProcArgs& a) -> Variant {
                     o.CheckLatestChange(a.Text(0), a.Int(1), a.Int(2));
                     return Variant();
                 })});
    // The daily job: every adjustment due on the date (the server date when none is
    // given) is transferred, in one transaction.
    p.push_back({1, "TransferDueChanges", ArgShape::Array, {opt("PersonID", A::Text), opt("Date", A::Int)},
                 Routine<TChangeSalary>([](TChangeSalary& o, const ProcArgs& a) -> Variant {
                     const int date = a.Given(1) ? a.Int(1) : o.GetServerDate();
                     return Variant(o.TransferDueChanges(a.Given(0) ? a.Text(0) : std::string(), date));
                 })});
    p.push_back({2, "SalaryItemsOf", ArgShape::Single, {{"PersonID", A::Text}},
                 Routine<TChangeSalary>(
                     [](TChangeSalary& o, const ProcArgs& a) -> Variant { return o.SalaryItemsOf(a.Text(0)); })});
    p.push_back({3, "NextBillNo", ArgShape::None, {},
                 Routine<TChangeSalary>(
                     [](TChangeSalary& o, const ProcArgs&) -> Variant { return Variant(o.NextBillNo()); })});
    return p;
}

}  // namespace



const ClassDescriptor& ChangeSalaryClass() {
    static const ClassDescriptor d = [] {
        using namespace column_types;
        ClassDescriptor d;
        d.className = "TChangeSalary";
        d.coclass = "ChangeSalary";
        d.progId = "QVXHumrs.ChangeSalary";
        d.clsid = "{A0C2E7BE-EA80-4783-8532-8A199AF4CC76}";
        d.interfaceName = "IChangeSalary";
        d.iid = "{E9C14FBF-24F6-4BFA-8AE7-2C0C60E4A011}";
        d.keyColumn = "BillNo";
        d.datasets = {HeaderDataset("humChangeSalaryMain"), BodyDataset("humChangeSalary"),
                      UnderRowDataset("humChangeSalarySub", "ParentRowNo", std::nullopt, 1)};
        d.tables.push_back({"humChangeSalaryMain", {{"BillNo", kText}, {"BillDate", kInt}, {"Memo", kText}}, {"BillNo"}});
        d.tables.push_back({"humChangeSalary",
                     {{"BillNo", kText},
                      {"RowNo", kInt},
                      {"SerNo", kInt},
                      {"PersonID", kText},
                      {"ChangeTimes", kInt},
                      {"NAdjustDate", kInt},
                      {"NAdjustMode", kInt},
                      {"NBaseSalary", kMoney},
                      {"NoLeave", kBool},
                      {"NNoLeave", kMoney},
                      {"Meal", kBool},
                      {"NMealSalary", kMoney},
                      // Rows are entered under the transfer method unless imported as old data.
                      {"IsNew", kBool, "1"},
                      {"IsTransfer", kBool},
                      {"BillDate", kInt}},
                     {"BillNo", "RowNo"}});
        d.tables.push_back({"humChangeSalarySub",
                     {{"BillNo", kText},
                      {"ParentRowNo", kInt},
                      {"SalaryItem", kText},
                      {"Account", kMoney},
                      {"RowNo", kInt}},
                     {"BillNo", "ParentRowNo", "RowNo"}});
        // Filled by "Insert Into humHistSalaryBase Select ID as PersonID, BaseSalary,
        // NoLeave, NoLeaveSalary, Meal, MealSalary, AdjustDate, AdjustMode, n As ChangeTimes".
        d.tables.push_back({"humHistSalaryBase",
                     {{"PersonID", kText},
                      {"BaseSalary", kMoney},
                      {"NoLeave", kBool},
                      {"NoLeaveSalary", kMoney},
                      {"Meal", kBool},
                      {"MealSalary", kMoney},
                      {"AdjustDate", kInt},
                      {"AdjustMode", kInt},
                      {"ChangeTimes", kInt}},
                     {"PersonID", "ChangeTimes"}});
        // Filled by "Insert Into humHistSalaryItem Select ID as PersonID, SalaryItem,
        // Account, n As ChangeTimes, RowNo".
        d.tables.push_back({"humHistSalaryItem",
                     {{"PersonID", kText},
                      {"SalaryItem", kText},
                      {"Account", kMoney},
                      {"ChangeTimes", kInt},
                      {"RowNo", kInt}},
                     {}});
        d.indexes.push_back(Index("humChangeSalary", {"PersonID", "ChangeTimes"}));
        d.indexes.push_back(Index("humChangeSalary", {"PersonID", "NAdjustDate"}));
        d.indexes.push_back(Index("humHistSalaryItem", {"PersonID", "ChangeTimes"}));
        d.create = [] { return std::make_unique<TChangeSalary>(); };
        d.procedures = ChangeSalaryProcedures();
        d.demo = ChangeSalaryDemo;
        return d;
    }();
    return d;
}

}  // namespace humrs
