#include "framework/ComBase.h"

#include <ctime>

#include "framework/AuditTrail.h"
#include "framework/Bill.h"
#include "framework/BillLoader.h"
#include "framework/BillNumbering.h"
#include "framework/BillWriter.h"
#include "framework/Messages.h"
#include "framework/ServerCounters.h"
#include "framework/Settings.h"
#include "core/Convert.h"
#include "utils/DateUtils.h"
#include "core/Text.h"

namespace humrs {

// ---------------------------------------------------------------- object creators

namespace {

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

void TQVXDBAccess::DBExecSQL(const std::string& sql) { Db().Execute(sql); }

Variant TQVXDBAccess::DBSelectSQL(const std::string& sql) { return FirstRowValue(Db().QueryFirst(sql)); }

Dataset TQVXDBAccess::OpenDataset(const std::string& sql) { return DatasetFromResult(Db().Query(sql)); }

// ---------------------------------------------------------------- TQVXComBase

TQVXComBase::TQVXComBase() { ServerCounters::ObjectCreated(); }
TQVXComBase::~TQVXComBase() { ServerCounters::ObjectDestroyed(); }

void TQVXComBase::Initialize(Session& session, const ClassDescriptor& descriptor) {
    session_ = &session;
    dbAccess_ = std::make_unique<TQVXDBAccess>(session.db);
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
    if (map_) datasets_ = EmptyDatasets(*map_, Db());
}

Dataset& TQVXComBase::GetDatasets(int i) {
    if (i < 0 || i >= static_cast<int>(datasets_.size()))
        throw std::out_of_range(progId_ + " has no dataset " + std::to_string(i));
    return datasets_[i];
}

Variant TQVXComBase::GetDeltaDatasets(int i) { return Variant(GetDatasets(i).Delta()); }

int TQVXComBase::GetLoginType(int /*context*/) const { return session_->loginType; }

void TQVXComBase::CommitBlock() {
    // Yielding costs a commit (and on SQLite a short pause): at most every 50 ms.
    constexpr auto kYieldEvery = std::chrono::milliseconds(50);
    if (!ownsWriteTransaction_ || std::chrono::steady_clock::now() - lastCommit_ < kYieldEvery) return;
    Db().YieldWriteLock();
    lastCommit_ = std::chrono::steady_clock::now();
}

bool TQVXComBase::UnderImportLogin() const { return GetLoginType(ContextNumber()) == 5; }
bool TQVXComBase::SkipsBusinessChecks() const { return UnderImportLogin() || GetMergeInState(); }

// ---- transactions

template <class F>
Outcome TQVXComBase::RunInTransaction(Txn kind, F&& body, std::vector<EntityLock> locks) {
    Outcome out;
    Database& db = Db();
    bool nested = db.InTransaction();
    // Whether CommitBlock may commit: only for the length of this operation, and only
    // when it began the write transaction.
    struct Owner {
        bool& flag;
        bool saved;
        ~Owner() { flag = saved; }
    } owner{ownsWriteTransaction_, ownsWriteTransaction_};
    ownsWriteTransaction_ = !nested && kind == Txn::Write;
    if (ownsWriteTransaction_) lastCommit_ = std::chrono::steady_clock::now();
    // Notices belong to the client's operation: an operation run inside another one
    // adds to them.
    const size_t firstNotice = nested ? session_->notices.size() : 0;
    if (!nested) session_->notices.clear();
    const std::string sp = "humrs_op";
    try {
        if (nested)
            db.Savepoint(sp);
        else if (kind == Txn::Write)
            db.BeginWrite();
        else if (kind == Txn::PersonWrite)
            db.BeginSharedWrite(std::move(locks));
        else if (kind == Txn::ReadOnly)
            db.BeginReadOnly();
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
        out.messageId = std::move(failed.messageId);
        out.at = std::move(failed.at);
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

// ---- what a save locks

namespace {

// A lock of every value a column holds in a data packet's rows: a row's stored and
// new values alike (Null is the empty name; an unchanged field of a change row, Empty,
// names none).
void AddLocks(const DataPacket& packet, const std::string& column, LockSpace space, std::vector<EntityLock>& locks) {
    const int at = packet.FieldIndex(column);
    if (at < 0) return;
    for (const auto& row : packet.rows) {
        const Variant& value = row.values[static_cast<size_t>(at)];
        if (!value.IsEmpty()) locks.push_back({space, value.IsNull() ? std::string() : Trim(CStr(value))});
    }
}

}  // namespace

bool TQVXComBase::LocksByPerson() const {
    return descriptor_ && map_ && !descriptor_->personColumn.empty() && !datasets_.empty();
}

void TQVXComBase::LockPersonsOf(const std::vector<Dataset>& datasets, bool allRows) {
    std::vector<EntityLock> persons;
    AddPersonLocks(datasets, allRows, persons);
    Db().LockEntities(std::move(persons));
}

void TQVXComBase::AddPersonLocks(const std::vector<Dataset>& datasets, bool allRows,
                                 std::vector<EntityLock>& locks) const {
    for (const Dataset& ds : datasets) {
        if (!ds.HasField(descriptor_->personColumn)) continue;
        AddLocks(*ds.Delta(), descriptor_->personColumn, LockSpace::Person, locks);
        if (allRows) AddLocks(*ds.Data(), descriptor_->personColumn, LockSpace::Person, locks);
    }
}

// ---- loading and writing (framework/BillLoader, framework/BillWriter)

void TQVXComBase::LoadDatasets(const Variant& key) {
    BuildEmptyDatasets();
    if (!map_ || map_->datasets.empty()) return;
    stored_ = LoadBill(*map_, Db(), key, datasets_);
}

void TQVXComBase::PrepareNewRow(int i) {
    if (!map_ || i >= static_cast<int>(map_->datasets.size())) return;
    const DatasetMap& dm = map_->datasets[i];
    humrs::PrepareNewRow(dm, session_->registry->FindTable(dm.table), datasets_[i]);
}

void TQVXComBase::ReconcileChildRows() {
    if (map_) humrs::ReconcileChildRows(*map_, datasets_, progId_);
}

void TQVXComBase::WriteDatasets() {
    if (map_) humrs::WriteDatasets(*map_, datasets_, Db());
}


Outcome TQVXComBase::Open(const Variant& key) {
    return RunInTransaction(Txn::Read, [&](Outcome&) {
        LoadDatasets(key);
        if (!stored_) throw InputError(FormatMessage(msg::kBillNotFound, {key}));
    });
}

Outcome TQVXComBase::AddNew() {
    return RunInTransaction(Txn::Read, [&](Outcome&) {
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
    return RunInTransaction(Txn::Read, [&](Outcome&) {
        LoadDatasets(key);
        if (!stored_) throw InputError(FormatMessage(msg::kBillNotFound, {key}));
        if (const std::string field = GuardedVoucherField(); !field.empty()) CheckVoucherNo(field, 1);
        BeforeEdit();
    });
}

void TQVXComBase::RewindDatasets() {
    for (auto& ds : datasets_) ds.First();  // First posts a row left in edit
}

Outcome TQVXComBase::Save() {
    std::vector<Dataset> snapshot = datasets_;
    bool wasStored = stored_;
    // A class that locks by person takes the bill's key with the database shared; a
    // new bill its persons and the date of its number as well, in the same round trip.
    // A stored bill's persons are those of its rows as stored now, read under the
    // key's lock (the object may hold an older version), and of the client's changes.
    // A new bill given its number locks the date the number starts with (its first
    // eight characters), as the numbering of that date does.
    const bool byPerson = LocksByPerson();
    std::vector<EntityLock> locks;
    if (byPerson) {
        AddLocks(*datasets_[0].Data(), map_->keyColumn, LockSpace::Bill, locks);
        AddLocks(*datasets_[0].Delta(), map_->keyColumn, LockSpace::Bill, locks);
        std::erase_if(locks, [](const EntityLock& lock) { return lock.name.empty(); });
        if (!stored_) {
            for (size_t i = 0, keys = locks.size(); i < keys; ++i)
                locks.push_back({LockSpace::BillDate, locks[i].name.substr(0, 8)});
            AddPersonLocks(datasets_, false, locks);
        }
    }
    std::string key = AuditKeyText(HeldKey(*this));  // the snapshot keeps the cursors as they stood
    bool began = false;  // the transaction began: the save reached the data
    Outcome out = RunInTransaction(byPerson ? Txn::PersonWrite : Txn::Write, [&](Outcome&) {
        began = true;
        // Where the backend had the database locked alone, there is nothing more to lock.
        const bool lockPersons = byPerson && Db().WriteLockHeld() == WriteLock::Shared;
        if (lockPersons && stored_) {
            datasets_[0].First();
            std::vector<Dataset> current = EmptyDatasets(*map_, Db());
            LoadBill(*map_, Db(), datasets_[0].OldValue(map_->keyColumn), current);
            std::vector<EntityLock> persons;
            AddPersonLocks(current, true, persons);
            AddPersonLocks(datasets_, false, persons);
            Db().LockEntities(std::move(persons));
        }
        saveMode_ = stored_ ? 2 : 1;
        RewindDatasets();
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
            RewindDatasets();
            AfterChangeData(i);
        }
        RewindDatasets();
        BeforeUpdate();
        // What the checks left in edit is posted before the rows are written; a person
        // the class put on a row in the meantime is locked too (held ones cost nothing).
        RewindDatasets();
        if (lockPersons) LockPersonsOf(datasets_, false);
        WriteDatasets();
        key = AuditKeyText(HeldKey(*this));
        RecordAccepted(*session_, progId_, AuditOperation::Save, key, ChangesJson(map_, datasets_));
        // An imported bill may carry its voucher number in; otherwise the number stays as stored.
        if (const std::string field = GuardedVoucherField();
            !field.empty() && GetLoginType(ContextNumber()) != 5 && !GetMergeInState())
            UpdateVoucherNo(field);
        RewindDatasets();
        AfterUpdate();
    }, std::move(locks));
    if (out.ok) {
        for (auto& ds : datasets_) {
            ds.AcceptChanges();
            ds.First();
        }
        stored_ = true;
    } else {
        datasets_ = std::move(snapshot);
        stored_ = wasStored;
        if (began) RecordFailure(*session_, progId_, AuditOperation::Save, key, out);
    }
    return out;
}

Outcome TQVXComBase::Delete(const Variant& key) {
    // A refused delete leaves the object as it was, so that a later save does not
    // carry the delete out after all.
    std::vector<Dataset> snapshot = datasets_;
    const bool wasStored = stored_;
    // A class that locks by person takes the bill's key, then the persons of its rows
    // as loaded under that lock.
    const bool byPerson = LocksByPerson() && !key.IsNullOrEmpty();
    std::vector<EntityLock> locks;
    if (byPerson) locks.push_back({LockSpace::Bill, Trim(CStr(key))});
    bool began = false;
    Outcome out = RunInTransaction(byPerson ? Txn::PersonWrite : Txn::Write, [&](Outcome&) {
        began = true;
        LoadDatasets(key);
        if (byPerson && Db().WriteLockHeld() == WriteLock::Shared) LockPersonsOf(datasets_, true);
        if (!stored_) throw InputError(FormatMessage(msg::kBillNotFound, {key}));
        const std::string storedKey = AuditKeyText(HeldKey(*this));
        if (const std::string field = GuardedVoucherField(); !field.empty()) CheckVoucherNo(field, 0);
        BeforeDelete();
        for (auto& ds : datasets_) ds.DeleteDataset();
        WriteDatasets();
        RecordAccepted(*session_, progId_, AuditOperation::Delete, storedKey, ChangesJson(map_, datasets_));
        AfterDelete();
    }, std::move(locks));
    if (out.ok) {
        BuildEmptyDatasets();
    } else {
        datasets_ = std::move(snapshot);
        stored_ = wasStored;
        if (began) RecordFailure(*session_, progId_, AuditOperation::Delete, AuditKeyText(key), out);
    }
    return out;
}

Outcome TQVXComBase::CheckFieldValues(int datasetIndex, const VariantArray& names, const VariantArray& values) {
    return RunInTransaction(Txn::Read, [&](Outcome& out) {
        DoCheckFieldValues(datasetIndex, names, values);
        TOleVariantList list;
        CheckFieldReturn(list);
        out.fields = std::move(list);
    });
}

Outcome TQVXComBase::ExecuteProc(int procNo, const Variant& arg1, const Variant& arg2) {
    // A procedure declared as reading takes no write lock: saves go on beside it.
    const ProcedureDef* proc = descriptor_ ? descriptor_->FindProcedure(procNo) : nullptr;
    const Txn kind = proc && proc->access == ProcAccess::Reads ? Txn::ReadOnly : Txn::Write;
    // A writing procedure's entry is written first: a procedure that commits block by
    // block (CommitBlock) commits it with its first block.
    const bool writes = kind == Txn::Write;
    bool began = false;
    Outcome outcome = RunInTransaction(kind, [&](Outcome& out) {
        began = true;
        if (writes)
            RecordAccepted(*session_, progId_, AuditOperation::Procedure,
                           ProcedureAuditKey(procNo, arg1, arg2), ProcedureChangesJson(arg1, arg2));
        Variant result;
        RunProcedure(procNo, arg1, arg2, result);
        out.result = std::move(result);
    });
    if (writes && began)
        RecordFailure(*session_, progId_, AuditOperation::Procedure, ProcedureAuditKey(procNo, arg1, arg2), outcome);
    return outcome;
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
void TQVXComBase::DoCheckFieldValues(int, const VariantArray&, const VariantArray&) {}
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

int TQVXComBase::GetLocalType() {
    if (session_->localType) return *session_->localType;
    return Params()->Get(kLocalTypeParam);
}

void TQVXComBase::MakeException(const Message& message, const VariantArray& args) {
    MakeException(message, args, RefusalAt{});
}

void TQVXComBase::MakeException(const Message& message, const VariantArray& args, RefusalAt at) {
    // A message formatted with too few or too many values is a fault of the caller,
    // not a refusal to show the user with holes in it.
    if (const size_t wanted = CountPlaceholders(message.text); wanted != args.size())
        throw std::logic_error("the message " + std::string(message.id) + " takes " + std::to_string(wanted) +
                               " values, " + std::to_string(args.size()) + " were given");
    throw BusinessError(message, FormatMessage(message, args), std::move(at));
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

VariantArray TQVXComBase::GetMaxID(int, const std::string& dateText) {
    return VariantArray{Variant(NextBillNumber(map_, *session_->registry, Db(), dateText))};
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
    MakeException(mode == 0 ? msg::kVoucherNoDelete : msg::kVoucherNoEdit, {Variant(no)});
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

}  // namespace humrs
