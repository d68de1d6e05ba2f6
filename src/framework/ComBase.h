#pragma once
// The framework base of every business object. It owns the object's datasets, runs
// the client operations (open, new, edit, save, delete, check field, procedure) each
// in one database transaction, calls the hooks a business class overrides, and
// offers the services the hooks use.
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/Errors.h"
#include "core/Format.h"
#include "core/Variant.h"
#include "db/Database.h"
#include "framework/ClassDescriptor.h"
#include "framework/Dataset.h"
#include "framework/Outcome.h"
#include "framework/Session.h"

namespace humrs {

class ParamReader;
class TQVXComBase;

// The connection as a business object sees it.
// It follows the session's connection, which a service may change between calls.
class TQVXDBAccess {
public:
    explicit TQVXDBAccess(Database* const& db) : db_(&db) {}
    // Runs one statement in the current transaction.
    void DBExecSQL(const std::string& sql);
    // The first row of a select: one value for one column, an array of the row's
    // values for several, Empty when there is no row.
    Variant DBSelectSQL(const std::string& sql);
    // The rows of a select as a dataset.
    Dataset OpenDataset(const std::string& sql);
    Database& Db() { return **db_; }

private:
    Database* const* db_;
};

class TQVXComBase {
public:
    TQVXComBase();
    virtual ~TQVXComBase();
    TQVXComBase(const TQVXComBase&) = delete;
    TQVXComBase& operator=(const TQVXComBase&) = delete;

    // Binds the object to a session and to the datasets of its class.
    void Initialize(Session& session, const ClassDescriptor& descriptor);
    const std::string& ProgID() const { return progId_; }

    // ---- Client operations (each one transaction; never throws for a refusal).
    Outcome Open(const Variant& key);
    Outcome AddNew();
    Outcome Edit(const Variant& key);
    Outcome Save();
    Outcome Delete(const Variant& key);
    Outcome CheckFieldValues(int datasetIndex, const VariantArray& names, const VariantArray& values);
    // Runs a procedure: a declared one after its arguments are checked (bad input
    // otherwise), any other number through DoExecuteProc.
    Outcome ExecuteProc(int procNo, const Variant& arg1, const Variant& arg2 = Variant());
    std::string ReportModelName() { return GetBillRptModelName(); }
    // Whether the bill with this key is stored.
    bool IsStored() const { return stored_; }
    // Drops the bill the object holds: empty datasets, as a new object has them.
    void Clear() { BuildEmptyDatasets(); }

    // ---- Hooks, with the framework's default behaviour.
    //
    // Where the dataset cursors stand when the framework calls a hook ("rewound":
    // every dataset of the bill posted, its cursor on its first row, Eof when empty):
    //   DefineBillReportName  the object is being bound to its session; no bill held.
    //   DoAddDefaultRecord    the datasets are new and empty but for one new row of
    //                         dataset 0, in insert state with the column defaults, its
    //                         cursor on that row; the framework posts it afterwards.
    //   BeforeEdit,           the stored bill just loaded, rewound; the voucher guard
    //   BeforeDelete          has passed; nothing is changed or deleted yet.
    //   AfterDelete           every stored row deleted and written: the datasets show
    //                         no row; GetDeltaDatasets lists the deleted rows.
    //   AfterChangeData(i)    on a save, once per dataset the client changed: rewound,
    //                         after the mapped values are fixed, a new bill numbered
    //                         and the rows under body rows reconciled.
    //   BeforeUpdate          rewound; what the hook leaves in edit is posted and the
    //                         datasets rewound again before the rows are written.
    //   AfterUpdate           the rows written, rewound; GetDeltaDatasets still gives
    //                         the save's changes. Datasets it changes are not written;
    //                         once it returns, the changes are taken as stored and the
    //                         datasets rewound.
    //   BeforeCheckVoucherNo  after loading, before BeforeEdit and BeforeDelete; on a
    //                         save after the rows are written. It answers, moving no
    //                         cursor.
    //   DoExecuteProc, declared procedures, DoCheckFieldValues, CheckFieldReturn:
    //                         the cursors stand where the last operation left them.
    // A save or delete that fails puts the datasets back, cursors included, as they
    // stood before it.
    virtual void DoExecuteProc(int procNo, const Variant& arg1, const Variant& arg2, Variant& result);
    virtual void DoCheckFieldValues(int datasetIndex, const VariantArray& names, const VariantArray& values);
    virtual void CheckFieldReturn(TOleVariantList& list);
    // Called on a save for each dataset the client changed (in dataset order), after
    // the framework has numbered the bill and before BeforeUpdate: the class derives
    // values from the changed rows here. The default does nothing.
    virtual void AfterChangeData(int datasetIndex);
    virtual void DoAddDefaultRecord();
    virtual void BeforeDelete();
    virtual void AfterDelete();
    virtual void BeforeEdit();
    virtual void BeforeUpdate();
    virtual void AfterUpdate();
    // Whether the framework itself runs the voucher-number routines of a class that
    // declares a voucher field: the guard before an edit (mode 1) and a delete (mode 0),
    // and the update after a save (not on import). A class that runs them from its own
    // hooks answers false. The default answers true.
    virtual bool BeforeCheckVoucherNo();
    virtual std::string GetBillRptModelName();
    virtual void DefineBillReportName() {}

