#pragma once
// Two employees with salary settings for the salary adjustment tests: P1 paid 3000
// with a 100 bonus, a 200 meal allowance and salary item A1 of 50, its snapshot 0
// taken; P2 without settings. The server date is 2005-01-15.
#include <string>
#include <utility>
#include <vector>

#include "support/Fixture.h"

namespace humrs::testing {

class ChangeSalaryFixture : public HumrsFixture {
protected:
    static constexpr const char* kProgId = "QVXHumrs.ChangeSalary";

    void SetUp() override {
        HumrsFixture::SetUp();
        AddDepartment(*db, "D1");
        AddPerson(*db, {.personId = "P1", .departId = "D1", .onJobDate = 20000101});
        AddPerson(*db, {.personId = "P2", .departId = "D1", .onJobDate = 20000101});
        db->Execute("Insert Into humSalaryItem (SalaryID, SalaryName, Propertiy) Values ('A1', '岗位津贴', 0), "
                    "('A2', '交通补贴', 0), ('C1', '宿舍费', 1)");
        SetTerms("P1", 3000, 20040101, {{"A1", 50}});
        TakeSnapshot("P1", 0);
    }

    // The person's current settings: the base salary, a 100 bonus and a 200 meal allowance.
    void SetTerms(const std::string& person, double base, int adjustDate,
                  const std::vector<std::pair<std::string, double>>& items) {
        db->Execute("Delete From humPersonSetMain Where ID = ?", {Variant(person)});
        db->Execute("Delete From humPersonSetSub Where ID = ?", {Variant(person)});
        db->Execute(
            "Insert Into humPersonSetMain (Flag, ID, BaseSalary, NoLeave, NoLeaveSalary, Meal, MealSalary, "
            "AdjustDate, AdjustMode) Values (1, ?, ?, 1, 100, 1, 200, ?, 0)",
            {Variant(person), Variant(base), Variant(adjustDate)});
        int rowNo = 0;
        for (const auto& [item, amount] : items)
            db->Execute("Insert Into humPersonSetSub (Flag, ID, SalaryItem, Account, RowNo) Values (1, ?, ?, ?, ?)",
                        {Variant(person), Variant(item), Variant(amount), Variant(++rowNo)});
    }
    void TakeSnapshot(const std::string& person, int changeTimes) {
        db->Execute(
            "Insert Into humHistSalaryBase Select ID, BaseSalary, NoLeave, NoLeaveSalary, Meal, MealSalary, "
            "AdjustDate, AdjustMode, ? From humPersonSetMain Where Flag = 1 And ID = ?",
            {Variant(changeTimes), Variant(person)});
        db->Execute("Insert Into humHistSalaryItem Select ID, SalaryItem, Account, ?, RowNo From humPersonSetSub "
                    "Where Flag = 1 And ID = ?",
                    {Variant(changeTimes), Variant(person)});
    }

    // An adjustment row of a bill; more fields may be appended.
    static Row Change(int rowNo, const std::string& person, int adjustDate, double base) {
        return {{"RowNo", Variant(rowNo)},       {"PersonID", Variant(person)},
                {"NAdjustDate", Variant(adjustDate)}, {"NAdjustMode", Variant(1)},
                {"NBaseSalary", Variant(base)}};
    }
    static Row Item(int parentRowNo, int rowNo, const std::string& item, double account) {
        return {{"ParentRowNo", Variant(parentRowNo)}, {"RowNo", Variant(rowNo)}, {"SalaryItem", Variant(item)},
                {"Account", Variant(account)}};
    }
    Outcome SaveChange(const std::string& billNo, const std::vector<Row>& rows, const std::vector<Row>& items = {}) {
        return SaveBill(kProgId, {{{{"BillNo", Variant(billNo)}}}, rows, items});
    }
    // A row stored by an earlier save or entered under the old method, written straight to the table.
    void StoreChange(const std::string& billNo, const std::string& person, int changeTimes, int adjustDate,
                     bool isNew = false, bool isTransfer = false) {
        db->Execute(
            "Insert Into humChangeSalary (BillNo, RowNo, PersonID, ChangeTimes, NAdjustDate, IsNew, IsTransfer) "
            "Values (?, 1, ?, ?, ?, ?, ?)",
            {Variant(billNo), Variant(person), Variant(changeTimes), Variant(adjustDate), Variant(isNew),
             Variant(isTransfer)});
    }
    Outcome Proc(int procNo, const Variant& arg) { return Object(kProgId)->ExecuteProc(procNo, arg); }
    Outcome Delete(const std::string& billNo) { return Object(kProgId)->Delete(Variant(billNo)); }

    double Base(const std::string& person) {
        return CFloat(Value("Select BaseSalary From humPersonSetMain Where Flag = 1 And ID = '" + person + "'"));
    }
    // The person's salary items as "item=amount" in row order.
    std::string Items(const std::string& person) {
        std::string out;
        for (const auto& row : db->Query("Select SalaryItem, Account From humPersonSetSub Where Flag = 1 And ID = ? "
                                         "Order By RowNo",
                                         {Variant(person)})
                                   .rows)
            out += (out.empty() ? "" : ",") + CStr(row[0]) + "=" + CStr(row[1]);
        return out;
    }
    int ChangeTimesOf(const std::string& billNo, int rowNo = 1) {
        return static_cast<int>(CInt(Value("Select ChangeTimes From humChangeSalary Where BillNo = '" + billNo +
                                           "' And RowNo = " + std::to_string(rowNo))));
    }
    bool Transferred(const std::string& billNo) {
        return CBool(Value("Select IsTransfer From humChangeSalary Where BillNo = '" + billNo + "'"));
    }
};

}  // namespace humrs::testing
