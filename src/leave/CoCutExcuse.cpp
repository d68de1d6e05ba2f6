#include "leave/CoCutExcuse.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "core/Convert.h"
#include "core/Text.h"
#include "framework/Dataset.h"
#include "framework/RefusalPlace.h"
#include "leave/CutExcuseMessages.h"
#include "suite/FieldLabels.h"
#include "suite/SuiteCalls.h"
#include "utils/DateUtils.h"
#include "utils/TimeUtils.h"

namespace humrs {

namespace {

// A quantity in fixed notation with two decimals, as the marks store it.
std::string Fixed2(const Variant& count) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", CFloat(count));
    return text;
}

}  // namespace

// ------------------------------------------------------------------ lookup

VariantArray TCutExcuse::FindCoveredExcuse(const std::string& person, int beginDate, int beginTime, int endDate,
                                           int endTime, int checkFlag) {
    Dataset rows = CoveringRow(person, beginDate, beginTime, endDate, endTime, checkFlag);
    // The quantity in the covering leave's unit, counted by the person's shift.
    const suite::LeaveSpan span{.person = person,
                                .categoryId = CStr(rows["ExcuseClsID"]),
                                .beginDate = beginDate,
                                .endDate = endDate,
                                .beginTime = beginTime,
                                .endTime = endTime,
                                .unit = rows["UnitName"].IsNullOrEmpty() ? -1 : static_cast<int>(CInt(rows["UnitName"])),
                                .byShift = true};
    const Currency quantity = CCurr(suite::LeaveLength(*this, span));
    cutFlag_ = static_cast<int>(CInt(rows["Flag"]));
    cutBillNo_ = CStr(rows["BillNo"]);
    cutRowNo_ = static_cast<int>(CInt(rows["RowNo"]));
    return {Variant(CStr(rows["ExcuseClsID"])),
            Variant(CCurr(rows["ExcuseUnit"])),
            Variant(CStr(rows["UnitName"])),
            Variant(quantity),
            Variant(cutFlag_),
            Variant(cutBillNo_)};
}

Dataset TCutExcuse::CoveringRow(const std::string& person, int beginDate, int beginTime, int endDate,
                                int endTime, int checkFlag) {
    // The person's leave rows whose dates hold the cancellation's begin date.
    Dataset rows = GetDBConn().OpenDataset(
        "Select Flag,BillNo,RowNo,ExcuseClsID,ExcuseUnit,UnitName,BeginDate,BeginTime,EndDate,EndTime,IfCutExcuse "
        "From humExcuse Where Flag <> 3 and PersonID = " +
        QuoteStr(person) + " And BeginDate <= " + Num(beginDate) + " And EndDate >= " + Num(beginDate));
    if (rows.IsEmpty()) MakeException(msg::kNoLeaveForCutSpan);
    for (rows.First(); !rows.Eof(); rows.Next()) {
        if (!IsBetweenTwoTime(CInt(rows["BeginDate"]), CInt(rows["BeginTime"]), CInt(rows["EndDate"]),
                              CInt(rows["EndTime"]), beginDate, beginTime, endDate, endTime))
            continue;
        if (checkFlag == 1 && CBool(rows["IfCutExcuse"])) MakeException(msg::kLeaveAlreadyCut);
        return rows;
    }
    MakeException(msg::kNoLeaveForCutSpan);
}

// ------------------------------------------------------------------ save and delete

