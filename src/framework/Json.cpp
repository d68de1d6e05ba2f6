#include "framework/Json.h"

#include <cmath>
#include <limits>

#include "core/Errors.h"

namespace humrs {

namespace {

const char* TypeName(const Json& json) { return json.type_name(); }

// Field types of a packet read from JSON: what every non-null value of the column
// agrees on, so that a dataset built from it compares and converts as stored rows do.
FieldType InferFieldType(const std::vector<DataPacket::Row>& rows, size_t column) {
    FieldType type = FieldType::Unknown;
    for (const auto& row : rows) {
        const Variant& v = row.values[column];
        FieldType t = FieldType::Unknown;
        switch (v.Type()) {
            case VarType::Bool:
                t = FieldType::Boolean;
                break;
            case VarType::Int:
                t = FieldType::Integer;
                break;
            case VarType::Float:
                t = FieldType::Float;
                break;
            case VarType::String:
                t = FieldType::Text;
                break;
            default:
                continue;  // Null says nothing
        }
        if (type == FieldType::Unknown) {
            type = t;
        } else if (type != t) {
            const bool numbers = (type == FieldType::Integer || type == FieldType::Float) &&
                                 (t == FieldType::Integer || t == FieldType::Float);
            if (!numbers) return FieldType::Unknown;
            type = FieldType::Float;
        }
    }
    return type;
}

UpdateStatus StatusFromJson(const Json& json, const std::string& where) {
    if (json.is_number_integer()) {
        const auto code = json.get<int64_t>();
        if (code >= 0 && code <= 3) return static_cast<UpdateStatus>(code);
    } else if (json.is_string()) {
        const auto& s = json.get_ref<const std::string&>();
        if (s == "unmodified") return UpdateStatus::Unmodified;
        if (s == "modified") return UpdateStatus::Modified;
        if (s == "inserted") return UpdateStatus::Inserted;
        if (s == "deleted") return UpdateStatus::Deleted;
    }
    throw InputError(where + ": a row status is 0 unmodified, 1 modified, 2 inserted or 3 deleted, got " +
                     json.dump());
}

}  // namespace

Json ParseJson(std::string_view text, const std::string& what) {
    // The depth is checked as each array or object opens, before it is built, so an
    // input nested past the limit is refused after reading at most that far.
    std::string lastKey;
    auto guard = [&](int depth, Json::parse_event_t event, Json& parsed) {
        if ((event == Json::parse_event_t::object_start || event == Json::parse_event_t::array_start) &&
            depth >= kMaxJsonDepth)
            throw InputError("malformed JSON in " + what + ": arrays and objects nested deeper than " +
                             std::to_string(kMaxJsonDepth) + " levels" +
                             (lastKey.empty() ? "" : " (under field \"" + lastKey + "\")"));
        if (event == Json::parse_event_t::key && parsed.is_string()) lastKey = parsed.get<std::string>();
        return true;
    };
    try {
        return Json::parse(text.begin(), text.end(), guard);
    } catch (const Json::exception& e) {
        // Syntax errors and numbers no double holds (1e400) alike: the caller's text is at fault.
        throw InputError("malformed JSON in " + what + ": " + e.what() +
                         (lastKey.empty() ? "" : " (at or after field \"" + lastKey + "\")"));
    }
}

std::string Dump(const Json& json, bool pretty) {
    return json.dump(pretty ? 2 : -1, ' ', false, Json::error_handler_t::replace);
}

Json ToJson(const Variant& v) {
    switch (v.Type()) {
        case VarType::Empty:
        case VarType::Null:
            return nullptr;
        case VarType::Bool:
            return v.AsBool();
        case VarType::Int:
            return v.AsInt();
        case VarType::Float: {
            const double d = v.AsFloat();
            if (!std::isfinite(d)) return nullptr;  // JSON has no infinity or NaN
            return d;
        }
        case VarType::Currency:
            return v.AsCurrency().ToDouble();
        case VarType::String:
            return v.AsString();
        case VarType::Array: {
            Json out = Json::array();
            for (const Variant& e : v.AsArray()) out.push_back(ToJson(e));
            return out;
        }
        case VarType::Packet:
            return v.AsPacket() ? ToJson(*v.AsPacket()) : Json(nullptr);
    }
    return nullptr;
}

Json ToJson(const DataPacket& packet) {
    Json fields = Json::array();
    for (const FieldDef& f : packet.fields) fields.push_back(f.name);
    Json rows = Json::array();
    bool plain = true;
    for (const auto& row : packet.rows) {
        Json values = Json::array();
        for (const Variant& v : row.values) values.push_back(ToJson(v));
        rows.push_back(std::move(values));
        plain = plain && row.status == UpdateStatus::Unmodified;
    }
    Json out = {{"fields", std::move(fields)}, {"rows", std::move(rows)}};
    if (!plain) {
        Json status = Json::array();
        for (const auto& row : packet.rows) status.push_back(static_cast<int>(row.status));
        out["status"] = std::move(status);
    }
    return out;
}

Json RowsToJson(const Dataset& dataset) {
    Json rows = Json::array();
    const DataPacketPtr data = dataset.Data();
    for (const auto& row : data->rows) {
        Json object = Json::object();
        for (size_t i = 0; i < data->fields.size() && i < row.values.size(); ++i)
            object[data->fields[i].name] = ToJson(row.values[i]);
        rows.push_back(std::move(object));
    }
    return rows;
}

Json DatasetsToJson(TQVXComBase& object) {
    Json out = Json::array();
    for (int i = 0; i < object.DatasetCount(); ++i) out.push_back(RowsToJson(object.GetDatasets(i)));
    return out;
}

Json ToJson(const std::vector<Notice>& notices) {
    Json out = Json::array();
    for (const Notice& n : notices) out.push_back({{"text", n.text}, {"kind", n.kind}});
    return out;
}

void PutRefusal(Json& body, const Outcome& out) {
    if (!out.messageId.empty()) body["messageId"] = out.messageId;
    if (!out.at.Known()) return;
    Json at = {{"dataset", out.at.dataset}};
    if (out.at.row >= 0) at["row"] = out.at.row;
    if (!out.at.field.empty()) at["field"] = out.at.field;
    body["at"] = std::move(at);
}

Json ToJson(const TOleVariantList& fields) {
    Json out = Json::object();
    for (const auto& [name, value] : fields) out[name] = ToJson(value);
    return out;
}

namespace {

// A text value as given, refused when it holds a NUL character: SQL text built from
// it would end at that character, so it could be neither stored whole nor compared.
Variant TextFromJson(const Json& json, const std::string& where) {
    const auto& text = json.get_ref<const std::string&>();
    if (text.find('\0') != std::string::npos)
        throw InputError(where + ": a text must not hold the NUL character (\\u0000)");
    return Variant(text);
}

Variant FromJsonAt(const Json& json, const std::string& where, int depth) {
    switch (json.type()) {
        case Json::value_t::null:
            return Variant::Null();
        case Json::value_t::boolean:
            return Variant(json.get<bool>());
        case Json::value_t::number_integer:
            return Variant(static_cast<long long>(json.get<int64_t>()));
        case Json::value_t::number_unsigned: {
            const auto u = json.get<uint64_t>();
            if (u > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()))
                throw InputError(where + ": the whole number " + json.dump() + " is too large");
            return Variant(static_cast<long long>(u));
        }
        case Json::value_t::number_float: {
            const double d = json.get<double>();
            if (!std::isfinite(d)) throw InputError(where + ": the number is out of range");
            return Variant(d);
        }
        case Json::value_t::string:
            return TextFromJson(json, where);
        case Json::value_t::array: {
            // Values built elsewhere than ParseJson are bounded here as well.
            if (depth >= kMaxJsonDepth)
                throw InputError(where + ": arrays nested deeper than " + std::to_string(kMaxJsonDepth) +
                                 " levels");
            VariantArray items;
            for (size_t i = 0; i < json.size(); ++i)
                items.push_back(FromJsonAt(json[i], where + "[" + std::to_string(i) + "]", depth + 1));
            return Variant(std::move(items));
        }
        case Json::value_t::object:
            return Variant(PacketFromJson(json, where));
        default:
            break;
    }
    throw InputError(where + ": a value of type " + std::string(TypeName(json)) + " is not accepted");
}

}  // namespace

