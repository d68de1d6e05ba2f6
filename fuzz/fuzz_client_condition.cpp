// Any text as a client's condition over the overtime statistics' tables: it is either
// accepted or refused with InputError; it never crashes, hangs or reads out of bounds.
// An accepted one holds no word but the grammar's own, IsNull, and the names of the
// statement's tables and columns: no statement, subquery or server function gets past.
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>

#include "core/Errors.h"
#include "core/Text.h"
#include "db/ClientCondition.h"
#include "db/SqlTranslator.h"

namespace {

const humrs::ConditionScope& Scope() {
    static const humrs::ConditionScope scope{{
        {"A", "comPerson", {"PersonID", "PersonName"}},
        {"B", "HumOverTime",
         {"PersonID", "OverTimeDate", "FieldACount", "FieldBCount", "FieldCCount", "HolidayCount", "RedeemType",
          "NotIntoOverTimeValue"}},
        {"C", "humPersonSetMain", {"ID", "OverTime", "OverTimeClass"}},
        {"D", "humOverTimeCls", {"OTClsID", "OverMonth"}},
    }};
    return scope;
}

const std::set<std::string>& AllowedWords() {
    static const std::set<std::string> words = [] {
        std::set<std::string> w = {"AND", "OR", "NOT", "BETWEEN", "IN", "LIKE", "IS", "NULL", "ISNULL"};
        for (const auto& table : Scope().tables) {
            w.insert(humrs::UpperAscii(table.alias));
            for (const auto& column : table.columns) w.insert(humrs::UpperAscii(column));
        }
        return w;
    }();
    return words;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        humrs::CheckClientCondition(text, Scope());
    } catch (const humrs::InputError&) {
        return 0;
    }
    for (const humrs::SqlToken& token : humrs::TokenizeSql(text)) {
        if (token.kind == humrs::SqlTokenKind::Semicolon || token.kind == humrs::SqlTokenKind::Parameter)
            __builtin_trap();
        if (token.kind == humrs::SqlTokenKind::Word && !AllowedWords().count(humrs::UpperAscii(token.value)))
            __builtin_trap();
    }
    return 0;
}
