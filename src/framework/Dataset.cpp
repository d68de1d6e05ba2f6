#include "framework/Dataset.h"

#include <algorithm>
#include <stdexcept>

#include "core/Convert.h"
#include "core/Text.h"

namespace humrs {

Dataset::Dataset(std::vector<FieldDef> fields) : fields_(std::move(fields)) {}

Dataset Dataset::FromPacket(const DataPacket& packet) {
    Dataset ds(packet.fields);
    for (const auto& r : packet.rows) {
        if (r.status == UpdateStatus::Deleted) continue;
        ds.AddStoredRow(r.values);
    }
    ds.First();
    return ds;
}

Dataset Dataset::FromPacket(const Variant& packet) {
    if (packet.IsPacket() && packet.AsPacket()) return FromPacket(*packet.AsPacket());
    return Dataset();
}

int Dataset::FieldIndex(std::string_view name) const {
    std::string_view n = name;
    while (!n.empty() && n.front() == ' ') n.remove_prefix(1);
    while (!n.empty() && n.back() == ' ') n.remove_suffix(1);
    for (size_t i = 0; i < fields_.size(); ++i)
        if (SameText(fields_[i].name, n)) return static_cast<int>(i);
    return -1;
}

void Dataset::AddField(FieldDef field) {
    if (HasField(field.name)) return;
    fields_.push_back(std::move(field));
    for (auto& r : rows_) {
        r.cur.emplace_back(Variant::Null());
        r.old.emplace_back(Variant::Null());
    }
}

int Dataset::RequireField(std::string_view name) const {
    int i = FieldIndex(name);
    if (i < 0) throw UnknownFieldError(std::string(name));
    return i;
}

Dataset::Row* Dataset::CurrentRow() { return cursor_ < view_.size() ? &rows_[view_[cursor_]] : nullptr; }
const Dataset::Row* Dataset::CurrentRow() const {
    return cursor_ < view_.size() ? &rows_[view_[cursor_]] : nullptr;
}

bool Dataset::PassesFilter(size_t rowIndex) {
    if (!filter_) return true;
    // The filter reads the row through the dataset's own accessors: point the cursor
    // at it for the call.
    std::vector<size_t> savedView;
    savedView.swap(view_);
    size_t savedCursor = cursor_;
    view_.assign(1, rowIndex);
    cursor_ = 0;
    bool ok = filter_(*this);
    view_.swap(savedView);
    cursor_ = savedCursor;
    return ok;
}

void Dataset::Rebuild(size_t keepRow) {
    std::vector<size_t> view;
    for (size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].status != UpdateStatus::Deleted && PassesFilter(i)) view.push_back(i);
    view_ = std::move(view);
    cursor_ = 0;
    if (keepRow != SIZE_MAX) {
        auto it = std::find(view_.begin(), view_.end(), keepRow);
        cursor_ = it == view_.end() ? view_.size() : static_cast<size_t>(it - view_.begin());
    }
}

void Dataset::First() {
    if (state_ != State::Browse) Post();
    cursor_ = 0;
}
void Dataset::Next() {
    if (state_ != State::Browse) Post();
    if (cursor_ < view_.size()) ++cursor_;
}
void Dataset::Prior() {
    if (state_ != State::Browse) Post();
    if (cursor_ > 0) --cursor_;
}
void Dataset::Last() {
    if (state_ != State::Browse) Post();
    cursor_ = view_.empty() ? 0 : view_.size() - 1;
}
bool Dataset::MoveTo(size_t i) {
    if (state_ != State::Browse) Post();
    if (i >= view_.size()) return false;
    cursor_ = i;
    return true;
}

Variant Dataset::FieldValue(std::string_view name) const {
    int i = RequireField(name);
    const Row* r = CurrentRow();
    return r ? r->cur[i] : Variant();
}

