#include "overtime/CoOverTimeCls.h"

#include "core/Convert.h"
#include "framework/RefusalPlace.h"
#include "overtime/OverTimeClsMessages.h"
#include "suite/FieldLabels.h"

namespace humrs {

void TOverTimeCls::BeforeUpdate() {
    TQVXComBase::BeforeUpdate();
    Dataset& cls = GetDatasets(0);
    const bool hasLimit = CFloat(cls["OverMonth"]) > 0;  // 0 or less: no monthly limit
    const std::string item = CStr(cls["OverSalaryID"]);
    // An item counts as filled in when its text is not empty: blanks are something
    // the user typed, and the same test holds whichever way the limit goes.
    if (hasLimit && item.empty()) MakeException(msg::kOverTimeClsHandlingIncomplete, {}, AtHeader("OverSalaryID"));
    // Without a limit no hours go to an item, so none may be named.
    if (!hasLimit && !item.empty()) MakeException(msg::kOverTimeClsHandlingIncomplete, {}, AtHeader("OverSalaryID"));
}

std::string TOverTimeCls::GetBillRptModelName() {
    return GetLocalType() == 0 ? "Humrs_OvertimeClsSC" : "Humrs_OvertimeClsTC";
}

const ClassDescriptor& OvertimeClsClass() {
    static const ClassDescriptor d = [] {
        using namespace column_types;
        ClassDescriptor d;
        d.className = "TOverTimeCls";
        d.coclass = "OvertimeCls";
        d.progId = "QVXHumrs.OvertimeCls";
        d.role = roles::kAttendance;
        d.clsid = "{73CDC484-F5F6-4BC7-9854-F22A4F9D7EC3}";
        d.interfaceName = "IOvertimeCls";
        d.iid = "{B897C3FB-37C5-43F9-B732-D8C1B58A7022}";
        d.keyColumn = "OTClsID";
        d.title = "加班类别";
        d.labels = WithSharedLabels({{"OTClsID", "类别编号"},
                                      {"OTClsName", "类别名称"},
                                      {"OverMonth", "每月加班上限"},
                                      {"OverSalaryID", "超时薪资项目"}});
        d.datasets = {MasterDataset("humOverTimeCls", "OTClsID")};
        d.tables.push_back({"humOverTimeCls",
                     {{"OTClsID", kText}, {"OTClsName", kText}, {"OverMonth", kFloat}, {"OverSalaryID", kText}},
                     {"OTClsID"}});
        d.create = [] { return std::make_unique<TOverTimeCls>(); };
        d.demo = OvertimeClsDemo;
        return d;
    }();
    return d;
}

}  // namespace humrs