    // ---- Services for the hooks.
    int ContextNumber() const { return session_->contextNumber; }
    Dataset& GetDatasets(int i);
    int DatasetCount() const { return static_cast<int>(datasets_.size()); }
    // The rows the current save or delete changes, as a data packet.
    Variant GetDeltaDatasets(int i);
    bool GetMergeInState() const { return session_->mergeIn; }
    int GetLoginType(int context) const;
    // Whether the bill comes in from outside and the class's business checks are
    // skipped: under login type 5 (an import) or while merging in.
    bool SkipsBusinessChecks() const;
    // Login type 5 alone: the allowance and voucher checks skip under it but still
    // run while merging in.
    bool UnderImportLogin() const;
    // For a long procedure over many persons, between two blocks: commits what it has
    // done so far and takes the write lock again, so that saves waiting behind it go
    // in between (at most every 50 ms). Does nothing when the procedure runs inside
    // another operation's transaction.
    void CommitBlock();
    // 2 while a stored bill is saved again, 1 for a new bill.
    int SaveMode() const { return saveMode_; }
    TQVXDBAccess& GetDBConn() { return *dbAccess_; }
    Database& Db() { return *session_->db; }
    Session& GetSession() { return *session_; }
    // The system parameters, read once per transaction: read again after the
    // transaction writes anything, and at every call outside a transaction.
    std::shared_ptr<const ParamReader> Params();

    // First value of dataset `index` of ProgID's table for the key (key column of that
    // dataset). Fields may be a list; several fields give an array. Empty when no row.
    Variant DBSelectValue(const std::string& progId, int index, const std::string& fields, const Variant& key);
    Variant DBSelectValue(const std::string& progId, int index, const std::string& fields,
                          const std::string& where, const std::string& order);
    // Rows of dataset `index` of ProgID (its table, restricted by its Flag), or of a
    // statement when index is -1 (then `source` is the statement text).
    Dataset OpenDataset(const std::string& source, int index, const std::string& fields = "*",
                        const std::string& where = "", const std::string& order = "", int flag = 0,
                        int options = 0);
    Variant OpenDatasetV(const std::string& source, int index, const std::string& fields = "*",
                         const std::string& where = "", const std::string& order = "", int flag = 0,
                         int options = 0);
    // [lowest, highest] of a column over dataset 0 of a ProgID, or over a table.
    Variant GetMinMaxValue(const std::string& progIdOrTable, int index, const std::string& column,
                           const std::string& where);

    int GetServerDate() const;
    // A system parameter as text (empty when unset).
    Variant GetParam(const std::string& key);
    int GetLocalType();

    // Raises the refusal: the message formatted with the arguments.
    [[noreturn]] void MakeException(const Message& message, const VariantArray& args = {});
    // The same, pointing at the dataset, row and field it concerns.
    [[noreturn]] void MakeException(const Message& message, const VariantArray& args, RefusalAt at);
    void AddMessage(const std::string& text, int kind = 0, int flag = 0);

    // Runs procedure `procNo` of another object inside this object's transaction.
    Variant DoCOMMethod(const std::string& progId, int context, int procNo, const Variant& arg);
    Variant DoCOMMethod(const std::string& progId, const std::string& unused, int context, int procNo,
                        const Variant& arg1, const Variant& arg2);

    // Next bill number for a date in element 0: the date text followed by a four-digit
    // sequence, one past the highest number of that date in dataset 0's table.
    VariantArray GetMaxID(int context, const std::string& dateText);
    // Number types: 0 whole number, 1 quantity (2 decimals), 2 price (4 decimals),
    // 3 money (2 decimals).
    double RoundNumber(double value, int numberType);
    // Display text of a date: short form yyyy/mm/dd.
    std::string QVXData2Show(int date);
    // Long form: yearType 0 four digits, 1 two digits, 2 years since 1911;
    // dispType 0 numbers with the separator, 1 with 年月日; an empty separator for none.
    std::string QVXData2Show(int date, int yearType, int dispType, bool padMonth, bool padDay,
                             const std::string& separator);

