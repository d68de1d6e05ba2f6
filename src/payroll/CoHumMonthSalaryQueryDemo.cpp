// Demo scene of the monthly pay statement: one person's June with every payroll
// source filled, assembled into one statement.
#include "payroll/CoHumMonthSalaryQuery.h"
#include "suite/DemoCompany.h"

namespace humrs {

namespace {

// 郭佳 (E016) in June 2024: hourly work, allowances, overtime, leave, piece work, an
// advance payment and the month's salary voucher, as the other bills left them.
void FillJuneOfE016(Database& db) {
    if (db.QueryFirst("Select BillNo From HumHourSalaryMain Where BillNo = 'XS-PS01'")) return;
    if (!db.QueryFirst("Select ID From humPersonSetMain Where Flag = 1 And ID = 'E016'"))
        db.Execute("Insert Into humPersonSetMain (Flag, ID, SalaryMode, BaseSalary) Values (1, 'E016', 1, 6000)");
    for (const char* sql : {
             "Insert Into HumHourSalaryMain (Flag, BillNo, BillDate) Values (1, 'XS-PS01', 20240620)",
             "Insert Into HumHourSalarySub (Flag, BillNo, RowNo, SerNo, PersonID, WorkDate, BeginTime, EndTime, "
             "NormalTimeNum, NormalPrice, OverTimeNum, OverPrice, OtherAmount) Values "
             "(1, 'XS-PS01', 1, 5, 'E016', 20240615, 800, 1300, 4, 30, 1, 45, 0), "
             "(1, 'XS-PS01', 2, 9, 'E016', 20240622, 800, 1200, 4, 30, 0, 45, 10)",
             "Insert Into humSalaryItem (SalaryID, SalaryName, Propertiy) Values ('PS-T', '交通补贴', 0), "
             "('PS-D', '宿舍扣款', 1)",
             "Insert Into HumSubsidyCut (Flag, BillNo, RowNo, SerNo, PersonID, SalaryItem, SalaryType, Account, "
             "RealAccount, SalaryMonth, SalaryStaus) Values "
             "(1, 'BT-PS01', 0, 1, 'E016', 'PS-T', 1, 200, 200, 202406, 0), "
             "(1, 'BT-PS02', 0, 1, 'E016', 'PS-D', 1, 150, 150, 202406, 0), "
             "(1, 'BT-PS03', 0, 1, 'E016', 'PS-T', 0, 80, 80, 202406, 0)",
             "Insert Into HumOverTime (Flag, BillNo, RowNo, SerNo, PersonID, OverTimeClass, OverTimeDate, "
             "BeginTime, EndTime, FieldACount, FieldBCount, HolidayCount, RedeemType) Values "
             "(1, 'JB-PS01', 0, 1, 'E016', 'OT', 20240612, 1800, 2130, 2, 1.5, 0, 0), "
             "(1, 'JB-PS02', 0, 1, 'E016', 'OT', 20240616, 900, 1700, 0, 0, 8, 0), "
             "(1, 'JB-PS03', 0, 1, 'E016', 'OT', 20240619, 1800, 2000, 2, 0, 0, 1)",
             "Insert Into humExcuse (Flag, BillNo, RowNo, SerNo, PersonID, ExcuseClsID, BeginDate, BeginTime, "
             "EndDate, EndTime, ExcuseCount) Values "
             "(1, 'QJ-PS01', 0, 1, 'E016', 'L00', 20240618, 800, 20240618, 1200, 4), "
             "(1, 'QJ-PS02', 0, 1, 'E016', 'L09', 20240624, 800, 20240626, 1700, 3)",
             "Insert Into humWorkProcMain (ProcID, ProcName) Values ('PS-W1', '装配')",
             "Insert Into comProduct (ProdID, ProdName, Unit) Values ('PS-M1', '电机外壳', '件')",
             "Insert Into humOutPut (BillNo, RowNo, SerNo, PersonID, ProcID, ProdID, ProdDate, EligibleQty, "
             "EligiblePieceRate, DamageQty, DamagePieceRate, OtherCutPay) Values "
             "('JJ-PS01', 1, 3, 'E016', 'PS-W1', 'PS-M1', 20240610, 1200, 3.5, 10, 3.5, 20), "
             "('JJ-PS01', 2, 4, 'E016', 'PS-W1', 'PS-M1', 20240611, 1300, 3.5, 0, 3.5, 0)",
             "Insert Into humAdvPayMain (BillNo, BillDate, SalaryYearMonth, PayDay) Values "
             "('YZ-PS01', 20240615, 202406, 20240615)",
             "Insert Into humAdvPaySub (BillNo, RowNo, SerNo, PersonID, RealSalary, SalaryType, PSalaryBank, "
             "BankAmount, SalaryYearMonth, PayDay) Values ('YZ-PS01', 1, 7, 'E016', 2000, 2, 'PS-B', 1500, 202406, "
             "20240615)",
             "Insert Into humSalaryMain (Flag, BillNo, ParentRowNO, RowNo, PersonID, DepartID, SalaryYearMonth, "
             "PayDay, SalaryType, BaseSalary, RealSalary, RealCash, RealBank) Values "
             "(2, 'YZ-PS01', 1, 1, 'E016', 'D02', 202406, 20240615, 2, 2000, 2000, 500, 1500), "
             "(1, 'GZ-PS01', 0, 0, 'E016', 'D02', 202406, 20240705, 0, 6000, 5210, 0, 5210)",
             "Insert Into comBank (BankID, BankName) Values ('PS-B', '农业银行')",
             "Insert Into humSalaryBank (Flag, BillNo, ParentRowNO, RowNo, MasterAccount, PayBankID, PayAccount, "
             "AccountName, BankMoneny) Values (2, 'YZ-PS01', 1, 1, 1, 'PS-B', '6228480010001234', '郭佳', 1500)",
         })
        db.Execute(sql);
}

void PayStatementOfAMonth(DemoContext& demo) {
    FillJuneOfE016(demo.Db());
    // Her redeemable overtime of 06-19 joins what her compensatory leave may use.
    ReallocateCompensatoryLeave(demo, "E016");
    demo.Say("郭佳 (E016) asks what is behind her June pay. Her month holds hourly work, a transport "
             "allowance and a dormitory deduction (an allowance paid on its own is not part of the salary), "
             "paid overtime (the hours kept as leave are not), a personal and a wedding leave, piece work "
             "and an advance paid half in cash and half to her bank.");
    demo.Proc("QVXHumrs.HumMonthSalaryQuery", 1, Variant(VariantArray{"E016", 202406}), Variant(),
              "E016 pay statement of 2024-06");
    demo.Say("`humrs --pretty proc QVXHumrs.HumMonthSalaryQuery 1 --arg '[\"E016\",202406]'` prints it as tables.");
}

}  // namespace

std::vector<DemoScene> HumMonthSalaryQueryDemo() {
    return {{"Pay statement: one person's month from every payroll source", PayStatementOfAMonth}};
}

}  // namespace humrs
