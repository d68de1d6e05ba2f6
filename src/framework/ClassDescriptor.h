#pragma once
// What the framework knows of a business class: its identity, how its datasets are
// stored, the tables it owns, how to create it and the procedures a caller may run.
// A class declares all of it once, in its own folder; the component's list of
// descriptors is handed to the framework through the session (ClassRegistry), so the
// framework never names a class itself.
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/Variant.h"
#include "db/Schema.h"

namespace humrs {

class TQVXComBase;
class DemoContext;

// A scene of the narrated demo: a title and what it does on the demo company.
struct DemoScene {
    std::string title;
    std::function<void(DemoContext&)> run;
};

// ---------------------------------------------------------------- storage

// A field of a dataset that is not stored in its table but looked up from another
// table by a column of the row. The framework fills it when the bill is opened and
// refreshes it before a save.
struct LookupField {
    std::string field;   // name in the dataset
    std::string table;   // table it comes from
    std::string key;     // key column of that table
    std::string source;  // column of the row holding the key
};

struct DatasetMap {
    std::string table;                     // stored table
    std::vector<std::string> keyColumns;   // row identity within the table, without Flag
    std::optional<int> flag;               // value of column Flag on every row of this dataset
    bool singleRow = false;                // a one-row bill: RowNo is fixed to 0
    int parent = -1;                       // index of the dataset these rows hang from
    // (column of this dataset, column of the parent dataset) pairs that link a row to
    // its parent row; the framework copies the parent's values onto new rows.
    std::vector<std::pair<std::string, std::string>> link;
    std::string orderBy;                   // column list the rows are read in
    std::vector<LookupField> lookups = {};  // looked-up fields carried on every row
};

struct ClassMap {
    std::string progId;
    // Column of dataset 0 that the client's key addresses ("BillNo", a master's code).
    std::string keyColumn;
    std::vector<DatasetMap> datasets;
    std::string personColumn;  // see ClassDescriptor::personColumn
};

// The shapes a bill's datasets take.
// A master list keyed by one column.
DatasetMap MasterDataset(std::string table, std::string key, std::optional<int> flag = std::nullopt);
// A bill that is one row of a shared row table; its RowNo is 0.
DatasetMap SingleRowDataset(std::string table, int flag);
// A bill header keyed by BillNo.
DatasetMap HeaderDataset(std::string table, std::optional<int> flag = std::nullopt);
// Body rows of a bill, hanging from dataset `parent` by BillNo.
DatasetMap BodyDataset(std::string table, std::optional<int> flag = std::nullopt, int parent = 0);
// Rows under a body row: BillNo of the bill and `parentColumn` = the body row's RowNo.
DatasetMap UnderRowDataset(std::string table, std::string parentColumn, std::optional<int> flag, int parent);

// ---------------------------------------------------------------- procedures

// The type an argument of a procedure must have. Text takes any scalar (numbers
// as their decimal text); Int takes whole numbers and their text; Float any number
// and its text; Bool true/false, 0/1 and their text; Packet a data packet; Any
// whatever is given.
enum class ArgType { Any, Text, Int, Float, Bool, Packet };

struct ArgDef {
    std::string name;
    ArgType type = ArgType::Any;
    bool optional = false;  // may be left out (Empty)
};

// How a procedure takes its arguments: none, the first argument itself, the
// elements of an array given as the first argument, or the first and the second
// argument each as itself.
enum class ArgShape { None, Single, Array, Pair };

// A procedure's arguments, checked against its declaration: every required
// argument is present and of its type.
class ProcArgs {
public:
    explicit ProcArgs(VariantArray values) : values_(std::move(values)) {}
    const Variant& operator[](size_t i) const;
    bool Given(size_t i) const { return i < values_.size() && !values_[i].IsNullOrEmpty(); }
    std::string Text(size_t i) const;
    int Int(size_t i) const;
    double Float(size_t i) const;
    bool Bool(size_t i) const;
    size_t size() const { return values_.size(); }

private:
    VariantArray values_;
};

// Whether a procedure writes: a reading one runs without the write lock, in a
// transaction that refuses writes.
enum class ProcAccess { Writes, Reads };

struct ProcedureDef {
    int number = 0;
    std::string name;
    ArgShape shape = ArgShape::None;
    std::vector<ArgDef> args;
    // Runs the procedure on the object (which is of the declaring class) and returns
    // its result (Empty when it has none).
    std::function<Variant(TQVXComBase&, const ProcArgs&)> run;
    ProcAccess access = ProcAccess::Writes;
};

// Declares the procedures of these numbers as reading (they write nothing); throws
// when one is not among `procedures`.
void MarkReading(std::vector<ProcedureDef>& procedures, std::initializer_list<int> numbers);

// A procedure routine of class T: `fn(T&, const ProcArgs&)` returning its result.
template <class T, class F>
std::function<Variant(TQVXComBase&, const ProcArgs&)> Routine(F fn) {
    return [fn](TQVXComBase& object, const ProcArgs& args) -> Variant {
        T* self = dynamic_cast<T*>(&object);
        if (!self) throw std::logic_error("a procedure ran on an object of another class");
        return fn(*self, args);
    };
}

// Checks the caller's arguments against the declaration; raises InputError naming
// the procedure and the argument that is missing or of the wrong type.
ProcArgs CheckProcArgs(const ProcedureDef& proc, const std::string& progId, const Variant& arg1,
                       const Variant& arg2);

// ---------------------------------------------------------------- the descriptor

using ObjectCreator = std::function<std::unique_ptr<TQVXComBase>()>;

// The roles an office gives its people and programs. A class belongs to the role of
// the staff who keep its bills; viewer reads every class; admin does everything.
namespace roles {
inline constexpr const char* kAttendance = "attendance";  // leave and overtime
inline constexpr const char* kPayroll = "payroll";        // allowances, vouchers, pay statement
inline constexpr const char* kPersonnel = "personnel";    // hires, salary changes, insurance
inline constexpr const char* kViewer = "viewer";          // reading only
inline constexpr const char* kAdmin = "admin";            // everything, sql and the accounts
}  // namespace roles

struct ClassDescriptor {
    // Identity in the type library.
    std::string className;      // the class name, T + coclass
    std::string coclass;        // the coclass of the type library
    std::string progId;         // library name + "." + coclass
    std::string clsid;          // {B0676538-...}
    std::string interfaceName;  // I + coclass
    std::string iid;
    bool gridBase = false;      // TQVXGridComBase instead of TQVXComBase
    std::string description;    // coclass help string, empty where none
    // A class of the component's type library, or an object of the suite that the
    // classes reach by ProgID (not registered by this component).
    bool registered = true;

