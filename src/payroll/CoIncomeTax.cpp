#include "payroll/CoIncomeTax.h"

namespace humrs {

const ClassDescriptor& IncomeTaxClass() {
    static const ClassDescriptor d = [] {
        ClassDescriptor d;
        d.className = "TIncomeTax";
        d.coclass = "IncomeTax";
        d.progId = "QVXHumrs.IncomeTax";
        d.clsid = "{3CEEA322-76FF-4245-93AC-65969B389834}";
        d.interfaceName = "IIncomeTax";
        d.iid = "{456FF105-4C1A-400B-A43D-802F987A7CBD}";
        d.gridBase = true;
        d.description = "IncomeTax Object";
        d.keyColumn = "";
        return d;
    }();
    return d;
}

}  // namespace humrs
