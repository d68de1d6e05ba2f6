#include "framework/InputChecks.h"

#include <limits>

#include "core/Errors.h"
#include "utils/DateUtils.h"

namespace humrs {

void CheckFieldArguments(const std::string& progId, int datasetCount, int64_t dataset, size_t names,
                         size_t values, const FieldCheckLabels& labels) {
    if (dataset < 0 || (dataset > 0 && dataset >= datasetCount))
        throw InputError(labels.dataset + " " + std::to_string(dataset) + ": " + progId + " has " +
                         std::to_string(datasetCount) + " dataset(s), numbered from 0");
    if (values < names)
        throw InputError(labels.names + " gives " + std::to_string(names) + " name(s) but " + labels.values +
                         " only " + std::to_string(values) + " value(s); give at least one value per name");
}

int CheckServerDate(int64_t value, const std::string& label) {
    if (value == 0) return 0;
    if (value < 10000101 || value > 99991231 || !IsValidDate(static_cast<int>(value)))
        throw InputError(label + " expects a calendar day as YYYYMMDD (or 0 for today), got " +
                         std::to_string(value));
    return static_cast<int>(value);
}

int CheckInt32(int64_t value, const std::string& label) {
    if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
        throw InputError(label + ": " + std::to_string(value) +
                         " is out of range for a whole number of 32 bits");
    return static_cast<int>(value);
}

int CheckProcedureNumber(int64_t value, const std::string& label) {
    if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
        throw InputError(label + ": " + std::to_string(value) + " is not a procedure number (a whole number of 32 bits)");
    return static_cast<int>(value);
}

void CheckBillKey(const Variant& key, const std::string& label) {
    if (key.IsArray() || key.IsPacket())
        throw InputError(label + " must be one value, a text or a number, not a list");
}

void CheckProgIdText(const std::string& progId, const std::string& label) {
    for (unsigned char ch : progId)
        if (ch < ' ' || ch == 0x7f) throw InputError(label + " must not hold control characters");
}

}  // namespace humrs
