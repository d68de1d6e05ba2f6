#include "payroll/RowAccount.h"

#include "core/Convert.h"
#include "core/Text.h"

namespace humrs {

void SettleRowAccount(Dataset& row, const RowPayee& now, const RowPayee& stored, const AccountLookup& lookup,
                      const BankNotOwned& notOwned) {
    constexpr const char* kField = "PAccountNumber";
    const bool isNew = row.RowStatus() == UpdateStatus::Inserted;
    const bool partPaid = !isNew && (CBool(row.OldValue("CashPaid")) || CBool(row.OldValue("BankPaid")));
    const bool payeeChanged = isNew || !SameText(now.person, stored.person) || !SameText(now.bank, stored.bank);
    Variant account;
    if (partPaid || !payeeChanged) {
        account = row.OldValue(kField);
    } else {
        if (Trim(now.bank).empty()) return;
        const std::string found = lookup(now.person, now.bank);
        if (found.empty()) notOwned(now.person, now.bank);
        account = Variant(found);
    }
    if (row[kField].SameValue(account)) return;
    row.SetFieldValue(kField, account);
    row.Post();
}

}  // namespace humrs
