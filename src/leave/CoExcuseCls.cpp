#include "leave/CoExcuseCls.h"

#include "framework/Messages.h"
#include "core/Convert.h"

namespace humrs {

void TExcuseCls::BeforeUpdate() {
    TQVXComBase::BeforeUpdate();
    Dataset& cls = GetDatasets(0);
    if (!(CFloat(cls["ExcuseUnit"]) > 0)) MakeException(0, 0, msg::kExcuseUnitNotPositive);

    cls.Edit();
    // Pay-deduction settings only mean something while the category deducts pay.
    if (!CBool(cls["CutPayment"])) {
        cls.SetFieldValue("MonthTimes", 0);
        cls.SetFieldValue("MonthAccount", 0.0);
        cls.SetFieldValue("YearTimes", 0);
        cls.SetFieldValue("YearAccount", 0.0);
    }
    // Likewise the full-attendance settings while the category leaves that pay alone.
    if (!CBool(cls["CutNoLeave"])) {
        cls.SetFieldValue("NoLeaveType", 0);
        cls.SetFieldValue("CutType", 0);
        cls.SetFieldValue("NoLeaveTimes", 0.0);
        cls.SetFieldValue("NoLeaveAccount", Currency());
    }
    cls.Post();
}

}  // namespace humrs
