// The storage the classes declare against the tables they declare: every dataset must land in a real table with
// real key, link and Flag columns, and bills sharing a table must not share a Flag.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>

#include "db/Schema.h"
#include "hosting/ClassTable.h"
#include "core/Text.h"

namespace humrs {
namespace {

bool TableHasColumn(const TableDef& table, const std::string& column) {
    for (const ColumnDef& c : table.columns)
        if (SameText(c.name, column)) return true;
    return false;
}

// The columns of an order list such as "ParentRowNo, RowNo".
std::vector<std::string> SplitForTest(const std::string& list) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start <= list.size()) {
        const size_t comma = std::min(list.find(',', start), list.size());
        out.push_back(Trim(list.substr(start, comma - start)));
        start = comma + 1;
    }
    return out;
}

std::vector<ClassMap> AllMaps() {
    std::vector<ClassMap> maps;
    for (const ClassDescriptor& c : ComponentRegistry().Classes()) maps.push_back(c.Map());
    return maps;
}

const std::vector<std::string> kBusinessClasses = {
    "QVXHumrs.ExcuseCls",       "QVXHumrs.ExcuseDate",          "QVXHumrs.Excuse",
    "QVXHumrs.Overtime",        "QVXHumrs.OvertimeCls",         "QVXHumrs.OvertimeDate",
    "QVXHumrs.SubsidyCut",      "QVXHumrs.SubsidyCutDate",      "QVXHumrs.MonthSalary",
    "QVXHumrs.ChangePerson",    "QVXHumrs.ChangeSalary",        "QVXHumrs.IncomeTax",
    "QVXHumrs.AdvPayment",      "QVXHumrs.HourSalary",          "QVXHumrs.CutExcuse",
    "QVXHumrs.HumCheckFactory", "QVXHumrs.HumMonthSalaryQuery", "QVXHumrs.ChangeInsurance"};

TEST(TableMapTest, EveryBusinessClassAndOpenedSuiteObjectIsMapped) {
    ASSERT_EQ(kBusinessClasses.size(), 18u);
    for (const std::string& progId : kBusinessClasses) EXPECT_NE(ComponentRegistry().FindMap(progId), nullptr) << progId;
    for (const char* progId : {"QVXHumrs.ClassCls", "QVXHumrs.PersonSetMain", "QvxComm.Person",
                               "QvxComm.Department", "QVXHumrs.Reset"})
        EXPECT_NE(ComponentRegistry().FindMap(progId), nullptr) << progId;

    std::set<std::string> seen;
    for (const ClassMap& map : AllMaps())
        EXPECT_TRUE(seen.insert(LowerAscii(map.progId)).second) << map.progId;
}

TEST(TableMapTest, ProgIdsCompareWithoutRegardToCase) {
    // Spellings the classes use when they call each other.
    const ClassMap* overtime = ComponentRegistry().FindMap("QvxHumrs.OverTime");
    ASSERT_NE(overtime, nullptr);
    EXPECT_EQ(overtime->progId, "QVXHumrs.Overtime");
    EXPECT_EQ(ComponentRegistry().FindMap("qvxhumrs.excusecls"), ComponentRegistry().FindMap("QVXHumrs.ExcuseCls"));
    EXPECT_EQ(ComponentRegistry().FindMap("QvxHumrs.ClassCls"), ComponentRegistry().FindMap("QVXHumrs.ClassCls"));
    EXPECT_EQ(ComponentRegistry().FindMap("QVXHumrs.NoSuchBill"), nullptr);
    EXPECT_EQ(ComponentRegistry().FindMap("QVXHumrs.Excuse "), nullptr);
}

TEST(TableMapTest, EveryDatasetLandsOnRealColumnsOfItsTable) {
    for (const ClassMap& map : AllMaps()) {
        for (size_t i = 0; i < map.datasets.size(); ++i) {
            const DatasetMap& d = map.datasets[i];
            SCOPED_TRACE(map.progId + " dataset " + std::to_string(i) + " " + d.table);
            const TableDef* table = ComponentRegistry().FindTable(d.table);
            ASSERT_NE(table, nullptr);
            ASSERT_FALSE(d.keyColumns.empty());
            for (const std::string& key : d.keyColumns) EXPECT_TRUE(TableHasColumn(*table, key)) << key;
            if (d.flag) EXPECT_TRUE(TableHasColumn(*table, "Flag"));
            if (d.singleRow) EXPECT_TRUE(TableHasColumn(*table, "RowNo"));
            if (!d.orderBy.empty())
                for (const std::string& column : SplitForTest(d.orderBy))
                    EXPECT_TRUE(TableHasColumn(*table, column));

            // The key with the Flag names a stored row: it lies within the table's key.
            if (!table->primaryKey.empty()) {
                for (const std::string& key : d.keyColumns) {
                    bool inKey = false;
                    for (const std::string& pk : table->primaryKey) inKey = inKey || SameText(pk, key);
                    EXPECT_TRUE(inKey) << key << " is not part of the table's key";
                }
            }

            for (const LookupField& lookup : d.lookups) {
                const TableDef* from = ComponentRegistry().FindTable(lookup.table);
                ASSERT_NE(from, nullptr) << lookup.table;
                EXPECT_TRUE(TableHasColumn(*from, lookup.field)) << lookup.field;
                EXPECT_TRUE(TableHasColumn(*from, lookup.key)) << lookup.key;
                EXPECT_TRUE(TableHasColumn(*table, lookup.source)) << lookup.source;
                EXPECT_FALSE(TableHasColumn(*table, lookup.field))
                    << lookup.field << " would hide a stored column";
            }

            if (i == 0) {
                EXPECT_EQ(d.parent, -1);
                EXPECT_TRUE(d.link.empty());
                EXPECT_TRUE(TableHasColumn(*table, map.keyColumn)) << map.keyColumn;
                continue;
            }
            ASSERT_GE(d.parent, 0);
            ASSERT_LT(static_cast<size_t>(d.parent), i);
            ASSERT_FALSE(d.link.empty());
            const TableDef* parent = ComponentRegistry().FindTable(map.datasets[d.parent].table);
            ASSERT_NE(parent, nullptr);
            for (const auto& [own, theirs] : d.link) {
                EXPECT_TRUE(TableHasColumn(*table, own)) << own;
                EXPECT_TRUE(TableHasColumn(*parent, theirs)) << theirs;
            }
        }
    }
}

