#pragma once
#include "framework/ComBase.h"

namespace humrs {

// A person's current salary settings, "QVXHumrs.PersonSetMain". Dataset 0 is
// humPersonSetMain (rows with Flag 1) keyed by ID, the PersonID, which the rows also
// expose as PersonID (with SalaryMode: 2 paid by the hour).
//
// Procedures:
//   0  PersonID -> integer SalaryMode of the person; 0 without settings
//   1  PersonID -> data packet of the person's settings row (empty without settings)
class TPersonSetMain : public TQVXComBase {
public:
    void DoExecuteProc(int procNo, const Variant& arg1, const Variant& arg2, Variant& result) override;
    // A person's first settings are the terms before any salary adjustment: they are
    // kept as snapshot 0 of the salary history, which undoing the first adjustment
    // puts back. A person who already has a history is left alone.
    void AfterUpdate() override;
};

}  // namespace humrs