    // Voucher-number guard: refuses to edit (mode 1) or delete (mode 0) a bill whose
    // voucher-number field is filled in.
    void CheckVoucherNo(const std::string& fieldName, int mode);
    // Voucher-number update after a save: the voucher number belongs to the posting
    // side; a save keeps the stored number whatever the client sent.
    void UpdateVoucherNo(const std::string& fieldName);

    // Report names (report classes), defined by the class's DefineBillReportName when
    // the object is bound to its session, and the links between the bill's datasets
    // a report follows.
    void DefineReportName(const std::string& name) { reportNames_.push_back(name); }
    void AddBodyRelate(const std::string& relate) { bodyRelates_.push_back(relate); }
    const std::vector<std::string>& ReportNames() const { return reportNames_; }
    const std::vector<std::string>& BodyRelates() const { return bodyRelates_; }

    // ---- Used by the command line and tests to fill a bill before Save (defined
    // with the save flow, in framework/Bill.cpp).
    // Replaces the rows of dataset i by the given rows, matched on the dataset's key:
    // matching stored rows become modified (or stay unmodified), others are inserted,
    // stored rows not given are deleted. Fields a row leaves out keep their stored
    // value (a new row: the column default). Unknown fields or ill-typed values raise
    // InputError.
    void MergeInput(int datasetIndex, const std::vector<std::vector<std::pair<std::string, Variant>>>& rows);
    const ClassMap* Map() const { return map_; }

protected:
    // Writes every dataset's changes to its table (deletes bottom-up, then header
    // first). Bound parameters only.
    void WriteDatasets();
    void LoadDatasets(const Variant& key);
    void PrepareNewRow(int datasetIndex);
    void ReconcileChildRows();

private:
    // Read: a plain transaction (loading a bill, field checks); ReadOnly: no write lock
    // and no writes (reading procedures); Write: the whole database locked first
    // (saves and deletes of the other classes, writing procedures); PersonWrite: the
    // database shared and `locks` taken first (saves and deletes of a class that
    // declares its person column, which lock their persons in the body).
    enum class Txn { Read, ReadOnly, Write, PersonWrite };
    template <class F>
    Outcome RunInTransaction(Txn kind, F&& body, std::vector<EntityLock> locks = {});
    // Whether saves and deletes of this class lock their persons only.
    bool LocksByPerson() const;
    // Adds a lock of every person the datasets' changes name (stored and new values),
    // and with `allRows` of every person their rows name.
    void AddPersonLocks(const std::vector<Dataset>& datasets, bool allRows, std::vector<EntityLock>& locks) const;
    void LockPersonsOf(const std::vector<Dataset>& datasets, bool allRows);
    void BuildEmptyDatasets();
    // Posts a row any dataset holds in edit and moves every cursor to its first row.
    void RewindDatasets();
    // The declared voucher field when the framework guards it (BeforeCheckVoucherNo);
    // empty otherwise.
    std::string GuardedVoucherField();
    // A declared procedure with its arguments checked, else DoExecuteProc.
    void RunProcedure(int procNo, const Variant& arg1, const Variant& arg2, Variant& result);
    const ClassMap* MapOf(const std::string& progId) const;

    Session* session_ = nullptr;
    std::unique_ptr<TQVXDBAccess> dbAccess_;
    bool ownsWriteTransaction_ = false;  // this object began the write transaction
    std::chrono::steady_clock::time_point lastCommit_;
    std::string progId_;
    const ClassDescriptor* descriptor_ = nullptr;
    const ClassMap* map_ = nullptr;
    std::vector<Dataset> datasets_;
    int saveMode_ = 1;
    bool stored_ = false;
    std::vector<std::string> reportNames_;
    std::vector<std::string> bodyRelates_;
    // The parameters as read (Params), on which connection and at which epoch.
    std::shared_ptr<const ParamReader> params_;
    const Database* paramsDb_ = nullptr;
    uint64_t paramsEpoch_ = 0;
};

// The grid base (a single editable grid with no bill header). It adds nothing to
// TQVXComBase: the hosting registration names the base a class derives from
// (ClassDescriptor::gridBase).
class TQVXGridComBase : public TQVXComBase {};

// Creates a business object (or suite object) by ProgID or CLSID text, compared
// without regard to case, from the session's classes and bound to the session.
// Throws InputError when unknown or when its class is not built yet.
std::unique_ptr<TQVXComBase> CreateBusinessObject(const std::string& progIdOrClsid, Session& session);

}  // namespace humrs
