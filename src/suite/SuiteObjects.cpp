#include "framework/ComBase.h"
#include "suite/CoChkAttend.h"
#include "suite/CoClassCls.h"
#include "suite/CoDepartment.h"
#include "suite/CoPerson.h"
#include "suite/CoPersonSetMain.h"
#include "suite/CoReset.h"

namespace humrs {

// The suite's outside objects that the business classes reach by ProgID (compared
// without regard to case, so "QvxHumrs.Reset" finds the same object).
void RegisterSuiteObjects() {
    RegisterObjectCreator("QVXHumrs.Reset", [] { return std::make_unique<TReset>(); });
    RegisterObjectCreator("QVXHumrs.ClassCls", [] { return std::make_unique<TClassCls>(); });
    RegisterObjectCreator("QvxHumrs.ChkAttend", [] { return std::make_unique<TChkAttend>(); });
    RegisterObjectCreator("QVXHumrs.PersonSetMain", [] { return std::make_unique<TPersonSetMain>(); });
    RegisterObjectCreator("QvxComm.Department", [] { return std::make_unique<TDepartment>(); });
    RegisterObjectCreator("QvxComm.Person", [] { return std::make_unique<TPerson>(); });
}

}  // namespace humrs
