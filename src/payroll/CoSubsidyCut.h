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

// What the two entry forms of the allowance bill say when they refuse a row. The bill
// by salary item names the person in its bank refusals as well.
struct SubsidyRowRefusals {
    Message bankRequired;  // (person) when namesPerson, else no value
    Message amountZero;
    Message monthOutsideEmployment;
    Message bankNotOwned;  // (bank), or (bank, person) when namesPerson
    bool namesPerson;
    // The dataset whose bank lookup returns the account number; -1 for any.
    int accountDataset;
    // The dataset of the rows the checks refuse, which their refusals point at.
    int rowDataset;
};

// What both entry forms of the allowance bill share.
// - The voucher number: a save keeps the stored number (unless under login type 5 or
//   merge-in), and a bill with a voucher is neither changed nor deleted.
// - The field lookups: the person (values [0] the person, [1] 1 to check, [2] and [3]
//   the period) must be on the job in the period; the bank (values [0] the bank, [1]
//   the person) must be one the person has an account at, and the lookup returns its
//   number as PAccountNumber.
// - The checks of an allowance row at save, each refusing the row when its rule
//   fails. Each form runs them in its own order.
class TSubsidyVoucherBill : public TQVXComBase {
public:
    // `refusals` must outlive the object (each form keeps its own as a constant).
    explicit TSubsidyVoucherBill(const SubsidyRowRefusals& refusals) : refusals_(refusals) {}
    void AfterUpdate() override;
    void BeforeDelete() override;
    void BeforeEdit() override;
    bool BeforeCheckVoucherNo() override;
    void DoCheckFieldValues(int datasetIndex, const VariantArray& names, const VariantArray& values) override;
    void CheckFieldReturn(TOleVariantList& list) override;

protected:
    // Where a refusal of the row points: its field `field`.
    // REQUIRES: `row` is the dataset of the rows, positioned on the row checked.
    RefusalAt At(const Dataset& row, std::string field) const;
    // The person's account number at the bank; empty when the person has none there.
    virtual std::string AccountAt(const std::string& personId, const std::string& bankId) = 0;

    // Paid on its own other than in cash: a bank is named.
    void CheckBankNamed(Dataset& row);
    void CheckTaxRate(Dataset& row);
    void CheckAmount(Dataset& row);
    // Settled in a salary: a salary month is given; paid on its own: a pay date.
    void CheckPayPeriodGiven(Dataset& row);
    // Settled in a salary: the salary month lies within the person's employment.
    void CheckMonthInEmployment(Dataset& row);
    // A bill saved without the field lookup must still name a bank the person has an
    // account at when the row is new or its person or bank changed; the row carries
    // the account's number, not whatever the client sent.
    void SettleBank(Dataset& row);

private:
    [[noreturn]] void RefuseBankNotOwned(const std::string& bank, const std::string& person);

    const SubsidyRowRefusals& refusals_;
    // The field the last lookup checked, for the values it returns.
    int checkedDataset_ = -1;
    VariantArray checkedNames_;
    VariantArray checkedValues_;
};

class TSubsidyCut : public TSubsidyVoucherBill {
public:
    TSubsidyCut();
    void BeforeUpdate() override;

    // The person's account number at the bank; empty when the person has none there
    // or no person is given.
    std::string GetPersonBankAccount(const std::string& personId, const std::string& bankId);
    // The person's salary banks as quoted identifiers joined with "," ('B01','B02'),
    // for an SQL list; empty for a person without accounts.
    std::string GetPersonBankList(const std::string& personId);
    // Marks every row of the allowance bill with the two payment flags. Refuses a bill
    // number that finds no allowance row, so a payment is never recorded against nothing.
    void SetPaidFlags(const std::string& billNo, bool cashPaid, bool bankPaid);

protected:
    std::string AccountAt(const std::string& personId, const std::string& bankId) override {
        return GetPersonBankAccount(personId, bankId);
    }

private:
    void CheckRowIntegrity(Dataset& row);
};

// What guards a stored allowance row (HumSubsidyCut, either entry form) under every
// login: a person on file, and the payment marks, which belong to the payment side and
// which a save keeps as stored (a new row starts unpaid). A refusal points at the row
// of dataset `datasetIndex`.
void GuardSubsidyRow(TQVXComBase& bill, int datasetIndex, Dataset& row);
// Whom an allowance row pays and through which bank, as it stands now or as stored.
RowPayee SubsidyPayee(const Dataset& row, bool stored);
// Whether a salary month (yyyymm) names a month that exists.
bool IsValidSalaryMonth(int64_t yearMonth);

// The allowance and deduction bill: procedures 0 to 2.
const ClassDescriptor& SubsidyCutClass();

// Its scenes of the demo.
std::vector<DemoScene> SubsidyCutDemo();

}  // namespace humrs
