#include "suite/CoPersonSetMain.h"

#include "core/Convert.h"
#include "core/Text.h"

namespace humrs {

int TPersonSetMain::SalaryModeOf(const std::string& personId) {
    auto row = Db().QueryFirst("Select SalaryMode From humPersonSetMain Where Flag = 1 And ID = ?", {Variant(personId)});
    return row ? static_cast<int>(CInt((*row)[0])) : 0;
}

std::vector<ProcedureDef> PersonSetMainProcedures() {
    const ArgDef person{"PersonID", ArgType::Text};
    std::vector<ProcedureDef> p;
    p.push_back({0, "SalaryMode", ArgShape::Array, {person},
                 Routine<TPersonSetMain>([](TPersonSetMain& o, const ProcArgs& a) -> Variant {
                     return Variant(o.SalaryModeOf(Trim(a.Text(0))));
                 })});
    p.push_back({1, "Settings", ArgShape::Array, {person},
                 Routine<TPersonSetMain>([](TPersonSetMain& o, const ProcArgs& a) -> Variant {
                     return o.OpenDatasetV(o.ProgID(), 0, "*", "ID = " + QuoteStr(Trim(a.Text(0))));
                 })});
    MarkReading(p, {0, 1});
    return p;
}

void TPersonSetMain::AfterUpdate() {
    TQVXComBase::AfterUpdate();
    // Settings set up now start the person's salary and insurance histories: undoing
    // the first adjustment or the first insurance change of a kind restores what is
    // recorded here.
    auto& conn = GetDBConn();
    const int localType = GetLocalType();
    DeltaDataset d(GetDeltaDatasets(0));
    for (d.First(); !d.Eof(); d.Next()) {
        if (d.Status() != UpdateStatus::Inserted) continue;
        const std::string person = CStr(d.NewValue("ID"));
        const std::string p = QuoteStr(Trim(person));
        if (CInt(conn.DBSelectSQL("Select Count(*) From humHistSalaryBase Where PersonID = " + p)) == 0) {
            conn.DBExecSQL(
                "Insert Into humHistSalaryBase Select ID as PersonID, BaseSalary, NoLeave, NoLeaveSalary, Meal, "
                "MealSalary, AdjustDate, AdjustMode,0 As ChangeTimes From humPersonSetMain Where Flag = 1 And ID =" +
                p);
            conn.DBExecSQL(
                "Insert Into humHistSalaryItem Select ID as PersonID, SalaryItem, Account, 0 As ChangeTimes, "
                "RowNo From humPersonSetSub Where Flag = 1 And ID =" + p);
        }
        for (int kind = 0; kind < InsuranceKindCount(localType); ++kind) WriteInitialInsuranceState(*this, person, kind);
    }
}

int InsuranceKindCount(int localType) { return localType == 0 ? 6 : 3; }

std::string InsuranceAmountColumn(int localType, int kind) {
    static const char* const kMainland[] = {"Endowment", "Medicare", "Idleness", "House", "Damage", "Procreate"};
    static const char* const kRegional[] = {"HealthDegree", "LaborDegree", "PensionSalary"};
    if (kind < 0 || kind >= InsuranceKindCount(localType)) return "";
    return localType == 0 ? kMainland[kind] : kRegional[kind];
}

void WriteInitialInsuranceState(TQVXComBase& object, const std::string& person, int kind) {
    const std::string column = InsuranceAmountColumn(object.GetLocalType(), kind);
    if (column.empty()) return;
    const std::string p = QuoteStr(person), k = std::to_string(kind);
    object.GetDBConn().DBExecSQL(
        "Insert Into humHistInsurance (PersonID,InsurKind,ChangeType,ChangeMoneny,AdjustDate,AdjustYearMonth,"
        "ChangeTimes, EmployerPensionRate) Select ID, " + k + ", 0, " + column + ", 0, 0, 0, " +
        (kind == 2 ? "EmployerPensionRate" : "0") + " From humPersonSetMain Where Flag = 1 And ID = " + p +
        " And Not Exists (Select * From humHistInsurance Where PersonID = " + p + " And InsurKind = " + k +
        " And ChangeTimes = 0)");
}

}  // namespace humrs
