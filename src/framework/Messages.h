#pragma once
// The framework's own user messages. Each business class keeps its messages beside
// its code; texts keep their placeholders (%s, %d), formatted with FormatMessage
// (core/Format.h), and MakeException checks that the values given match them.
#include "core/Message.h"

namespace humrs::msg {

// Framework
inline constexpr Message kBillNotFound{"BillNotFound", "找不到单据: %s"};
inline constexpr Message kVoucherNoDelete{"VoucherNoDelete", "此单据已生成凭证(%s)，不允许删除"};
inline constexpr Message kVoucherNoEdit{"VoucherNoEdit", "此单据已生成凭证(%s)，不允许修改"};

}  // namespace humrs::msg
