#include "suite/CoPerson.h"

#include "suite/Attendance.h"
#include "core/Convert.h"
#include "core/Text.h"

namespace humrs {

void TPerson::DoExecuteProc(int procNo, const Variant& arg1, const Variant&, Variant& result) {
    switch (procNo) {
        case 0: {
            const std::string id = Trim(CStr(arg1.IsArray() ? arg1[0] : arg1));
            auto row = Db().QueryFirst("Select PersonName From comPerson Where PersonID = ?", {Variant(id)});
            result = Variant(row ? CStr((*row)[0]) : std::string());
            break;
        }
        case 1: {
            int date = static_cast<int>(CInt(arg1.IsArray() ? arg1[0] : arg1));
            if (date == 0) date = GetServerDate();
            std::string lowest, highest;
            auto row = Db().QueryFirst(
                "Select Min(PersonID), Max(PersonID) From comPerson Where OnJobDate <> 0 And OnJobDate <= ? "
                "And (LeaveJobDate = 0 Or LeaveJobDate >= ?)",
                {Variant(date), Variant(date)});
            if (row) {
                lowest = CStr((*row)[0]);
                highest = CStr((*row)[1]);
            }
            result = Variant(VariantArray{Variant(lowest), Variant(highest)});
            break;
        }
        case 2: {
            const std::string id = Trim(CStr(arg1[0]));
            const int begin = static_cast<int>(CInt(arg1[1]));
            const int end = static_cast<int>(CInt(arg1[2]));
            const bool whole = arg1[3].IsNullOrEmpty() ? true : CBool(arg1[3]);
            result = Variant(end == 0 ? GetIsOnWork(Db(), id, begin) : GetIsOnWork(Db(), id, begin, end, whole));
            break;
        }
        default: break;
    }
}

}  // namespace humrs
