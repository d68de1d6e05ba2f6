#pragma once
// The framework's own user messages. Each business class keeps its messages beside
// its code; texts keep their placeholders (%s, %d), formatted with FormatMessage
// (core/Format.h), and MakeException checks that the values given match them.
namespace humrs::msg {

// Framework
inline constexpr const char* kBillNotFound = "找不到单据: %s";
inline constexpr const char* kVoucherNoDelete = "此单据已生成凭证(%s)，不允许删除";
inline constexpr const char* kVoucherNoEdit = "此单据已生成凭证(%s)，不允许修改";

}  // namespace humrs::msg
