#pragma once
// An allowance or deduction of one person (one HumSubsidyCut row with Flag 1): an
// amount settled in the salary of a month, or paid out on its own on a pay date in
// cash, through one of the person's salary banks or both. Other bills ask it for a
// person's account number at a salary bank (procedure 2).
#include <cstdint>
#include <string>
#include <vector>

#include "framework/ComBase.h"
#include "framework/Demo.h"
#include "payroll/RowAccount.h"

namespace humrs {

// What both entry forms of the allowance bill do about the voucher number: a save
// keeps the stored number (unless under login type 5 or merge-in), and a bill with a
// voucher is neither changed nor deleted.
class TSubsidyVoucherBill : public TQVXComBase {
public:
    void AfterUpdate() override;
    void BeforeDelete() override;
    void BeforeEdit() override;
    bool BeforeCheckVoucherNo() override;
};

class TSubsidyCut : public TSubsidyVoucherBill {
public:
    void BeforeUpdate() override;
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

// What guards a stored allowance row (HumSubsidyCut, either entry form) under every
// login: a person on file, and the payment marks, which belong to the payment side and
// which a save keeps as stored (a new row starts unpaid).
void GuardSubsidyRow(TQVXComBase& bill, Dataset& row);
// Whom an allowance row pays and through which bank, as it stands now or as stored.
RowPayee SubsidyPayee(const Dataset& row, bool stored);
// Whether a salary month (yyyymm) names a month that exists.
bool IsValidSalaryMonth(int64_t yearMonth);
// The lookup of a person for an allowance: values [0] the person, [2] and [3] the
// period; refuses a person not on the job in it.
void CheckSubsidyPersonOnJob(TQVXComBase& bill, const VariantArray& values);

// The allowance and deduction bill: procedures 0 to 2.
const ClassDescriptor& SubsidyCutClass();

// Its scenes of the demo.
std::vector<DemoScene> SubsidyCutDemo();

}  // namespace humrs
