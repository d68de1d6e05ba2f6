#pragma once
// The allowance and deduction bill by salary item: one header (OstrelHeader, Flag 4)
// names the salary item, its rows (HumSubsidyCut, Flag 4) grant each person an amount
// settled in a salary month or paid out on its own. Rows are paid one by one; the
// header's PIsTran says whether every row is paid out.
#include <string>
#include <vector>

#include "framework/Demo.h"
#include "payroll/CoSubsidyCut.h"

namespace humrs {

class TSubsidyCutDate : public TSubsidyVoucherBill {
public:
    TSubsidyCutDate();
    void BeforeUpdate() override;
    void AfterUpdate() override;

    // Marks the payment of one row of the bill and sets the header's PIsTran to
    // whether every row of the bill is now paid out. Refuses a row that is not on file.
    void MarkSubsidyRowPaid(const std::string& billNo, const std::string& personId, int rowNo, bool cashPaid,
                            bool bankPaid);
    // A new bill number for the server date.
    std::string NewBillNo();

protected:
    // The person's account number at the bank, as the allowance bill of one person keeps it.
    std::string AccountAt(const std::string& personId, const std::string& bankId) override;

private:
    void CheckRow(Dataset& row, const Variant& salaryItem, const Variant& billDate);
    void CheckRowDates(Dataset& row);
    void RecountHeaderPaid(const std::string& billNo);
};

// The allowance and deduction bill by salary item: procedures 0 and 1.
const ClassDescriptor& SubsidyCutDateClass();

// Its scenes of the demo.
std::vector<DemoScene> SubsidyCutDateDemo();

}  // namespace humrs