void TCutExcuse::BeforeUpdate() {
    TQVXComBase::BeforeUpdate();
    Dataset& bill = GetDatasets(0);
    // The span given back must be one that exists, under every login.
    RequireDateOrZero(CInt(bill["BeginDate"]), "BeginDate");
    RequireDateOrZero(CInt(bill["EndDate"]), "EndDate");
    RequireTimeOrUnset(CInt(bill["BeginTime"]), "BeginTime");
    RequireTimeOrUnset(CInt(bill["EndTime"]), "EndTime");
    if (!(CFloat(bill["ExcuseCount"]) > 0)) MakeException(msg::kCutCountEmpty, {}, AtHeader("ExcuseCount"));

    // A changed bill first lifts the marks it had set, then marks the row of the last
    // lookup; a new bill only marks; a bill deleted from the change set lifts its marks.
    DeltaDataset changes(GetDeltaDatasets(0));
    for (changes.First(); !changes.Eof(); changes.Next()) {
        switch (changes.Status()) {
            case UpdateStatus::Modified: {
                const std::string oldBillNo = CStr(changes.OldValue("BillNo"));
                // Without a lookup on this object the bill finds its leave again from
                // what it stores: read before its marks are lifted.
                const std::vector<LeaveKey> marked =
                    Trim(cutBillNo_).empty() ? MarkedRows(oldBillNo) : std::vector<LeaveKey>{};
                if (!Trim(CStr(changes.OldValue("PersonID"))).empty()) ClearCutExcuse(oldBillNo);
                std::string billNo = CStr(changes.NewValue("BillNo"));
                if (Trim(billNo).empty()) billNo = oldBillNo;
                Variant count = changes.NewValue("ExcuseCount");
                if (CFloat(count) == 0) count = changes.OldValue("ExcuseCount");
                if (!Trim(cutBillNo_).empty())
                    MarkCutExcuse({cutBillNo_, cutFlag_, cutRowNo_}, billNo, count);
                else
                    for (const LeaveKey& leave : CoveredAgain(changes, marked))
                        MarkCutExcuse(leave, billNo, count);
                break;
            }
            case UpdateStatus::Inserted:
                if (!Trim(cutBillNo_).empty())
                    MarkCutExcuse({cutBillNo_, cutFlag_, cutRowNo_}, CStr(changes.NewValue("BillNo")),
                                  changes.NewValue("ExcuseCount"));
                break;
            case UpdateStatus::Deleted: ClearCutExcuse(CStr(changes.OldValue("BillNo"))); break;
            case UpdateStatus::Unmodified: break;
        }
    }
}

std::vector<TCutExcuse::LeaveKey> TCutExcuse::MarkedRows(const std::string& billNo) {
    std::vector<LeaveKey> keys;
    if (Trim(billNo).empty()) return keys;
    Dataset rows = GetDBConn().OpenDataset(
        "Select BillNo,Flag,RowNo From humExcuse Where Flag <> 3 and CutExcuseNo = " + QuoteStr(billNo) +
        " Order By Flag,BillNo,RowNo");
    for (rows.First(); !rows.Eof(); rows.Next())
        keys.push_back({CStr(rows["BillNo"]), static_cast<int>(CInt(rows["Flag"])),
                        static_cast<int>(CInt(rows["RowNo"]))});
    return keys;
}

std::vector<TCutExcuse::LeaveKey> TCutExcuse::CoveredAgain(const DeltaDataset& changes,
                                                           const std::vector<LeaveKey>& marked) {
    const char* const span[] = {"PersonID", "BeginDate", "BeginTime", "EndDate", "EndTime"};
    const bool moved = std::any_of(std::begin(span), std::end(span), [&](const char* field) {
        return changes.HasField(field) && changes.Changed(field);
    });
    if (!moved) return marked;
    // The span moved: the leave that covers it now, unless another cancellation holds it.
    Dataset rows;
    PointedAt(AtHeader("BeginDate"), [&] {
        rows = CoveringRow(CStr(changes.RealFieldValue("PersonID")), CInt(changes.RealFieldValue("BeginDate")),
                           CInt(changes.RealFieldValue("BeginTime")), CInt(changes.RealFieldValue("EndDate")),
                           CInt(changes.RealFieldValue("EndTime")), 1);
    });
    return {
        {CStr(rows["BillNo"]), static_cast<int>(CInt(rows["Flag"])), static_cast<int>(CInt(rows["RowNo"]))}};
}

