#pragma once
// An open dataset of a business object: rows with current and stored values, an
// update status per row, a cursor, edit/post, locate and filter. It plays every
// dataset role the business classes use (the bill's datasets, datasets opened for a
// lookup, copies with data).
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/DataPacket.h"
#include "core/Errors.h"
#include "core/Variant.h"

namespace humrs {

// Raised when a field name is not in the dataset: a programming or input error,
// never a business refusal.
class UnknownFieldError : public InputError {
public:
    explicit UnknownFieldError(const std::string& field) : InputError("unknown field: " + field), field_(field) {}
    const std::string& Field() const { return field_; }

private:
    std::string field_;
};

class Dataset {
public:
    enum class State { Browse, Edit, Insert };

    Dataset() = default;
    explicit Dataset(std::vector<FieldDef> fields);
    // A dataset holding the rows of a plain packet as stored (unmodified) rows.
    static Dataset FromPacket(const DataPacket& packet);
    static Dataset FromPacket(const Variant& packet);  // Empty/Null give an empty dataset
    // A copy with data: rows, stored values and statuses as they stand (CreateFrom).
    static Dataset CreateFrom(const Dataset& source) { return source; }

    // Fields.
    size_t FieldCount() const { return fields_.size(); }
    const FieldDef& Field(size_t i) const { return fields_[i]; }
    const std::vector<FieldDef>& Fields() const { return fields_; }
    int FieldIndex(std::string_view name) const;  // without regard to case; -1 if absent
    bool HasField(std::string_view name) const { return FieldIndex(name) >= 0; }
    void AddField(FieldDef field);

    // Rows visible through the filter, deleted rows excluded.
    size_t RecordCount() const { return view_.size(); }
    bool IsEmpty() const { return view_.empty(); }
    void First();
    void Next();
    void Prior();
    void Last();
    bool Eof() const { return cursor_ >= view_.size(); }
    bool Bof() const { return cursor_ == 0; }
    // Moves to the i-th visible row (from 0); false when out of range.
    bool MoveTo(size_t i);
    size_t RecNo() const { return cursor_; }

    // Values of the current row. A missing field raises UnknownFieldError; no current
    // row gives Empty.
    Variant FieldValue(std::string_view name) const;
    Variant operator[](std::string_view name) const { return FieldValue(name); }
    // The stored value (Null for a row inserted since the last save).
    Variant OldValue(std::string_view name) const;
    // Sets a value of the current row, entering edit mode when browsing.
    void SetFieldValue(std::string_view name, const Variant& value);
    void SetFieldValueAt(int field, const Variant& value);  // by FieldIndex
    UpdateStatus RowStatus() const;

    State GetState() const { return state_; }
    void Edit();
    void Append();  // a new row with Null values becomes current, in insert state
    void Post();
    void Cancel();
    void Delete();  // marks the current row deleted

    // Moves to the first visible row whose fields (a list "BillNo; RowNo", separated
    // by ';' or ',') equal the values (texts compare exactly, or without regard to
    // case when asked; numbers by value).
    bool Locate(std::string_view fieldList, const VariantArray& values, bool caseInsensitive = false);

    void SetFilter(std::function<bool(const Dataset&)> filter);
    void ClearFilter();

    // The visible rows' current values as a plain packet (status Unmodified). A
    // dataset about to go hands its fields and rows over instead of copying them.
    DataPacketPtr Data() const&;
    DataPacketPtr Data() &&;
    // The rows changed since the last save, in change-set form (see DataPacket).
    DataPacketPtr Delta() const;
    bool HasChanges() const;

    // Appends the visible rows of another dataset as inserted rows, matching fields by
    // name; fields the source lacks stay Null.
    void CopyDataset(const Dataset& source);
    // Marks every row deleted (the change set then lists the stored rows as deleted).
    void DeleteDataset();
    // After a successful save: deleted rows go, current values become stored values.
    void AcceptChanges();
    // Replaces all rows with stored rows (values as read from the database).
    void LoadStored(std::vector<std::vector<Variant>> rows);
    // Adds one stored row.
    void AddStoredRow(std::vector<Variant> values);

private:
    struct Row {
        std::vector<Variant> cur;
        std::vector<Variant> old;
        UpdateStatus status = UpdateStatus::Unmodified;
        bool stored = false;  // the row exists in the database
    };
    int RequireField(std::string_view name) const;
    Row* CurrentRow();
    const Row* CurrentRow() const;
    void Rebuild(size_t keepRow = SIZE_MAX);
    bool PassesFilter(size_t rowIndex);

    std::vector<FieldDef> fields_;
    std::vector<Row> rows_;
    std::vector<size_t> view_;
    size_t cursor_ = 0;
    State state_ = State::Browse;
    Row saved_;  // the row as it was when Edit began, for Cancel
    std::function<bool(const Dataset&)> filter_;
};

// A change set opened for walking (the role of a delta dataset): each record is one
// changed row. A modified record carries its stored values and the changed fields.
class DeltaDataset {
public:
    DeltaDataset() = default;
    explicit DeltaDataset(const DataPacket& delta);
    explicit DeltaDataset(DataPacket&& delta);  // a change set built for it, taken over
    explicit DeltaDataset(const Variant& delta);  // Empty/Null give no record

    size_t RecordCount() const { return records_.size(); }
    void First() { cursor_ = 0; }
    void Next() { ++cursor_; }
    bool Eof() const { return cursor_ >= records_.size(); }
    UpdateStatus Status() const;
    bool HasField(std::string_view name) const { return packet_.FieldIndex(name) >= 0; }

    // The stored value (Null for an inserted row).
    Variant OldValue(std::string_view name) const;
    // The new value: for a modified row Empty when the field did not change (Null
    // when it was cleared); for a deleted row Null.
    Variant NewValue(std::string_view name) const;
    // The value as it will be stored: the new value when there is one, else the
    // stored one.
    Variant RealFieldValue(std::string_view name) const;
    // Whether a modified row changed this field.
    bool Changed(std::string_view name) const;
    // OldValue and NewValue of the field at a place of Packet().fields.
    const Variant& OldValueAt(size_t field) const;
    const Variant& NewValueAt(size_t field) const;
    const DataPacket& Packet() const { return packet_; }

private:
    struct Record {
        UpdateStatus status;
        int oldRow = -1;
        int newRow = -1;
    };
    int Index(std::string_view name) const;
    DataPacket packet_;
    std::vector<Record> records_;
    size_t cursor_ = 0;
};

}  // namespace humrs
