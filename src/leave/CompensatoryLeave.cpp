// Compensatory leave against redeemable overtime: the posting of a leave or overtime
// bill's changes, and the rebuild of the free overtime hours.
#include <algorithm>
#include <optional>
#include <unordered_map>

#include "core/Convert.h"
#include "core/Text.h"
#include "leave/CoExcuse.h"
#include "leave/LeaveMessages.h"
#include "leave/LeaveSettings.h"
#include "utils/DateUtils.h"

namespace humrs {

namespace {

// The redeemable overtime rows with their hours as stored and the hours they hold
// before any leave is taken from them, in the order leave is taken from them.
const std::string& RedeemableOvertimeSql() {
    static const std::string sql =
        "Select Flag, BillNo, RowNo, PersonID, OverTimeDate, EndTime, UseableRedeemCount, "
        "FieldACount+FieldBCount+FieldCCount+HolidayCount As WorkedHours From HumOverTime Where RedeemType "
        "= " +
        std::to_string(kRedeemableOvertimeType);
    return sql;
}
constexpr const char* kOvertimeOrder = " Order By OverTimeDate, BeginTime, Flag, BillNo, RowNo";
// The compensatory leave that takes hours, in the order it takes them. A leave whose
// count was fixed when it was granted (RedeemOldExcuseCount) takes that count.
const std::string& CompensatoryLeaveSql() {
    static const std::string sql =
        "Select A.PersonID, A.BeginDate, A.BeginTime, (case A.RedeemOldExcuseCount when 0 then A.ExcuseCount "
        "- "
        "A.CutExcuseCount else A.RedeemOldExcuseCount end) as ExcuseCount From humExcuse A Left Join "
        "humExcuseCls B "
        "On A.ExcuseClsID = B.ExcuseClsID Where A.Flag <> 3 And B.ExcuseCls = " +
        CodeText(LeaveKind::Compensatory);
    return sql;
}
constexpr const char* kLeaveOrder = " Order By A.BeginDate, A.BeginTime";

std::optional<double> OptionalNumber(const Variant& v) {
    if (v.IsNull() || v.IsEmpty()) return std::nullopt;
    return CFloat(v);
}

std::optional<int64_t> OptionalWhole(const Variant& v) {
    if (v.IsNull() || v.IsEmpty()) return std::nullopt;
    return CInt(v);
}

RedeemableOvertime OvertimeFromRow(const std::vector<Variant>& row) {
    RedeemableOvertime o;
    o.flag = row[0];
    o.billNo = row[1];
    o.rowNo = row[2];
    o.date = OptionalWhole(row[4]);
    o.endTime = OptionalWhole(row[5]);
    o.stored = OptionalNumber(row[6]);
    o.free = OptionalNumber(row[7]);
    return o;
}

CompensatoryNeed LeaveFromRow(const std::vector<Variant>& row) {
    return {static_cast<int>(CInt(row[1])), static_cast<int>(CInt(row[2])), RoundValue(CFloat(row[3]), 2)};
}

std::vector<RedeemableOvertime> PersonsOvertime(Database& db, const std::string& person) {
    std::vector<RedeemableOvertime> overtime;
    for (const auto& row :
         db.Query(RedeemableOvertimeSql() + " And PersonID = ?" + kOvertimeOrder, {Variant(person)}).rows)
        overtime.push_back(OvertimeFromRow(row));
    return overtime;
}

// Writes the rows whose free hours the rebuild changed.
void WriteFreeHours(Database& db, const std::vector<RedeemableOvertime>& overtime) {
    for (const RedeemableOvertime& o : overtime) {
        if (o.free == o.stored) continue;
        db.Execute(
            "Update HumOverTime Set UseableRedeemCount = ? Where Flag = ? And BillNo = ? And RowNo = ?",
            {o.free ? Variant(*o.free) : Variant::Null(), o.flag, o.billNo, o.rowNo});
    }
}

}  // namespace

// ------------------------------------------------------------------ posting a bill's changes

void TExcuse::PostRedeemChanges(const Variant& changeSet, RedeemSource source, bool deleted) {
    DeltaDataset d(changeSet);
    if (d.RecordCount() == 0) return;
    const RedeemSourceRows rows = RowsOf(source);
    const char* kindField = rows.kindField();
    const int counting = rows.countingKind();
    // A change to a bill is weighed without that bill's rows of this source.
    auto leftOut = [&](const std::string& billNo, std::optional<int> rowNo) {
        return LeftOutRows{rows.leave ? LeftOutRows::Table::Leave : LeftOutRows::Table::Overtime, rows.flag,
                           billNo, rows.leave ? rowNo : std::nullopt};
    };

    for (d.First(); !d.Eof(); d.Next()) {
        const int rowNo = rows.byDate ? CInt(d.RealFieldValue("RowNo")) : 0;
        switch (d.Status()) {
            case UpdateStatus::Modified: {
                const int k = CInt(d.RealFieldValue(kindField));
                const std::string p = CStr(d.RealFieldValue("PersonID"));
                const int oldKind = CInt(d.OldValue(kindField));
                const std::string oldPerson = CStr(d.OldValue("PersonID"));
                const bool samePerson = SameText(oldPerson, p);
                // The row left the old person's compensatory accounting.
                if (oldKind == counting && !(oldKind == k && samePerson)) RecalcRedeem(oldPerson);
                if (k != counting) break;
                if (rows.leave) {
                    double old = CFloat(d.OldValue("ExcuseCount"));
                    const double requested =
                        d.Changed("ExcuseCount") ? CFloat(d.NewValue("ExcuseCount")) : old;
                    // Only what the row held as compensatory leave of this person is
                    // released back to the balance.
                    if (!samePerson || oldKind != counting) old = 0;
                    // Whatever can change which overtime the row may use (its begin, its
                    // quantity, its category) is weighed again. The row keeps its place
                    // among the person's leave, oldest first: what it held is added back
                    // only from overtime still within its new reach.
                    const bool reach = d.Changed("BeginDate") || d.Changed("BeginTime") ||
                                       d.Changed("ExcuseCount") ||
                                       (d.HasField("ExcuseClsID") && d.Changed("ExcuseClsID"));
                    const CalendarDay beginDate(CInt(d.RealFieldValue("BeginDate")));
                    const TimeOfDay beginTime(CInt(d.RealFieldValue("BeginTime")));
                    if (samePerson && oldKind == counting && reach) {
                        const double cut =
                            d.HasField("CutExcuseCount") ? CFloat(d.OldValue("CutExcuseCount")) : 0;
                        const CompensatoryNeed held{static_cast<int>(CInt(d.OldValue("BeginDate"))),
                                                    static_cast<int>(CInt(d.OldValue("BeginTime"))),
                                                    RoundValue(old - cut, 2)};
                        const auto [freeHours, heldHours] =
                            BalanceWithinReach(p, rows.flag, CStr(d.RealFieldValue("BillNo")), rowNo, held,
                                               {beginDate.value, beginTime.value, 0});
                        RefuseOverBalance(p, beginDate, freeHours + heldHours, requested);
                    } else {
                        CheckCompLeaveBalance(p, beginDate, beginTime, old, requested);
                    }
                    GetDBConn().DBExecSQL(
                        "Update humExcuse Set RedeemOldExcuseCount = 0 Where Flag <> 3 And BillNo = " +
                        QuoteStr(CStr(d.RealFieldValue("BillNo"))) + " And RowNo = " + std::to_string(rowNo));
                }
                RecalcRedeem(p);
                break;
            }
            case UpdateStatus::Inserted: {
                if (CInt(d.NewValue(kindField)) != counting) break;
                const std::string person = CStr(d.NewValue("PersonID"));
                // A bill by date may bring several new rows of one person, and the rows
                // posted before this one have been allocated with it stored beside
                // them: it is weighed against the allocation without itself, not
                // counted twice.
                if (source == RedeemSource::LeaveByDate)
                    RecalcRedeem(person, leftOut(CStr(d.NewValue("BillNo")), rowNo));
                if (rows.leave)
                    CheckCompLeaveBalance(person, CalendarDay(CInt(d.NewValue("BeginDate"))),
                                          TimeOfDay(CInt(d.NewValue("BeginTime"))), 0,
                                          CFloat(d.NewValue("ExcuseCount")));
                RecalcRedeem(person);
                break;
            }
            case UpdateStatus::Deleted: {
                if (CInt(d.OldValue(kindField)) != counting) break;
                const std::string person = CStr(d.OldValue("PersonID"));
                if (deleted)
                    RecalcRedeem(person, leftOut(CStr(d.OldValue("BillNo")), std::nullopt));
                else
                    RecalcRedeem(person);
                break;
            }
            default:
                break;
        }
    }
}

// ------------------------------------------------------------------ free overtime hours

void TExcuse::RecalcRedeem(const std::string& person, const LeftOutRows& leftOut) {
    if (person.empty()) return;
    const int term = LeaveSettings::Read(*this).makeUpRestTerm;
    Database& db = Db();

    std::vector<RedeemableOvertime> overtime = PersonsOvertime(db, person);
    if (leftOut.table == LeftOutRows::Table::Overtime)
        for (RedeemableOvertime& o : overtime)
            o.excluded = CInt(o.flag) == leftOut.flag && CStr(o.billNo) == leftOut.billNo;

    std::string leaveSql = CompensatoryLeaveSql() + " And A.PersonID = ?";
    std::vector<Variant> params{Variant(person)};
    if (leftOut.table == LeftOutRows::Table::Leave) {
        leaveSql += " And not (A.Flag = ? And A.BillNo = ?";
        params.insert(params.end(), {Variant(leftOut.flag), Variant(leftOut.billNo)});
        if (leftOut.rowNo) {
            leaveSql += " And A.RowNo = ?";
            params.emplace_back(*leftOut.rowNo);
        }
        leaveSql += ")";
    }
    std::vector<CompensatoryNeed> leaves;
    for (const auto& row : db.Query(leaveSql + kLeaveOrder, params).rows) leaves.push_back(LeaveFromRow(row));

    TakeLeaveFromOvertime(overtime, leaves, term);
    WriteFreeHours(db, overtime);
}

bool TExcuse::RecalcAllRedeem() {
    const int term = LeaveSettings::Read(*this).makeUpRestTerm;
    Database& db = Db();
    const ResultSet persons = db.Query("Select PersonID From comPerson Order By PersonID");
    // The persons are taken in blocks; each block's overtime and leave come in two
    // ordered reads over its range of persons, each person's rows together. Blocks
    // keep what is held in memory small whatever the number of persons.
    constexpr size_t kBlock = 500;
    using Range = std::pair<size_t, size_t>;
    auto byPerson = [](const ResultSet& rs, size_t personColumn) {
        std::unordered_map<std::string, Range> ranges;
        for (size_t i = 0; i < rs.rows.size();) {
            const std::string id = CStr(rs.rows[i][personColumn]);
            size_t j = i + 1;
            while (j < rs.rows.size() && CStr(rs.rows[j][personColumn]) == id) ++j;
            ranges.emplace(id, Range{i, j});
            i = j;
        }
        return ranges;
    };

    const size_t total = persons.rows.size();
    size_t done = 0;
    for (size_t first = 0; first < total; first += kBlock) {
        const size_t end = std::min(total, first + kBlock);
        const Variant& low = persons.rows[first][0];
        const Variant& high = persons.rows[end - 1][0];
        const ResultSet overtimeRows = db.Query(
            RedeemableOvertimeSql() +
                " And PersonID >= ? And PersonID <= ? Order By PersonID, OverTimeDate, BeginTime, Flag, "
                "BillNo, RowNo",
            {low, high});
        const ResultSet leaveRows = db.Query(
            CompensatoryLeaveSql() +
                " And A.PersonID >= ? And A.PersonID <= ? Order By A.PersonID, A.BeginDate, A.BeginTime",
            {low, high});
        const auto overtimeOf = byPerson(overtimeRows, 3);
        const auto leaveOf = byPerson(leaveRows, 0);
        for (size_t k = first; k < end; ++k) {
            const std::string person = CStr(persons.rows[k][0]);
            std::vector<RedeemableOvertime> overtime;
            if (auto it = overtimeOf.find(person); it != overtimeOf.end())
                for (size_t i = it->second.first; i < it->second.second; ++i)
                    overtime.push_back(OvertimeFromRow(overtimeRows.rows[i]));
            std::vector<CompensatoryNeed> leaves;
            if (auto it = leaveOf.find(person); it != leaveOf.end())
                for (size_t i = it->second.first; i < it->second.second; ++i)
                    leaves.push_back(LeaveFromRow(leaveRows.rows[i]));
            // Each person is rebuilt whole or not at all: a failure part-way must not
            // leave the person's overtime reset without its allocation.
            db.Savepoint("recalc_person");
            try {
                TakeLeaveFromOvertime(overtime, leaves, term);
                WriteFreeHours(db, overtime);
                db.ReleaseSavepoint("recalc_person");
            } catch (const std::exception&) {
                db.RollbackToSavepoint("recalc_person");
                db.ReleaseSavepoint("recalc_person");
                return false;
            }
            if (progress_) progress_(++done, total);
        }
        CommitBlock();
    }
    return true;
}

// ------------------------------------------------------------------ the balance

void TExcuse::CheckCompLeaveBalance(const std::string& person, CalendarDay beginDate, TimeOfDay beginTime,
                                    double released, double requested) {
    const OvertimeReach reach(beginDate.value, beginTime.value, LeaveSettings::Read(*this).makeUpRestTerm);
    const double free = CFloat(GetDBConn().DBSelectSQL(
        "Select IsNull(Sum(UseableRedeemCount), 0) As OTUseRedeemCount From HumOverTime Where "
        "UseableRedeemCount "
        "<> 0 And  RedeemType=" +
        std::to_string(kRedeemableOvertimeType) + " and PersonID= " + QuoteStr(person) + reach.Condition()));
    RefuseOverBalance(person, beginDate, RoundValue(free, 2) + released, requested);
}

void TExcuse::RefuseOverBalance(const std::string& person, CalendarDay beginDate, double available,
                                double requested) {
    if (RoundValue(requested, 2) <= available) return;
    const int windowStart = AddMonth(beginDate.value, -LeaveSettings::Read(*this).makeUpRestTerm);
    MakeException(msg::kCompLeaveOverBalance,
                  {Variant(DateToShow(beginDate.value)), Variant(person),
                   Variant(DateToShow(windowStart) + "-" + DateToShow(beginDate.value)),
                   Variant(DecimalText(available))});
}

std::pair<double, double> TExcuse::BalanceWithinReach(const std::string& person, int flag,
                                                      const std::string& billNo, int rowNo,
                                                      const CompensatoryNeed& held,
                                                      const CompensatoryNeed& moved) {
    const int term = LeaveSettings::Read(*this).makeUpRestTerm;
    Database& db = Db();
    std::vector<RedeemableOvertime> overtime = PersonsOvertime(db, person);
    // The person's other compensatory leave, oldest first; the row goes back to the
    // place it had, after the leave that began before it.
    std::vector<CompensatoryNeed> before, after;
    for (const auto& row :
         db.Query(CompensatoryLeaveSql() +
                      " And A.PersonID = ? And not (A.Flag = ? And A.BillNo = ? And A.RowNo = ?)" +
                      kLeaveOrder,
                  {Variant(person), Variant(flag), Variant(billNo), Variant(rowNo)})
             .rows) {
        const CompensatoryNeed leave = LeaveFromRow(row);
        (MomentKey(leave.date, leave.time) < MomentKey(held.date, held.time) ? before : after)
            .push_back(leave);
    }
    // What the earlier leave leaves free, then what the row takes of it; the later
    // leave takes from the rest.
    TakeLeaveFromOvertime(overtime, before, term);
    std::vector<double> freeBefore;
    for (const RedeemableOvertime& o : overtime) freeBefore.push_back(o.free.value_or(0));
    TakeLeaveFromOvertime(overtime, {held}, term);
    std::vector<double> taken;
    for (size_t i = 0; i < overtime.size(); ++i)
        taken.push_back(freeBefore[i] - overtime[i].free.value_or(0));
    TakeLeaveFromOvertime(overtime, after, term);

    const OvertimeReach reach(moved, term);
    double freeHours = 0, heldHours = 0;
    for (size_t i = 0; i < overtime.size(); ++i) {
        if (!reach.Admits(overtime[i])) continue;
        freeHours += RoundValue(overtime[i].free.value_or(0), 2);
        heldHours += taken[i];
    }
    return {RoundValue(freeHours, 2), RoundValue(heldHours, 2)};
}

}  // namespace humrs