void TCutExcuse::BeforeDelete() {
    TQVXComBase::BeforeDelete();
    ClearCutExcuse(CStr(GetDatasets(0)["BillNo"]));
}

void TCutExcuse::MarkCutExcuse(const LeaveKey& leave, const std::string& billNo, const Variant& count) {
    const std::string where = " Where BillNo=" + QuoteStr(leave.billNo) + " and Flag=" + Num(leave.flag) +
                              " and RowNo=" + Num(leave.rowNo) + " ";
    // No more can be given back than the leave holds: what is left of it would count
    // below zero against its caps and its overtime.
    const Variant held = GetDBConn().DBSelectSQL("Select ExcuseCount From humExcuse" + where);
    if (!held.IsNullOrEmpty() && CFloat(Variant(Fixed2(count))) > CFloat(held))
        MakeException(msg::kCutCountOverLeave, {}, AtHeader("ExcuseCount"));
    GetDBConn().DBExecSQL("Update humExcuse Set IfCutExcuse=1, CutExcuseNo=" + QuoteStr(billNo) +
                          ",CutExcuseCount=" + Fixed2(count) + where);
}

void TCutExcuse::ClearCutExcuse(const std::string& billNo) {
    if (Trim(billNo).empty()) return;
    GetDBConn().DBExecSQL("Update humExcuse Set IfCutExcuse=0, CutExcuseNo='',CutExcuseCount=0 Where CutExcuseNo=" +
                          QuoteStr(billNo) + " ");
}

// ------------------------------------------------------------------ the class

const ClassDescriptor& CutExcuseClass() {
    static const ClassDescriptor d = [] {
        using namespace column_types;
        ClassDescriptor d;
        d.className = "TCutExcuse";
        d.coclass = "CutExcuse";
        d.progId = "QVXHumrs.CutExcuse";
        d.role = roles::kAttendance;
        d.clsid = "{828C06B7-80BC-41D0-9B54-C4723D3C6D5E}";
        d.interfaceName = "ICutExcuse";
        d.iid = "{99F47B86-1195-4BB9-A4EC-214E8908DC12}";
        d.keyColumn = "BillNo";
        d.title = "销假单";
        d.labels = WithSharedLabels({{"ExcuseCount", "销假数量"}});
        d.findDate = "BillDate";
        d.findPersonDataset = 0;
        d.findPerson = "PersonID";
        d.datasets = {HeaderDataset("humCutExcuse")};
        d.tables.push_back({"humCutExcuse",
                     {{"BillNo", kText},
                      {"BillDate", kInt},
                      {"PersonID", kText},
                      {"BeginDate", kInt},
                      {"BeginTime", kInt},
                      {"EndDate", kInt},
                      {"EndTime", kInt},
                      {"ExcuseClsID", kText},
                      {"ExcuseUnit", kFloat},
                      {"UnitName", kInt},
                      {"ExcuseCount", kMoney},  // quantity given back, in the leave row's unit
                      {"Memo", kText}},
                     {"BillNo"}});
        d.create = [] { return std::make_unique<TCutExcuse>(); };
        d.procedures.push_back(
            {0, "FindCoveredExcuse", ArgShape::Array,
             {{"PersonID", ArgType::Text}, {"BeginDate", ArgType::Int}, {"BeginTime", ArgType::Int},
              {"EndDate", ArgType::Int}, {"EndTime", ArgType::Int}, {"CheckFlag", ArgType::Int, true}},
             Routine<TCutExcuse>([](TCutExcuse& o, const ProcArgs& a) -> Variant {
                 return Variant(o.FindCoveredExcuse(a.Text(0), a.Int(1), a.Int(2), a.Int(3), a.Int(4), a.Int(5)));
             })});
        d.demo = CutExcuseDemo;
        return d;
    }();
    return d;
}

}  // namespace humrs
