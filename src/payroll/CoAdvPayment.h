#pragma once
// The advance payment bill: part of a month's salary paid out before the month is
// settled, one row per person, paid in cash, through the person's salary banks or
// both. A bill is either a numbered period of its salary month (the periods of a
// month share one end date) or a payment computed as a percentage of salary, capped
// by each person's salary due. Rows are marked paid one by one by the payment side.
#include <string>
#include <vector>

#include "framework/ComBase.h"
#include "framework/Demo.h"

namespace humrs {

class TAdvPayment : public TQVXComBase {
public:
    void DoAddDefaultRecord() override;
    void BeforeUpdate() override;
    void AfterUpdate() override;
    void BeforeDelete() override;
    void DoCheckFieldValues(int datasetIndex, const VariantArray& names, const VariantArray& values) override;
    void CheckFieldReturn(TOleVariantList& list) override;

    // The ranges a payment run starts from: [0] lowest and [1] highest department,
    // [2] lowest and [3] highest person on the job on the 16th of the current month
    // ("" when nobody is).
    VariantArray GetSelectionRanges();
    // Marks one advance row and the salary rows generated from it paid (cash part,
    // bank part), then sets the bill's PIsTran from all of its rows. Refuses a row
    // that is not there, so a payment is never recorded against nothing.
    void MarkAdvancePaid(const std::string& billNo, const std::string& personId, int rowNo, bool cashPaid,
                         bool bankPaid);

private:
    void CheckBillIntegrity();
    // The person's account number at the bank, from the allowance bill's lookup.
    std::string BankAccount(const std::string& personId, const std::string& bankId);

    // The field the last lookup checked, for the values it returns.
    int checkedDataset_ = -1;
    VariantArray checkedNames_;
    VariantArray checkedValues_;
};

// The advance payment bill: procedures 0 and 1.
const ClassDescriptor& AdvPaymentClass();

// Its scenes of the demo.
std::vector<DemoScene> AdvPaymentDemo();

}  // namespace humrs
