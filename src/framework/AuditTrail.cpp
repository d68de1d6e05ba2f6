#include "framework/AuditTrail.h"

#include <pwd.h>
#include <unistd.h>

#include <cmath>
#include <chrono>
#include <ctime>

#include "core/Convert.h"
#include "core/Text.h"
#include "db/Schema.h"
#include "framework/Json.h"

namespace humrs {

namespace {

constexpr const char* kTrailTable = "sysAuditTrail";

// What a refused operation brings from its caller (a key, a message quoting input)
// is stored only so long.
constexpr size_t kMaxKeyBytes = 200;
constexpr size_t kMaxMessageBytes = 2000;
constexpr size_t kMaxProcedureKeyBytes = 200;

TableDef TrailTable() {
    using namespace column_types;
    return TableDef{kTrailTable,
                    {{"EntryNo", kInt, {}, {}, true},
                     {"EntryTime", kText},
                     {"UserName", kText},
                     {"Via", kText},
                     {"ProgID", kText},
                     {"BillKey", kText},
                     {"Operation", kText},
                     {"Outcome", kText},
                     {"Message", kText},
                     {"Changes", kText}},
                    {"EntryNo"}};
}

const char* OperationName(AuditOperation operation) {
    switch (operation) {
        case AuditOperation::Save:
            return "save";
        case AuditOperation::Delete:
            return "delete";
        case AuditOperation::Procedure:
            return "procedure";
    }
    return "save";
}

// Whether `text` is well-formed UTF-8: no stray or overlong sequence, no surrogate,
// nothing past U+10FFFF.
bool IsUtf8(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        size_t n;
        unsigned char low = 0x80, high = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) n = 1;
        else if (c == 0xE0) n = 2, low = 0xA0;
        else if (c == 0xED) n = 2, high = 0x9F;
        else if (c >= 0xE1 && c <= 0xEF) n = 2;
        else if (c == 0xF0) n = 3, low = 0x90;
        else if (c >= 0xF1 && c <= 0xF3) n = 3;
        else if (c == 0xF4) n = 3, high = 0x8F;
        else return false;
        if (i + n >= text.size()) return false;
        for (size_t k = 1; k <= n; ++k) {
            const auto b = static_cast<unsigned char>(text[i + k]);
            if (k == 1 ? (b < low || b > high) : (b < 0x80 || b > 0xBF)) return false;
        }
        i += n + 1;
    }
    return true;
}

// Text a database stores as text whatever came in: valid UTF-8 without NUL, cut on a
// character boundary at `limit` bytes.
std::string StoredText(const std::string& text, size_t limit) {
    std::string out;
    if (IsUtf8(text)) {
        out = text;
    } else {
        // Whatever is not UTF-8 becomes the replacement character, as JSON text does.
        out = Json::parse(Dump(Json(text), false)).get<std::string>();
    }
    std::erase(out, '\0');
    if (out.size() <= limit) return out;
    size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xC0) == 0x80) --cut;
    return out.substr(0, cut) + "…";
}

// ---- the changes as JSON text, written straight out

void AppendText(std::string& out, std::string_view text) {
    if (!IsUtf8(text)) {
        out += Dump(Json(std::string(text)), false);
        return;
    }
    out += '"';
    for (char ch : text) {
        switch (ch) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\b': out += "\\b"; break;
            case '\f': out += "\\f"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (static_cast<unsigned char>(ch) < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(ch));
                    out += escaped;
                } else {
                    out += ch;
                }
        }
    }
    out += '"';
}

// A value as ToJson gives it.
void AppendValue(std::string& out, const Variant& v) {
    switch (v.Type()) {
        case VarType::Empty:
        case VarType::Null: out += "null"; return;
        case VarType::Bool: out += v.AsBool() ? "true" : "false"; return;
        case VarType::Int: out += std::to_string(v.AsInt()); return;
        case VarType::String: AppendText(out, v.AsString()); return;
        case VarType::Float: {
            // Whole amounts (most of a bill's) are written as the JSON library writes
            // them, "2.0", without building a JSON value.
            const double d = v.AsFloat();
            if (std::isfinite(d) && d == std::trunc(d) && std::fabs(d) < 1e15 && !(d == 0 && std::signbit(d))) {
                out += std::to_string(static_cast<int64_t>(d));
                out += ".0";
                return;
            }
            out += Dump(ToJson(v), false);
            return;
        }
        default: out += Dump(ToJson(v), false); return;
    }
}