Variant FromJson(const Json& json, const std::string& where) { return FromJsonAt(json, where, 0); }

DataPacketPtr PacketFromJson(const Json& json, const std::string& where) {
    if (!json.is_object() || !json.contains("fields") || !json.contains("rows"))
        throw InputError(where +
                         ": an object must be a data packet {\"fields\": [...], \"rows\": [[...], ...]}");
    for (const auto& [key, value] : json.items()) {
        if (key != "fields" && key != "rows" && key != "status")
            throw InputError(where + ": a data packet has no member \"" + key + "\"");
    }
    const Json& fields = json["fields"];
    const Json& rows = json["rows"];
    if (!fields.is_array()) throw InputError(where + ".fields: expected an array of field names");
    if (!rows.is_array()) throw InputError(where + ".rows: expected an array of rows");

    auto packet = std::make_shared<DataPacket>();
    for (size_t i = 0; i < fields.size(); ++i) {
        if (!fields[i].is_string() || fields[i].get_ref<const std::string&>().empty())
            throw InputError(where + ".fields[" + std::to_string(i) +
                             "]: a field name must be a non-empty text");
        packet->fields.push_back({fields[i].get<std::string>(), FieldType::Unknown});
    }
    for (size_t r = 0; r < rows.size(); ++r) {
        const std::string rowWhere = where + ".rows[" + std::to_string(r) + "]";
        DataPacket::Row row;
        auto single = [&](const Json& value, const std::string& valueWhere) {
            Variant v = FromJson(value, valueWhere);
            if (v.IsArray() || v.IsPacket()) throw InputError(valueWhere + ": a field value must be a single value");
            return v;
        };
        if (rows[r].is_object()) {
            // A row may also name its values: fields it leaves out are Null.
            row.values.assign(fields.size(), Variant::Null());
            for (const auto& [name, value] : rows[r].items()) {
                const int fi = packet->FieldIndex(name);
                if (fi < 0) throw InputError(rowWhere + ": no field \"" + name + "\" in this data packet");
                row.values[fi] = single(value, rowWhere + "." + name);
            }
        } else if (rows[r].is_array() && rows[r].size() == fields.size()) {
            for (size_t c = 0; c < fields.size(); ++c)
                row.values.push_back(single(rows[r][c], rowWhere + "[" + std::to_string(c) + "]"));
        } else {
            throw InputError(rowWhere + ": a row must be an array of " + std::to_string(fields.size()) +
                             " values, one per field, or an object of values by field name");
        }
        packet->rows.push_back(std::move(row));
    }
    if (json.contains("status")) {
        const Json& status = json["status"];
        if (!status.is_array() || status.size() != rows.size())
            throw InputError(where + ".status: expected one status per row");
        for (size_t r = 0; r < rows.size(); ++r)
            packet->rows[r].status = StatusFromJson(status[r], where + ".status[" + std::to_string(r) + "]");
    }
    for (size_t c = 0; c < packet->fields.size(); ++c)
        packet->fields[c].type = InferFieldType(packet->rows, c);
    return packet;
}

