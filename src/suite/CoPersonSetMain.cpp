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

void TPersonSetMain::AfterUpdate() {
    auto& conn = GetDBConn();
    DeltaDataset d(GetDeltaDatasets(0));
    for (d.First(); !d.Eof(); d.Next()) {
        if (d.Status() != UpdateStatus::Inserted) continue;
        const std::string p = QuoteStr(Trim(CStr(d.NewValue("ID"))));
        if (CInt(conn.DBSelectSQL("Select Count(*) From humHistSalaryBase Where PersonID = " + p)) != 0) continue;
        conn.DBExecSQL(
            "Insert Into humHistSalaryBase Select ID as PersonID, BaseSalary, NoLeave, NoLeaveSalary, Meal, "
            "MealSalary, AdjustDate, AdjustMode,0 As ChangeTimes From humPersonSetMain Where Flag = 1 And ID =" + p);
        conn.DBExecSQL("Insert Into humHistSalaryItem Select ID as PersonID, SalaryItem, Account, 0 As ChangeTimes, "
                       "RowNo From humPersonSetSub Where Flag = 1 And ID =" + p);
    }
}

}  // namespace humrs
