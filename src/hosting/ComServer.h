#pragma once
// The in-process server behind the library's entry points: one class factory per
// registered class (static, living as long as the library), the object wrapper that
// gives a business object its client interface (IHumrsBusinessObject) and reference
// count, and the unload rule.
#include <string>
#include <string_view>

#include "framework/ClassDescriptor.h"
#include "humrs/QVXHumrs.h"

namespace humrs {

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (braces optional, either letter case) to a
// GUID; false when the text is not one.
bool ParseGuid(std::string_view text, GUID& out);
// The registry spelling: braces and upper-case hex digits.
std::string GuidText(const GUID& g);
bool SameGuid(const GUID& a, const GUID& b);
// Whether a client passed a null address for an identifier (C clients pass pointers);
// such a call is answered E_INVALIDARG before the identifier is read or handed on.
// Give it the address of the reference parameter: `IsNullIdentifier(&iid)`.
bool IsNullIdentifier(const GUID* address);

// DllGetClassObject: the factory of a class, answering IID_IUnknown, IID_IClassFactory
// and IID_IHumrsClassFactory. A null identifier gives E_INVALIDARG, a null `out` E_POINTER.
HRESULT GetClassObject(const GUID& clsid, const GUID& iid, void** out);
// The classes the server creates objects from: the component's, unless a test put
// others in their place (nullptr restores the component's). The factories stay
// those of the type library.
const ClassRegistry& ServerRegistry();
void UseServerRegistry(const ClassRegistry* registry);

// DllCanUnloadNow: S_OK when no business object is alive and no lock is held.
HRESULT CanUnloadNow();

}  // namespace humrs
