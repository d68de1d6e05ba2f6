#pragma once
// Checks of a caller's arguments that the command and the server library share, so
// that the same input gets the same answer whichever way it arrives. Each raises
// InputError with a message naming the argument as the caller calls it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/Variant.h"

namespace humrs {

// The arguments of a field check: `dataset` must be one of the object's
// `datasetCount` datasets (0, the header, is always accepted: a query class keeps no
// datasets yet serves the checks of its header fields there), and there must be at
// least one value per name (a check may read more values than it names: the leave
// request's person check takes the person, then the span's begin and end).
struct FieldCheckLabels {
    std::string dataset = "dataset";
    std::string names = "names";
    std::string values = "values";
};
void CheckFieldArguments(const std::string& progId, int datasetCount, int64_t dataset, size_t names,
                         size_t values, const FieldCheckLabels& labels = {});

// A server date fixed by the caller: 0 (today) or a calendar day yyyymmdd.
int CheckServerDate(int64_t value, const std::string& label);

// A whole number the session keeps as a 32-bit integer (login type, context number,
// local type): anything outside that range is refused instead of wrapping around.
int CheckInt32(int64_t value, const std::string& label);

// A procedure number as the caller gave it, read as 64 bits: a whole number of 32
// bits (a number the class does not serve does nothing), never wrapped around into
// another (4294967299 is not procedure 3).
int CheckProcedureNumber(int64_t value, const std::string& label);

// A bill key: one value, a text or a number (or no value), never a list or a data
// packet.
void CheckBillKey(const Variant& key, const std::string& label);

// A ProgID as the caller wrote it: no control characters (a NUL would end it early
// wherever it is compared as a C string, so that the text would pass for another
// than it is).
void CheckProgIdText(const std::string& progId, const std::string& label);

}  // namespace humrs
