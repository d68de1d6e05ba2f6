#pragma once
// A personal leave of one morning (08:00-12:00, four hours of category SJ) saved through
// the leave request, as the concurrency tests and the benchmark of several clients save
// one for each of their persons.
#include <string>

#include "core/Variant.h"
#include "framework/ComBase.h"
#include "framework/Outcome.h"
#include "framework/Session.h"
#include "leave/CoExcuse.h"

namespace humrs::testing {

inline Outcome SaveMorningLeave(Session& session, const std::string& billNo, const std::string& person, int date) {
    auto bill = CreateBusinessObject(ExcuseClass().progId, session);
    bill->MergeInput(0, {{{"BillNo", Variant(billNo)},
                          {"PersonID", Variant(person)},
                          {"ExcuseClsID", Variant("SJ")},
                          {"BeginDate", Variant(date)},
                          {"BeginTime", Variant(800)},
                          {"EndDate", Variant(date)},
                          {"EndTime", Variant(1200)},
                          {"ExcuseCount", Variant(4.0)}}});
    return bill->Save();
}

}  // namespace humrs::testing
