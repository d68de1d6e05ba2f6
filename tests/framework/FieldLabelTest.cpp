// What a form is drawn from: every class a clerk opens has a title, every field of
// every dataset (the table's columns and the looked-up fields) a label in Chinese,
// and the columns a bill list is searched by exist where the descriptor says.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/ClassDescriptor.h"
#include "hosting/ClassTable.h"

namespace humrs {
namespace {

// Whether the text holds a character of the CJK ideographs (U+4E00..U+9FFF), read
// from its UTF-8 lead byte and the first continuation byte.
bool HasCjk(const std::string& text) {
    for (size_t i = 0; i + 2 < text.size(); ++i) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const auto next = static_cast<unsigned char>(text[i + 1]);
        if ((lead == 0xE4 && next >= 0xB8) || (lead >= 0xE5 && lead <= 0xE9)) return true;
    }
    return false;
}

// The fields of dataset `index` as a form shows them: the table's columns, then the
// looked-up fields.
std::vector<std::string> Fields(const ClassRegistry& registry, const DatasetMap& dataset) {
    std::vector<std::string> fields;
    if (const TableDef* table = registry.FindTable(dataset.table))
        for (const ColumnDef& column : table->columns)
            if (column.name != "Flag") fields.push_back(column.name);
    for (const LookupField& lookup : dataset.lookups) fields.push_back(lookup.field);
    return fields;
}

bool HasColumn(const ClassRegistry& registry, const DatasetMap& dataset, const std::string& name) {
    const TableDef* table = registry.FindTable(dataset.table);
    if (!table) return false;
    for (const ColumnDef& column : table->columns)
        if (column.name == name) return true;
    return false;
}

TEST(FieldLabelTest, HasCjkTellsChineseFromOtherText) {
    EXPECT_TRUE(HasCjk("请假单"));
    EXPECT_TRUE(HasCjk("A班次"));
    EXPECT_FALSE(HasCjk("BillNo"));
    EXPECT_FALSE(HasCjk("é—ü"));
    EXPECT_FALSE(HasCjk(""));
}

TEST(FieldLabelTest, EveryClassHasATitleAndEveryFieldALabel) {
    const ClassRegistry& registry = ComponentRegistry();
    for (const ClassDescriptor& d : registry.Classes()) {
        if (!d.registered && d.datasets.empty()) continue;  // a service object with no bill
        SCOPED_TRACE(d.progId);
        EXPECT_TRUE(HasCjk(d.title)) << "title \"" << d.title << "\"";
        for (size_t i = 0; i < d.datasets.size(); ++i) {
            EXPECT_NE(registry.FindTable(d.datasets[i].table), nullptr) << d.datasets[i].table;
            for (const std::string& field : Fields(registry, d.datasets[i])) {
                auto label = d.labels.find(field);
                EXPECT_TRUE(label != d.labels.end() && HasCjk(label->second))
                    << "dataset " << i << " field " << field << " has no Chinese label";
            }
        }
    }
}

TEST(FieldLabelTest, FindColumnsExistInTheirDatasets) {
    const ClassRegistry& registry = ComponentRegistry();
    for (const ClassDescriptor& d : registry.Classes()) {
        SCOPED_TRACE(d.progId);
        if (!d.findDate.empty()) {
            ASSERT_FALSE(d.datasets.empty());
            EXPECT_TRUE(HasColumn(registry, d.datasets[0], d.findDate)) << d.findDate;
        }
        EXPECT_EQ(d.findPerson.empty(), d.findPersonDataset < 0) << "person column and dataset go together";
        if (d.findPersonDataset >= 0) {
            ASSERT_LT(d.findPersonDataset, static_cast<int>(d.datasets.size()));
            EXPECT_TRUE(HasColumn(registry, d.datasets[d.findPersonDataset], d.findPerson)) << d.findPerson;
        }
    }
}

}  // namespace
}  // namespace humrs
