#pragma once
// Checks of a caller's arguments that the command and the server library share, so
// that the same input gets the same answer whichever way it arrives. Each raises
// InputError with a message naming the argument as the caller calls it.
#include <cstddef>
#include <cstdint>
#include <string>

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

}  // namespace humrs
