#pragma once
#include <string>
#include <vector>

#include "framework/ComBase.h"

namespace humrs {

// A person's current salary settings, "QVXHumrs.PersonSetMain". Dataset 0 is
// humPersonSetMain (rows with Flag 1) keyed by ID, the PersonID, which the rows also
// expose as PersonID (with SalaryMode: 2 paid by the hour).
//
// Procedures (declared by PersonSetMainProcedures, their arguments checked):
//   0  PersonID -> integer SalaryMode of the person; 0 without settings
//   1  PersonID -> data packet of the person's settings row (empty without settings)
//
// When a person's settings are first set up, the person's initial state of every
// insurance kind of the local type is recorded in humHistInsurance.
class TPersonSetMain : public TQVXComBase {
public:
    // Procedure 0.
    int SalaryModeOf(const std::string& personId);
    // A person's first settings are the terms before any salary adjustment and any
    // insurance change: they are kept as snapshot 0 of the salary history and as the
    // initial state of each insurance kind, which undoing the first adjustment or
    // change puts back. A person who already has a history is left alone.
    void AfterUpdate() override;
};

std::vector<ProcedureDef> PersonSetMainProcedures();

// How many insurance kinds the local type knows: six under local type 0, three
// under any other.
int InsuranceKindCount(int localType);
// The amount column of humPersonSetMain of an insurance kind under the local type;
// empty for a kind the local type does not know.
std::string InsuranceAmountColumn(int localType, int kind);

// Records the person's initial state of an insurance kind (change number 0, change
// type 0, the amount the settings hold now and, for kind 2, the employer's pension
// rate) unless one is recorded already. Nothing is written for a person without
// settings or a kind the local type does not know.
void WriteInitialInsuranceState(TQVXComBase& object, const std::string& person, int kind);

}  // namespace humrs
