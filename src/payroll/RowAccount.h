#pragma once
// The account number a payroll row pays into (PAccountNumber), shared by the bills
// that pay through a person's salary banks (allowances and deductions in both entry
// forms, advance payments).
#include <functional>
#include <string>

#include "framework/Dataset.h"

namespace humrs {

// Whom a row pays and through which bank; the bank is empty for a row that pays in
// cash only.
struct RowPayee {
    std::string person;
    std::string bank;
};

// The person's account number at a bank; empty when the person has none there.
using AccountLookup = std::function<std::string(const std::string& person, const std::string& bank)>;
// Raises the bill's refusal of a bank at which the person has no account.
using BankNotOwned = std::function<void(const std::string& person, const std::string& bank)>;

// Settles the account number of the current row at save. A row that is new, or that
// now pays another person or through another bank than stored, takes the person's
// current account at its bank (none there: notOwned raises). Every other row keeps the
// account stored with it, whatever the client sent: it is where the money went or
// goes, even after the person's accounts change or close. A row with any part paid
// out is never given another account. `stored` is what the row paid as stored
// (ignored for a new row). Posts the row when it changes it.
void SettleRowAccount(Dataset& row, const RowPayee& now, const RowPayee& stored, const AccountLookup& lookup,
                      const BankNotOwned& notOwned);

}  // namespace humrs
