#include "framework/ClassDescriptor.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "core/Convert.h"
#include "core/Errors.h"
#include "core/Text.h"
#include "framework/Accounts.h"
#include "framework/AuditTrail.h"

namespace humrs {

// ---------------------------------------------------------------- dataset shapes

DatasetMap MasterDataset(std::string table, std::string key, std::optional<int> flag) {
    DatasetMap d;
    d.table = std::move(table);
    d.keyColumns = {key};
    d.flag = flag;
    d.orderBy = std::move(key);
    return d;
}

DatasetMap SingleRowDataset(std::string table, int flag) {
    DatasetMap d;
    d.table = std::move(table);
    d.keyColumns = {"BillNo", "RowNo"};
    d.flag = flag;
    d.singleRow = true;
    return d;
}

DatasetMap HeaderDataset(std::string table, std::optional<int> flag) {
    DatasetMap d;
    d.table = std::move(table);
    d.keyColumns = {"BillNo"};
    d.flag = flag;
    return d;
}

DatasetMap BodyDataset(std::string table, std::optional<int> flag, int parent) {
    DatasetMap d;
    d.table = std::move(table);
    d.keyColumns = {"BillNo", "RowNo"};
    d.flag = flag;
    d.parent = parent;
    d.link = {{"BillNo", "BillNo"}};
    d.orderBy = "RowNo";
    return d;
}

DatasetMap UnderRowDataset(std::string table, std::string parentColumn, std::optional<int> flag, int parent) {
    DatasetMap d;
    d.table = std::move(table);
    d.keyColumns = {"BillNo", parentColumn, "RowNo"};
    d.flag = flag;
    d.parent = parent;
    d.link = {{"BillNo", "BillNo"}, {parentColumn, "RowNo"}};
    d.orderBy = parentColumn + ", RowNo";
    return d;
}

// ---------------------------------------------------------------- procedures

namespace {

const char* TypeName(ArgType type) {
    switch (type) {
        case ArgType::Text: return "a text";
        case ArgType::Int: return "a whole number";
        case ArgType::Float: return "a number";
        case ArgType::Bool: return "true or false";
        case ArgType::Packet: return "a data packet";
        case ArgType::Any: break;
    }
    return "a value";
}

// Whether a text reads as a number (blanks around it allowed).
bool NumericText(const std::string& text, bool whole) {
    const std::string t = Trim(text);
    if (t.empty()) return false;
    size_t used = 0;
    try {
        const double value = std::stod(t, &used);
        if (used != t.size() || !std::isfinite(value)) return false;
        return !whole || std::floor(value) == value;
    } catch (const std::exception&) {
        return false;
    }
}

bool OfType(const Variant& v, ArgType type) {
    switch (type) {
        case ArgType::Any: return true;
        case ArgType::Text: return !v.IsArray() && !v.IsPacket();
        case ArgType::Int:
            if (v.Type() == VarType::Int || v.Type() == VarType::Bool) return true;
            if (v.Type() == VarType::Float || v.Type() == VarType::Currency)
                return std::floor(CFloat(v)) == CFloat(v) && std::fabs(CFloat(v)) < 1e15;
            return v.IsString() && NumericText(CStr(v), true);
        case ArgType::Float:
            if (v.IsNumeric()) return std::isfinite(CFloat(v));
            return v.IsString() && NumericText(CStr(v), false);
        case ArgType::Bool: {
            if (v.Type() == VarType::Bool) return true;
            if (v.Type() == VarType::Int) return v.AsInt() == 0 || v.AsInt() == 1;
            const std::string t = LowerAscii(Trim(CStr(v)));
            return v.IsString() && (t == "true" || t == "false" || t == "0" || t == "1");
        }
        case ArgType::Packet: return v.IsPacket();
    }
    return false;
}

}  // namespace

const Variant& ProcArgs::operator[](size_t i) const {
    static const Variant kEmpty;
    return i < values_.size() ? values_[i] : kEmpty;
}

std::string ProcArgs::Text(size_t i) const { return CStr((*this)[i]); }
int ProcArgs::Int(size_t i) const { return static_cast<int>(CInt((*this)[i])); }
double ProcArgs::Float(size_t i) const { return CFloat((*this)[i]); }
bool ProcArgs::Bool(size_t i) const { return CBool((*this)[i]); }

ProcArgs CheckProcArgs(const ProcedureDef& proc, const std::string& progId, const Variant& arg1,
                       const Variant& arg2) {
    const std::string where = "procedure " + std::to_string(proc.number) + " (" + proc.name + ") of " + progId;
    VariantArray values;
    switch (proc.shape) {
        case ArgShape::None: return ProcArgs({});
        case ArgShape::Single: values = {arg1}; break;
        case ArgShape::Pair: values = {arg1, arg2}; break;
        case ArgShape::Array:
            if (!arg1.IsArray()) {
                if (proc.args.size() > 1 || arg1.IsNullOrEmpty())
                    throw InputError(where + " takes its " + std::to_string(proc.args.size()) +
                                     " arguments as an array in the first argument");
                values = {arg1};
            } else {
                values = arg1.AsArray();
            }
            break;
    }
    for (size_t i = 0; i < proc.args.size(); ++i) {
        const ArgDef& def = proc.args[i];
        const std::string name = "argument " + std::to_string(i) + " (" + def.name + ")";
        const bool given = i < values.size() && !values[i].IsNullOrEmpty();
        if (!given) {
            if (def.optional) continue;
            throw InputError(where + ": " + name + " is missing");
        }
        if (!OfType(values[i], def.type))
            throw InputError(where + ": " + name + " must be " + TypeName(def.type) + ", got " +
                             values[i].Describe());
    }
    return ProcArgs(std::move(values));
}

void MarkReading(std::vector<ProcedureDef>& procedures, std::initializer_list<int> numbers) {
    for (int number : numbers) {
        auto found = std::find_if(procedures.begin(), procedures.end(),
                                  [&](const ProcedureDef& p) { return p.number == number; });
        if (found == procedures.end())
            throw std::logic_error("procedure " + std::to_string(number) + " is marked reading but not declared");
        found->access = ProcAccess::Reads;
    }
}

const ProcedureDef* ClassDescriptor::FindProcedure(int number) const {
    for (const ProcedureDef& p : procedures)
        if (p.number == number) return &p;
    return nullptr;
}

// ---------------------------------------------------------------- the registry

namespace {
std::string_view StripBraces(std::string_view s) {
    if (s.size() >= 2 && s.front() == '{' && s.back() == '}') return s.substr(1, s.size() - 2);
    return s;
}
}  // namespace

ClassRegistry::ClassRegistry(std::vector<ClassDescriptor> classes) : classes_(std::move(classes)) {
    for (size_t i = 0; i < classes_.size(); ++i) {
        const ClassDescriptor& c = classes_[i];
        for (size_t j = 0; j < i; ++j) {
            if (SameText(classes_[j].progId, c.progId))
                throw std::logic_error("two classes are registered as " + c.progId);
            if (!c.clsid.empty() && SameText(classes_[j].clsid, c.clsid))
                throw std::logic_error("two classes share the CLSID " + c.clsid);
        }
        if (!c.role.empty() && c.role != roles::kAttendance && c.role != roles::kPayroll &&
            c.role != roles::kPersonnel)
            throw std::logic_error(c.progId + " names the role \"" + c.role + "\", which is no business role");
        maps_.push_back(c.Map());
        for (const TableDef& table : c.tables) {
            if (FindTable(table.name)) throw std::logic_error("table " + table.name + " is declared twice");
            tables_.push_back(table);
        }
        indexes_.insert(indexes_.end(), c.indexes.begin(), c.indexes.end());
    }
    for (const TableDef& table : AccountTables()) tables_.push_back(table);
    AppendAuditTables(tables_, indexes_);
}

const ClassDescriptor* ClassRegistry::Find(std::string_view key) const {
    const std::string k = Trim(key);
    if (k.empty()) return nullptr;
    for (const ClassDescriptor& c : classes_)
        if (SameText(c.progId, k) || (!c.clsid.empty() && SameText(StripBraces(c.clsid), StripBraces(k))))
            return &c;
    return nullptr;
}

const ClassMap* ClassRegistry::FindMap(std::string_view progId) const {
    for (const ClassMap& m : maps_)
        if (SameText(m.progId, progId)) return &m;
    return nullptr;
}

const TableDef* ClassRegistry::FindTable(std::string_view name) const {
    for (const TableDef& t : tables_)
        if (SameText(t.name, name)) return &t;
    return nullptr;
}

std::string ClassRegistry::Available() const {
    // The component's own classes, then the suite's objects it carries.
    std::string list, suite;
    for (const ClassDescriptor& c : classes_) {
        if (!c.create) continue;
        std::string& into = c.registered ? list : suite;
        if (!into.empty()) into += ", ";
        into += c.progId;
    }
    return suite.empty() ? list : list + "; suite objects: " + suite;
}

}  // namespace humrs