    // Storage: the client's key column and the datasets.
    std::string keyColumn;
    std::vector<DatasetMap> datasets;
    // The column naming the person on the bill's rows, for a bill whose checks and
    // posting read and write the rows of its own persons only (beside data that only
    // master-data saves and procedures change): a save or delete of it locks its
    // persons rather than the whole database (docs/ARCHITECTURE.md, "What a save
    // locks"). Empty: it locks the whole database.
    std::string personColumn;
    // The field of dataset 0 that holds the voucher number of a bill posted to
    // accounting; empty for a class without one.
    std::string voucherField;
    // The tables and indexes this class owns (a table used by several classes is
    // owned by one of them).
    std::vector<TableDef> tables;
    std::vector<IndexDef> indexes;

    // The bill's name as a clerk knows it, in Chinese (e.g. 请假单).
    std::string title;
    // What a clerk sees of the bill: each field of the datasets (stored and looked
    // up) with its label in Chinese, as a form shows it.
    std::map<std::string, std::string> labels;
    // How a clerk finds the bills: the date column of dataset 0 a list is searched and
    // ordered by, and the dataset and column naming the person. Empty: the list has no
    // date, or no person, to search by.
    std::string findDate;
    int findPersonDataset = -1;
    std::string findPerson;

    // The role whose holders write this class's bills and run its procedures that
    // write (roles::kAttendance, kPayroll or kPersonnel); empty: administrators only.
    std::string role;

    // Creates the object; empty while the class's rules are not built.
    ObjectCreator create;
    std::vector<ProcedureDef> procedures;
    // The class's scenes of the demo, in the order told; empty when it has none.
    std::function<std::vector<DemoScene>()> demo;

    ClassMap Map() const { return ClassMap{progId, keyColumn, datasets, personColumn}; }
    const ProcedureDef* FindProcedure(int number) const;
};

// The classes a session can create, and the schema they make up together.
class ClassRegistry {
public:
    // Raises std::logic_error when two classes share a ProgID or CLSID, define one
    // table twice, or a class names a role that is no business role. The component's
    // account tables are added to the classes' tables.
    explicit ClassRegistry(std::vector<ClassDescriptor> classes);

    const std::vector<ClassDescriptor>& Classes() const { return classes_; }
    // By ProgID (without regard to case) or CLSID text (with or without braces);
    // nullptr when unknown.
    const ClassDescriptor* Find(std::string_view progIdOrClsid) const;
    const ClassMap* FindMap(std::string_view progId) const;
    // Every table and index of every class.
    const std::vector<TableDef>& Tables() const { return tables_; }
    const std::vector<IndexDef>& Indexes() const { return indexes_; }
    const TableDef* FindTable(std::string_view name) const;
    // The ProgIDs whose classes can be created, comma-separated (for messages).
    std::string Available() const;

private:
    std::vector<ClassDescriptor> classes_;
    std::vector<ClassMap> maps_;
    std::vector<TableDef> tables_;
    std::vector<IndexDef> indexes_;
};

}  // namespace humrs
