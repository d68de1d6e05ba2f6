// Demo scenes of the leave cancellation.
#include "leave/CoCutExcuse.h"

namespace humrs {

namespace {

constexpr const char* kCutExcuse = "QVXHumrs.CutExcuse";
constexpr const char* kExcuse = "QVXHumrs.Excuse";

// A bill of one row in dataset 0.
Json OneRow(Json row) { return Json{{"datasets", Json::array({Json::array({std::move(row)})})}}; }

void CancelPartOfALeave(DemoContext& demo) {
    demo.Say("刘洋 (E004) asked for three days of wedding leave, 07-01 to 07-03, and came back on the third "
             "afternoon: half a day is given back.");
    demo.Save(kExcuse,
              OneRow({{"BillNo", "QJ101"},
                      {"PersonID", "E004"},
                      {"ExcuseClsID", "L09"},
                      {"BeginDate", 20240701},
                      {"BeginTime", 800},
                      {"EndDate", 20240703},
                      {"EndTime", 1700},
                      {"ExcuseCount", 3}}),
              true, "QJ101 E004 wedding leave 07-01 to 07-03");
    demo.Say("The cancellation looks up the leave row its span lies in, then is saved on the same object.");
    TQVXComBase& cancellation = demo.Keep(kCutExcuse);
    const Outcome found = demo.Proc(cancellation, 0, Variant(VariantArray{"E004", 20240703, 1300, 20240703, 1700, 1}),
                                    Variant(), "the leave row holding 07-03 13:00-17:00");
    if (!found.ok) return;
    demo.Save(cancellation,
              OneRow({{"BillNo", "XJ001"},
                      {"PersonID", "E004"},
                      {"BeginDate", 20240703},
                      {"BeginTime", 1300},
                      {"EndDate", 20240703},
                      {"EndTime", 1700},
                      {"ExcuseClsID", "L09"},
                      {"ExcuseCount", 0.5}}),
              true, "XJ001 half a day given back");
    demo.Show("the leave row", "Select BillNo, IfCutExcuse, CutExcuseNo, CutExcuseCount From humExcuse Where BillNo = ?",
              {Variant("QJ101")});
    demo.Say("A cancelled leave may no longer be changed.");
    demo.Save(kExcuse,
              OneRow({{"BillNo", "QJ101"},
                      {"PersonID", "E004"},
                      {"ExcuseClsID", "L09"},
                      {"BeginDate", 20240701},
                      {"BeginTime", 800},
                      {"EndDate", 20240703},
                      {"EndTime", 1200},
                      {"ExcuseCount", 2.5}}),
              false, "QJ101 shortened by hand");
    demo.Say("Deleting the cancellation frees the leave again.");
    demo.Delete(kCutExcuse, "XJ001", true, "XJ001");
    demo.Show("the leave row", "Select BillNo, IfCutExcuse, CutExcuseNo, CutExcuseCount From humExcuse Where BillNo = ?",
              {Variant("QJ101")});
}

}  // namespace

std::vector<DemoScene> CutExcuseDemo() { return {{"Leave cancellation: half a day given back", CancelPartOfALeave}}; }

}  // namespace humrs
