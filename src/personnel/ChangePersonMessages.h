#pragma once
// User messages of the personnel change (placeholders %s, %d).
namespace humrs::msg {

// The change type against the person's work state before the change.
inline constexpr const char* kChangeTypeEmpty = "请选择%s人员的异动类型,类型不能为空";
inline constexpr const char* kNotOnJobOnlyProbationOrFormal = "%s人员处于未就职状态,您只能选择试用或转正";
inline constexpr const char* kProbationOnlyFormalTransferLeave =
    "%s人员处于试用期,此时你只能选择转正、调职或离职";
inline constexpr const char* kAlreadyOnProbation = "%s人员已经是试用状态";
inline constexpr const char* kAlreadyFormal = "%s人员已经转正,你不能再次选择转正";
inline constexpr const char* kNotOnUnpaidLeaveNoReinstate = "%s人员不处在留职停薪状态,不能选择复职";
inline constexpr const char* kPersonLeftNoChange = "%s人员已离职,不能再登打任何异动单据";
inline constexpr const char* kUnpaidLeaveOnlyReinstateOrLeave = "%s人员处于留职停薪状态,您只能选择复职或离职";
// A change type outside the codes, from a state that allows other changes (person, code).
inline constexpr const char* kChangeTypeUnknown = "%s人员的异动类型%d不存在";
inline constexpr const char* kUnpaidLeaveMonthsNotPositive = "%s人员的留职停薪月必须大于零";

// Only a person's latest change may be altered.
inline constexpr const char* kNotLatestChange = "您要修改,删除的人事记录不是最后一次";
inline constexpr const char* kDeleteNotLatestChange = "您要删除的单据中含有不是最后一次更改的人员";
inline constexpr const char* kActiveDateBeforeEarlier = "%s人员的异动单生效日期不能比以前生效日期要小";

// Undoing a resignation while the person's card has been given to someone else.
inline constexpr const char* kCardNoTaken = "人员卡号已被用，无法删除资料";

// The row itself.
inline constexpr const char* kChangePersonEmpty = "人事异动单的人员不能为空";
inline constexpr const char* kChangePersonUnknown = "%s人员不存在";

}  // namespace humrs::msg