BillInput BillFromJson(const Json& json) {
    if (!json.is_object() || !json.contains("datasets"))
        throw InputError(
            "a bill is an object {\"datasets\": [[rows of dataset 0], [rows of dataset 1], ...]}");
    // What `new` and `open` print is a bill in its answer ("ok", "key", "notices"
    // around the datasets), so it may be edited and saved as it is. The key of the
    // bill is the one its header row holds; the answer's members are not read.
    for (const auto& [key, value] : json.items()) {
        if (key == "datasets" || key == "key" || key == "notices") continue;
        if (key == "ok") {
            if (value != true)
                throw InputError("the answer of a failed command (\"ok\": " + value.dump() + ") is not a bill");
            continue;
        }
        throw InputError("a bill has no member \"" + key + "\" (only \"datasets\", and the \"ok\", \"key\" and "
                         "\"notices\" of an answer)");
    }
    const Json& datasets = json["datasets"];
    if (!datasets.is_array())
        throw InputError("datasets: expected an array with one array of rows per dataset");
    BillInput out;
    for (size_t d = 0; d < datasets.size(); ++d) {
        const std::string dsWhere = "datasets[" + std::to_string(d) + "]";
        if (datasets[d].is_null()) {
            out.emplace_back();  // kept as stored
            continue;
        }
        if (!datasets[d].is_array()) throw InputError(dsWhere + ": expected an array of rows, or null to keep it");
        InputDataset rows;
        for (size_t r = 0; r < datasets[d].size(); ++r) {
            const Json& row = datasets[d][r];
            const std::string rowWhere = dsWhere + "[" + std::to_string(r) + "]";
            if (!row.is_object()) throw InputError(rowWhere + ": a row is an object of field values by name");
            InputRow values;
            for (const auto& [name, value] : row.items()) {
                Variant v = FromJson(value, rowWhere + "." + name);
                if (v.IsArray() || v.IsPacket())
                    throw InputError(rowWhere + "." + name + ": a field value must be a single value");
                values.emplace_back(name, std::move(v));
            }
            rows.push_back(std::move(values));
        }
        out.push_back(std::move(rows));
    }
    return out;
}

}  // namespace humrs