std::string UtcNow() {
    // Written digit by digit from the calendar: no time zone is consulted and no
    // format is parsed for an entry of every save.
    using namespace std::chrono;
    const auto now = floor<milliseconds>(system_clock::now());
    const auto day = floor<days>(now);
    const year_month_day date{day};
    const hh_mm_ss<milliseconds> time{now - day};
    std::string text = "0000-00-00T00:00:00.000Z";
    auto put = [&](size_t at, long long value, int width) {
        for (int k = width - 1; k >= 0; --k, value /= 10) text[at + static_cast<size_t>(k)] = static_cast<char>('0' + value % 10);
    };
    put(0, static_cast<int>(date.year()), 4);
    put(5, static_cast<unsigned>(date.month()), 2);
    put(8, static_cast<unsigned>(date.day()), 2);
    put(11, time.hours().count(), 2);
    put(14, time.minutes().count(), 2);
    put(17, time.seconds().count(), 2);
    put(20, time.subseconds().count(), 3);
    return text;
}

void WriteEntry(Database& db, const AuditEntry& e) {
    // The entry's number comes from the database: saves of different persons write
    // their entries side by side on PostgreSQL. Nothing waits for the insert: it goes
    // with the operation's next statement or its commit.
    db.ExecuteLater(
        "Insert Into sysAuditTrail (EntryTime, UserName, Via, ProgID, BillKey, Operation, Outcome, "
        "Message, Changes) Values (?, ?, ?, ?, ?, ?, ?, ?, ?)",
        {Variant(e.when), Variant(e.user), Variant(e.via), Variant(e.progId), Variant(e.key),
         Variant(e.operation), Variant(e.outcome), Variant(e.message), Variant(e.changes)});
}

AuditEntry NewEntry(const Actor& actor, const std::string& progId, AuditOperation operation,
                    const std::string& key) {
    AuditEntry e;
    e.when = UtcNow();
    e.user = StoredText(actor.name, kMaxKeyBytes);
    e.via = StoredText(actor.via, kMaxKeyBytes);
    e.progId = StoredText(progId, kMaxKeyBytes);
    e.key = key;
    e.operation = OperationName(operation);
    return e;
}

// The row's values that are set, as an object: {"Field": value, ...}.
void AppendValues(std::string& out, const DeltaDataset& delta, bool stored) {
    out += '{';
    bool first = true;
    const std::vector<FieldDef>& fields = delta.Packet().fields;
    for (size_t i = 0; i < fields.size(); ++i) {
        const Variant& v = stored ? delta.OldValueAt(i) : delta.NewValueAt(i);
        if (v.IsNullOrEmpty()) continue;
        if (!first) out += ',';
        first = false;
        AppendText(out, fields[i].name);
        out += ':';
        AppendValue(out, v);
    }
    out += '}';
}

}  // namespace

void AppendAuditTables(std::vector<TableDef>& tables, std::vector<IndexDef>& indexes) {
    tables.push_back(TrailTable());
    indexes.push_back(Index(kTrailTable, {"ProgID", "BillKey"}));
}

bool IsAuditTable(std::string_view table) { return SameText(table, kTrailTable); }

std::string AuditKeyText(const Variant& key) {
    if (key.IsNullOrEmpty()) return "";
    if (key.IsString() || key.IsNumeric()) return CStr(key);
    return Dump(ToJson(key), false);
}

std::string ProcedureAuditKey(int procNo, const Variant& arg1, const Variant& arg2) {
    std::string key = std::to_string(procNo);
    if (!arg1.IsEmpty() || !arg2.IsEmpty()) {
        Json args = Json::array({ToJson(arg1)});
        if (!arg2.IsEmpty()) args.push_back(ToJson(arg2));
        key += " " + Dump(args, false);
    }
    return StoredText(key, kMaxProcedureKeyBytes);
}

