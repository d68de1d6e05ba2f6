#include "suite/CoClassCls.h"

#include "core/Convert.h"
#include "core/Text.h"

namespace humrs {

void TClassCls::DoExecuteProc(int procNo, const Variant& arg1, const Variant&, Variant& result) {
    if (procNo != 0) return;
    const std::string classId = Trim(CStr(arg1.IsArray() ? arg1[0] : arg1));
    VariantArray times{Variant(0), Variant(0)};
    if (!classId.empty()) {
        auto row = Db().QueryFirst("Select OnDutyTime, OffDutyTime From humClass Where ClassID = ?",
                                   {Variant(classId)});
        if (row) times = {Variant(CInt((*row)[0])), Variant(CInt((*row)[1]))};
    }
    result = Variant(std::move(times));
}

}  // namespace humrs
