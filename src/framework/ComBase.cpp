#include "framework/ComBase.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <ctime>
#include <mutex>
#include <set>
#include <unordered_map>

#include "framework/Messages.h"
#include "framework/ServerCounters.h"
#include "framework/Settings.h"
#include "core/Convert.h"
#include "utils/DateUtils.h"
#include "core/Text.h"

namespace humrs {

// ---------------------------------------------------------------- object creators

namespace {

FieldType ToFieldType(ColumnType t) {
    switch (t) {
        case ColumnType::Text: return FieldType::Text;
        case ColumnType::Integer: return FieldType::Integer;
        case ColumnType::Float: return FieldType::Float;
        case ColumnType::Currency: return FieldType::Currency;
        case ColumnType::Boolean: return FieldType::Boolean;
        default: return FieldType::Unknown;
    }
}

Dataset DatasetFromResult(const ResultSet& rs) {
    std::vector<FieldDef> fields;
    for (const auto& c : rs.columns) fields.push_back({c.name, ToFieldType(c.type)});
    Dataset ds(std::move(fields));
    std::vector<std::vector<Variant>> rows(rs.rows.begin(), rs.rows.end());
    ds.LoadStored(std::move(rows));
    ds.First();
    return ds;
}

Variant FirstRowValue(const std::optional<std::vector<Variant>>& row) {
    if (!row) return Variant();
    if (row->size() == 1) return (*row)[0];
    return Variant(VariantArray(row->begin(), row->end()));
}

}  // namespace

std::unique_ptr<TQVXComBase> CreateBusinessObject(const std::string& progIdOrClsid, Session& session) {
    const ClassDescriptor* descriptor = session.registry->Find(progIdOrClsid);
    if (!descriptor)
        throw InputError("unknown ProgID or CLSID: " + progIdOrClsid + "; available: " + session.registry->Available());
    if (!descriptor->create)
        throw InputError("the business object " + descriptor->progId +
                         " is not available yet; available: " + session.registry->Available());
    std::unique_ptr<TQVXComBase> obj = descriptor->create();
    obj->Initialize(session, *descriptor);
    return obj;
}

// ---------------------------------------------------------------- TQVXDBAccess

void TQVXDBAccess::DBExecSQL(const std::string& sql) { db_->Execute(sql); }

Variant TQVXDBAccess::DBSelectSQL(const std::string& sql) { return FirstRowValue(db_->QueryFirst(sql)); }

Dataset TQVXDBAccess::OpenDataset(const std::string& sql) { return DatasetFromResult(db_->Query(sql)); }

// ---------------------------------------------------------------- TQVXComBase

TQVXComBase::TQVXComBase() { ServerCounters::ObjectCreated(); }
TQVXComBase::~TQVXComBase() { ServerCounters::ObjectDestroyed(); }

void TQVXComBase::Initialize(Session& session, const ClassDescriptor& descriptor) {
    session_ = &session;
    dbAccess_ = std::make_unique<TQVXDBAccess>(*session.db);
    descriptor_ = &descriptor;
    map_ = session.registry->FindMap(descriptor.progId);
    progId_ = descriptor.progId;
    BuildEmptyDatasets();
    reportNames_.clear();
    bodyRelates_.clear();
    DefineBillReportName();
}

const ClassMap* TQVXComBase::MapOf(const std::string& progId) const {
    const ClassMap* m = session_->registry->FindMap(progId);
    if (!m) throw InputError("unknown ProgID: " + progId);
    return m;
}

void TQVXComBase::BuildEmptyDatasets() {
    datasets_.clear();
    stored_ = false;
    if (!map_) return;
    for (const auto& dm : map_->datasets) {
        std::vector<FieldDef> fields;
        for (const auto& c : Db().TableColumns(dm.table)) fields.push_back({c.name, ToFieldType(c.type)});
        for (const auto& lf : dm.lookups) {
            FieldType type = FieldType::Unknown;
            for (const auto& c : Db().TableColumns(lf.table))
                if (SameText(c.name, lf.field)) type = ToFieldType(c.type);
            fields.push_back({lf.field, type});
        }
        datasets_.emplace_back(std::move(fields));
    }
}

Dataset& TQVXComBase::GetDatasets(int i) {
    if (i < 0 || i >= static_cast<int>(datasets_.size()))
        throw std::out_of_range(progId_ + " has no dataset " + std::to_string(i));
    return datasets_[i];
}

Variant TQVXComBase::GetDeltaDatasets(int i) { return Variant(GetDatasets(i).Delta()); }

int TQVXComBase::GetLoginType(int /*context*/) const { return session_->loginType; }

// ---- transactions

template <class F>
Outcome TQVXComBase::RunInTransaction(bool write, F&& body) {
    Outcome out;
    Database& db = Db();
    bool nested = db.InTransaction();
    // Notices belong to the client's operation: an operation run inside another one
    // adds to them.
    const size_t firstNotice = nested ? session_->notices.size() : 0;
    if (!nested) session_->notices.clear();
    const std::string sp = "humrs_op";
    try {
        if (nested)
            db.Savepoint(sp);
        else if (write)
            db.BeginWrite();
        else
            db.BeginRead();
    } catch (...) {
        return FailureOutcome(std::current_exception());
    }
    try {
        body(out);
        if (nested)
            db.ReleaseSavepoint(sp);
        else
            db.Commit();
    } catch (...) {
        Outcome failed = FailureOutcome(std::current_exception());
        out.ok = false;
        out.failure = failed.failure;
        out.error = std::move(failed.error);
        try {
            if (nested)
                db.RollbackToSavepoint(sp), db.ReleaseSavepoint(sp);
            else
                db.Rollback();
        } catch (const DatabaseError&) {
            // The transaction is already gone (the backend aborted it); nothing to undo.
        }
    }
    out.notices.assign(session_->notices.begin() + static_cast<long>(firstNotice), session_->notices.end());
    return out;
}

// ---- loading

void TQVXComBase::LoadDatasets(const Variant& key) {
    BuildEmptyDatasets();
    if (!map_ || map_->datasets.empty()) return;
    auto select = [&](const DatasetMap& dm, const std::vector<std::pair<std::string, Variant>>& conds) {
        std::string sql = "Select A.*";
        std::string joins;
        for (size_t l = 0; l < dm.lookups.size(); ++l) {
            const LookupField& lf = dm.lookups[l];
            std::string alias = "L" + std::to_string(l);
            sql += ", " + alias + "." + lf.field + " As " + lf.field;
            joins += " Left Join " + lf.table + " " + alias + " On A." + lf.source + " = " + alias + "." + lf.key;
        }
        sql += " From " + dm.table + " A" + joins + " Where 1 = 1";
        std::vector<Variant> params;
        if (dm.flag) {
            sql += " And A.Flag = ?";
            params.emplace_back(*dm.flag);
        }
        for (const auto& [col, val] : conds) {
            sql += " And A." + col + " = ?";
            params.push_back(val);
        }
        if (!dm.orderBy.empty()) {
            std::string order;
            for (const auto& part : SplitString(dm.orderBy, ","))
                order += (order.empty() ? "A." : ", A.") + Trim(part);
            sql += " Order By " + order;
        }
        return Db().Query(sql, params);
    };
    const DatasetMap& head = map_->datasets[0];
    ResultSet rs = select(head, {{map_->keyColumn, key}});
    datasets_[0] = DatasetFromResult(rs);
    stored_ = !rs.rows.empty();
    for (size_t i = 1; i < map_->datasets.size() && stored_; ++i) {
        const DatasetMap& dm = map_->datasets[i];
        Dataset& parent = datasets_[dm.parent < 0 ? 0 : dm.parent];
        std::vector<std::vector<Variant>> rows;
        std::vector<ResultColumn> cols;
        for (parent.First(); !parent.Eof(); parent.Next()) {
            std::vector<std::pair<std::string, Variant>> conds;
            for (const auto& [child, par] : dm.link) conds.emplace_back(child, parent.FieldValue(par));
            ResultSet part = select(dm, conds);
            cols = part.columns;
            for (auto& r : part.rows) rows.push_back(std::move(r));
            if (dm.parent <= 0) break;  // a header has one row
        }
        if (!cols.empty()) {
            ResultSet all;
            all.columns = cols;
            all.rows = std::move(rows);
            datasets_[i] = DatasetFromResult(all);
        }
        parent.First();
    }
}

// The value a column holds when a new row leaves it out.
static Variant ColumnDefault(const ColumnDef& column) {
    const std::string& d = column.defaultValue;
    if (SameText(d, "NULL")) return Variant::Null();
    switch (column.type) {
        case ColumnType::Text:
            return Variant(d.size() >= 2 && d.front() == '\'' ? d.substr(1, d.size() - 2) : d);
        case ColumnType::Integer: return Variant(d.empty() ? 0 : CInt(Variant(d)));
        case ColumnType::Float: return Variant(d.empty() ? 0.0 : CFloat(Variant(d)));
        case ColumnType::Currency: return Variant(CCurr(Variant(d)));
        case ColumnType::Boolean: return Variant(CBool(Variant(d)));
        default: return Variant::Null();
    }
}

void TQVXComBase::PrepareNewRow(int i) {
    if (!map_ || i >= static_cast<int>(map_->datasets.size())) return;
    const DatasetMap& dm = map_->datasets[i];
    Dataset& ds = datasets_[i];
    // A new row starts from the column defaults, as the table would store it.
    if (const TableDef* table = session_->registry->FindTable(dm.table))
        for (const ColumnDef& column : table->columns)
            if (column.generatedFrom.empty() && ds.HasField(column.name))
                ds.SetFieldValue(column.name, ColumnDefault(column));
    if (dm.flag && ds.HasField("Flag")) ds.SetFieldValue("Flag", *dm.flag);
    if (dm.singleRow && ds.HasField("RowNo")) ds.SetFieldValue("RowNo", 0);
}

// Fills the values the table map fixes: the Flag of the bill kind, row number 0 of a
// single-row bill, and the header's link values on body rows.
static void FixMappedValues(const ClassMap& map, std::vector<Dataset>& datasets, Database& db) {
    for (size_t i = 0; i < map.datasets.size() && i < datasets.size(); ++i) {
        const DatasetMap& dm = map.datasets[i];
        Dataset& ds = datasets[i];
        // values coming from the header (directly, or through the parent's own link)
        std::vector<std::pair<std::string, Variant>> fromHeader;
        if (i > 0 && !datasets[0].IsEmpty()) {
            datasets[0].First();
            for (const auto& [child, par] : dm.link) {
                std::string headerCol;
                if (dm.parent <= 0) {
                    headerCol = par;
                } else {
                    for (const auto& [pc, pp] : map.datasets[dm.parent].link)
                        if (SameText(pc, par)) headerCol = pp;
                }
                if (!headerCol.empty() && datasets[0].HasField(headerCol))
                    fromHeader.emplace_back(child, datasets[0].FieldValue(headerCol));
            }
        }
        for (ds.First(); !ds.Eof(); ds.Next()) {
            auto setIfDifferent = [&](const std::string& f, const Variant& v) {
                if (ds.HasField(f) && !ds.FieldValue(f).SameValue(v)) ds.SetFieldValue(f, v);
            };
            if (dm.flag) setIfDifferent("Flag", *dm.flag);
            if (dm.singleRow) setIfDifferent("RowNo", 0);
            for (const auto& [col, val] : fromHeader) setIfDifferent(col, val);
            // Looked-up fields follow the key they are looked up by.
            if (ds.RowStatus() != UpdateStatus::Unmodified || ds.GetState() != Dataset::State::Browse) {
                for (const auto& lf : dm.lookups) {
                    if (!ds.HasField(lf.field) || !ds.HasField(lf.source)) continue;
                    auto row = db.QueryFirst("Select " + lf.field + " From " + lf.table + " Where " + lf.key + " = ?",
                                             {ds.FieldValue(lf.source)});
                    setIfDifferent(lf.field, row ? (*row)[0] : Variant::Null());
                }
            }
            ds.Post();
        }
        ds.First();
    }
}

// Rows under body rows follow their parent row: a child of a deleted row goes with
// it, and a child whose parent is nowhere is refused rather than stored unreachable.
void TQVXComBase::ReconcileChildRows() {
    if (!map_) return;
    auto sameValue = [](const Variant& a, const Variant& b) {
        return a.IsString() || b.IsString() ? SameText(CStr(a), CStr(b)) : a.SameValue(b);
    };
    for (size_t i = 0; i < map_->datasets.size() && i < datasets_.size(); ++i) {
        const DatasetMap& dm = map_->datasets[i];
        if (dm.parent < 1 || dm.parent >= static_cast<int>(datasets_.size()) || dm.link.empty()) continue;
        Dataset& parent = datasets_[dm.parent];
        Dataset& child = datasets_[i];
        std::vector<std::vector<Variant>> live, gone;
        for (parent.First(); !parent.Eof(); parent.Next()) {
            std::vector<Variant> values;
            for (const auto& link : dm.link) values.push_back(parent.FieldValue(link.second));
            live.push_back(std::move(values));
        }
        DeltaDataset deleted(*parent.Delta());
        for (deleted.First(); !deleted.Eof(); deleted.Next()) {
            if (deleted.Status() != UpdateStatus::Deleted && deleted.Status() != UpdateStatus::Modified) continue;
            std::vector<Variant> values;
            for (const auto& link : dm.link) values.push_back(deleted.OldValue(link.second));
            gone.push_back(std::move(values));
        }
        auto found = [&](const std::vector<std::vector<Variant>>& rows, const std::vector<Variant>& key) {
            return std::any_of(rows.begin(), rows.end(), [&](const std::vector<Variant>& r) {
                for (size_t k = 0; k < key.size(); ++k)
                    if (!sameValue(r[k], key[k])) return false;
                return true;
            });
        };
        size_t row = 0;
        while (row < child.RecordCount()) {
            child.MoveTo(row);
            std::vector<Variant> key;
            std::string text;
            for (const auto& link : dm.link) {
                key.push_back(child.FieldValue(link.first));
                text += (text.empty() ? "" : ", ") + link.first + " " + CStr(key.back());
            }
            if (found(live, key)) {
                ++row;
            } else if (found(gone, key)) {
                child.Delete();
            } else {
                throw InputError("row " + std::to_string(row) + " of dataset " + std::to_string(i) + " of " + progId_ +
                                 " (" + text + ") belongs to no row of dataset " + std::to_string(dm.parent));
            }
        }
        child.First();
        parent.First();
    }
}

// ---- writing

void TQVXComBase::WriteDatasets() {
    if (!map_) return;
    size_t n = std::min(map_->datasets.size(), datasets_.size());
    auto keyWhere = [&](const DatasetMap& dm, const DeltaDataset& d, std::vector<Variant>& params) {
        std::string where = " Where 1 = 1";
        if (dm.flag) {
            where += " And Flag = ?";
            params.emplace_back(*dm.flag);
        }
        for (const auto& k : dm.keyColumns) {
            where += " And " + k + " = ?";
            params.push_back(d.OldValue(k));
        }
        return where;
    };
    std::vector<DeltaDataset> deltas;
    for (size_t i = 0; i < n; ++i) deltas.emplace_back(*datasets_[i].Delta());
    // Deletes from the lowest level up.
    for (size_t i = n; i-- > 0;) {
        const DatasetMap& dm = map_->datasets[i];
        DeltaDataset& d = deltas[i];
        for (d.First(); !d.Eof(); d.Next()) {
            if (d.Status() != UpdateStatus::Deleted) continue;
            std::vector<Variant> params;
            std::string sql = "Delete From " + dm.table + keyWhere(dm, d, params);
            Db().Execute(sql, params);
        }
    }
    // Inserts and updates from the header down.
    for (size_t i = 0; i < n; ++i) {
        const DatasetMap& dm = map_->datasets[i];
        DeltaDataset& d = deltas[i];
        const auto& fields = d.Packet().fields;
        std::vector<ResultColumn> tableCols = Db().TableColumns(dm.table);
        auto isColumn = [&](const std::string& f) {
            return std::any_of(tableCols.begin(), tableCols.end(),
                               [&](const ResultColumn& c) { return SameText(c.name, f); });
        };
        for (d.First(); !d.Eof(); d.Next()) {
            if (d.Status() == UpdateStatus::Inserted) {
                std::string cols, marks;
                std::vector<Variant> params;
                for (const auto& f : fields) {
                    if (!isColumn(f.name)) continue;
                    Variant v = d.NewValue(f.name);
                    if (v.IsNullOrEmpty()) continue;  // the column default applies
                    cols += (cols.empty() ? "" : ", ") + f.name;
                    marks += marks.empty() ? "?" : ", ?";
                    params.push_back(v);
                }
                if (cols.empty()) continue;
                Db().Execute("Insert Into " + dm.table + " (" + cols + ") Values (" + marks + ")", params);
            } else if (d.Status() == UpdateStatus::Modified) {
                std::string sets;
                std::vector<Variant> params;
                for (const auto& f : fields) {
                    if (!isColumn(f.name) || !d.Changed(f.name)) continue;
                    sets += (sets.empty() ? "" : ", ") + f.name + " = ?";
                    params.push_back(d.NewValue(f.name));
                }
                if (sets.empty()) continue;
                std::string where = keyWhere(dm, d, params);
                Db().Execute("Update " + dm.table + " Set " + sets + where, params);
            }
        }
    }
}

// ---- client operations

Outcome TQVXComBase::Open(const Variant& key) {
    return RunInTransaction(false, [&](Outcome&) {
        LoadDatasets(key);
        if (!stored_) throw InputError(FormatMessage(msg::kBillNotFound, {key}));
    });
}

Outcome TQVXComBase::AddNew() {
    return RunInTransaction(false, [&](Outcome&) {
        BuildEmptyDatasets();
        if (!datasets_.empty()) {
            datasets_[0].Append();
            PrepareNewRow(0);
        }
        DoAddDefaultRecord();
        if (!datasets_.empty()) datasets_[0].Post();
    });
}

std::string TQVXComBase::GuardedVoucherField() {
    if (!descriptor_ || descriptor_->voucherField.empty() || !BeforeCheckVoucherNo()) return "";
    return descriptor_->voucherField;
}

Outcome TQVXComBase::Edit(const Variant& key) {
    return RunInTransaction(false, [&](Outcome&) {
        LoadDatasets(key);
        if (!stored_) throw InputError(FormatMessage(msg::kBillNotFound, {key}));
        if (const std::string field = GuardedVoucherField(); !field.empty()) CheckVoucherNo(field, 1);
        BeforeEdit();
    });
}

Outcome TQVXComBase::Save() {
    std::vector<Dataset> snapshot = datasets_;
    bool wasStored = stored_;
    Outcome out = RunInTransaction(true, [&](Outcome&) {
        saveMode_ = stored_ ? 2 : 1;
        for (auto& ds : datasets_) ds.Post();
        // The datasets the client's input changed, before the framework fills in its own values.
        std::vector<int> changed;
        for (int i = 0; i < static_cast<int>(datasets_.size()); ++i)
            if (datasets_[i].HasChanges()) changed.push_back(i);
        if (map_) FixMappedValues(*map_, datasets_, Db());
        if (!datasets_.empty() && map_ && SameText(map_->keyColumn, "BillNo") && !datasets_[0].IsEmpty()) {
            datasets_[0].First();
            if (datasets_[0].HasField("BillNo") && CStr(datasets_[0].FieldValue("BillNo")).empty()) {
                datasets_[0].SetFieldValue("BillNo", GetMaxID(ContextNumber(), std::to_string(GetServerDate()))[0]);
                datasets_[0].Post();
                FixMappedValues(*map_, datasets_, Db());
            }
        }
        // A bill or master row is found by its key: an empty or blank one is no key.
        if (!datasets_.empty() && map_ && !map_->keyColumn.empty() && !datasets_[0].IsEmpty()) {
            datasets_[0].First();
            if (datasets_[0].HasField(map_->keyColumn) && Trim(CStr(datasets_[0].FieldValue(map_->keyColumn))).empty())
                throw InputError("the key " + map_->keyColumn + " of " + progId_ + " is empty");
        }
        ReconcileChildRows();
        // Values the class derives from the changed data (a total from its amounts) are
        // in place before its checks read them.
        for (int i : changed) {
            for (auto& ds : datasets_) ds.First();
            AfterChangeData(i);
            for (auto& ds : datasets_) ds.Post();
        }
        for (auto& ds : datasets_) ds.First();
        BeforeUpdate();
        for (auto& ds : datasets_) ds.Post();
        WriteDatasets();
        // An imported bill may carry its voucher number in; otherwise the number stays as stored.
        if (const std::string field = GuardedVoucherField();
            !field.empty() && GetLoginType(ContextNumber()) != 5 && !GetMergeInState())
            UpdateVoucherNo(field);
        for (auto& ds : datasets_) ds.First();
        AfterUpdate();
    });
    if (out.ok) {
        for (auto& ds : datasets_) {
            ds.AcceptChanges();
            ds.First();
        }
        stored_ = true;
    } else {
        datasets_ = std::move(snapshot);
        stored_ = wasStored;
    }
    return out;
}

Outcome TQVXComBase::Delete(const Variant& key) {
    // A refused delete leaves the object as it was, so that a later save does not
    // carry the delete out after all.
    std::vector<Dataset> snapshot = datasets_;
    const bool wasStored = stored_;
    Outcome out = RunInTransaction(true, [&](Outcome&) {
        LoadDatasets(key);
        if (!stored_) throw InputError(FormatMessage(msg::kBillNotFound, {key}));
        if (const std::string field = GuardedVoucherField(); !field.empty()) CheckVoucherNo(field, 0);
        BeforeDelete();
        for (auto& ds : datasets_) ds.DeleteDataset();
        WriteDatasets();
        AfterDelete();
    });
    if (out.ok) {
        BuildEmptyDatasets();
    } else {
        datasets_ = std::move(snapshot);
        stored_ = wasStored;
    }
    return out;
}

Outcome TQVXComBase::CheckFieldValues(int datasetIndex, const VariantArray& names, const VariantArray& values) {
    return RunInTransaction(false, [&](Outcome& out) {
        DoCheckFieldValues(datasetIndex, names, values);
        TOleVariantList list;
        CheckFieldReturn(list);
        out.fields = std::move(list);
    });
}

Outcome TQVXComBase::ExecuteProc(int procNo, const Variant& arg1, const Variant& arg2) {
    return RunInTransaction(true, [&](Outcome& out) {
        Variant result;
        RunProcedure(procNo, arg1, arg2, result);
        out.result = std::move(result);
    });
}

void TQVXComBase::RunProcedure(int procNo, const Variant& arg1, const Variant& arg2, Variant& result) {
    if (const ProcedureDef* proc = descriptor_ ? descriptor_->FindProcedure(procNo) : nullptr) {
        const ProcArgs args = CheckProcArgs(*proc, progId_, arg1, arg2);
        result = proc->run(*this, args);
        return;
    }
    DoExecuteProc(procNo, arg1, arg2, result);
}

// ---- default hooks

void TQVXComBase::DoExecuteProc(int, const Variant&, const Variant&, Variant&) {}
void TQVXComBase::DoCheckFieldValues(int datasetIndex, const VariantArray& names, const VariantArray&) {
    std::string sql = GetCheckFieldValuesSql(datasetIndex, names);
    if (!sql.empty()) GetDBConn().DBSelectSQL(sql);
}
std::string TQVXComBase::GetCheckFieldValuesSql(int, const VariantArray&) { return ""; }
void TQVXComBase::CheckFieldReturn(TOleVariantList&) {}
void TQVXComBase::AfterChangeData(int) {}
void TQVXComBase::DoAddDefaultRecord() {}
void TQVXComBase::BeforeDelete() {}
void TQVXComBase::AfterDelete() {}
void TQVXComBase::BeforeEdit() {}
void TQVXComBase::BeforeUpdate() {}
void TQVXComBase::AfterUpdate() {}
bool TQVXComBase::BeforeCheckVoucherNo() { return true; }
std::string TQVXComBase::GetBillRptModelName() { return ""; }

// ---- services

Variant TQVXComBase::DBSelectValue(const std::string& progId, int index, const std::string& fields,
                                   const Variant& key) {
    const ClassMap* m = MapOf(progId);
    if (index < 0 || index >= static_cast<int>(m->datasets.size()))
        throw InputError("no dataset " + std::to_string(index) + " for " + progId);
    const DatasetMap& dm = m->datasets[index];
    std::string keyCol = index == 0 ? m->keyColumn : (dm.keyColumns.empty() ? m->keyColumn : dm.keyColumns[0]);
    std::string sql = "Select " + fields + " From " + dm.table + " Where " + keyCol + " = ?";
    std::vector<Variant> params{key};
    if (dm.flag) {
        sql += " And Flag = ?";
        params.emplace_back(*dm.flag);
    }
    return FirstRowValue(Db().QueryFirst(sql, params));
}

Variant TQVXComBase::DBSelectValue(const std::string& progId, int index, const std::string& fields,
                                   const std::string& where, const std::string& order) {
    const ClassMap* m = MapOf(progId);
    if (index < 0 || index >= static_cast<int>(m->datasets.size()))
        throw InputError("no dataset " + std::to_string(index) + " for " + progId);
    const DatasetMap& dm = m->datasets[index];
    std::string sql = "Select " + fields + " From " + dm.table + " Where 1 = 1";
    if (dm.flag) sql += " And Flag = " + std::to_string(*dm.flag);
    if (!Trim(where).empty()) sql += " And (" + where + ")";
    if (!Trim(order).empty()) sql += " Order By " + order;
    return FirstRowValue(Db().QueryFirst(sql));
}

Dataset TQVXComBase::OpenDataset(const std::string& source, int index, const std::string& fields,
                                 const std::string& where, const std::string& order, int, int) {
    if (index < 0) return GetDBConn().OpenDataset(source);
    const ClassMap* m = MapOf(source);
    if (index >= static_cast<int>(m->datasets.size()))
        throw InputError("no dataset " + std::to_string(index) + " for " + source);
    const DatasetMap& dm = m->datasets[index];
    std::string sql = "Select " + (Trim(fields).empty() ? std::string("*") : fields) + " From " + dm.table +
                      " Where 1 = 1";
    if (dm.flag) sql += " And Flag = " + std::to_string(*dm.flag);
    if (!Trim(where).empty()) sql += " And (" + where + ")";
    if (!Trim(order).empty())
        sql += " Order By " + order;
    else if (!dm.orderBy.empty())
        sql += " Order By " + dm.orderBy;
    return GetDBConn().OpenDataset(sql);
}

Variant TQVXComBase::OpenDatasetV(const std::string& source, int index, const std::string& fields,
                                  const std::string& where, const std::string& order, int flag, int options) {
    return Variant(OpenDataset(source, index, fields, where, order, flag, options).Data());
}

Variant TQVXComBase::GetMinMaxValue(const std::string& progIdOrTable, int index, const std::string& column,
                                    const std::string& where) {
    std::string table = progIdOrTable;
    std::string cond = where;
    if (const ClassMap* m = session_->registry->FindMap(progIdOrTable)) {
        if (index < 0 || index >= static_cast<int>(m->datasets.size()))
            throw InputError("no dataset " + std::to_string(index) + " for " + progIdOrTable);
        table = m->datasets[index].table;
        if (m->datasets[index].flag) {
            std::string f = "Flag = " + std::to_string(*m->datasets[index].flag);
            cond = Trim(cond).empty() ? f : f + " And (" + cond + ")";
        }
    }
    std::string sql = "Select Min(" + column + "), Max(" + column + ") From " + table;
    if (!Trim(cond).empty()) sql += " Where " + cond;
    auto row = Db().QueryFirst(sql);
    if (!row) return Variant(VariantArray{Variant(), Variant()});
    return Variant(VariantArray{(*row)[0], (*row)[1]});
}

int TQVXComBase::GetServerDate() const {
    if (session_->serverDate > 0) return session_->serverDate;
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return (tm.tm_year + 1900) * 10000 + (tm.tm_mon + 1) * 100 + tm.tm_mday;
}

Variant TQVXComBase::GetParam(const std::string& key) {
    auto row = Db().QueryFirst("Select ParamValue From comSysParam Where ParamKey = ?", {Variant(key)});
    if (!row || (*row)[0].IsNullOrEmpty()) return Variant(std::string());
    return Variant(CStr((*row)[0]));
}

Variant TQVXComBase::GetSysParam(int, const std::string& key, int) { return GetParam(key); }

int TQVXComBase::GetLocalType() {
    if (session_->localType) return *session_->localType;
    return ParamReader(*this).Get(kLocalTypeParam);
}

void TQVXComBase::MakeException(int, int, const std::string& message, const VariantArray& args) {
    // A message formatted with too few or too many values is a fault of the caller,
    // not a refusal to show the user with holes in it.
    if (const size_t wanted = CountPlaceholders(message); wanted != args.size())
        throw std::logic_error("the message \"" + message + "\" takes " + std::to_string(wanted) + " values, " +
                               std::to_string(args.size()) + " were given");
    throw BusinessError(FormatMessage(message, args));
}

void TQVXComBase::AddMessage(const std::string& text, int kind, int flag) {
    session_->notices.push_back({text, kind, flag});
}

Variant TQVXComBase::DoCOMMethod(const std::string& progId, int context, int procNo, const Variant& arg) {
    return DoCOMMethod(progId, "", context, procNo, arg, Variant());
}

Variant TQVXComBase::DoCOMMethod(const std::string& progId, const std::string&, int context, int procNo,
                                 const Variant& arg1, const Variant& arg2) {
    int saved = session_->contextNumber;
    session_->contextNumber = context;
    std::unique_ptr<TQVXComBase> callee;
    Variant result;
    try {
        callee = CreateBusinessObject(progId, *session_);
        // The callee runs inside this object's transaction: no transaction of its own,
        // so whatever it writes commits or rolls back with the caller.
        callee->RunProcedure(procNo, arg1, arg2, result);
    } catch (...) {
        session_->contextNumber = saved;
        throw;
    }
    session_->contextNumber = saved;
    return result;
}

// The longest bill number the numbering hands out.
static constexpr size_t kMaxBillNoLength = 40;

VariantArray TQVXComBase::GetMaxID(int, const std::string& dateText) {
    const std::string prefix = Trim(dateText);
    const std::string col = map_ && !map_->keyColumn.empty() ? map_->keyColumn : "BillNo";
    // One past the highest number of the date in every table of every bill kind numbered
    // by the same key column: the component keeps one sequence per date, so two bills of
    // any kinds never share a number (rows of shared tables are told apart by Flag, but
    // several statements, and the pay statement, find a bill by its number alone). A
    // numeric part of any length counts: it is compared and counted on as decimal
    // digits, never cut to a machine integer.
    std::string highest = "0";
    std::set<std::string> taken;
    std::vector<std::string> tables;
    auto addTables = [&](const std::vector<DatasetMap>& datasets) {
        for (const auto& dm : datasets)
            if (std::none_of(tables.begin(), tables.end(), [&](const std::string& t) { return SameText(t, dm.table); }))
                tables.push_back(dm.table);
    };
    if (map_) addTables(map_->datasets);
    for (const ClassDescriptor& c : session_->registry->Classes())
        if (SameText(c.keyColumn, col)) addTables(c.datasets);
    for (const auto& table : tables) {
        bool hasColumn = false;
        for (const auto& c : Db().TableColumns(table)) hasColumn = hasColumn || SameText(c.name, col);
        if (!hasColumn) continue;
        ResultSet rs = Db().Query("Select Distinct " + col + " From " + table + " Where " + col + " Like ?",
                                  {Variant(prefix + "%")});
        for (const auto& row : rs.rows) {
            const std::string no = CStr(row[0]);
            taken.insert(LowerAscii(no));
            if (no.size() <= prefix.size() || !SameText(no.substr(0, prefix.size()), prefix)) continue;
            std::string suffix = no.substr(prefix.size());
            if (!std::all_of(suffix.begin(), suffix.end(), [](char c) { return c >= '0' && c <= '9'; })) continue;
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
        if (!taken.count(LowerAscii(no))) return VariantArray{Variant(no)};
        next = increment(next);
    }
    throw InputError("no free bill number found for " + prefix + ": give the bill its number");
}

double TQVXComBase::RoundNumber(double value, int numberType) {
    switch (numberType) {
        case 0: return RoundValue(value, 0);
        case 2: return RoundValue(value, 4);
        default: return RoundValue(value, 2);
    }
}

std::string TQVXComBase::QVXData2Show(int date) { return DateToText(date); }

std::string TQVXComBase::QVXData2Show(int date, int yearType, int dispType, bool padMonth, bool padDay,
                                      const std::string& separator) {
    return DateToText(date, yearType, dispType, padMonth, padDay, separator);
}

void TQVXComBase::CheckVoucherNo(const std::string& fieldName, int mode) {
    if (datasets_.empty() || datasets_[0].IsEmpty() || !datasets_[0].HasField(fieldName)) return;
    datasets_[0].First();
    std::string no = Trim(CStr(datasets_[0].OldValue(fieldName)));
    if (no.empty()) return;
    MakeException(0, 0, mode == 0 ? msg::kVoucherNoDelete : msg::kVoucherNoEdit, {Variant(no)});
}

void TQVXComBase::UpdateVoucherNo(const std::string& fieldName) {
    if (!map_ || datasets_.empty() || datasets_[0].IsEmpty() || !datasets_[0].HasField(fieldName)) return;
    Dataset& head = datasets_[0];
    head.First();
    Variant stored = head.OldValue(fieldName);
    if (head.FieldValue(fieldName).SameValue(stored)) return;
    const DatasetMap& dm = map_->datasets[0];
    std::string sql = "Update " + dm.table + " Set " + fieldName + " = ? Where " + map_->keyColumn + " = ?";
    std::vector<Variant> params{stored.IsNull() ? Variant(std::string()) : stored, head.FieldValue(map_->keyColumn)};
    if (dm.flag) {
        sql += " And Flag = ?";
        params.emplace_back(*dm.flag);
    }
    Db().Execute(sql, params);
}

// ---- input

static Variant CoerceInput(const FieldDef& f, const Variant& v, int datasetIndex) {
    auto bad = [&](const char* expected) {
        return InputError("field " + f.name + " of dataset " + std::to_string(datasetIndex) + " expects " +
                          expected + ", got " + v.Describe());
    };
    if (v.IsNullOrEmpty()) return Variant::Null();
    switch (f.type) {
        case FieldType::Text:
            if (v.IsString()) return v;
            if (v.IsNumeric() && v.Type() != VarType::Bool) return Variant(CStr(v));
            throw bad("text");
        case FieldType::Integer: {
            // Whole numbers of the tables are dates, times, counts and codes: anything
            // beyond 15 digits is a typing error, not a value to wrap around.
            constexpr double kLimit = 1e15;
            if (v.Type() == VarType::Int && std::fabs(static_cast<double>(v.AsInt())) < kLimit) return v;
            if (v.Type() == VarType::Bool) return Variant(v.AsBool() ? 1 : 0);
            if (v.Type() == VarType::Float && std::floor(v.AsFloat()) == v.AsFloat() && std::fabs(v.AsFloat()) < kLimit)
                return Variant(CInt(v));
            throw bad(v.IsNumeric() ? "a whole number below 10^15" : "a whole number");
        }
        case FieldType::Float:
            if ((v.Type() == VarType::Int || v.Type() == VarType::Float) && std::isfinite(CFloat(v)) &&
                std::fabs(CFloat(v)) < 1e15)
                return Variant(CFloat(v));
            throw bad(v.IsNumeric() ? "a number below 10^15" : "a number");
        case FieldType::Currency:
            // Amounts below 10^11 keep all four decimals on every backend (SQLite stores
            // money as a binary floating-point number): one limit, whatever the database.
            if ((v.Type() == VarType::Int || v.Type() == VarType::Float || v.Type() == VarType::Currency) &&
                std::fabs(CFloat(v)) < 1e11)
                return Variant(CCurr(v));
            throw bad(v.IsNumeric() ? "an amount below 10^11" : "an amount");
        case FieldType::Boolean:
            if (v.Type() == VarType::Bool) return v;
            if (v.Type() == VarType::Int && (v.AsInt() == 0 || v.AsInt() == 1)) return Variant(v.AsInt() == 1);
            throw bad("true or false");
        default: return v;
    }
}

void TQVXComBase::MergeInput(int datasetIndex,
                             const std::vector<std::vector<std::pair<std::string, Variant>>>& rows) {
    Dataset& ds = GetDatasets(datasetIndex);
    const std::string where = "dataset " + std::to_string(datasetIndex) + " of " + progId_;
    const DatasetMap* dm = map_ && datasetIndex < static_cast<int>(map_->datasets.size())
                               ? &map_->datasets[datasetIndex]
                               : nullptr;
    // A bill is one header: a second row in dataset 0 would be stored unchecked.
    if (datasetIndex == 0 && rows.size() > 1)
        throw InputError(where + " holds one row, " + std::to_string(rows.size()) + " were given");
    std::vector<std::string> keys;
    if (dm) {
        keys = datasetIndex == 0 && !map_->keyColumn.empty() && dm->keyColumns.empty()
                   ? std::vector<std::string>{map_->keyColumn}
                   : dm->keyColumns;
    }
    // Check every name and value first, so nothing is half-applied.
    std::vector<std::vector<std::pair<int, Variant>>> typed;
    for (const auto& row : rows) {
        std::vector<std::pair<int, Variant>> t;
        for (const auto& [name, value] : row) {
            int fi = ds.FieldIndex(name);
            if (fi < 0) throw InputError("unknown field " + name + " in " + where);
            t.emplace_back(fi, CoerceInput(ds.Field(fi), value, datasetIndex));
        }
        typed.push_back(std::move(t));
    }
    auto given = [&](const std::vector<std::pair<int, Variant>>& t, const std::string& field) -> const Variant* {
        const int fi = ds.FieldIndex(field);
        for (const auto& [i, v] : t)
            if (i == fi && !v.IsNullOrEmpty()) return &v;
        return nullptr;
    };
    // Body rows given without a row number are numbered after the highest one.
    const bool numbered = dm && !dm->singleRow && ds.HasField("RowNo") &&
                          std::any_of(keys.begin(), keys.end(), [](const std::string& k) { return SameText(k, "RowNo"); });
    if (numbered) {
        int64_t highest = 0;
        for (ds.First(); !ds.Eof(); ds.Next()) highest = std::max(highest, CInt(ds["RowNo"]));
        for (const auto& t : typed)
            if (const Variant* v = given(t, "RowNo")) highest = std::max(highest, CInt(*v));
        for (auto& t : typed)
            if (!given(t, "RowNo")) t.emplace_back(ds.FieldIndex("RowNo"), Variant(++highest));
    }
    auto keyValue = [&](const std::vector<std::pair<int, Variant>>& t, const std::string& k) -> std::optional<Variant> {
        if (dm && dm->singleRow && SameText(k, "RowNo")) return Variant(0);
        if (dm && datasetIndex > 0 && !datasets_[0].IsEmpty())
            for (const auto& link : dm->link)
                if (SameText(link.first, k) && SameText(link.first, link.second)) {
                    datasets_[0].First();
                    if (datasets_[0].HasField(link.second)) return datasets_[0].FieldValue(link.second);
                }
        if (const Variant* v = given(t, k)) return *v;
        return std::nullopt;
    };
    std::vector<bool> matchedStored(ds.RecordCount(), false);
    std::vector<int> target(typed.size(), -1);
    std::vector<VariantArray> rowKeys(typed.size());
    std::string list;
    for (const auto& k : keys) list += (list.empty() ? "" : ";") + k;
    for (size_t r = 0; r < typed.size(); ++r) {
        if (keys.empty()) continue;
        // A key column the header fills in later is the same for every row.
        VariantArray values;
        bool complete = true;
        for (const auto& k : keys) {
            auto v = keyValue(typed[r], k);
            const bool fromHeader = dm && std::any_of(dm->link.begin(), dm->link.end(), [&](const auto& link) {
                return SameText(link.first, k) && SameText(link.second, k);
            });
            if (!v || v->IsNullOrEmpty()) {
                complete = false;
                if (!fromHeader) break;
                values.emplace_back();
            } else {
                values.push_back(*v);
            }
        }
        if (values.size() != keys.size()) continue;
        // Two input rows with one key would collide in the table.
        for (size_t q = 0; q < r; ++q) {
            if (rowKeys[q].size() != values.size()) continue;
            bool same = true;
            for (size_t i = 0; i < values.size() && same; ++i)
                same = values[i].IsString() || rowKeys[q][i].IsString() ? SameText(CStr(values[i]), CStr(rowKeys[q][i]))
                                                                       : values[i].SameValue(rowKeys[q][i]);
            if (same)
                throw InputError("rows " + std::to_string(q) + " and " + std::to_string(r) + " of " + where +
                                 " have the same key (" + list + ")");
        }
        rowKeys[r] = values;
        // Keys compare without regard to case, as the database does.
        if (complete && ds.Locate(list, values, true) && !matchedStored[ds.RecNo()]) {
            matchedStored[ds.RecNo()] = true;
            target[r] = static_cast<int>(ds.RecNo());
        }
    }
    // Stored rows the input leaves out are deleted (from the last, so positions hold).
    for (size_t i = matchedStored.size(); i-- > 0;) {
        if (matchedStored[i]) continue;
        ds.MoveTo(i);
        ds.Delete();
        for (auto& t : target)
            if (t > static_cast<int>(i)) --t;
    }
    for (size_t r = 0; r < typed.size(); ++r) {
        if (target[r] >= 0) {
            ds.MoveTo(static_cast<size_t>(target[r]));
            ds.Edit();
        } else {
            ds.Append();
            PrepareNewRow(datasetIndex);
        }
        for (const auto& [fi, v] : typed[r]) {
            // A stored row keeps its key as stored: a key typed in other letter case
            // finds the row, it does not rename it.
            const std::string& name = ds.Field(fi).name;
            if (target[r] >= 0 &&
                std::any_of(keys.begin(), keys.end(), [&](const std::string& k) { return SameText(k, name); }) &&
                SameText(CStr(v), CStr(ds.FieldValue(name))))
                continue;
            ds.SetFieldValue(name, v);
        }
        ds.Post();
    }
    ds.First();
}

}  // namespace humrs
