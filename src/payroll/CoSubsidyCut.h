#pragma once
// An allowance or deduction of one person (one HumSubsidyCut row with Flag 1): an
// amount settled in the salary of a month, or paid out on its own on a pay date in
// cash, through one of the person's salary banks or both. Other bills ask it for a
// person's account number at a salary bank (procedure 2).
#include <string>
#include <vector>

#include "framework/ComBase.h"
#include "framework/Demo.h"

namespace humrs {

class TSubsidyCut : public TQVXComBase {
public:
    void BeforeUpdate() override;
    void AfterUpdate() override;
    void BeforeDelete() override;
    void BeforeEdit() override;
    bool BeforeCheckVoucherNo() override;
    void DoCheckFieldValues(int datasetIndex, const VariantArray& names, const VariantArray& values) override;
    void CheckFieldReturn(TOleVariantList& list) override;

    // The person's account number at the bank; empty when the person has none there
    // or no person is given.
    std::string GetPersonBankAccount(const std::string& personId, const std::string& bankId);
    // The person's salary banks as quoted identifiers joined with "," ('B01','B02'),
    // for an SQL list; empty for a person without accounts.
    std::string GetPersonBankList(const std::string& personId);
    // Marks every row of the allowance bill with the two payment flags. Refuses a bill
    // number that finds no allowance row, so a payment is never recorded against nothing.
    void SetPaidFlags(const std::string& billNo, bool cashPaid, bool bankPaid);

private:
    void CheckRowIntegrity(Dataset& row);
    void CheckBankAtSave(Dataset& row);

    // The field the last lookup checked, for the values it returns.
    VariantArray checkedNames_;
    VariantArray checkedValues_;
};

// The allowance and deduction bill: procedures 0 to 2.
const ClassDescriptor& SubsidyCutClass();

// Its scenes of the demo.
std::vector<DemoScene> SubsidyCutDemo();

}  // namespace humrs
