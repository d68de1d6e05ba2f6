#pragma once
// The command's JSON face: values, data packets, datasets and notices to JSON, and
// the JSON a caller gives (procedure arguments, field checks, bills to save) back
// to variants. Anything malformed raises InputError with a message that names the
// offending place, so the command can answer it as bad input.
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "framework/Bill.h"
#include "framework/ComBase.h"
#include "core/DataPacket.h"
#include "framework/Dataset.h"
#include "framework/Session.h"
#include "core/Variant.h"

namespace humrs {

// Insertion-ordered, so datasets print their fields in table order.
using Json = nlohmann::ordered_json;

// The deepest nesting of arrays and objects accepted from a caller. A bill is four
// levels deep and a procedure argument a few more; anything far deeper is hostile
// input, refused before it costs stack, time or memory.
inline constexpr int kMaxJsonDepth = 64;

// Parses JSON text; `what` names the source in the error ("bill file", "--arg").
// Malformed text, numbers out of range and nesting past kMaxJsonDepth raise
// InputError, in time linear in the text.
Json ParseJson(std::string_view text, const std::string& what);
// The text to print: UTF-8 with non-ASCII characters as they are, indented by two
// spaces when `pretty`, else on one line. Invalid UTF-8 in a value is replaced
// rather than failing the whole answer.
std::string Dump(const Json& json, bool pretty);

// Variant -> JSON: Empty and Null give null, money and floats numbers, arrays arrays,
// a data packet {"fields": [names], "rows": [[values]...]} (plus "status": [codes]
// when some row is not Unmodified, as in a change set).
Json ToJson(const Variant& value);
Json ToJson(const DataPacket& packet);
// A dataset's visible rows as objects of field values by name.
Json RowsToJson(const Dataset& dataset);
// Every dataset of a business object, as the "datasets" of a bill.
Json DatasetsToJson(TQVXComBase& object);
Json ToJson(const std::vector<Notice>& notices);
Json ToJson(const TOleVariantList& fields);
// Of a refusal, beside its message: "messageId", and "at" ({"dataset", "row", "field"})
// when the refusal points at a place in the bill. Nothing for other outcomes.
void PutRefusal(Json& body, const Outcome& out);

// JSON -> Variant: null gives Null, booleans, integers (int), other numbers
// (double), texts and arrays as themselves; an object must be a data packet in the
// form above. `where` names the value in error messages.
Variant FromJson(const Json& json, const std::string& where);
DataPacketPtr PacketFromJson(const Json& json, const std::string& where);

// Reads {"datasets": [[{field: value, ...}, ...], ...]}, also inside the answer of
// `new` or `open` ({"ok": true, "key": ..., "datasets": ..., "notices": [...]}); a
// dataset given as null keeps its stored rows.
BillInput BillFromJson(const Json& json);

}  // namespace humrs
