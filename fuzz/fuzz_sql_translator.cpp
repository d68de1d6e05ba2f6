// Any text through the SQL dialect translation, for both backends: it either gives a
// statement or refuses with DatabaseError; it never crashes, hangs or reads out of
// bounds.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "db/SqlTranslator.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (humrs::Backend backend : {humrs::Backend::SQLite, humrs::Backend::PostgreSQL}) {
        try {
            humrs::SqlTranslator(backend).Translate(text);
        } catch (const humrs::DatabaseError&) {
        }
    }
    try {
        humrs::TokenizeSql(text);
    } catch (const humrs::DatabaseError&) {
    }
    return 0;
}
