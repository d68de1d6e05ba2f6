#include "personnel/PersonnelTransfer.h"

#include <algorithm>

#include "core/Convert.h"
#include "core/Errors.h"
#include "core/Format.h"
#include "core/Text.h"
#include "db/Database.h"
#include "framework/ComBase.h"

namespace humrs {

Variant SelectValue(Database& db, const std::string& sql, const std::vector<Variant>& values) {
    const std::optional<std::vector<Variant>> row = db.QueryFirst(sql, values);
    return row && !row->empty() ? (*row)[0] : Variant();
}

bool HasSalarySettings(TQVXComBase& object, const std::string& person) {
    return CInt(SelectValue(object.Db(), "Select Count(*) From humPersonSetMain Where Flag = 1 And ID = ?",
                            {Variant(person)})) != 0;
}

void TransferRows(TQVXComBase& object, size_t count, const std::function<std::string(size_t)>& personOf,
                  const std::function<void(size_t)>& transferRow, bool eachPersonAlone, const Message& failedNotice) {
    if (!eachPersonAlone) {
        for (size_t i = 0; i < count; ++i) transferRow(i);
        return;
    }
    Database& db = object.Db();
    static constexpr const char* kSavepoint = "transfer_person";
    std::string person;
    bool open = false, failed = false;
    for (size_t i = 0; i < count; ++i) {
        const std::string rowPerson = personOf(i);
        if (!open || !SameText(rowPerson, person)) {
            if (open) db.ReleaseSavepoint(kSavepoint);
            db.Savepoint(kSavepoint);
            open = true;
            failed = false;
            person = rowPerson;
        }
        if (failed) continue;
        std::string reason;
        try {
            transferRow(i);
            continue;
        } catch (const BusinessError& e) {
            reason = e.what();
        } catch (const DatabaseError& e) {
            reason = e.what();
        }
        failed = true;
        db.RollbackToSavepoint(kSavepoint);
        object.AddMessage(FormatMessage(failedNotice, {Variant(person), Variant(reason)}), 1, 0);
    }
    if (open) db.ReleaseSavepoint(kSavepoint);
}

void TransferInBlocks(TQVXComBase& object, const std::string& table, const std::string& due,
                      const std::string& orderBy, const std::function<void(Dataset&)>& transfer) {
    constexpr size_t kBlock = 500;
    const ResultSet persons =
        object.Db().Query("Select Distinct PersonID From " + table + " Where " + due + " Order By PersonID");
    for (size_t first = 0; first < persons.rows.size(); first += kBlock) {
        const size_t last = std::min(persons.rows.size(), first + kBlock) - 1;
        Dataset rows = object.GetDBConn().OpenDataset(
            "Select * From " + table + " Where " + due + " And PersonID >= " +
            QuoteStr(CStr(persons.rows[first][0])) + " And PersonID <= " + QuoteStr(CStr(persons.rows[last][0])) +
            " Order By " + orderBy);
        transfer(rows);
        object.CommitBlock();
    }
}

}  // namespace humrs