Variant Dataset::OldValue(std::string_view name) const {
    int i = RequireField(name);
    const Row* r = CurrentRow();
    if (!r || !r->stored) return Variant::Null();
    return r->old[i];
}

void Dataset::SetFieldValue(std::string_view name, const Variant& value) { SetFieldValueAt(RequireField(name), value); }

void Dataset::SetFieldValueAt(int field, const Variant& value) {
    if (field < 0 || static_cast<size_t>(field) >= fields_.size())
        throw std::out_of_range("no field at " + std::to_string(field));
    if (state_ == State::Browse) Edit();
    Row* r = CurrentRow();
    if (!r) throw std::logic_error("no current row to set " + fields_[static_cast<size_t>(field)].name);
    r->cur[static_cast<size_t>(field)] = value;
}

UpdateStatus Dataset::RowStatus() const {
    const Row* r = CurrentRow();
    return r ? r->status : UpdateStatus::Unmodified;
}

void Dataset::Edit() {
    if (state_ != State::Browse) return;
    Row* r = CurrentRow();
    if (!r) throw std::logic_error("no current row to edit");
    saved_ = *r;
    state_ = State::Edit;
}

void Dataset::Append() {
    if (state_ != State::Browse) Post();
    Row r;
    r.cur.assign(fields_.size(), Variant::Null());
    r.old.assign(fields_.size(), Variant::Null());
    r.status = UpdateStatus::Inserted;
    rows_.push_back(std::move(r));
    // A new row is visible until posted, whatever the filter says.
    view_.push_back(rows_.size() - 1);
    cursor_ = view_.size() - 1;
    state_ = State::Insert;
}

void Dataset::Post() {
    if (state_ == State::Browse) return;
    Row* r = CurrentRow();
    if (r && state_ == State::Edit && r->stored) {
        bool same = true;
        for (size_t i = 0; i < fields_.size() && same; ++i) same = r->cur[i] == r->old[i];
        r->status = same ? UpdateStatus::Unmodified : UpdateStatus::Modified;
    }
    state_ = State::Browse;
}

void Dataset::Cancel() {
    if (state_ == State::Browse) return;
    if (state_ == State::Insert) {
        size_t idx = view_[cursor_];
        rows_.erase(rows_.begin() + static_cast<long>(idx));
        state_ = State::Browse;
        Rebuild();
        return;
    }
    if (Row* r = CurrentRow()) *r = saved_;
    state_ = State::Browse;
}

void Dataset::Delete() {
    if (state_ == State::Insert) {
        Cancel();
        return;
    }
    state_ = State::Browse;
    Row* r = CurrentRow();
    if (!r) return;
    size_t idx = view_[cursor_];
    if (r->stored) {
        r->cur = r->old;  // a deleted row is reported with its stored values
        r->status = UpdateStatus::Deleted;
    } else {
        rows_.erase(rows_.begin() + static_cast<long>(idx));
    }
    size_t keep = cursor_;
    Rebuild();
    cursor_ = std::min(keep, view_.size());
}

bool Dataset::Locate(std::string_view fieldList, const VariantArray& values, bool caseInsensitive) {
    if (state_ != State::Browse) Post();
    std::vector<int> idx;
    std::string list(fieldList);
    std::replace(list.begin(), list.end(), ',', ';');
    for (const auto& part : SplitString(list, ";")) {
        std::string name = Trim(part);
        if (!name.empty()) idx.push_back(RequireField(name));
    }
    if (idx.size() != values.size()) return false;
    for (size_t v = 0; v < view_.size(); ++v) {
        const Row& r = rows_[view_[v]];
        bool match = true;
        for (size_t k = 0; k < idx.size() && match; ++k) {
            const Variant& a = r.cur[idx[k]];
            const Variant& b = values[k];
            if (a.IsString() || b.IsString())
                match = caseInsensitive ? SameText(CStr(a), CStr(b)) : CStr(a) == CStr(b);
            else
                match = a.SameValue(b);
        }
        if (match) {
            cursor_ = v;
            return true;
        }
    }
    return false;
}

