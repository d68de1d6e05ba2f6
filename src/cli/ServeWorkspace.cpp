// The workspace of `humrs serve`: its pages and scripts (embedded at build time) and
// the reading endpoints its pages are drawn from. Every value a client gives goes to
// the database as a bound parameter; table and column names come from the classes'
// descriptors only.
#include "cli/ServeWorkspace.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <set>

#include "cli/ServiceState.h"
#include "cli/WebAssets.h"
#include "core/Convert.h"
#include "core/Errors.h"
#include "core/Text.h"
#include "framework/ComBase.h"
#include "framework/Permissions.h"
#include "hosting/ClassTable.h"
#include "leave/CoExcuse.h"
#include "leave/LeaveSettings.h"
#include "suite/Attendance.h"
#include "suite/ProgIds.h"
#include "utils/DateUtils.h"

namespace humrs::cli {

namespace {

constexpr const char* kPayStatementQuery = "QVXHumrs.HumMonthSalaryQuery";
constexpr int kPayStatementProcedure = 1;
constexpr int kRemainingEntitlementProcedure = 6;
// A list is paged by reading up to its page's end: a page past this many bills asks
// for a narrower search instead.
constexpr int64_t kMaxFindRows = 10000;

// ---------------------------------------------------------------- query values

// The arguments of a URL, each name known to the endpoint and given at most once.
class QueryValues {
public:
    QueryValues(const QueryArguments& query, std::initializer_list<const char*> names) {
        for (const auto& argument : query) {
            const std::string& name = argument.first;
            const std::string& value = argument.second;
            if (std::none_of(names.begin(), names.end(), [&](const char* n) { return name == n; })) {
                std::string known;
                for (const char* n : names) known += std::string(known.empty() ? "" : ", ") + n;
                throw InputError("unknown query argument \"" + name + "\"; this endpoint takes " + known);
            }
            if (!values_.emplace(name, value).second) throw InputError("give \"" + name + "\" once");
        }
    }
    std::string Text(const std::string& name) const {
        auto found = values_.find(name);
        return found == values_.end() ? std::string() : found->second;
    }
    std::string Required(const std::string& name) const {
        const std::string text = Trim(Text(name));
        if (text.empty()) throw InputError("\"" + name + "\" is missing");
        return text;
    }
    // A whole number from `low` to `high`; `absent` when not given.
    int Whole(const std::string& name, int low, int high, int absent) const {
        const std::string text = Text(name);
        if (text.empty()) return absent;
        if (!AllDigits(text) || text.size() > 9 || std::stoi(text) < low || std::stoi(text) > high)
            throw InputError("\"" + name + "\" must be a whole number from " + std::to_string(low) + " to " +
                             std::to_string(high) + "; got \"" + text + "\"");
        return std::stoi(text);
    }
    // A date yyyymmdd on the calendar; 0 when not given.
    int Date(const std::string& name) const {
        const std::string text = Text(name);
        if (text.empty()) return 0;
        if (text.size() != 8 || !AllDigits(text) || !IsValidDate(std::stoi(text)))
            throw InputError("\"" + name + "\" must be a date yyyymmdd; got \"" + text + "\"");
        return std::stoi(text);
    }
    // A month yyyymm, required.
    int Month(const std::string& name) const {
        const std::string text = Required(name);
        if (text.size() != 6 || !AllDigits(text) || GetMaxDay(std::stoi(text)) == 0)
            throw InputError("\"" + name + "\" must be a month yyyymm; got \"" + text + "\"");
        return std::stoi(text);
    }

private:
    std::map<std::string, std::string> values_;
};

// A LIKE pattern matching `text` literally, `%` and `_` included; '!' escapes.
std::string LikeLiteral(const std::string& text) {
    std::string out;
    for (char ch : text) {
        if (ch == '%' || ch == '_' || ch == '!') out += '!';
        out += ch;
    }
    return out;
}

std::string Placeholders(size_t n) {
    std::string text;
    for (size_t i = 0; i < n; ++i) text += i ? ", ?" : "?";
    return text;
}

// Runs `work` in a transaction that reads one state of the database and writes nothing.
template <class F>
auto Reading(Database& db, F work) {
    db.BeginReadOnly();
    try {
        auto result = work();
        db.Commit();
        return result;
    } catch (...) {
        db.Rollback();
        throw;
    }
}

// Names by code from a master table (persons, departments), read in one statement.
std::map<std::string, std::string> NamesByCode(Database& db, const std::string& table, const std::string& code,
                                               const std::string& name, const std::set<std::string>& codes) {
    std::map<std::string, std::string> names;
    if (codes.empty()) return names;
    const std::vector<Variant> params(codes.begin(), codes.end());
    const ResultSet rs = db.Query("Select " + code + ", " + name + " From " + table + " Where " + code + " In (" +
                                      Placeholders(params.size()) + ")",
                                  params);
    for (const auto& row : rs.rows) names[CStr(row[0])] = CStr(row[1]);
    return names;
}

Json NameOrNull(const std::map<std::string, std::string>& names, const std::string& code) {
    auto found = names.find(code);
    return found == names.end() ? Json(nullptr) : Json(found->second);
}

// ---------------------------------------------------------------- classes

const char* TypeName(ColumnType type) {
    switch (type) {
        case ColumnType::Integer: return "int";
        case ColumnType::Float: return "float";
        case ColumnType::Currency: return "money";
        case ColumnType::Boolean: return "bool";
        default: return "text";
    }
}

const char* ArgTypeName(ArgType type) {
    switch (type) {
        case ArgType::Text: return "text";
        case ArgType::Int: return "int";
        case ArgType::Float: return "float";
        case ArgType::Bool: return "bool";
        case ArgType::Packet: return "packet";
        default: return "any";
    }
}

// The kind of reference data a field takes, as /v1/pick knows it.
Json PickerOf(const std::string& field) {
    static const std::pair<const char*, const char*> kPickers[] = {
        {"PersonID", "person"},           {"ExcuseClsID", "excuseCls"}, {"OTClsID", "overtimeCls"},
        {"OverTimeClass", "overtimeCls"}, {"ClassID", "shift"},         {"SalaryItem", "salaryItem"},
        {"PayBankID", "bank"},            {"PSalaryBank", "bank"},      {"DepartID", "department"}};
    for (const auto& [name, kind] : kPickers)
        if (SameText(name, field)) return kind;
    return nullptr;
}

const char* SubsystemOf(const std::string& role) {
    if (role == roles::kAttendance) return "考勤";
    if (role == roles::kPayroll) return "薪资";
    if (role == roles::kPersonnel) return "人事";
    return "";
}

Json FieldJson(const ClassDescriptor& c, const DatasetMap& d, const std::string& name, const char* type,
               bool lookup) {
    auto label = c.labels.find(name);
    const bool key = std::any_of(d.keyColumns.begin(), d.keyColumns.end(),
                                 [&](const std::string& k) { return SameText(k, name); });
    return Json{{"name", name},
                {"type", type},
                {"label", label == c.labels.end() || label->second.empty() ? name : label->second},
                {"key", key},
                {"lookup", lookup},
                {"picker", PickerOf(name)}};
}

Json DatasetJson(const ClassRegistry& registry, const ClassDescriptor& c, size_t index) {
    const DatasetMap& d = c.datasets[index];
    Json fields = Json::array();
    if (const TableDef* table = registry.FindTable(d.table))
        for (const ColumnDef& column : table->columns)
            if (!SameText(column.name, "Flag")) fields.push_back(FieldJson(c, d, column.name, TypeName(column.type), false));
    for (const LookupField& l : d.lookups) fields.push_back(FieldJson(c, d, l.field, "text", true));
    return Json{{"index", index},
                {"table", d.table},
                {"singleRow", d.singleRow},
                {"parent", d.parent},
                {"fields", std::move(fields)}};
}

Json ProcedureJson(const ProcedureDef& p) {
    Json args = Json::array();
    for (const ArgDef& a : p.args) args.push_back({{"name", a.name}, {"type", ArgTypeName(a.type)}, {"optional", a.optional}});
    return Json{{"number", p.number},
                {"name", p.name},
                {"access", p.access == ProcAccess::Reads ? "reads" : "writes"},
                {"args", std::move(args)}};
}

Json OrNull(const std::string& text) { return text.empty() ? Json(nullptr) : Json(text); }

// ---------------------------------------------------------------- find

// The column of dataset `index` that holds the bill's key, for a dataset below the
// header: the link to its parent when that is the header, else the bill number.
std::string KeyLinkOf(const ClassDescriptor& c, int index) {
    const DatasetMap& d = c.datasets.at(static_cast<size_t>(index));
    for (const auto& [own, parent] : d.link)
        if (SameText(parent, c.keyColumn) && (d.parent == 0 || SameText(own, "BillNo"))) return own;
    throw std::logic_error(c.progId + ": dataset " + std::to_string(index) + " is not linked to the bill's key");
}

// The first person of each of `keys`' bills, by row number (dataset `index`).
std::map<std::string, std::string> FirstPersons(Database& db, const ClassDescriptor& c, const std::vector<Variant>& keys) {
    std::map<std::string, std::string> persons;
    if (keys.empty()) return persons;
    const DatasetMap& d = c.datasets.at(static_cast<size_t>(c.findPersonDataset));
    const std::string link = KeyLinkOf(c, c.findPersonDataset);
    std::vector<Variant> params = keys;
    std::string sql = "Select P." + link + ", P." + c.findPerson + " From " + d.table + " P Where P." + link + " In (" +
                      Placeholders(keys.size()) + ")";
    if (d.flag) {
        sql += " And P.Flag = ?";
        params.push_back(*d.flag);
    }
    if (!d.orderBy.empty()) sql += " Order By P." + link + ", " + d.orderBy;
    for (const auto& row : db.Query(sql, params).rows) persons.emplace(CStr(row[0]), CStr(row[1]));
    return persons;
}

// ---------------------------------------------------------------- pick

using Rows = std::vector<std::vector<Variant>>;

// A kind of reference data: its table, code and name, the columns its detail is made
// of (selected after the name) and the detail of each row.
struct PickSource {
    const char* kind;
    const char* table;
    const char* code;
    const char* name;
    const char* detailColumns;  // ", A.X, A.Y" or ""
    std::vector<std::string> (*details)(Database& db, const Rows& rows);
};

std::vector<std::string> NoDetail(Database&, const Rows& rows) { return std::vector<std::string>(rows.size()); }

std::vector<std::string> UnitText(Database&, const Rows& rows) {
    std::vector<std::string> out;
    for (const auto& row : rows) {
        const int64_t unit = CInt(row[2]);
        out.push_back(unit == 0 ? "天" : unit == 1 ? "小时" : unit == 2 ? "分钟" : "");
    }
    return out;
}

std::string TimeText(int64_t hhmm) {
    char text[8];
    std::snprintf(text, sizeof text, "%02d:%02d", static_cast<int>(hhmm / 100 % 100), static_cast<int>(hhmm % 100));
    return text;
}

std::vector<std::string> ShiftTimes(Database&, const Rows& rows) {
    std::vector<std::string> out;
    for (const auto& row : rows) out.push_back(TimeText(CInt(row[2])) + "-" + TimeText(CInt(row[3])));
    return out;
}

std::vector<std::string> ItemSide(Database&, const Rows& rows) {
    std::vector<std::string> out;
    for (const auto& row : rows) out.push_back(CInt(row[2]) == 0 ? "加项" : "减项");
    return out;
}

// The persons' department names, read in one more statement.
std::vector<std::string> DepartmentNames(Database& db, const Rows& rows) {
    std::set<std::string> departs;
    for (const auto& row : rows) departs.insert(CStr(row[2]));
    auto names = NamesByCode(db, "comDepartment", "DepartID", "DepartName", departs);
    std::vector<std::string> out;
    for (const auto& row : rows) out.push_back(names[CStr(row[2])]);
    return out;
}

const std::vector<PickSource>& PickSources() {
    static const std::vector<PickSource> sources = {
        {"person", "comPerson", "PersonID", "PersonName", ", A.DepartID", DepartmentNames},
        {"excuseCls", "humExcuseCls", "ExcuseClsID", "ExcuseClsName", ", A.UnitName", UnitText},
        {"overtimeCls", "humOverTimeCls", "OTClsID", "OTClsName", "", NoDetail},
        {"shift", "humClass", "ClassID", "ClassName", ", A.OnDutyTime, A.OffDutyTime", ShiftTimes},
        {"salaryItem", "humSalaryItem", "SalaryID", "SalaryName", ", A.Propertiy", ItemSide},
        {"bank", "comBank", "BankID", "BankName", "", NoDetail},
        {"department", "comDepartment", "DepartID", "DepartName", "", NoDetail},
    };
    return sources;
}

// ---------------------------------------------------------------- person

// The registered class whose dataset stores rows of `table` with this Flag.
std::string ClassOfRows(const ClassRegistry& registry, const std::string& table, int64_t flag) {
    for (const ClassDescriptor& c : registry.Classes())
        for (const DatasetMap& d : c.datasets)
            if (c.registered && SameText(d.table, table) && d.flag && *d.flag == flag) return c.progId;
    return "";
}

// The last day a leave may begin and still take hours from overtime worked on `date`
// and ended by `endTime`, under a term of `term` months; 0 when no term applies.
int LastDayInReach(int date, int endTime, int term) {
    if (term == 0) return 0;
    RedeemableOvertime o;
    o.date = date;
    o.endTime = endTime;
    // The reach counts whole months back from the leave's day; the last day it admits
    // lies near the date `term` months on (month ends clamp).
    const int near = AddMonth(date, term);
    int last = 0;
    for (int d = AddDay(near, -3); d <= AddDay(near, 3); d = AddDay(d, 1))
        if (OvertimeReach(d, 0, term).Admits(o)) last = d;
    return last;
}

}  // namespace

// ---------------------------------------------------------------- the routines

Json ClassesJson(const ClassRegistry& registry, const Actor& actor) {
    Json classes = Json::array();
    for (const ClassDescriptor& c : registry.Classes()) {
        if (!c.registered || !c.create || !Permits(actor, Needed(c, "open"))) continue;
        Json datasets = Json::array();
        for (size_t i = 0; i < c.datasets.size(); ++i) datasets.push_back(DatasetJson(registry, c, i));
        Json procedures = Json::array();
        for (const ProcedureDef& p : c.procedures) procedures.push_back(ProcedureJson(p));
        classes.push_back(
            {{"progId", c.progId},
             {"title", c.title.empty() ? c.coclass : c.title},
             {"subsystem", SubsystemOf(c.role)},
             {"role", OrNull(c.role)},
             {"canWrite", Permits(actor, Needed(c, "save")) && Permits(actor, Needed(c, "delete"))},
             {"key", OrNull(c.keyColumn)},
             {"find",
              {{"date", OrNull(c.findDate)},
               {"personDataset", c.findPerson.empty() ? Json(nullptr) : Json(c.findPersonDataset)},
               {"person", OrNull(c.findPerson)}}},
             {"datasets", std::move(datasets)},
             {"procedures", std::move(procedures)}});
    }
    return Json{{"classes", std::move(classes)}};
}

Json FindBills(Database& db, const ClassDescriptor& c, const QueryArguments& query) {
    const QueryValues q(query, {"progid", "billNo", "from", "to", "person", "page", "size"});
    const int page = q.Whole("page", 1, static_cast<int>(kMaxFindRows), 1);
    const int size = q.Whole("size", 1, 100, 20);
    if (static_cast<int64_t>(page) * size > kMaxFindRows)
        throw InputError("page " + std::to_string(page) + " lies past the first " + std::to_string(kMaxFindRows) +
                         " bills: narrow the search");
    const int from = q.Date("from"), to = q.Date("to");
    const std::string billNo = q.Text("billNo"), person = Trim(q.Text("person"));
    if ((from || to) && c.findDate.empty()) throw InputError(c.progId + " has no date its bills are found by");
    if (!person.empty() && c.findPerson.empty()) throw InputError(c.progId + " has no person its bills are found by");

    const DatasetMap& head = c.datasets.at(0);
    const TableDef* table = ComponentRegistry().FindTable(head.table);
    if (!table) throw std::logic_error(c.progId + ": no table " + head.table);
    std::vector<std::string> columns;
    for (const ColumnDef& column : table->columns)
        if (!SameText(column.name, "Flag")) columns.push_back(column.name);

    std::vector<Variant> params = {Variant(static_cast<int64_t>(page) * size + 1)};
    std::string where;
    auto condition = [&](const std::string& text) { where += (where.empty() ? " Where " : " And ") + text; };
    if (head.flag) {
        condition("A.Flag = ?");
        params.push_back(*head.flag);
    }
    if (!billNo.empty()) {
        condition("A." + c.keyColumn + " Like ? Escape '!'");
        params.push_back(LikeLiteral(billNo) + "%");
    }
    if (from) {
        condition("A." + c.findDate + " >= ?");
        params.push_back(from);
    }
    if (to) {
        condition("A." + c.findDate + " <= ?");
        params.push_back(to);
    }
    if (!person.empty()) {
        if (c.findPersonDataset <= 0) {
            condition("A." + c.findPerson + " = ?");
            params.push_back(person);
        } else {
            const DatasetMap& rows = c.datasets.at(static_cast<size_t>(c.findPersonDataset));
            std::string exists = "Exists (Select 1 From " + rows.table + " P Where P." +
                                 KeyLinkOf(c, c.findPersonDataset) + " = A." + c.keyColumn + " And P." +
                                 c.findPerson + " = ?";
            params.push_back(person);
            if (rows.flag) {
                exists += " And P.Flag = ?";
                params.push_back(*rows.flag);
            }
            condition(exists + ")");
        }
    }
    std::string select = "Select Top ? ";
    for (size_t i = 0; i < columns.size(); ++i) select += (i ? ", A." : "A.") + columns[i];
    const std::string order = " Order By " + (c.findDate.empty() ? "" : "A." + c.findDate + " Desc, ") + "A." +
                              c.keyColumn + " Desc";

    return Reading(db, [&] {
        const ResultSet rs = db.Query(select + " From " + head.table + " A" + where + order, params);
        const size_t first = static_cast<size_t>(page - 1) * size;
        const size_t end = std::min(rs.rows.size(), first + size);
        auto at = [&](const std::vector<Variant>& row, const std::string& name) -> const Variant& {
            for (size_t i = 0; i < columns.size(); ++i)
                if (SameText(columns[i], name)) return row[i];
            throw std::logic_error(c.progId + ": no column " + name + " in " + head.table);
        };
        std::vector<Variant> keys;
        for (size_t r = first; r < end; ++r) keys.push_back(at(rs.rows[r], c.keyColumn));
        // The person a bill is listed under: the one searched for, else its first.
        std::map<std::string, std::string> persons;
        if (!c.findPerson.empty()) {
            if (c.findPersonDataset <= 0) {
                for (size_t r = first; r < end; ++r)
                    persons[CStr(at(rs.rows[r], c.keyColumn))] = CStr(at(rs.rows[r], c.findPerson));
            } else if (person.empty()) {
                persons = FirstPersons(db, c, keys);
            } else {
                for (const Variant& key : keys) persons[CStr(key)] = person;
            }
        }
        std::set<std::string> codes;
        for (const auto& [key, code] : persons) codes.insert(code);
        const auto names = NamesByCode(db, "comPerson", "PersonID", "PersonName", codes);
        Json rows = Json::array();
        for (size_t r = first; r < end; ++r) {
            const auto& row = rs.rows[r];
            Json fields = Json::object();
            for (size_t i = 0; i < columns.size(); ++i) fields[columns[i]] = ToJson(row[i]);
            const std::string key = CStr(at(row, c.keyColumn));
            auto who = persons.find(key);
            rows.push_back({{"key", key},
                            {"date", c.findDate.empty() ? Json(nullptr) : ToJson(at(row, c.findDate))},
                            {"person", who == persons.end() ? Json(nullptr) : Json(who->second)},
                            {"personName", who == persons.end() ? Json(nullptr) : NameOrNull(names, who->second)},
                            {"fields", std::move(fields)}});
        }
        return Json{{"rows", std::move(rows)}, {"page", page}, {"size", size}, {"more", rs.rows.size() > end}};
    });
}

Json PickItems(Database& db, const QueryArguments& query) {
    const QueryValues q(query, {"kind", "q", "limit"});
    const std::string kind = q.Required("kind");
    const int limit = q.Whole("limit", 1, 50, 20);
    const auto& sources = PickSources();
    auto source = std::find_if(sources.begin(), sources.end(), [&](const PickSource& s) { return kind == s.kind; });
    if (source == sources.end()) {
        std::string kinds;
        for (const PickSource& s : sources) kinds += std::string(kinds.empty() ? "" : ", ") + s.kind;
        throw InputError("unknown kind \"" + kind + "\"; the kinds are " + kinds);
    }
    const std::string text = Trim(q.Text("q"));
    std::string sql = std::string("Select Top ? A.") + source->code + ", A." + source->name +
                      source->detailColumns + " From " + source->table + " A";
    std::vector<Variant> params = {limit};
    if (!text.empty()) {
        // Upper on both sides: the same blindness to case on every backend.
        sql += std::string(" Where Upper(A.") + source->code + ") Like Upper(?) Escape '!' Or Upper(A." +
               source->name + ") Like Upper(?) Escape '!'";
        const std::string pattern = "%" + LikeLiteral(text) + "%";
        params.push_back(pattern);
        params.push_back(pattern);
    }
    sql += std::string(" Order By A.") + source->code;
    return Reading(db, [&] {
        const ResultSet rs = db.Query(sql, params);
        const std::vector<std::string> details = source->details(db, rs.rows);
        Json items = Json::array();
        for (size_t i = 0; i < rs.rows.size(); ++i)
            items.push_back({{"code", CStr(rs.rows[i][0])}, {"name", CStr(rs.rows[i][1])}, {"detail", details[i]}});
        return Json{{"items", std::move(items)}};
    });
}

Outcome PersonMonth(Session& session, const QueryArguments& query, Json& body) {
    const QueryValues q(query, {"id", "month"});
    const std::string id = q.Required("id");
    const int month = q.Month("month");
    const int monthStart = month * 100 + 1, monthEnd = month * 100 + GetMaxDay(month);
    Database& db = *session.db;
    auto object = CreateBusinessObject(prog_id::kExcuse, session);
    auto* leave = dynamic_cast<TExcuse*>(object.get());
    if (!leave) throw std::logic_error(std::string(prog_id::kExcuse) + " is not the leave service");
    const int today = leave->GetServerDate();

    struct Capped {
        std::string category, name, unit;
        LeaveKind kind;
        int yearStart = 0;
        double used = 0;
        std::optional<double> cap;  // a yearly cap set by parameter; else what is left and used tell it
    };
    std::vector<Capped> capped;
    int term = 0;
    Reading(db, [&] {
        const auto who = db.QueryFirst(
            "Select A.PersonID, A.PersonName, A.DepartID From comPerson A Where A.PersonID = ?", {id});
        if (!who) throw InputError("no person " + id);
        const auto depart = db.QueryFirst("Select DepartName From comDepartment Where DepartID = ?", {(*who)[2]});
        body["person"] = {{"id", CStr((*who)[0])},
                          {"name", CStr((*who)[1])},
                          {"depart", depart ? CStr((*depart)[0]) : ""},
                          {"onJob", GetIsOnWork(db, id, today)}};
        body["month"] = month;

        // The month's calendar: leave by its span, overtime by its day.
        std::map<int, Json> days;
        auto day = [&](int date) -> Json& {
            Json& d = days[date];
            if (d.is_null()) d = {{"date", date}, {"leave", Json::array()}, {"overtime", Json::array()}};
            return d;
        };
        const ResultSet leaveRows = db.Query(
            "Select A.Flag, A.BillNo, A.ExcuseClsID, B.ExcuseClsName, A.BeginDate, A.BeginTime, A.EndDate, "
            "A.EndTime, A.ExcuseCount, A.IfCutExcuse From humExcuse A Left Join humExcuseCls B On B.ExcuseClsID = "
            "A.ExcuseClsID Where A.PersonID = ? And A.Flag <> 3 And A.BeginDate <= ? And A.EndDate >= ? "
            "Order By A.BeginDate, A.BeginTime, A.BillNo, A.RowNo",
            {id, monthEnd, monthStart});
        for (const auto& r : leaveRows.rows) {
            const Json entry = {{"progId", ClassOfRows(*session.registry, "humExcuse", CInt(r[0]))},
                                {"billNo", CStr(r[1])},
                                {"category", CStr(r[2])},
                                {"categoryName", ToJson(r[3])},
                                {"beginDate", ToJson(r[4])},
                                {"beginTime", ToJson(r[5])},
                                {"endDate", ToJson(r[6])},
                                {"endTime", ToJson(r[7])},
                                {"count", CFloat(r[8])},
                                {"cut", CBool(r[9])}};
            const int begin = std::max<int>(static_cast<int>(CInt(r[4])), monthStart);
            const int end = std::min<int>(static_cast<int>(CInt(r[6])), monthEnd);
            for (int d = begin; d && d <= end; d = AddDay(d, 1)) day(d)["leave"].push_back(entry);
        }
        const ResultSet overtimeRows = db.Query(
            "Select A.Flag, A.BillNo, A.OverTimeDate, A.BeginTime, A.EndTime, A.TotalCount From humOverTime A "
            "Where A.PersonID = ? And A.OverTimeDate >= ? And A.OverTimeDate <= ? "
            "Order By A.OverTimeDate, A.BeginTime, A.BillNo, A.RowNo",
            {id, monthStart, monthEnd});
        for (const auto& r : overtimeRows.rows)
            day(static_cast<int>(CInt(r[2])))["overtime"].push_back(
                {{"progId", ClassOfRows(*session.registry, "humOverTime", CInt(r[0]))},
                 {"billNo", CStr(r[1])},
                 {"beginTime", ToJson(r[3])},
                 {"endTime", ToJson(r[4])},
                 {"hours", CFloat(r[5])}});
        Json list = Json::array();
        for (auto& [date, d] : days) list.push_back(std::move(d));
        body["days"] = std::move(list);

        // The categories with a yearly cap or an entitlement, each with its leave year.
        const LeaveSettings settings = LeaveSettings::Read(*leave);
        term = settings.makeUpRestTerm;
        const ResultSet categories = db.Query(
            "Select ExcuseClsID, ExcuseClsName, ExcuseCls, UnitName From humExcuseCls Order By ExcuseClsID");
        for (const auto& r : categories.rows) {
            const auto kind = static_cast<LeaveKind>(CInt(r[2]));
            const bool personal = kind == LeaveKind::Personal && settings.capPersonalLeave;
            const bool sick = kind == LeaveKind::Sick && settings.capSickLeave && leave->GetLocalType() == 1;
            if (!personal && !sick && kind != LeaveKind::SpecialAnnual) continue;
            const auto [first, last] = leave->GetLeaveYearRange(kind, CalendarDay(today), id);
            const char* units[] = {"天", "小时", "分钟"};
            const int64_t unit = CInt(r[3]);
            const std::optional<double> cap = personal ? std::optional<double>(settings.personalLeaveCap)
                                              : sick   ? std::optional<double>(settings.sickLeaveCap)
                                                       : std::nullopt;
            capped.push_back({CStr(r[0]), CStr(r[1]), unit >= 0 && unit <= 2 ? units[unit] : "", kind, first,
                              first ? GetPrsnPeriodExCount(db, id, Code(kind), first, last, "") : 0, cap});
        }
        return 0;
    });

    // What is left, as the leave service computes it for a leave on the server's date.
    Json balances = Json::array();
    for (const Capped& c : capped) {
        const Outcome out = object->ExecuteProc(
            kRemainingEntitlementProcedure,
            Variant(VariantArray{Variant(id), Variant(today), Variant(), Variant(""), Variant(0), Variant(Code(c.kind))}));
        if (!out.ok) return out;
        const double left = CFloat(out.result);
        if (left < 0) continue;  // the cap is switched off
        balances.push_back({{"category", c.category},
                            {"name", c.name},
                            {"yearStart", c.yearStart},
                            {"quota", RoundValue(c.cap ? *c.cap : left + c.used, 4)},
                            {"used", RoundValue(c.used, 4)},
                            {"left", RoundValue(left, 4)},
                            {"unit", c.unit}});
    }
    body["balances"] = std::move(balances);

    // Redeemable overtime with hours still free, oldest first, while a leave today
    // could still take them.
    body["compensatory"] = Reading(db, [&] {
        Json free = Json::array();
        const ResultSet rs = db.Query(
            "Select A.OverTimeDate, A.EndTime, A.BillNo, A.UseableRedeemCount From humOverTime A Where "
            "A.PersonID = ? And A.RedeemType = ? And A.UseableRedeemCount > 0 Order By A.OverTimeDate, "
            "A.EndTime, A.BillNo, A.RowNo",
            {id, kRedeemableOvertimeType});
        for (const auto& r : rs.rows) {
            const int date = static_cast<int>(CInt(r[0]));
            const int expires = LastDayInReach(date, static_cast<int>(CInt(r[1])), term);
            if (expires && expires < today) continue;
            free.push_back({{"date", date},
                            {"billNo", CStr(r[2])},
                            {"hours", CFloat(r[3])},
                            {"expires", expires ? Json(expires) : Json(nullptr)}});
        }
        return free;
    });
    return Outcome{};
}

Outcome PayStatement(Session& session, const QueryArguments& query, Json& body) {
    const QueryValues q(query, {"person", "month"});
    const std::string person = q.Required("person");
    const int month = q.Month("month");
    auto object = CreateBusinessObject(kPayStatementQuery, session);
    Outcome out = object->ExecuteProc(kPayStatementProcedure, Variant(VariantArray{Variant(person), Variant(month)}));
    if (out.ok) body["statement"] = ToJson(out.result);
    return out;
}

// ---------------------------------------------------------------- the service's side

namespace {

// The headers of a page of the workspace: its own scripts and styles only, never
// framed by another site, never guessed at by type, always asked again.
void PageHeaders(Response& res) {
    res.headers.emplace_back("Content-Security-Policy",
                             "default-src 'self'; img-src 'self' data:; style-src 'self'; script-src 'self'; "
                             "frame-ancestors 'none'");
    res.headers.emplace_back("X-Content-Type-Options", "nosniff");
    res.headers.emplace_back("Cache-Control", "no-cache");
}

void RequireRead(const Actor& actor, const std::string& progId) {
    const ClassDescriptor* c = ComponentRegistry().Find(progId);
    if (!c) throw InputError("unknown ProgID: " + progId);
    const Permission needed = Needed(*c, "open");
    if (!Permits(actor, needed)) throw Forbidden(Denial(needed, "reading " + c->progId));
}

std::string ProgIdArgument(const QueryArguments& query) {
    std::string progId;
    for (const auto& [name, value] : query)
        if (name == "progid") progId = value;
    if (progId.empty()) throw InputError("give the class as ?progid=PROGID");
    RequireKnownProgId(progId);
    return progId;
}

}  // namespace

// The embedded files are a lookup by exact name: no path leaves them, whatever it holds.
bool Service::State::WebFile(const Request& req, Response& res) {
    std::string path;
    if (req.path == "/")
        path = "/index.html";
    else if (req.path.rfind("/app/", 0) == 0)
        path = req.path.substr(4);
    else
        return false;
    const WebAsset* asset = path.find("..") == std::string::npos ? FindWebAsset(path) : nullptr;
    if (!asset) {
        ReplyFailure(res, 404, "no file " + req.path);
        return true;
    }
    res.status = 200;
    res.raw = asset->body;
    res.contentType = std::string(asset->contentType);
    PageHeaders(res);
    return true;
}

bool Service::State::WorkspaceRead(const Request& req, Response& res) {
    static const std::set<std::string> kPaths = {"/v1/classes", "/v1/find", "/v1/pick", "/v1/person",
                                                 "/v1/paystatement"};
    if (!kPaths.count(req.path)) return false;
    const auto actor = Authenticate(req, res);
    if (!actor) return true;
    Respond(res, [&](Json& body) {
        if (req.path == "/v1/classes") {
            if (!req.query.empty()) throw InputError("/v1/classes takes no query arguments");
            body.update(ClassesJson(ComponentRegistry(), *actor));
            return Outcome{};
        }
        if (req.path == "/v1/find") {
            const std::string progId = ProgIdArgument(req.query);
            RequireRead(*actor, progId);
            return OnLeased([&](Connection& connection) {
                body.update(FindBills(*connection.db, *ComponentRegistry().Find(progId), req.query));
                return Outcome{};
            });
        }
        if (req.path == "/v1/pick") {
            return OnLeased([&](Connection& connection) {
                body.update(PickItems(*connection.db, req.query));
                return Outcome{};
            });
        }
        const bool person = req.path == "/v1/person";
        RequireRead(*actor, person ? prog_id::kExcuse : kPayStatementQuery);
        return OnLeased([&](Connection& connection) {
            connection.session->actor = *actor;
            return person ? PersonMonth(*connection.session, req.query, body)
                          : PayStatement(*connection.session, req.query, body);
        });
    });
    return true;
}

}  // namespace humrs::cli
