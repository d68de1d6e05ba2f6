#include "suite/CoPersonSetMain.h"

#include "core/Convert.h"
#include "core/Text.h"

namespace humrs {

void TPersonSetMain::DoExecuteProc(int procNo, const Variant& arg1, const Variant&, Variant& result) {
    const std::string person = Trim(CStr(arg1.IsArray() ? arg1[0] : arg1));
    switch (procNo) {
        case 0: {
            auto row = Db().QueryFirst("Select SalaryMode From humPersonSetMain Where Flag = 1 And ID = ?",
                                       {Variant(person)});
            result = Variant(row ? static_cast<int>(CInt((*row)[0])) : 0);
            break;
        }
        case 1:
            result = OpenDatasetV(ProgID(), 0, "*", "ID = " + QuoteStr(person));
            break;
        default: break;
    }
}

}  // namespace humrs
