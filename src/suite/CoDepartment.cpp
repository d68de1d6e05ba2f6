#include "suite/CoDepartment.h"

#include "core/Convert.h"
#include "core/Text.h"

namespace humrs {

void TDepartment::DoExecuteProc(int procNo, const Variant& arg1, const Variant&, Variant& result) {
    switch (procNo) {
        case 0: {
            const std::string id = Trim(CStr(arg1.IsArray() ? arg1[0] : arg1));
            auto row = Db().QueryFirst("Select DepartName From comDepartment Where DepartID = ?", {Variant(id)});
            result = Variant(row ? CStr((*row)[0]) : std::string());
            break;
        }
        case 1: {
            auto row = Db().QueryFirst("Select Min(DepartID), Max(DepartID) From comDepartment");
            result = Variant(VariantArray{Variant(row ? CStr((*row)[0]) : std::string()),
                                          Variant(row ? CStr((*row)[1]) : std::string())});
            break;
        }
        default: break;
    }
}

}  // namespace humrs