// Bills that keep their rows in one table tell them apart by Flag alone.
TEST(TableMapTest, BillsSharingATableHaveDistinctFlags) {
    std::map<std::string, std::map<int, std::string>> owners;  // table -> flag -> owner
    for (const ClassMap& map : AllMaps()) {
        for (size_t i = 0; i < map.datasets.size(); ++i) {
            const DatasetMap& d = map.datasets[i];
            const std::string owner = map.progId + "#" + std::to_string(i);
            auto& flags = owners[LowerAscii(d.table)];
            const int flag = d.flag.value_or(-1);
            auto [it, fresh] = flags.emplace(flag, owner);
            EXPECT_TRUE(fresh) << d.table << " Flag " << flag << " used by " << it->second << " and "
                               << owner;
        }
    }
    // The row kinds the leave and overtime rules count on.
    EXPECT_EQ(ComponentRegistry().FindMap("QVXHumrs.Excuse")->datasets[0].flag, 1);
    EXPECT_EQ(ComponentRegistry().FindMap("QVXHumrs.ExcuseDate")->datasets[1].flag, 2);
    EXPECT_EQ(ComponentRegistry().FindMap("QVXHumrs.Overtime")->datasets[0].flag, 1);
    EXPECT_EQ(ComponentRegistry().FindMap("QVXHumrs.OvertimeDate")->datasets[1].flag, 3);
    EXPECT_EQ(ComponentRegistry().FindMap("QVXHumrs.SubsidyCutDate")->datasets[0].flag, 4);
    EXPECT_EQ(ComponentRegistry().FindMap("QVXHumrs.SubsidyCutDate")->datasets[1].flag, 4);
}

// The compensatory-leave posting tells leave kinds apart by ExcuseCls on the rows of
// a leave bill's change set.
TEST(TableMapTest, LeaveRowsCarryTheirCategoryKind) {
    for (const auto& [progId, index] :
         {std::pair{"QVXHumrs.Excuse", 0}, std::pair{"QVXHumrs.ExcuseDate", 1}}) {
        const DatasetMap& d = ComponentRegistry().FindMap(progId)->datasets[index];
        const bool found = std::any_of(d.lookups.begin(), d.lookups.end(),
                                       [](const LookupField& l) { return SameText(l.field, "ExcuseCls"); });
        EXPECT_TRUE(found) << progId;
    }
}

TEST(TableMapTest, RowsUnderBodyRowsHangFromTheBodyRowNumber) {
    const ClassMap* salary = ComponentRegistry().FindMap("QVXHumrs.ChangeSalary");
    ASSERT_NE(salary, nullptr);
    ASSERT_EQ(salary->datasets.size(), 3u);
    const DatasetMap& items = salary->datasets[2];
    EXPECT_TRUE(SameText(items.table, "humChangeSalarySub"));
    EXPECT_EQ(items.parent, 1);
    EXPECT_EQ(items.link, (std::vector<std::pair<std::string, std::string>>{{"BillNo", "BillNo"},
                                                                            {"ParentRowNo", "RowNo"}}));

    const ClassMap* advance = ComponentRegistry().FindMap("QVXHumrs.AdvPayment");
    ASSERT_NE(advance, nullptr);
    ASSERT_EQ(advance->datasets.size(), 4u);
    const DatasetMap& banks = advance->datasets[3];
    EXPECT_TRUE(SameText(banks.table, "humSalaryBank"));
    EXPECT_EQ(banks.parent, 1);
    EXPECT_EQ(banks.flag, 2);
    EXPECT_NE(std::find(banks.link.begin(), banks.link.end(),
                        std::make_pair(std::string("ParentRowNO"), std::string("RowNo"))),
              banks.link.end());

    // The voucher's bank split is dataset 4.
    const ClassMap* voucher = ComponentRegistry().FindMap("QVXHumrs.MonthSalary");
    ASSERT_NE(voucher, nullptr);
    ASSERT_EQ(voucher->datasets.size(), 5u);
    EXPECT_TRUE(SameText(voucher->datasets[4].table, "humSalaryBank"));
    EXPECT_EQ(voucher->datasets[4].flag, 1);
}

}  // namespace
}  // namespace humrs
