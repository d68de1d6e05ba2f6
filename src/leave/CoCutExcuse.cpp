#include "leave/CoCutExcuse.h"

#include <cstdio>

#include "core/Convert.h"
#include "core/Text.h"
#include "framework/Dataset.h"
#include "leave/CutExcuseMessages.h"
#include "utils/DateUtils.h"
#include "utils/TimeUtils.h"

namespace humrs {

namespace {

std::string Num(int64_t n) { return std::to_string(n); }

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
    VariantArray result{Variant(""), Variant(Currency()), Variant(""), Variant(Currency()), Variant(0), Variant("")};
    // The person's leave rows whose dates hold the cancellation's begin date.
    Dataset rows = GetDBConn().OpenDataset(
        "Select Flag,BillNo,RowNo,ExcuseClsID,ExcuseUnit,UnitName,BeginDate,BeginTime,EndDate,EndTime,IfCutExcuse "
        "From humExcuse Where Flag <> 3 and PersonID = " +
        QuoteStr(person) + " And BeginDate <= " + Num(beginDate) + " And EndDate >= " + Num(beginDate));
    if (rows.IsEmpty()) MakeException(0, 0, msg::kNoLeaveForCutSpan);
    for (rows.First(); !rows.Eof(); rows.Next()) {
        if (!IsBetweenTwoTime(CInt(rows["BeginDate"]), CInt(rows["BeginTime"]), CInt(rows["EndDate"]),
                              CInt(rows["EndTime"]), beginDate, beginTime, endDate, endTime))
            continue;
        if (checkFlag == 1 && CBool(rows["IfCutExcuse"])) MakeException(0, 0, msg::kLeaveAlreadyCut);
        const VariantArray span{Variant(person),  rows["ExcuseClsID"], Variant(beginDate),     Variant(endDate),
                                Variant(beginTime), Variant(endTime),  rows["UnitName"], Variant(true)};
        const Currency quantity = CCurr(DoCOMMethod("qvxHumrs.Reset", ContextNumber(), 9, Variant(span)));
        result = {Variant(CStr(rows["ExcuseClsID"])), Variant(CCurr(rows["ExcuseUnit"])),
                  Variant(CStr(rows["UnitName"])),    Variant(quantity),
                  Variant(static_cast<int>(CInt(rows["Flag"]))), Variant(CStr(rows["BillNo"]))};
        cutFlag_ = static_cast<int>(CInt(rows["Flag"]));
        cutBillNo_ = CStr(rows["BillNo"]);
        cutRowNo_ = static_cast<int>(CInt(rows["RowNo"]));
        return result;
    }
    MakeException(0, 0, msg::kNoLeaveForCutSpan);
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
    if (!(CFloat(bill["ExcuseCount"]) > 0)) MakeException(0, 0, msg::kCutCountEmpty);

    // A changed bill first lifts the marks it had set, then marks the row of the last
    // lookup; a new bill only marks; a bill deleted from the change set lifts its marks.
    DeltaDataset changes(GetDeltaDatasets(0));
    for (changes.First(); !changes.Eof(); changes.Next()) {
        switch (changes.Status()) {
            case UpdateStatus::Modified: {
                if (!Trim(CStr(changes.OldValue("PersonID"))).empty()) ClearCutExcuse(CStr(changes.OldValue("BillNo")));
                std::string billNo = CStr(changes.NewValue("BillNo"));
                if (Trim(billNo).empty()) billNo = CStr(changes.OldValue("BillNo"));
                Variant count = changes.NewValue("ExcuseCount");
                if (CFloat(count) == 0) count = changes.OldValue("ExcuseCount");
                if (!Trim(cutBillNo_).empty()) MarkCutExcuse(billNo, count);
                break;
            }
            case UpdateStatus::Inserted:
                if (!Trim(cutBillNo_).empty())
                    MarkCutExcuse(CStr(changes.NewValue("BillNo")), changes.NewValue("ExcuseCount"));
                break;
            case UpdateStatus::Deleted: ClearCutExcuse(CStr(changes.OldValue("BillNo"))); break;
            case UpdateStatus::Unmodified: break;
        }
    }
}

void TCutExcuse::BeforeDelete() {
    TQVXComBase::BeforeDelete();
    ClearCutExcuse(CStr(GetDatasets(0)["BillNo"]));
}

void TCutExcuse::MarkCutExcuse(const std::string& billNo, const Variant& count) {
    GetDBConn().DBExecSQL("Update humExcuse Set IfCutExcuse=1, CutExcuseNo=" + QuoteStr(billNo) +
                          ",CutExcuseCount=" + Fixed2(count) + " Where BillNo=" + QuoteStr(cutBillNo_) +
                          " and Flag=" + Num(cutFlag_) + " and RowNo=" + Num(cutRowNo_) + " ");
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
        d.clsid = "{828C06B7-80BC-41D0-9B54-C4723D3C6D5E}";
        d.interfaceName = "ICutExcuse";
        d.iid = "{99F47B86-1195-4BB9-A4EC-214E8908DC12}";
        d.keyColumn = "BillNo";
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
