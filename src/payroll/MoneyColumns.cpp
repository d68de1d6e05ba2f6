#include "payroll/MoneyColumns.h"

#include <memory>

#include "core/Convert.h"
#include "core/DataPacket.h"

namespace humrs {

Variant ReadAsMoney(const Variant& packet, std::initializer_list<std::string_view> columns) {
    if (!packet.IsPacket() || !packet.AsPacket()) return packet;
    auto money = std::make_shared<DataPacket>(*packet.AsPacket());
    for (std::string_view column : columns) {
        const int i = money->FieldIndex(column);
        if (i < 0) continue;
        money->fields[i].type = FieldType::Currency;
        for (auto& row : money->rows) {
            Variant& value = row.values[i];
            if (!value.IsNullOrEmpty()) value = Variant(CCurr(value));
        }
    }
    return Variant(DataPacketPtr(std::move(money)));
}

Dataset ReadAsMoney(const Dataset& rows, std::initializer_list<std::string_view> columns) {
    return Dataset::FromPacket(ReadAsMoney(Variant(rows.Data()), columns));
}

}  // namespace humrs
