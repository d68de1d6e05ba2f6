#include "personnel/CoChangeSalary.h"

#include <algorithm>
#include <map>

#include "core/Convert.h"
#include "core/Format.h"
#include "core/Text.h"
#include "framework/RefusalPlace.h"
#include "personnel/ChangeSalaryMessages.h"
#include "personnel/ChangeSalarySettings.h"
#include "personnel/PersonnelTransfer.h"
#include "suite/Attendance.h"
#include "suite/FieldLabels.h"
#include "utils/DateUtils.h"

namespace humrs {

namespace {

std::string PersonKey(const std::string& person) { return LowerAscii(Trim(person)); }

}  // namespace

// ------------------------------------------------------------------ save and delete

void TChangeSalary::BeforeUpdate() {
    TQVXComBase::BeforeUpdate();
    CheckChanges(GetDatasets(1), GetDatasets(2));
    // Posting, once every check has passed and before the bill's rows are written: the
    // salary items of a deleted row go with it (the rows under a body row follow their
    // parent), and its transfer is undone here.
    UndoTransfers(DeletedRows());
}

void TChangeSalary::AfterUpdate() { Transfer(GetDatasets(1), GetServerDate()); }

void TChangeSalary::BeforeDelete() {
    const std::vector<ChangeRow> rows = BillRows(GetDatasets(1));
    CheckBillDeletable(rows);
    UndoTransfers(rows);
}

void TChangeSalary::DefineBillReportName() {
    // Header to body by the bill number, body to salary items by bill and row number
    // (fields of the lower dataset = fields of the upper one).
    AddBodyRelate("BillNO=BIllNO");
    AddBodyRelate("BillNO;ParentRowNO=BIllNO;RowNO");
}

// ------------------------------------------------------------------ checks

void TChangeSalary::CheckChanges(Dataset& body, Dataset& items) {
    CheckRowIntegrity(body);
    const bool importing = SkipsBusinessChecks();
    if (!importing) CheckGetIsOnWork(Db(), body, "NAdjustDate", "PersonID", 1);

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
    DeltaDataset d(GetDeltaDatasets(1));
    for (d.First(); !d.Eof(); d.Next()) {
        if (d.Status() != UpdateStatus::Inserted && d.Status() != UpdateStatus::Modified) continue;
        // The changed row, found among the bill's rows by its row number.
        const RefusalAt at =
            body.Locate("RowNo", {d.RealFieldValue("RowNo")}) ? AtRow(1, body, "NAdjustDate") : AtDataset(1);
        PointedAt(at, [&] {
            CheckAdjustDateOrder(CStr(d.RealFieldValue("PersonID")), static_cast<int>(CInt(d.RealFieldValue("NAdjustDate"))),
                                 CBool(d.RealFieldValue("IsNew")));
        });
    }
}

void TChangeSalary::CheckBillDeletable(const std::vector<ChangeRow>& rows) {
    const std::string billNo = CStr(GetDatasets(0)["BillNo"]);
    for (const ChangeRow& row : rows) {
        // The whole bill goes: a later adjustment of the person in this same bill does
        // not hold an earlier one back.
        if (row.changeTimes < HighestInOtherBills(row.person, billNo))
            MakeException(msg::kSalaryChangeNotLatestDelete, {Variant(row.person)});
        if (!row.isNew) MakeException(msg::kSalaryChangeOldMethod);
    }
}

void TChangeSalary::CheckRowIntegrity(Dataset& body) {
    // What guards the stored terms and history, under every login type and before any
    // rule: a person who exists, dates that exist, the posting marks left to the
    // posting, and only a person's latest adjustment changed or deleted.
    std::map<std::string, int> highestInBill;
    for (body.First(); !body.Eof(); body.Next()) {
        const std::string person = Trim(CStr(body["PersonID"]));
        if (person.empty()) MakeException(msg::kSalaryChangePersonEmpty, {}, AtRow(1, body, "PersonID"));
        RequireDateOrZero(CInt(body["NAdjustDate"]), "NAdjustDate");
        RequireDateOrZero(CInt(body["BillDate"]), "BillDate");
        if (CBool(body["IsNew"]) && CInt(body["NAdjustDate"]) == 0)
            MakeException(msg::kAdjustDateEmpty, {Variant(person)}, AtRow(1, body, "NAdjustDate"));
        if (CInt(SelectValue(Db(), "Select Count(*) From comPerson Where PersonID = ?", {Variant(person)})) ==
            0)
            MakeException(msg::kSalaryChangePersonUnknown, {Variant(person)}, AtRow(1, body, "PersonID"));
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
        const int elsewhere = HighestInOtherBills(person, billNo);
        auto it = highestInBill.find(PersonKey(person));
        return std::max(elsewhere, it == highestInBill.end() ? 0 : it->second);
    };
    for (body.First(); !body.Eof(); body.Next()) {
        if (body.RowStatus() != UpdateStatus::Modified) continue;
        const std::string person = CStr(body["PersonID"]);
        if (CInt(body["ChangeTimes"]) < highestRemaining(person))
            MakeException(msg::kSalaryChangeNotLatestEdit, {Variant(person)}, AtRow(1, body));
    }
    DeltaDataset d(GetDeltaDatasets(1));
    for (d.First(); !d.Eof(); d.Next()) {
        if (d.Status() != UpdateStatus::Deleted) continue;
        const std::string person = CStr(d.OldValue("PersonID"));
        // A deleted row is no longer among the rows sent: the refusal concerns the rows
        // as a whole.
        if (CInt(d.OldValue("ChangeTimes")) < highestRemaining(person))
            MakeException(msg::kSalaryChangeNotLatestDelete, {Variant(person)}, AtDataset(1));
        if (!CBool(d.OldValue("IsNew"))) MakeException(msg::kSalaryChangeOldMethod, {}, AtDataset(1));
    }
}

void TChangeSalary::CheckChosenAmounts(Dataset& body) {
    const Variant person = body["PersonID"];
    if (CBool(body["NoLeave"]) && CCurr(body["NNoLeave"]) == Currency())
        MakeException(msg::kNoLeaveAmountZero, {person}, AtRow(1, body, "NNoLeave"));
    if (CBool(body["Meal"]) && CCurr(body["NMealSalary"]) == Currency())
        MakeException(msg::kMealAmountZero, {person}, AtRow(1, body, "NMealSalary"));
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
    struct OwnItem {
        std::string salaryItem;
        Currency account;
        int place;  // among the rows of dataset 2, where a refusal points
    };
    std::vector<OwnItem> own;
    for (items.First(); !items.Eof(); items.Next())
        if (CInt(items["ParentRowNo"]) == rowNo)
            own.push_back({CStr(items["SalaryItem"]), CCurr(items["Account"]), static_cast<int>(items.RecNo())});
    for (size_t i = 0; i < own.size(); ++i) {
        for (size_t j = 0; j < own.size(); ++j)
            if (j != i && SameText(Trim(own[i].salaryItem), Trim(own[j].salaryItem)))
                MakeException(msg::kSalaryItemTwice, {person, Variant(own[i].salaryItem)},
                              RefusalAt{2, std::max(own[i].place, own[j].place), "SalaryItem"});
        if (own[i].account == Currency())
            MakeException(msg::kSalaryItemAmountZero, {person, Variant(own[i].salaryItem)},
                          RefusalAt{2, own[i].place, "Account"});
    }
}

void TChangeSalary::CheckTwoChangesInMonth(Dataset& body) {
    const std::string person = CStr(body["PersonID"]);
    const int month = static_cast<int>(CInt(body["NAdjustDate"]) / 100);
    const int64_t elsewhere = CInt(SelectValue(Db(),
                                               "Select Count(*) From humChangeSalary Where PersonID = ? And "
                                               "BillNo <> ? And NAdjustDate Between ? And ?",
                                               {Variant(person), Variant(CStr(body["BillNo"])),
                                                Variant(month * 100 + 1), Variant(month * 100 + 31)}));
    // Other rows of the person in this bill dated in the same month count as well.
    int64_t inBill = 0;
    const size_t here = body.RecNo();
    for (size_t i = 0; body.MoveTo(i); ++i)
        if (i != here && SameText(Trim(CStr(body["PersonID"])), Trim(person)) && CInt(body["NAdjustDate"]) / 100 == month)
            ++inBill;
    body.MoveTo(here);
    if (elsewhere + inBill >= 2)
        MakeException(msg::kTwoChangesInMonth, {Variant(person), Variant(std::to_string(month))},
                      AtRow(1, body, "NAdjustDate"));
}

void TChangeSalary::CheckAdjustDateOrder(const std::string& person, int adjustDate, bool isNew) {
    std::string sql = "Select Max(NAdjustDate) From humChangeSalary Where PersonID = ?";
    std::vector<Variant> values{Variant(person)};
    if (SaveMode() == 2) {
        sql += " And BillNo <> ?";
        values.emplace_back(CStr(GetDatasets(0)["BillNo"]));
    }
    int latest = static_cast<int>(CInt(SelectValue(Db(), sql, values)));
    if (latest == 0)
        latest = static_cast<int>(CInt(SelectValue(
            Db(), "Select AdjustDate From humHistSalaryBase Where PersonID = ? And ChangeTimes = 0",
            {Variant(person)})));
    if (adjustDate < latest && isNew) MakeException(msg::kAdjustDateBeforeLatest, {Variant(person)});
}

// ------------------------------------------------------------------ the change number

int TChangeSalary::HighestChangeTimes(const std::string& person) {
    return static_cast<int>(CInt(SelectValue(
        Db(), "Select Max(ChangeTimes) From humChangeSalary Where PersonID = ?", {Variant(person)})));
}

int TChangeSalary::HighestInOtherBills(const std::string& person, const std::string& billNo) {
    return static_cast<int>(CInt(
        SelectValue(Db(), "Select Max(ChangeTimes) From humChangeSalary Where PersonID = ? And BillNo <> ?",
                    {Variant(person), Variant(billNo)})));
}

void TChangeSalary::CheckLatestChange(const std::string& person, int changeTimes, int flag) {
    if (changeTimes >= HighestChangeTimes(person)) return;
    MakeException(flag != 0 ? msg::kSalaryChangeNotLatestEdit : msg::kSalaryChangeNotLatestDelete,
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
    const std::string person = CStr(rows["PersonID"]);
    const int n = static_cast<int>(CInt(rows["ChangeTimes"]));
    if (!CBool(rows["IsNew"]) || n != HighestChangeTimes(person)) return;
    const bool transferred = CBool(rows["IsTransfer"]);

    if (CInt(rows["NAdjustDate"]) > date) {
        // Not yet due: a transfer made when the row was due comes undone.
        if (transferred) {
            UndoTransfer(person, n);
            MarkTransferred(rows, false);
        }
        return;
    }

    if (!HasSalarySettings(*this, person)) {
        AddMessage(FormatMessage(msg::kSalaryChangeNoSettings, {Variant(person)}), 1, 0);
        return;
    }
    if (!transferred) TakeFirstSnapshot(person);
    WriteTerms(rows, s);
    if (transferred) DropSnapshot(person, n);
    WriteSnapshot(person, n);
    MarkTransferred(rows, true);
}

void TChangeSalary::WriteTerms(Dataset& row, const ChangeSalarySettings& s) {
    // The bonus and the meal allowance paid elsewhere are written as not chosen, at 0.
    const bool noLeaveHere = s.payNoLeave == 0;
    const bool mealHere = s.payMess == 0;
    const Variant none(int64_t{0});
    auto chosen = [](bool b) { return Variant(int64_t{b ? 1 : 0}); };
    const Variant person(CStr(row["PersonID"]));
    Database& db = Db();
    db.Execute("Delete humPersonSetSub Where Flag = 1 And ID = ?", {person});
    db.Execute(
        "Update humPersonSetMain Set BaseSalary = ?, NoLeaveSalary = ?, MealSalary = ?, NoLeave = ?, Meal = "
        "?, "
        "AdjustDate = ?, AdjustMode = ? Where Flag = 1 And ID = ?",
        {Variant(CCurr(row["NBaseSalary"])), noLeaveHere ? Variant(CCurr(row["NNoLeave"])) : none,
         mealHere ? Variant(CCurr(row["NMealSalary"])) : none,
         noLeaveHere ? chosen(CBool(row["NoLeave"])) : none, mealHere ? chosen(CBool(row["Meal"])) : none,
         Variant(CInt(row["NAdjustDate"])), Variant(CInt(row["NAdjustMode"])), person});
    db.Execute(
        "Insert Into humPersonSetSub Select 1 As Flag, ? as ID, SalaryItem, Account, RowNo From "
        "humChangeSalarySub "
        "Where BillNo = ? And ParentRowNo = ?",
        {person, Variant(CStr(row["BillNo"])), Variant(CInt(row["RowNo"]))});
}

void TChangeSalary::MarkTransferred(Dataset& row, bool mark) {
    Db().Execute("Update humChangeSalary Set IsTransfer = ? Where BillNo = ? And RowNo = ?",
                 {Variant(int64_t{mark ? 1 : 0}), Variant(CStr(row["BillNo"])), Variant(CInt(row["RowNo"]))});
    row.SetFieldValue("IsTransfer", mark);
    row.Post();
}

void TChangeSalary::TakeFirstSnapshot(const std::string& person) {
    // Snapshot 0 is taken where a person's settings are first set up. A person whose
    // first adjustment is transferred without one would lose the earlier terms to the
    // transfer, and an undo would find nothing to put back: take it now, from the
    // settings as they stand.
    if (CInt(SelectValue(Db(), "Select Count(*) From humHistSalaryBase Where PersonID = ?",
                         {Variant(person)})) != 0)
        return;
    WriteSnapshot(person, 0);
}

void TChangeSalary::WriteSnapshot(const std::string& person, int changeTimes) {
    const std::vector<Variant> values{Variant(changeTimes), Variant(person)};
    Db().Execute(
        "Insert Into humHistSalaryBase Select ID as PersonID, BaseSalary, NoLeave, NoLeaveSalary, Meal, "
        "MealSalary, "
        "AdjustDate, AdjustMode, ? As ChangeTimes From humPersonSetMain Where Flag = 1 And ID = ?",
        values);
    Db().Execute(
        "Insert Into humHistSalaryItem Select ID as PersonID, SalaryItem, Account, ? As ChangeTimes, RowNo "
        "From humPersonSetSub Where Flag = 1 And ID = ?",
        values);
}

void TChangeSalary::DropSnapshot(const std::string& person, int changeTimes) {
    const std::vector<Variant> values{Variant(person), Variant(changeTimes)};
    Db().Execute("Delete humHistSalaryBase Where PersonID = ? And ChangeTimes = ?", values);
    Db().Execute("Delete humHistSalaryItem Where PersonID = ? And ChangeTimes = ?", values);
}

void TChangeSalary::UndoTransfer(const std::string& person, int changeTimes) {
    Database& db = Db();
    // The terms before this adjustment: after an adjustment entered under the old
    // method, the snapshot before the first adjustment; otherwise the latest snapshot
    // below this one, which is the previous adjustment's unless that one was never
    // transferred (it was superseded before it fell due).
    const Variant previousIsNew =
        SelectValue(db, "Select IsNew From humChangeSalary Where PersonID = ? And ChangeTimes = ?",
                    {Variant(person), Variant(changeTimes - 1)});
    int k = 0;
    if (previousIsNew.IsNullOrEmpty() || CBool(previousIsNew))
        k = static_cast<int>(CInt(SelectValue(
            db, "Select Max(ChangeTimes) From humHistSalaryBase Where PersonID = ? And ChangeTimes < ?",
            {Variant(person), Variant(changeTimes)})));
    const std::vector<Variant> before{Variant(person), Variant(k)};
    db.Execute(
        "Update humPersonSetMain Set BaseSalary = B.BaseSalary, NoLeaveSalary = B.NoLeaveSalary, MealSalary "
        "= "
        "B.MealSalary, NoLeave = B.NoLeave, Meal = B.Meal, AdjustDate = B.AdjustDate, AdjustMode = "
        "B.AdjustMode "
        "From (Select * From humHistSalaryBase Where PersonID = ? And ChangeTimes = ?) B Where Flag = 1 And "
        "ID = ?",
        {Variant(person), Variant(k), Variant(person)});
    db.Execute("Delete humHistSalaryBase Where PersonID = ? And ChangeTimes = ?",
               {Variant(person), Variant(changeTimes)});
    db.Execute("Delete humPersonSetSub Where Flag = 1 And ID = ?", {Variant(person)});
    db.Execute(
        "Insert Into humPersonSetSub Select 1 as Flag, PersonID as ID, SalaryItem, Account, RowNo From "
        "humHistSalaryItem Where PersonID = ? And ChangeTimes = ?",
        before);
    db.Execute("Delete humHistSalaryItem Where PersonID = ? And ChangeTimes = ?",
               {Variant(person), Variant(changeTimes)});
}

std::vector<TChangeSalary::ChangeRow> TChangeSalary::BillRows(Dataset& body) {
    std::vector<ChangeRow> rows;
    for (body.First(); !body.Eof(); body.Next())
        rows.push_back({CStr(body["PersonID"]), static_cast<int>(CInt(body["ChangeTimes"])),
                        CBool(body["IsNew"]), CBool(body["IsTransfer"])});
    return rows;
}

std::vector<TChangeSalary::ChangeRow> TChangeSalary::DeletedRows() {
    std::vector<ChangeRow> rows;
    if (!GetDatasets(1).HasChanges()) return rows;
    DeltaDataset d(GetDeltaDatasets(1));
    for (d.First(); !d.Eof(); d.Next())
        if (d.Status() == UpdateStatus::Deleted)
            rows.push_back({CStr(d.OldValue("PersonID")), static_cast<int>(CInt(d.OldValue("ChangeTimes"))),
                            CBool(d.OldValue("IsNew")), CBool(d.OldValue("IsTransfer"))});
    return rows;
}

void TChangeSalary::UndoTransfers(std::vector<ChangeRow> rows) {
    // From the highest number down, so that each undo finds the snapshot taken before
    // its own transfer.
    std::stable_sort(rows.begin(), rows.end(),
                     [](const ChangeRow& a, const ChangeRow& b) { return a.changeTimes > b.changeTimes; });
    for (const ChangeRow& row : rows)
        if (row.isTransfer) UndoTransfer(row.person, row.changeTimes);
}

bool TChangeSalary::TransferDueChanges(const std::string& person, int date) {
    RequireDateOrZero(date, "Date");
    std::string due = "IsTransfer = 0 And IsNew = 1 And NAdjustDate <= " + std::to_string(date);
    if (!Trim(person).empty()) due += "And PersonID = " + QuoteStr(Trim(person));
    TransferInBlocks(*this, "humChangeSalary", due, "PersonID,ChangeTimes,NAdjustDate",
                     [&](Dataset& rows) { Transfer(rows, date, true); });
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
    MarkReading(p, {0, 2});
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
        d.role = roles::kPersonnel;
        d.clsid = "{A0C2E7BE-EA80-4783-8532-8A199AF4CC76}";
        d.interfaceName = "IChangeSalary";
        d.iid = "{E9C14FBF-24F6-4BFA-8AE7-2C0C60E4A011}";
        d.keyColumn = "BillNo";
        d.title = "调薪单";
        d.labels = WithSharedLabels({{"NAdjustDate", "调整日期"},
                                      {"NAdjustMode", "调整方式"},
                                      {"NBaseSalary", "新基本工资"},
                                      {"NNoLeave", "新全勤奖金"},
                                      {"NMealSalary", "新伙食津贴"},
                                      {"IsNew", "新增"}});
        d.findDate = "BillDate";
        d.findPersonDataset = 1;
        d.findPerson = "PersonID";
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
