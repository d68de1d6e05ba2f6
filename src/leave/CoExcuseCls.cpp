#include "leave/CoExcuseCls.h"

#include "leave/LeaveMessages.h"
#include <cstdint>
#include <string>

#include "core/Convert.h"
#include "core/Errors.h"
#include "framework/RefusalPlace.h"
#include "suite/FieldLabels.h"
#include "suite/ProgIds.h"

namespace humrs {

void TExcuseCls::BeforeUpdate() {
    TQVXComBase::BeforeUpdate();
    Dataset& cls = GetDatasets(0);
    // The kind and the unit are small codes the leave rules read as whole numbers: a
    // value past 32 bits would be read as another code by one rule and not by the next.
    for (const char* field : {"ExcuseCls", "UnitName"}) {
        const Variant v = cls[field];
        if (!v.IsNullOrEmpty() && (CInt(v) < INT32_MIN || CInt(v) > INT32_MAX))
            throw InputError(std::string(field) + " " + CStr(v) + " is not a code of a leave category");
    }
    if (!(CFloat(cls["ExcuseUnit"]) > 0)) MakeException(msg::kExcuseUnitNotPositive, {}, AtHeader("ExcuseUnit"));

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

const ClassDescriptor& ExcuseClsClass() {
    static const ClassDescriptor d = [] {
        using namespace column_types;
        ClassDescriptor d;
        d.className = "TExcuseCls";
        d.coclass = "ExcuseCls";
        d.progId = prog_id::kExcuseCls;
        d.role = roles::kAttendance;
        d.clsid = "{62509B61-FD77-424B-9F98-E36AD1791556}";
        d.interfaceName = "IExcuseCls";
        d.iid = "{7746C3AF-A70B-4932-951D-125FB58E3CBE}";
        d.keyColumn = "ExcuseClsID";
        d.title = "请假类别";
        d.labels = WithSharedLabels({{"ExcuseClsID", "类别编号"},
                                      {"CutPayment", "扣薪"},
                                      {"MonthTimes", "每月次数"},
                                      {"MonthAccount", "每月扣款"},
                                      {"YearTimes", "每年次数"},
                                      {"YearAccount", "每年扣款"},
                                      {"CutNoLeave", "影响全勤"},
                                      {"NoLeaveType", "全勤类型"},
                                      {"CutType", "全勤扣款方式"},
                                      {"NoLeaveTimes", "全勤次数"},
                                      {"NoLeaveAccount", "全勤扣款"}});
        d.datasets = {MasterDataset("humExcuseCls", "ExcuseClsID")};
        d.tables.push_back({"humExcuseCls",
                     {{"ExcuseClsID", kText},
                      {"ExcuseClsName", kText},
                      // A category saved without a kind keeps none: it is no personal leave.
                      {"ExcuseCls", kInt, "NULL"},
                      {"UnitName", kInt},  // 0 days, 1 hours, 2 minutes
                      {"ExcuseUnit", kFloat},
                      {"CutPayment", kBool},
                      {"MonthTimes", kInt},
                      {"MonthAccount", kFloat},
                      {"YearTimes", kInt},
                      {"YearAccount", kFloat},
                      {"CutNoLeave", kBool},
                      {"NoLeaveType", kInt},
                      {"CutType", kInt},
                      {"NoLeaveTimes", kFloat},
                      {"NoLeaveAccount", kMoney}},
                     {"ExcuseClsID"}});
        d.tables.back().rememberedInTransaction = true;
        d.indexes.push_back(Index("humExcuseCls", {"ExcuseCls"}));
        d.create = [] { return std::make_unique<TExcuseCls>(); };
        d.demo = ExcuseClsDemo;
        return d;
    }();
    return d;
}

}  // namespace humrs
