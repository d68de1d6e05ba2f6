#include "framework/BillNumbering.h"

#include <algorithm>
#include <set>
#include <vector>

#include "core/Convert.h"
#include "core/Errors.h"
#include "core/Text.h"

namespace humrs {

namespace {

// The longest bill number the numbering hands out.
constexpr size_t kMaxBillNoLength = 40;

}  // namespace

std::string NextBillNumber(const ClassMap* map, const ClassRegistry& registry, Database& db,
                           const std::string& dateText) {
    const std::string prefix = Trim(dateText);
    const std::string col = map && !map->keyColumn.empty() ? map->keyColumn : "BillNo";
    // One past the highest number of the date in every table of every bill kind numbered
    // by the same key column: the component keeps one sequence per date, so two bills of
    // any kinds never share a number (rows of shared tables are told apart by Flag, but
    // several statements, and the pay statement, find a bill by its number alone). A
    // numeric part of any length counts: it is compared and counted on as decimal
    // digits, never cut to a machine integer.
    // Saves that lock by person number bills beside each other: the date's own lock
    // keeps two of them from reading the same highest number (a save giving its new
    // bill a number of that date takes the same lock). A date text has eight digits.
    db.LockEntities({{LockSpace::BillDate, prefix.substr(0, 8)}});
    std::string highest = "0";
    std::set<std::string> taken;
    std::vector<std::string> tables;
    auto addTables = [&](const std::vector<DatasetMap>& datasets) {
        for (const auto& dm : datasets)
            if (std::none_of(tables.begin(), tables.end(), [&](const std::string& t) { return SameText(t, dm.table); }))
                tables.push_back(dm.table);
    };
    if (map) addTables(map->datasets);
    for (const ClassDescriptor& c : registry.Classes())
        if (SameText(c.keyColumn, col)) addTables(c.datasets);
    for (const auto& table : tables) {
        bool hasColumn = false;
        for (const auto& c : db.TableColumns(table)) hasColumn = hasColumn || SameText(c.name, col);
        if (!hasColumn) continue;
        ResultSet rs = db.Query("Select Distinct " + col + " From " + table + " Where " + col + " Like ?",
                                {Variant(prefix + "%")});
        for (const auto& row : rs.rows) {
            const std::string no = CStr(row[0]);
            taken.insert(LowerAscii(no));
            if (no.size() <= prefix.size() || !SameText(no.substr(0, prefix.size()), prefix)) continue;
            std::string suffix = no.substr(prefix.size());
            if (!AllDigits(suffix)) continue;
            suffix.erase(0, std::min(suffix.find_first_not_of('0'), suffix.size() - 1));
            if (suffix.size() > highest.size() || (suffix.size() == highest.size() && suffix > highest))
                highest = suffix;
        }
    }
    auto increment = [](std::string digits) {
        for (size_t i = digits.size(); i-- > 0;) {
            if (digits[i] != '9') {
                ++digits[i];
                return digits;
            }
            digits[i] = '0';
        }
        return "1" + digits;
    };
    // A number stored in another spelling of the same digits (leading zeros) is
    // passed over; the number handed out is never one that is stored.
    std::string next = increment(highest);
    for (int tries = 0; tries < 1000; ++tries) {
        const std::string no = prefix + (next.size() < 4 ? std::string(4 - next.size(), '0') + next : next);
        if (no.size() > kMaxBillNoLength)
            throw InputError("no bill number of at most " + std::to_string(kMaxBillNoLength) +
                             " characters is left for " + prefix + ": give the bill its number");
        if (!taken.count(LowerAscii(no))) return no;
        next = increment(next);
    }
    throw InputError("no free bill number found for " + prefix + ": give the bill its number");
}

}  // namespace humrs
