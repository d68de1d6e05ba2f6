#pragma once
// A dataset's rows handed between objects as one value: result sets of query
// procedures, the rows of a dataset, and change sets in delta form.
#include <string>
#include <string_view>
#include <vector>

#include "core/Variant.h"

namespace humrs {

enum class UpdateStatus { Unmodified = 0, Modified = 1, Inserted = 2, Deleted = 3 };

enum class FieldType { Unknown, Text, Integer, Float, Currency, Boolean };

struct FieldDef {
    std::string name;
    FieldType type = FieldType::Unknown;
};

// Change-set layout: an inserted row carries its values; a deleted row its stored
// values; a modified record is two rows, first the stored version with status
// Unmodified, then a change row with status Modified in which only the changed
// fields are non-null.
struct DataPacket {
    struct Row {
        UpdateStatus status = UpdateStatus::Unmodified;
        std::vector<Variant> values;
    };
    std::vector<FieldDef> fields;
    std::vector<Row> rows;

    // Index of a field by name without regard to case; -1 when absent.
    int FieldIndex(std::string_view name) const;
};

}  // namespace humrs
