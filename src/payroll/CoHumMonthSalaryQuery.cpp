#include "payroll/CoHumMonthSalaryQuery.h"

namespace humrs {

const ClassDescriptor& HumMonthSalaryQueryClass() {
    static const ClassDescriptor d = [] {
        ClassDescriptor d;
        d.className = "THumMonthSalaryQuery";
        d.coclass = "HumMonthSalaryQuery";
        d.progId = "QVXHumrs.HumMonthSalaryQuery";
        d.clsid = "{A33CBECD-D169-4DD4-9693-2EE36E0FCBEB}";
        d.interfaceName = "IHumMonthSalaryQuery";
        d.iid = "{541A0E8E-15D8-4229-B74B-C233996A4FD2}";
        d.description = "HumMonthSalaryQuery Object";
        d.keyColumn = "";
        return d;
    }();
    return d;
}

}  // namespace humrs
