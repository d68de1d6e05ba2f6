#include "overtime/CoHumCheckFactory.h"

namespace humrs {

const ClassDescriptor& HumCheckFactoryClass() {
    static const ClassDescriptor d = [] {
        ClassDescriptor d;
        d.className = "THumCheckFactory";
        d.coclass = "HumCheckFactory";
        d.progId = "QVXHumrs.HumCheckFactory";
        d.clsid = "{B02465CC-65AA-4A20-8D6D-0A11C0977D6C}";
        d.interfaceName = "IHumCheckFactory";
        d.iid = "{8429EAE3-AC92-4D01-B9EB-53CF2238698E}";
        d.keyColumn = "";
        return d;
    }();
    return d;
}

}  // namespace humrs