void Dataset::SetFilter(std::function<bool(const Dataset&)> filter) {
    if (state_ != State::Browse) Post();
    filter_ = std::move(filter);
    Rebuild();
}

void Dataset::ClearFilter() {
    if (state_ != State::Browse) Post();
    filter_ = nullptr;
    Rebuild();
}

DataPacketPtr Dataset::Data() const& {
    auto p = std::make_shared<DataPacket>();
    p->fields = fields_;
    p->rows.reserve(view_.size());
    for (size_t v : view_) p->rows.push_back({UpdateStatus::Unmodified, rows_[v].cur});
    return p;
}

DataPacketPtr Dataset::Data() && {
    auto p = std::make_shared<DataPacket>();
    p->fields = std::move(fields_);
    p->rows.reserve(view_.size());
    for (size_t v : view_) p->rows.push_back({UpdateStatus::Unmodified, std::move(rows_[v].cur)});
    fields_.clear();
    rows_.clear();
    view_.clear();
    cursor_ = 0;
    return p;
}

DataPacketPtr Dataset::Delta() const {
    auto p = std::make_shared<DataPacket>();
    p->fields = fields_;
    for (const auto& r : rows_) {
        switch (r.status) {
            case UpdateStatus::Unmodified: break;
            case UpdateStatus::Inserted: p->rows.push_back({UpdateStatus::Inserted, r.cur}); break;
            case UpdateStatus::Deleted: p->rows.push_back({UpdateStatus::Deleted, r.old}); break;
            case UpdateStatus::Modified: {
                p->rows.push_back({UpdateStatus::Unmodified, r.old});
                // Unchanged fields are unassigned (Empty); a field cleared to Null
                // stays Null, so the change is not lost.
                std::vector<Variant> change(fields_.size(), Variant());
                for (size_t i = 0; i < fields_.size(); ++i)
                    if (!(r.cur[i] == r.old[i])) change[i] = r.cur[i];
                p->rows.push_back({UpdateStatus::Modified, std::move(change)});
                break;
            }
        }
    }
    return p;
}

bool Dataset::HasChanges() const {
    return std::any_of(rows_.begin(), rows_.end(), [](const Row& r) { return r.status != UpdateStatus::Unmodified; });
}

void Dataset::CopyDataset(const Dataset& source) {
    if (state_ != State::Browse) Post();
    if (source.view_.empty()) {  // nothing to append, no field to match
        Rebuild();
        return;
    }
    std::vector<int> map(source.fields_.size());
    for (size_t i = 0; i < source.fields_.size(); ++i) map[i] = FieldIndex(source.fields_[i].name);
    for (size_t v : source.view_) {
        Row r;
        r.cur.assign(fields_.size(), Variant::Null());
        r.old.assign(fields_.size(), Variant::Null());
        for (size_t i = 0; i < map.size(); ++i)
            if (map[i] >= 0) r.cur[map[i]] = source.rows_[v].cur[i];
        r.status = UpdateStatus::Inserted;
        rows_.push_back(std::move(r));
    }
    Rebuild();
}

void Dataset::DeleteDataset() {
    if (state_ != State::Browse) Post();
    std::vector<Row> kept;
    for (auto& r : rows_) {
        if (!r.stored) continue;
        r.cur = r.old;
        r.status = UpdateStatus::Deleted;
        kept.push_back(std::move(r));
    }
    rows_ = std::move(kept);
    Rebuild();
}

void Dataset::AcceptChanges() {
    if (state_ != State::Browse) Post();
    std::vector<Row> kept;
    for (auto& r : rows_) {
        if (r.status == UpdateStatus::Deleted) continue;
        r.old = r.cur;
        r.status = UpdateStatus::Unmodified;
        r.stored = true;
        kept.push_back(std::move(r));
    }
    rows_ = std::move(kept);
    Rebuild();
}