std::string ChangesJson(const ClassMap* map, const std::vector<Dataset>& datasets) {
    std::string out = "[";
    for (size_t i = 0; i < datasets.size(); ++i) {
        if (!datasets[i].HasChanges()) continue;
        const DatasetMap* dm = map && i < map->datasets.size() ? &map->datasets[i] : nullptr;
        std::vector<std::string> keys;
        if (dm)
            keys =
                i == 0 && dm->keyColumns.empty() ? std::vector<std::string>{map->keyColumn} : dm->keyColumns;
        // The rows of each kind, each list an array without its brackets.
        std::string inserted, modified, deleted;
        auto next = [](std::string& list) -> std::string& {
            if (!list.empty()) list += ',';
            return list;
        };
        DeltaDataset delta(std::move(*datasets[i].Delta()));
        for (delta.First(); !delta.Eof(); delta.Next()) {
            switch (delta.Status()) {
                case UpdateStatus::Inserted:
                    AppendValues(next(inserted), delta, false);
                    break;
                case UpdateStatus::Deleted:
                    AppendValues(next(deleted), delta, true);
                    break;
                case UpdateStatus::Modified: {
                    std::string changed;
                    for (const FieldDef& f : delta.Packet().fields) {
                        if (!delta.Changed(f.name)) continue;
                        AppendText(next(changed), f.name);
                        changed += ":[";
                        AppendValue(changed, delta.OldValue(f.name));
                        changed += ',';
                        AppendValue(changed, delta.NewValue(f.name));
                        changed += ']';
                    }
                    if (changed.empty()) break;
                    std::string& row = next(modified);
                    row += "{\"key\":{";
                    bool firstKey = true;
                    for (const std::string& k : keys) {
                        if (!delta.HasField(k)) continue;
                        if (!firstKey) row += ',';
                        firstKey = false;
                        AppendText(row, k);
                        row += ':';
                        AppendValue(row, delta.OldValue(k));
                    }
                    row += "},\"changed\":{" + changed + "}}";
                    break;
                }
                default:
                    break;
            }
        }
        if (inserted.empty() && modified.empty() && deleted.empty()) continue;
        if (out.size() > 1) out += ',';
        out += "{\"dataset\":" + std::to_string(i);
        if (dm) {
            out += ",\"table\":";
            AppendText(out, dm->table);
        }
        if (!inserted.empty()) out += ",\"inserted\":[" + inserted + "]";
        if (!modified.empty()) out += ",\"modified\":[" + modified + "]";
        if (!deleted.empty()) out += ",\"deleted\":[" + deleted + "]";
        out += '}';
    }
    return out + "]";
}

std::string ProcedureChangesJson(const Variant& arg1, const Variant& arg2) {
    return Dump(Json{{"arguments", Json::array({ToJson(arg1), ToJson(arg2)})}}, false);
}

void RecordAccepted(Session& session, const std::string& progId, AuditOperation operation,
                    const std::string& key, const std::string& changes) {
    AuditEntry e = NewEntry(session.actor, progId, operation, key);
    e.outcome = "accepted";
    e.changes = changes;
    WriteEntry(*session.db, e);
}

void RecordFailure(Session& session, const std::string& progId, AuditOperation operation,
                   const std::string& key, const Outcome& failure) noexcept {
    if (failure.ok) return;
    try {
        Database& db = *session.db;
        if (db.InTransaction()) return;
        AuditEntry e = NewEntry(session.actor, progId, operation, StoredText(key, kMaxKeyBytes));
        const char* name = FailureName(failure.failure);
        e.outcome = name ? name : "refused";
        e.message = StoredText(failure.error, kMaxMessageBytes);
        e.changes = "[]";
        db.BeginWrite();
        try {
            WriteEntry(db, e);
            db.Commit();
        } catch (...) {
            try {
                db.Rollback();
            } catch (...) {
                // The transaction is already gone; nothing is left to undo.
            }
        }
    } catch (...) {
        // Ignored on purpose: the caller answers with the operation's own failure, and
        // a trail that cannot be written (the database gone, the write lock held too
        // long) must not put its error in that failure's place.
    }
}

std::vector<AuditEntry> BillHistory(Database& db, const std::string& progId, const std::string& key) {
    const ResultSet rs = db.Query(
        "Select EntryNo, EntryTime, UserName, Via, ProgID, BillKey, Operation, Outcome, Message, Changes "
        "From sysAuditTrail Where ProgID = ? And BillKey = ? Order By EntryNo",
        {Variant(progId), Variant(key)});
    std::vector<AuditEntry> entries;
    for (const auto& row : rs.rows) {
        AuditEntry e;
        e.number = CInt(row[0]);
        std::string* texts[] = {&e.when,      &e.user,    &e.via,     &e.progId, &e.key,
                                &e.operation, &e.outcome, &e.message, &e.changes};
        for (size_t i = 0; i < std::size(texts); ++i)
            *texts[i] = row[i + 1].IsNullOrEmpty() ? "" : CStr(row[i + 1]);
        entries.push_back(std::move(e));
    }
    return entries;
}

Actor OperatingSystemActor(const std::string& via) {
    Actor actor;
    actor.via = via;
    const uid_t uid = ::geteuid();
    passwd entry{};
    passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_name)
        actor.name = found->pw_name;
    else
        actor.name = "uid " + std::to_string(uid);
    return actor;
}

}  // namespace humrs
