#pragma once
// The monthly salary voucher of a person (one humSalaryMain row with Flag 1): the
// salary of one salary month, its pay items and the split of its bank part over the
// person's bank accounts. One voucher per person and month; the person's own
// insurance amounts of the month in humFamily follow the voucher.
#include <string>
#include <vector>

#include "framework/ComBase.h"
#include "framework/Demo.h"

namespace humrs {

class TMonthSalary : public TQVXComBase {
public:
    void DoAddDefaultRecord() override;
    void BeforeUpdate() override;
    void AfterUpdate() override;
    void BeforeDelete() override;
    void BeforeEdit() override;
    bool BeforeCheckVoucherNo() override;
    void DoCheckFieldValues(int datasetIndex, const VariantArray& names, const VariantArray& values) override;
    void CheckFieldReturn(TOleVariantList& list) override;

    // Refuses a second voucher of the person for the salary month (yyyymm).
    void CheckOneVoucherPerMonth(const std::string& personId, int yearMonth);
    // Marks the voucher's cash and bank parts paid or unpaid. Refuses a bill number
    // that finds no voucher, so a payment is never recorded against nothing.
    void SetPaidFlags(const std::string& billNo, bool cashPaid, bool bankPaid);

private:
    void CheckHeaderIntegrity(Dataset& head);
    void CheckOneVoucherInChanges();
    void CheckBankSplit(Dataset& head);
};

// The monthly salary voucher: procedure 0 (payment marks).
const ClassDescriptor& MonthSalaryClass();

// Its scenes of the demo.
std::vector<DemoScene> MonthSalaryDemo();

}  // namespace humrs
