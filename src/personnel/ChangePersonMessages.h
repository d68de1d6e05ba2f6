#pragma once
// User messages of the personnel change (placeholders %s, %d).
#include "core/Message.h"

namespace humrs::msg {

// The change type against the person's work state before the change.
inline constexpr Message kChangeTypeEmpty{"ChangeTypeEmpty", "请选择%s人员的异动类型,类型不能为空"};
inline constexpr Message kNotOnJobOnlyProbationOrFormal{"NotOnJobOnlyProbationOrFormal", "%s人员处于未就职状态,您只能选择试用或转正"};
inline constexpr Message kProbationOnlyFormalTransferLeave{"ProbationOnlyFormalTransferLeave",
    "%s人员处于试用期,此时你只能选择转正、调职或离职"};
inline constexpr Message kAlreadyOnProbation{"AlreadyOnProbation", "%s人员已经是试用状态"};
inline constexpr Message kAlreadyFormal{"AlreadyFormal", "%s人员已经转正,你不能再次选择转正"};
inline constexpr Message kNotOnUnpaidLeaveNoReinstate{"NotOnUnpaidLeaveNoReinstate", "%s人员不处在留职停薪状态,不能选择复职"};
inline constexpr Message kPersonLeftNoChange{"PersonLeftNoChange", "%s人员已离职,不能再登打任何异动单据"};
inline constexpr Message kUnpaidLeaveOnlyReinstateOrLeave{"UnpaidLeaveOnlyReinstateOrLeave", "%s人员处于留职停薪状态,您只能选择复职或离职"};
// A change type outside the codes, from a state that allows other changes (person, code).
inline constexpr Message kChangeTypeUnknown{"ChangeTypeUnknown", "%s人员的异动类型%d不存在"};
inline constexpr Message kUnpaidLeaveMonthsNotPositive{"UnpaidLeaveMonthsNotPositive", "%s人员的留职停薪月必须大于零"};

// Only a person's latest change may be altered.
inline constexpr Message kNotLatestChange{"NotLatestChange", "您要修改,删除的人事记录不是最后一次"};
inline constexpr Message kDeleteNotLatestChange{"DeleteNotLatestChange", "您要删除的单据中含有不是最后一次更改的人员"};
inline constexpr Message kActiveDateBeforeEarlier{"ActiveDateBeforeEarlier", "%s人员的异动单生效日期不能比以前生效日期要小"};

// Undoing a resignation while the person's card has been given to someone else.
inline constexpr Message kCardNoTaken{"CardNoTaken", "人员卡号已被用，无法删除资料"};

// The row itself.
inline constexpr Message kChangePersonEmpty{"ChangePersonEmpty", "人事异动单的人员不能为空"};
inline constexpr Message kChangePersonUnknown{"ChangePersonUnknown", "%s人员不存在"};

}  // namespace humrs::msg
