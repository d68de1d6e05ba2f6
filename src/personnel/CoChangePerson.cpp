#include "personnel/CoChangePerson.h"

#include "core/Convert.h"
#include "core/Text.h"
#include "framework/RefusalPlace.h"
#include "personnel/ChangePersonMessages.h"
#include "suite/FieldLabels.h"
#include "suite/ProgIds.h"
#include "suite/Seed.h"
#include "utils/DateUtils.h"

namespace humrs {

namespace {

// The condition that picks the person's master rows.
std::string WherePerson(const std::string& person) { return " Where PersonID = " + QuoteStr(person); }

// A change as a row holds it, each field read through `get` (the value to be
// stored, or the stored one).
template <class Get>
TChangePerson::PersonChange ReadChange(Get get) {
    TChangePerson::PersonChange c;
    c.person = CStr(get("PersonID"));
    c.type = static_cast<int>(CInt(get("Type")));
    c.bType = static_cast<int>(CInt(get("BType")));
    c.activeDate = static_cast<int>(CInt(get("ActiveDate")));
    c.depart = CStr(get("ChangeDepart"));
    c.position = CStr(get("ChangePosition"));
    c.chineseTitle = CStr(get("ChineseTitle"));
    c.engTitle = CStr(get("EngTitle"));
    c.bDepart = CStr(get("BChangeDepart"));
    c.bPosition = CStr(get("BChangePosition"));
    c.bChineseTitle = CStr(get("BChineseTitle"));
    c.bEngTitle = CStr(get("BEngTitle"));
    return c;
}

TChangePerson::PersonChange RowChange(const Dataset& rows) {
    return ReadChange([&](const char* f) { return rows.FieldValue(f); });
}

}  // namespace

// ------------------------------------------------------------------ save and delete

void TChangePerson::BeforeUpdate() {
    Dataset& rows = GetDatasets(1);
    CheckRowIntegrity(rows);
    const bool checked = !SkipsBusinessChecks();
    for (rows.First(); !rows.Eof(); rows.Next()) {
        const std::string person = CStr(rows["PersonID"]);
        const int type = static_cast<int>(CInt(rows["Type"]));
        const bool stored = rows.RowStatus() != UpdateStatus::Inserted;
        if (checked) {
            const int ownFormalRows = stored && CInt(rows.OldValue("Type")) == work_state::kFormal &&
                                              SameText(CStr(rows.OldValue("PersonID")), person)
                                          ? 1
                                          : 0;
            PointedAt(AtRow(1, rows, "Type"), [&] {
                CheckStateTransition(person, static_cast<int>(CInt(rows["BType"])), type, ownFormalRows);
            });
            if (type == work_state::kUnpaidLeave) {
                if (CInt(rows["LeaveMonths"]) <= 0)
                    MakeException(msg::kUnpaidLeaveMonthsNotPositive, {Variant(person)}, AtRow(1, rows, "LeaveMonths"));
            } else if (CInt(rows["LeaveMonths"]) != 0) {
                rows.SetFieldValue("LeaveMonths", 0);
                rows.Post();
            }
        }
        // The probation served is written only by a change the save applies: a new row,
        // or a changed row that is the person's latest change.
        const bool applied = rows.RowStatus() == UpdateStatus::Inserted ||
                             (rows.RowStatus() == UpdateStatus::Modified &&
                              CInt(rows["ChangeTimes"]) == HighestChangeTimes(person));
        if (type == work_state::kFormal && applied)
            UpdateProbation(person, static_cast<int>(CInt(rows["ActiveDate"])));
    }
    NumberChanges(rows);
    ApplyChangeSet();
}

void TChangePerson::CheckRowIntegrity(Dataset& rows) {
    // What guards the person's master rows, under every login type and before any
    // rule: a person who exists, an effective date that exists, and a change number
    // that stays the server's.
    for (rows.First(); !rows.Eof(); rows.Next()) {
        const std::string person = CStr(rows["PersonID"]);
        if (Trim(person).empty()) MakeException(msg::kChangePersonEmpty, {}, AtRow(1, rows, "PersonID"));
        RequireDateOrZero(CInt(rows["ActiveDate"]), "ActiveDate");
        if (CInt(GetDBConn().DBSelectSQL("Select Count(*) From comPerson" + WherePerson(person))) == 0)
            MakeException(msg::kChangePersonUnknown, {Variant(person)}, AtRow(1, rows, "PersonID"));
        // A stored row keeps its number: a client could otherwise pass an old change off
        // as the latest one and have it written over the person's record.
        if (rows.RowStatus() == UpdateStatus::Modified &&
            !rows["ChangeTimes"].SameValue(rows.OldValue("ChangeTimes"))) {
            rows.SetFieldValue("ChangeTimes", rows.OldValue("ChangeTimes"));
            rows.Post();
        }
    }
}

void TChangePerson::NumberChanges(Dataset& rows) {
    // Every row of a new document, and a row added to a stored one, is the person's
    // next change; rows of one person in one save share the number.
    const bool newDocument = SaveMode() != 2;
    for (rows.First(); !rows.Eof(); rows.Next()) {
        if (!newDocument && rows.RowStatus() != UpdateStatus::Inserted) continue;
        const int next = HighestChangeTimes(CStr(rows["PersonID"])) + 1;
        if (CInt(rows["ChangeTimes"]) == next) continue;
        rows.SetFieldValue("ChangeTimes", next);
        rows.Post();
    }
    rows.First();
}

void TChangePerson::ApplyChangeSet() {
    DeltaDataset d(GetDeltaDatasets(1));
    for (d.First(); !d.Eof(); d.Next()) {
        switch (d.Status()) {
            case UpdateStatus::Inserted:
                ApplyChange(ReadChange([&](const char* f) { return d.RealFieldValue(f); }));
                break;
            case UpdateStatus::Modified: {
                // An earlier change that is edited is saved as a row only: the later
                // changes of the person stand.
                const std::string person = CStr(d.RealFieldValue("PersonID"));
                if (CInt(d.RealFieldValue("ChangeTimes")) == HighestChangeTimes(person))
                    ApplyChange(ReadChange([&](const char* f) { return d.RealFieldValue(f); }));
                break;
            }
            case UpdateStatus::Deleted: {
                const PersonChange c = ReadChange([&](const char* f) { return d.OldValue(f); });
                // Undoing an earlier change would put back values that later changes
                // of the person have replaced.
                CheckLatestChange(c.person, static_cast<int>(CInt(d.OldValue("ChangeTimes"))));
                CheckResignationCard(c.person, c.type);
                UndoChange(c);
                break;
            }
            default:
                break;
        }
    }
}

void TChangePerson::BeforeDelete() {
    Dataset& rows = GetDatasets(1);
    for (rows.First(); !rows.Eof(); rows.Next())
        if (CInt(rows["ChangeTimes"]) < HighestChangeTimes(CStr(rows["PersonID"])))
            MakeException(msg::kDeleteNotLatestChange);
    // Undone from the last row back: when the document holds several changes of one
    // person, the values before its first change are the ones that stand.
    for (size_t i = rows.RecordCount(); i-- > 0;) {
        rows.MoveTo(i);
        const PersonChange c = RowChange(rows);
        CheckResignationCard(c.person, c.type);
        UndoChange(c);
    }
    rows.First();
}

void TChangePerson::DoExecuteProc(int procNo, const Variant& arg1, const Variant& arg2, Variant& result) {
    if (procNo != 1) return;
    // The person and the change number come as the two arguments of the call.
    const ProcedureDef shape{1,
                             "CheckLatestChange",
                             ArgShape::Array,
                             {{"PersonID", ArgType::Text}, {"ChangeTimes", ArgType::Int}},
                             {}};
    const ProcArgs a = CheckProcArgs(shape, ProgID(), Variant(VariantArray{arg1, arg2}), Variant());
    CheckLatestChange(a.Text(0), a.Int(1));
    result = Variant();
}

// ------------------------------------------------------------------ work state and numbers

int TChangePerson::GetWorkState(const std::string& person) {
    return static_cast<int>(CInt(GetDBConn().DBSelectSQL(
        "Select WorkState From HumPersonExtend Where PersonID = " + QuoteStr(person))));
}

int TChangePerson::HighestChangeTimes(const std::string& person) {
    return static_cast<int>(CInt(GetDBConn().DBSelectSQL(
        "Select Max(ChangeTimes) From humChangePerson Where PersonID=" + QuoteStr(person))));
}

void TChangePerson::CheckLatestChange(const std::string& person, int changeTimes) {
    if (changeTimes < HighestChangeTimes(person)) MakeException(msg::kNotLatestChange);
}

void TChangePerson::CheckActiveDateOrder(const std::string& billNo, const std::string& person,
                                         int activeDate) {
    const int64_t latest =
        CInt(GetDBConn().DBSelectSQL("Select Max(ActiveDate) From humChangePerson Where PersonID=" +
                                     QuoteStr(person) + " And BillNO <> " + QuoteStr(billNo)));
    if (activeDate < latest) MakeException(msg::kActiveDateBeforeEarlier, {Variant(person)});
}

// ------------------------------------------------------------------ rules of a change

bool TChangePerson::HasFormalChange(const std::string& person, int ownFormalRows) {
    const int64_t rows =
        CInt(DBSelectValue(prog_id::kChangePerson, 1, "Count(*)",
                           std::string("Type = 2 And PersonID = ") + QuoteStr(person), std::string()));
    return rows - ownFormalRows > 0;
}

void TChangePerson::CheckStateTransition(const std::string& person, int bType, int type, int ownFormalRows) {
    using namespace work_state;
    const VariantArray who{Variant(person)};
    if (type == 0) MakeException(msg::kChangeTypeEmpty, who);
    switch (bType) {
        case kNotYetOnJob:
            if (type != kProbation && type != kFormal)
                MakeException(msg::kNotOnJobOnlyProbationOrFormal, who);
            break;
        case kProbation:
            if (type != kFormal && type != kTransferred && type != kLeft)
                MakeException(msg::kProbationOnlyFormalTransferLeave, who);
            break;
        case kFormal:
        case kTransferred:
        case kReinstated:
            if (type == kProbation) MakeException(msg::kAlreadyOnProbation, who);
            if (type == kReinstated) MakeException(msg::kNotOnUnpaidLeaveNoReinstate, who);
            if (type == kFormal && HasFormalChange(person, ownFormalRows))
                MakeException(msg::kAlreadyFormal, who);
            // A transferred person who never became formal is still on probation.
            if (bType == kTransferred && type == kUnpaidLeave && !HasFormalChange(person, ownFormalRows))
                MakeException(msg::kProbationOnlyFormalTransferLeave, who);
            break;
        case kLeft:
            MakeException(msg::kPersonLeftNoChange, who);
        case kUnpaidLeave:
            if (type != kLeft && type != kReinstated)
                MakeException(msg::kUnpaidLeaveOnlyReinstateOrLeave, who);
            break;
        default:
            break;
    }
    // A code that is no change type at all, where the state before has no answer of its
    // own for it: it would otherwise become the person's work state.
    if (type < kProbation || type > kReinstated)
        MakeException(msg::kChangeTypeUnknown, {Variant(person), Variant(type)});
}

int TChangePerson::ProbationMonths(int onJobDate, int activeDate) {
    if (onJobDate <= 0 || activeDate <= 0) return 0;
    const int end = AddDay(activeDate, 1);
    int months = 0;
    // One month at a time from the hire date, so a month-end shortening carries on.
    for (int running = onJobDate;;) {
        const int next = AddMonth(running, 1);
        if (next == 0 || next > end) break;
        ++months;
        running = next;
    }
    return months;
}

void TChangePerson::UpdateProbation(const std::string& person, int activeDate) {
    auto& conn = GetDBConn();
    const int hired = static_cast<int>(
        CInt(conn.DBSelectSQL("Select OnJobDate From comPerson Where PersonID = " + QuoteStr(person))));
    conn.DBExecSQL("Update humPersonExtend Set Probation = " + Num(ProbationMonths(hired, activeDate)) +
                   WherePerson(person));
}

void TChangePerson::CheckResignationCard(const std::string& person, int type) {
    if (type != work_state::kLeft) return;
    auto& conn = GetDBConn();
    const std::string card =
        CStr(conn.DBSelectSQL("Select CardNo From humPersonExtend  Where PersonID = " + QuoteStr(person)));
    if (Trim(card).empty()) return;
    const int64_t holders =
        CInt(conn.DBSelectSQL("Select Count(*) from humPersonExtend Where " + std::string(" PersonID <> ") +
                              QuoteStr(person) + " And CardNo = " + QuoteStr(card)));
    if (holders > 0) MakeException(msg::kCardNoTaken);
}

void TChangePerson::ApplyChange(const PersonChange& c) {
    using namespace work_state;
    auto& conn = GetDBConn();
    const std::string w = WherePerson(c.person);
    std::string sql = "Update comPerson Set DepartID = " + QuoteStr(c.depart) +
                      ", PosiID = " + QuoteStr(c.position) + ", ProfTitle = " + QuoteStr(c.chineseTitle) +
                      ", EngProfTitle = " + QuoteStr(c.engTitle);
    if (c.type != kLeft) sql += ", LeaveJobDate = 0";
    conn.DBExecSQL(sql + w);
    // Leaving probation other than by becoming formal, or starting it, clears what
    // becoming formal records.
    if ((c.bType == kProbation && c.type != kFormal) || (c.bType == kNotYetOnJob && c.type == kProbation))
        conn.DBExecSQL("Update humPersonExtend Set FormalDate = 0 , Probation = 0" + w);
    // Hired straight into a formal post: the hire is that day.
    if (c.bType == kNotYetOnJob && c.type == kFormal)
        conn.DBExecSQL("Update comPerson Set OnJobDate = " + Num(c.activeDate) + w);
    conn.DBExecSQL("Update humPersonExtend Set WorkState = " + Num(c.type) + w);
    if (c.type == kProbation)
        conn.DBExecSQL("Update comPerson Set OnJobDate = " + Num(c.activeDate) + w);
    else if (c.type == kFormal)
        conn.DBExecSQL("Update humPersonExtend Set FormalDate = " + Num(c.activeDate) + w);
    else if (c.type == kLeft)
        conn.DBExecSQL("Update comPerson Set LeaveJobDate = " + Num(c.activeDate) + w);
}

void TChangePerson::UndoChange(const PersonChange& c) {
    using namespace work_state;
    auto& conn = GetDBConn();
    const std::string w = WherePerson(c.person);
    conn.DBExecSQL("Update comPerson Set DepartID = " + QuoteStr(c.bDepart) +
                   ", PosiID = " + QuoteStr(c.bPosition) + ", ProfTitle = " + QuoteStr(c.bChineseTitle) +
                   ", EngProfTitle = " + QuoteStr(c.bEngTitle) + w);
    conn.DBExecSQL("Update humPersonExtend Set WorkState = " + Num(c.bType) + w);
    if (c.bType == kNotYetOnJob) {
        conn.DBExecSQL("Update comPerson Set OnJobDate = 0" + w);
        conn.DBExecSQL("Update humPersonExtend Set FormalDate = 0, Probation = 0" + w);
    } else if (c.bType == kProbation || (c.bType == kTransferred && c.type == kFormal)) {
        conn.DBExecSQL("Update humPersonExtend Set FormalDate = 0, Probation = 0" + w);
    }
    if (c.type == kLeft) conn.DBExecSQL("Update comPerson Set LeaveJobDate = 0" + w);
}

// ------------------------------------------------------------------ the class

namespace {

std::vector<ProcedureDef> ChangePersonProcedures() {
    using A = ArgType;
    std::vector<ProcedureDef> p;
    p.push_back({0,
                 "GetWorkState",
                 ArgShape::Single,
                 {{"PersonID", A::Text}},
                 Routine<TChangePerson>([](TChangePerson& o, const ProcArgs& a) -> Variant {
                     return Variant(o.GetWorkState(a.Text(0)));
                 })});
    // Procedure 1 (CheckLatestChange) takes two arguments and is served by DoExecuteProc.
    p.push_back({2,
                 "CheckActiveDateOrder",
                 ArgShape::Array,
                 {{"BillNo", A::Text, true}, {"PersonID", A::Text}, {"ActiveDate", A::Int}},
                 Routine<TChangePerson>([](TChangePerson& o, const ProcArgs& a) -> Variant {
                     o.CheckActiveDateOrder(a.Text(0), a.Text(1), a.Int(2));
                     return Variant();
                 })});
    MarkReading(p, {0, 2});
    return p;
}

}  // namespace

const ClassDescriptor& ChangePersonClass() {
    static const ClassDescriptor d = [] {
        using namespace column_types;
        ClassDescriptor d;
        d.className = "TChangePerson";
        d.coclass = "ChangePerson";
        d.progId = prog_id::kChangePerson;
        d.role = roles::kPersonnel;
        d.clsid = "{377B0C42-416D-4D37-82BA-E2DC0CD933A6}";
        d.interfaceName = "IChangePerson";
        d.iid = "{CAF6DC61-9492-44ED-B865-356DEE57BADD}";
        d.keyColumn = "BillNo";
        d.title = "人事异动单";
        d.labels = WithSharedLabels({{"ActiveDate", "生效日期"},
                                      {"Type", "异动类别"},
                                      {"BType", "原工作状态"},
                                      {"LeaveMonths", "留职停薪月数"},
                                      {"ChangeDepart", "新部门"},
                                      {"ChangePosition", "新职位"},
                                      {"ChineseTitle", "新中文职称"},
                                      {"EngTitle", "新英文职称"},
                                      {"BChangeDepart", "原部门"},
                                      {"BChangePosition", "原职位"},
                                      {"BChineseTitle", "原中文职称"},
                                      {"BEngTitle", "原英文职称"}});
        d.findDate = "BillDate";
        d.findPersonDataset = 1;
        d.findPerson = "PersonID";
        d.datasets = {HeaderDataset("humChangePersonMain"), BodyDataset("humChangePerson")};
        d.tables.push_back(
            {"humChangePersonMain", {{"BillNo", kText}, {"BillDate", kInt}, {"Memo", kText}}, {"BillNo"}});
        d.tables.push_back({"humChangePerson",
                            {{"BillNo", kText},
                             {"RowNo", kInt},
                             {"SerNo", kInt},
                             {"PersonID", kText},
                             {"ChangeTimes", kInt},
                             {"ActiveDate", kInt},
                             {"Type", kInt},   // change requested
                             {"BType", kInt},  // work state before the change
                             {"LeaveMonths", kInt},
                             {"ChangeDepart", kText},
                             {"ChangePosition", kText},
                             {"ChineseTitle", kText},
                             {"EngTitle", kText},
                             {"BChangeDepart", kText},
                             {"BChangePosition", kText},
                             {"BChineseTitle", kText},
                             {"BEngTitle", kText}},
                            {"BillNo", "RowNo"}});
        d.indexes.push_back(Index("humChangePerson", {"PersonID", "ChangeTimes"}));
        d.create = [] { return std::make_unique<TChangePerson>(); };
        d.procedures = ChangePersonProcedures();
        d.demo = ChangePersonDemo;
        return d;
    }();
    return d;
}

}  // namespace humrs
