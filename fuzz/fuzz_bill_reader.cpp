// Any text as a bill to save and as a procedure argument: it is read or refused with
// InputError, in bounded time and memory, whatever its nesting.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/Errors.h"
#include "framework/Json.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const humrs::Json json = humrs::ParseJson(text, "fuzz input");
        try {
            humrs::BillFromJson(json);
        } catch (const humrs::InputError&) {
        }
        const humrs::Variant value = humrs::FromJson(json, "value");
        // What was read prints back without failing.
        humrs::Dump(humrs::ToJson(value), false);
    } catch (const humrs::InputError&) {
    }
    return 0;
}
