#include "cli/Batch.h"

#include <cstdint>
#include <istream>
#include <limits>
#include <map>
#include <memory>
#include <ostream>
#include <string>

#include "core/Convert.h"
#include "core/Errors.h"
#include "core/Text.h"
#include "framework/Bill.h"
#include "framework/InputChecks.h"
#include "framework/Json.h"
#include "framework/Outcome.h"

namespace humrs::cli {

namespace {

// The objects of a batch by the names the operations give them.
using Objects = std::map<std::string, std::unique_ptr<TQVXComBase>>;

const Json& Member(const Json& op, const char* name) {
    if (!op.contains(name)) throw InputError(std::string("the operation has no \"") + name + "\"");
    return op.at(name);
}

std::string TextMember(const Json& op, const char* name) {
    const Json& v = Member(op, name);
    if (!v.is_string()) throw InputError(std::string("\"") + name + "\" must be a text");
    return v.get<std::string>();
}

// A whole number member, read as 64 bits so that a range check sees the number the
// caller sent (JSON numbers past 63 bits are refused here).
int64_t WholeMember(const Json& op, const char* name) {
    const Json& v = Member(op, name);
    if (!v.is_number_integer() ||
        (v.is_number_unsigned() && v.get<uint64_t>() > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())))
        throw InputError(std::string("\"") + name + "\" must be a whole number of 32 bits");
    return v.get<int64_t>();
}

Variant KeyMember(const Json& op) {
    Variant key = FromJson(Member(op, "key"), "key");
    CheckBillKey(key, "\"key\"");
    return key;
}

Variant OptionalValue(const Json& op, const char* name) {
    return op.contains(name) ? FromJson(op.at(name), name) : Variant();
}

// The object an operation names: created on its first use (with "progid"); a later
// "progid" must name the same class.
TQVXComBase& ObjectOf(Objects& objects, Session& session, const Json& op) {
    const std::string name = TextMember(op, "object");
    auto found = objects.find(name);
    if (found == objects.end()) {
        if (!op.contains("progid"))
            throw InputError("object \"" + name + "\" is not created yet: give its \"progid\"");
        const std::string progId = TextMember(op, "progid");
        CheckProgIdText(progId, "\"progid\"");
        auto object = CreateBusinessObject(progId, session);
        found = objects.emplace(name, std::move(object)).first;
    } else if (op.contains("progid") && !SameText(TextMember(op, "progid"), found->second->ProgID())) {
        throw InputError("object \"" + name + "\" is a " + found->second->ProgID() + ", not a " +
                         TextMember(op, "progid"));
    }
    return *found->second;
}

VariantArray ArrayMember(const Json& op, const char* name) {
    const Json& v = Member(op, name);
    if (!v.is_array()) throw InputError(std::string("\"") + name + "\" must be an array");
    VariantArray out;
    for (size_t i = 0; i < v.size(); ++i) out.push_back(FromJson(v[i], std::string(name) + "[" + std::to_string(i) + "]"));
    return out;
}

// Runs one operation on the object it names (created on first use).
Outcome RunOperation(Objects& objects, Session& session, const Json& op, Json& body) {
    if (!op.is_object()) throw InputError("an operation is a JSON object");
    TextMember(op, "op");
    return RunObjectOperation(ObjectOf(objects, session, op), op, body);
}

}  // namespace

Outcome RunObjectOperation(TQVXComBase& object, const Json& op, Json& body) {
    if (!op.is_object()) throw InputError("an operation is a JSON object");
    const std::string kind = TextMember(op, "op");
    if (kind == "new") {
        Outcome out = object.AddNew();
        body["datasets"] = DatasetsToJson(object);
        return out;
    }
    if (kind == "open" || kind == "edit") {
        const Variant key = KeyMember(op);
        Outcome out = kind == "open" ? object.Open(key) : object.Edit(key);
        body["datasets"] = DatasetsToJson(object);
        return out;
    }
    if (kind == "save") {
        Outcome out = SaveBill(object, BillFromJson(Member(op, "bill")));
        if (out.ok) {
            const Variant key = HeldKey(object);
            if (!key.IsNullOrEmpty()) object.Open(key);  // what was stored, posted values included
            body["key"] = ToJson(key);
            body["datasets"] = DatasetsToJson(object);
        }
        return out;
    }
    if (kind == "delete") return object.Delete(KeyMember(op));
    if (kind == "proc") {
        const int number = CheckProcedureNumber(WholeMember(op, "number"), "\"number\"");
        Outcome out = object.ExecuteProc(number, OptionalValue(op, "arg"), OptionalValue(op, "arg2"));
        body["result"] = ToJson(out.result);
        return out;
    }
    if (kind == "check") {
        const int64_t dataset = op.contains("dataset") ? WholeMember(op, "dataset") : 0;
        const VariantArray names = ArrayMember(op, "names");
        const VariantArray values = ArrayMember(op, "values");
        CheckFieldArguments(object.ProgID(), object.DatasetCount(), dataset, names.size(), values.size(),
                            FieldCheckLabels{"\"dataset\"", "\"names\"", "\"values\""});
        Outcome out = object.CheckFieldValues(static_cast<int>(dataset), names, values);
        body["fields"] = ToJson(out.fields);
        return out;
    }
    throw InputError("unknown op \"" + kind + "\"; the ops are new, open, edit, save, delete, proc, check");
}

int RunBatchLines(Session& session, std::istream& in, std::ostream& out, bool pretty) {
    Objects objects;
    int exitCode = kAccepted;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (Trim(line).empty()) continue;
        Json body = {{"line", number}, {"ok", true}};
        Outcome outcome;
        try {
            const Json op = ParseJson(line, "line " + std::to_string(number));
            if (op.is_object() && op.contains("object")) body["object"] = op.at("object");
            if (op.is_object() && op.contains("op")) body["op"] = op.at("op");
            outcome = RunOperation(objects, session, op, body);
        } catch (...) {
            outcome = FailureOutcome(std::current_exception());
        }
        if (!outcome.ok) {
            body["ok"] = false;
            body["error"] = outcome.error;
            PutRefusal(body, outcome);
            if (exitCode == kAccepted) exitCode = ExitCodeOf(outcome);
        }
        body["notices"] = ToJson(outcome.notices);
        out << Dump(body, pretty) << "\n";
        out.flush();
    }
    return exitCode;
}

}  // namespace humrs::cli
