#pragma once
#include "framework/ComBase.h"

namespace humrs {

// The work-class (shift) master of the suite, "QVXHumrs.ClassCls". Dataset 0 is
// humClass keyed by ClassID (value lookups go through it).
//
// Procedures:
//   0  a class number (text, or an array whose [0] is one) -> array [0] OnDutyTime,
//      [1] OffDutyTime (hhmm); [0, 0] for an empty or unknown class. An off-duty time
//      below the on-duty time ends on the next day.
class TClassCls : public TQVXComBase {
public:
    void DoExecuteProc(int procNo, const Variant& arg1, const Variant& arg2, Variant& result) override;
};

}  // namespace humrs