void Dataset::LoadStored(std::vector<std::vector<Variant>> rows) {
    rows_.clear();
    state_ = State::Browse;
    for (auto& values : rows) AddStoredRow(std::move(values));
    cursor_ = 0;
}

void Dataset::AddStoredRow(std::vector<Variant> values) {
    values.resize(fields_.size(), Variant::Null());
    Row r;
    r.cur = values;
    r.old = std::move(values);
    r.stored = true;
    rows_.push_back(std::move(r));
    if (PassesFilter(rows_.size() - 1)) view_.push_back(rows_.size() - 1);
}

// ---- DeltaDataset

DeltaDataset::DeltaDataset(const Variant& delta) {
    if (delta.IsPacket() && delta.AsPacket()) *this = DeltaDataset(*delta.AsPacket());
}

DeltaDataset::DeltaDataset(const DataPacket& delta) : DeltaDataset(DataPacket(delta)) {}

DeltaDataset::DeltaDataset(DataPacket&& delta) : packet_(std::move(delta)) {
    const auto& rows = packet_.rows;
    for (size_t i = 0; i < rows.size(); ++i) {
        int ii = static_cast<int>(i);
        switch (rows[i].status) {
            case UpdateStatus::Unmodified:
                if (i + 1 < rows.size() && rows[i + 1].status == UpdateStatus::Modified) {
                    records_.push_back({UpdateStatus::Modified, ii, ii + 1});
                    ++i;
                } else {
                    records_.push_back({UpdateStatus::Unmodified, ii, -1});
                }
                break;
            case UpdateStatus::Modified: records_.push_back({UpdateStatus::Modified, -1, ii}); break;
            case UpdateStatus::Inserted: records_.push_back({UpdateStatus::Inserted, -1, ii}); break;
            case UpdateStatus::Deleted: records_.push_back({UpdateStatus::Deleted, ii, -1}); break;
        }
    }
}

UpdateStatus DeltaDataset::Status() const {
    return cursor_ < records_.size() ? records_[cursor_].status : UpdateStatus::Unmodified;
}

int DeltaDataset::Index(std::string_view name) const {
    int i = packet_.FieldIndex(name);
    if (i < 0) throw UnknownFieldError(std::string(name));
    return i;
}

Variant DeltaDataset::OldValue(std::string_view name) const {
    int f = Index(name);
    if (cursor_ >= records_.size() || records_[cursor_].oldRow < 0) return Variant::Null();
    return packet_.rows[records_[cursor_].oldRow].values[f];
}

Variant DeltaDataset::NewValue(std::string_view name) const {
    int f = Index(name);
    if (cursor_ >= records_.size() || records_[cursor_].newRow < 0) return Variant::Null();
    return packet_.rows[records_[cursor_].newRow].values[f];
}

const Variant& DeltaDataset::OldValueAt(size_t field) const {
    static const Variant null = Variant::Null();
    if (cursor_ >= records_.size() || records_[cursor_].oldRow < 0) return null;
    return packet_.rows[records_[cursor_].oldRow].values.at(field);
}

const Variant& DeltaDataset::NewValueAt(size_t field) const {
    static const Variant null = Variant::Null();
    if (cursor_ >= records_.size() || records_[cursor_].newRow < 0) return null;
    return packet_.rows[records_[cursor_].newRow].values.at(field);
}

Variant DeltaDataset::RealFieldValue(std::string_view name) const {
    if (Status() == UpdateStatus::Modified) {
        Variant v = NewValue(name);
        return v.IsEmpty() ? OldValue(name) : v;
    }
    return Status() == UpdateStatus::Inserted ? NewValue(name) : OldValue(name);
}

bool DeltaDataset::Changed(std::string_view name) const {
    if (Status() != UpdateStatus::Modified) return false;
    return !NewValue(name).IsEmpty();
}

}  // namespace humrs
