#include "framework/Demo.h"

#include "framework/Bill.h"

#include "core/Convert.h"
#include "core/Text.h"

namespace humrs {

void DemoContext::Say(const std::string& text) { Record({{"say", text}, {"line", text}}); }

std::unique_ptr<TQVXComBase> DemoContext::Create(const std::string& progId) {
    const ClassDescriptor* c = session_->registry->Find(progId);
    if (c && !c->create) throw SceneSkipped(progId + " is not available yet");
    return CreateBusinessObject(progId, *session_);
}

void DemoContext::Record(Json step) { steps_.push_back(std::move(step)); }

void DemoContext::RecordOutcome(const std::string& action, const std::string& what, const Outcome& out,
                                std::optional<bool> expectAccepted, const std::string& bill) {
    const bool asMeant = !expectAccepted || *expectAccepted == out.ok;
    std::string line = std::string(out.ok ? "[accepted] " : "[refused] ") + action + " " + what;
    if (!out.ok) line += ": " + out.error;
    if (!asMeant) line += "  (unexpected)";
    Json step = {{"action", action}, {"what", what}, {"accepted", out.ok}};
    if (!bill.empty()) step["bill"] = bill;
    if (!out.ok) step["message"] = out.error;
    PutRefusal(step, out);
    if (!out.notices.empty()) step["notices"] = ToJson(out.notices);
    if (!asMeant) {
        step["unexpected"] = true;
        ++unexpected_;
    }
    step["line"] = line;
    Record(std::move(step));
    for (const Notice& n : out.notices) Record({{"notice", n.text}, {"line", "    notice: " + n.text}});
}

Outcome DemoContext::Save(const std::string& progId, const Json& bill, bool expectAccepted,
                          const std::string& what) {
    return Save(*Create(progId), bill, expectAccepted, what);
}

Outcome DemoContext::Save(TQVXComBase& object, const Json& bill, bool expectAccepted, const std::string& what) {
    const BillInput input = BillFromJson(bill);
    const Outcome out = SaveBill(object, input);
    // The number the bill was stored under (a new bill may have been numbered), else the one given.
    const Variant key = out.ok ? HeldKey(object) : BillKey(object, input);
    RecordOutcome("save " + object.ProgID(), what, out, expectAccepted, Trim(CStr(key)));
    return out;
}

TQVXComBase& DemoContext::Keep(const std::string& progId) {
    kept_.push_back(Create(progId));
    return *kept_.back();
}

Outcome DemoContext::Delete(const std::string& progId, const std::string& key, bool expectAccepted,
                            const std::string& what) {
    auto object = Create(progId);
    const Outcome out = object->Delete(Variant(key));
    RecordOutcome("delete " + progId, what, out, expectAccepted, key);
    return out;
}

Outcome DemoContext::Proc(const std::string& progId, int number, const Variant& arg1, const Variant& arg2,
                          const std::string& what) {
    return Proc(*Create(progId), number, arg1, arg2, what);
}

Outcome DemoContext::Proc(TQVXComBase& object, int number, const Variant& arg1, const Variant& arg2,
                          const std::string& what) {
    const Outcome out = object.ExecuteProc(number, arg1, arg2);
    RecordOutcome("proc " + object.ProgID() + " " + std::to_string(number), what, out, std::nullopt);
    if (out.ok) {
        const Json result = ToJson(out.result);
        Record({{"result", result}, {"line", "    result: " + Dump(result, false)}});
    }
    return out;
}

Outcome DemoContext::Check(const std::string& progId, int datasetIndex, const VariantArray& names,
                           const VariantArray& values, bool expectAccepted, const std::string& what) {
    auto object = Create(progId);
    const Outcome out = object->CheckFieldValues(datasetIndex, names, values);
    RecordOutcome("check " + progId, what, out, expectAccepted);
    return out;
}

Json DemoContext::Show(const std::string& what, const std::string& sql, const std::vector<Variant>& params) {
    const ResultSet rs = db_->Query(sql, params);
    Json rows = Json::array();
    std::string line = "    " + what + ":";
    for (const auto& row : rs.rows) {
        Json object = Json::object();
        for (size_t i = 0; i < rs.columns.size() && i < row.size(); ++i)
            object[rs.columns[i].name] = ToJson(row[i]);
        line += " " + Dump(object, false);
        rows.push_back(std::move(object));
    }
    if (rs.rows.empty()) line += " (no row)";
    Record({{"show", what}, {"rows", rows}, {"line", line}});
    return rows;
}

Json DemoContext::TakeSteps() {
    Json out = std::move(steps_);
    steps_ = Json::array();
    return out;
}

}  // namespace humrs
