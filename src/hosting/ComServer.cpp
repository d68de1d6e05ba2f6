#include "hosting/ComServer.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <new>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <vector>

#include "db/DatabaseFile.h"
#include "db/PostgresDatabase.h"
#include "db/Schema.h"
#include "framework/AuditTrail.h"
#include "framework/ComBase.h"
#include "core/DataPacket.h"
#include "framework/Bill.h"
#include "framework/InputChecks.h"
#include "framework/Json.h"
#include "framework/ServerCounters.h"
#include "hosting/ClassTable.h"

namespace humrs {

// ---------------------------------------------------------------- GUID text

namespace {
int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool ReadHex(std::string_view t, size_t pos, size_t digits, uint64_t& value) {
    value = 0;
    for (size_t i = pos; i < pos + digits; ++i) {
        int h = HexValue(t[i]);
        if (h < 0) return false;
        value = value * 16 + static_cast<uint64_t>(h);
    }
    return true;
}
}  // namespace

bool ParseGuid(std::string_view t, GUID& out) {
    if (t.size() == 38) {
        if (t.front() != '{' || t.back() != '}') return false;
        t = t.substr(1, 36);
    }
    if (t.size() != 36 || t[8] != '-' || t[13] != '-' || t[18] != '-' || t[23] != '-') return false;
    GUID g{};
    uint64_t v = 0;
    if (!ReadHex(t, 0, 8, v)) return false;
    g.Data1 = static_cast<uint32_t>(v);
    if (!ReadHex(t, 9, 4, v)) return false;
    g.Data2 = static_cast<uint16_t>(v);
    if (!ReadHex(t, 14, 4, v)) return false;
    g.Data3 = static_cast<uint16_t>(v);
    // Data4: two bytes before the last dash, six after it.
    static constexpr size_t kBytePos[8] = {19, 21, 24, 26, 28, 30, 32, 34};
    for (int i = 0; i < 8; ++i) {
        if (!ReadHex(t, kBytePos[i], 2, v)) return false;
        g.Data4[i] = static_cast<uint8_t>(v);
    }
    out = g;
    return true;
}

std::string GuidText(const GUID& g) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.Data1, g.Data2,
                  g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6],
                  g.Data4[7]);
    return buf;
}

bool IsNullIdentifier(const GUID* address) {
    // Identifiers reach the library by address (pointers in the C contract). The
    // address is passed through an empty asm so the compiler cannot assume that the
    // address of a reference is never null and drop the check.
    __asm__ volatile("" : "+r"(address));
    return address == nullptr;
}

bool SameGuid(const GUID& a, const GUID& b) {
    return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 &&
           std::memcmp(a.Data4, b.Data4, sizeof a.Data4) == 0;
}

namespace {

using json = Json;

// ---------------------------------------------------------------- JSON <-> Variant
// The client contract carries values as JSON; this is the whole mapping.

// The mapping itself is the component's one JSON mapping (framework/Json.h).
json VariantToJson(const Variant& v) { return ToJson(v); }
Variant JsonToVariant(const json& j) { return FromJson(j, "value"); }

// The component's one JSON reading: depth-limited and linear in the text.
json ParseJson(const char* text, const char* what) { return humrs::ParseJson(text, what); }

// An operation argument: NULL or blank text is an Empty value.
Variant ArgumentValue(const char* text, const char* what) {
    if (!text || std::strspn(text, " \t\r\n") == std::strlen(text)) return Variant();
    return JsonToVariant(ParseJson(text, what));
}

// A bill key: a JSON value, or the whole text when it is not JSON.
Variant KeyValue(const char* text) {
    if (!text) throw InputError("no key given");
    json j;
    try {
        j = humrs::ParseJson(text, "the key");
    } catch (const InputError&) {
        return Variant(std::string(text));
    }
    Variant key = JsonToVariant(j);
    CheckBillKey(key, "the key");
    return key;
}

json Failure(const char* kind, const std::string& message) {
    return {{"ok", false}, {"error", message}, {"failure", kind}, {"notices", json::array()}};
}

json NoticesJson(const std::vector<Notice>& notices) {
    json a = json::array();
    for (const auto& n : notices) a.push_back({{"text", n.text}, {"kind", n.kind}, {"flag", n.flag}});
    return a;
}

// The JSON answer of an outcome and its HRESULT: bad input E_INVALIDARG, every
// other failure E_FAIL, with the kind of failure named in "failure".
HRESULT OutcomeJson(const Outcome& o, json& out) {
    const char* kind = o.ok ? nullptr : FailureName(o.failure);
    if (!o.ok && !kind) kind = "internal";
    out = {{"ok", o.ok}, {"notices", NoticesJson(o.notices)}};
    out["error"] = o.ok ? json(nullptr) : json(o.error);
    PutRefusal(out, o);
    out["failure"] = kind ? json(kind) : json(nullptr);
    if (o.ok) return S_OK;
    return o.failure == Outcome::Kind::BadInput ? E_INVALIDARG : E_FAIL;
}

json OutcomeJson(const Outcome& o, HRESULT& hr) {
    json out;
    hr = OutcomeJson(o, out);
    return out;
}

char* CopyText(const std::string& s) {
    char* p = static_cast<char*>(std::malloc(s.size() + 1));
    if (p) std::memcpy(p, s.c_str(), s.size() + 1);
    return p;
}

// ---------------------------------------------------------------- factories

struct Factory {
    IHumrsClassFactory iface;  // first: the interface pointer is the factory's address
    const ClassEntry* entry;
    GUID clsid;
    GUID iid;      // the class interface
    GUID baseIid;  // the framework interface it is based on (bill or grid)
};

Factory* FactoryOf(void* iface) { return reinterpret_cast<Factory*>(iface); }

// ---------------------------------------------------------------- business objects

class BusinessObject;

struct ObjectHandle {
    IHumrsBusinessObject iface;  // first: the interface pointer is the handle's address
    BusinessObject* self;
};

extern const IHumrsBusinessObjectVtbl kObjectVtbl;

class BusinessObject {
public:
    BusinessObject(const Factory& factory, const ClassDescriptor& descriptor, std::unique_ptr<TQVXComBase> object)
        : handle_{{&kObjectVtbl}, this}, factory_(&factory), descriptor_(&descriptor), object_(std::move(object)) {}

    static BusinessObject& Of(IHumrsBusinessObject* iface) {
        return *reinterpret_cast<ObjectHandle*>(iface)->self;
    }
    IHumrsBusinessObject* Interface() { return &handle_.iface; }

    HRESULT QueryInterface(const GUID& iid, void** out) {
        if (!out) return E_POINTER;
        if (IsNullIdentifier(&iid)) {
            *out = nullptr;
            return E_INVALIDARG;
        }
        if (SameGuid(iid, IID_IUnknown) || SameGuid(iid, IID_IHumrsBusinessObject) ||
            SameGuid(iid, factory_->iid) || SameGuid(iid, factory_->baseIid)) {
            AddRef();
            *out = Interface();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() { return refs_.fetch_add(1) + 1; }
    ULONG Release() {
        ULONG left = refs_.fetch_sub(1) - 1;
        if (left == 0) delete this;
        return left;
    }

    // Runs one client operation: writes the JSON result, never lets an exception out.
    template <class F>
    HRESULT Run(char** result, F&& body) {
        if (!result) return E_POINTER;
        *result = nullptr;
        json out;
        HRESULT hr = S_OK;
        try {
            std::lock_guard lock(mu_);
            hr = body(out);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        } catch (const json::exception& e) {
            out = Failure("input", e.what()), hr = E_INVALIDARG;
        } catch (...) {
            hr = OutcomeJson(FailureOutcome(std::current_exception()), out);
        }
        try {
            *result = CopyText(out.dump(-1, ' ', false, json::error_handler_t::replace));
        } catch (...) {
        }
        return *result ? hr : E_OUTOFMEMORY;
    }

    HRESULT Bind(const char* dbPath, const char* optionsText, json& out) {
        if (!dbPath || !*dbPath) throw InputError("no database path given");
        json options = json::object();
        if (optionsText && std::strspn(optionsText, " \t\r\n") != std::strlen(optionsText))
            options = ParseJson(optionsText, "the options");
        if (!options.is_object()) throw InputError("the options must be a JSON object");
        // Read every option before anything changes.
        int contextNumber = 1, loginType = 0, serverDate = 0;
        bool mergeIn = false, createSchema = false;
        std::optional<int> localType;
        for (const auto& item : options.items()) {
            const std::string& name = item.key();
            const nlohmann::json& value = item.value();
            // Read as 64 bits and checked, so that a value past 32 bits is refused
            // rather than wrapped around into another (4294967301 is not login type 5).
            auto wide = [&]() -> int64_t {
                if (value.is_number_unsigned() &&
                    value.get<uint64_t>() > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()))
                    throw InputError("option " + name + ": " + value.dump() + " is out of range");
                if (!value.is_number_integer()) throw InputError("option " + name + " must be a whole number");
                return value.get<int64_t>();
            };
            auto integer = [&]() -> int { return CheckInt32(wide(), "option " + name); };
            auto boolean = [&]() -> bool {
                if (!value.is_boolean()) throw InputError("option " + name + " must be true or false");
                return value.get<bool>();
            };
            if (name == "contextNumber")
                contextNumber = integer();
            else if (name == "loginType")
                loginType = integer();
            else if (name == "mergeIn")
                mergeIn = boolean();
            else if (name == "localType")
                localType = value.is_null() ? std::nullopt : std::optional<int>(integer());
            else if (name == "serverDate")
                serverDate = CheckServerDate(wide(), "option serverDate");
            else if (name == "createSchema")
                createSchema = boolean();
            else
                throw InputError("unknown option " + name);
        }
        // A folder, a pipe or a device is refused before SQLite opens it (a pipe
        // would block the open); a database of a newer schema is not used.
        if (!IsPostgresUrl(dbPath)) CheckDatabaseFile(dbPath, FileAccess::Write);
        std::unique_ptr<Database> db = OpenDatabase(dbPath);
        CheckSchemaVersion(*db, dbPath);
        const ClassRegistry& classes = ServerRegistry();
        if (createSchema) CreateOrUpgradeSchema(*db, classes.Tables(), classes.Indexes());
        auto session = std::make_unique<Session>(*db, classes);
        session->contextNumber = contextNumber;
        session->loginType = loginType;
        session->mergeIn = mergeIn;
        session->localType = localType;
        session->serverDate = serverDate;
        // The library runs as the operating-system user of its client's process.
        session->actor = OperatingSystemActor("library");
        // The object may still point at the old session until Initialize has run; it
        // counts as unbound until then, so nothing reaches the old one.
        bound_ = false;
        std::unique_ptr<Session> oldSession = std::move(session_);
        std::unique_ptr<Database> oldDb = std::move(db_);
        db_ = std::move(db);
        session_ = std::move(session);
        object_->Initialize(*session_, *descriptor_);
        bound_ = true;
        out = {{"ok", true},
               {"error", nullptr},
               {"failure", nullptr},
               {"notices", json::array()},
               {"progId", factory_->entry->progId},
               {"clsid", factory_->entry->clsid}};
        return S_OK;
    }

    HRESULT Open(const char* key, json& out) {
        RequireBound();
        Variant k = KeyValue(key);
        return WithDatasets(object_->Open(k), out);
    }
    HRESULT AddNew(json& out) {
        RequireBound();
        return WithDatasets(object_->AddNew(), out);
    }
    HRESULT Edit(const char* key, json& out) {
        RequireBound();
        Variant k = KeyValue(key);
        return WithDatasets(object_->Edit(k), out);
    }
    HRESULT Delete(const char* key, json& out) {
        RequireBound();
        Variant k = KeyValue(key);
        HRESULT hr;
        out = OutcomeJson(object_->Delete(k), hr);
        return hr;
    }

    HRESULT Save(const char* billText, json& out) {
        RequireBound();
        if (!billText) throw InputError("no bill given");
        const BillInput bill = BillFromJson(ParseJson(billText, "the bill"));
        HRESULT hr = WithDatasets(SaveBill(*object_, bill), out);
        if (hr == S_OK) out["key"] = VariantToJson(HeldKey(*object_));
        return hr;
    }

    HRESULT CheckField(int32_t dataset, const char* namesText, const char* valuesText, json& out) {
        RequireBound();
        Variant names = ArgumentValue(namesText, "the field names");
        Variant values = ArgumentValue(valuesText, "the field values");
        if (!names.IsArray() || !values.IsArray())
            throw InputError("field names and values must be JSON arrays");
        CheckFieldArguments(factory_->entry->progId, object_->DatasetCount(), dataset, names.AsArray().size(),
                            values.AsArray().size());
        Outcome o = object_->CheckFieldValues(dataset, names.AsArray(), values.AsArray());
        HRESULT hr;
        out = OutcomeJson(o, hr);
        if (o.ok) {
            json fields = json::array();
            for (const auto& [name, value] : o.fields)
                fields.push_back({{"name", name}, {"value", VariantToJson(value)}});
            out["fields"] = std::move(fields);
        }
        return hr;
    }

    HRESULT ExecuteProc(int32_t procNo, const char* arg1, const char* arg2, json& out) {
        RequireBound();
        Variant a1 = ArgumentValue(arg1, "argument 1");
        Variant a2 = ArgumentValue(arg2, "argument 2");
        Outcome o = object_->ExecuteProc(procNo, a1, a2);
        HRESULT hr;
        out = OutcomeJson(o, hr);
        if (o.ok) out["result"] = VariantToJson(o.result);
        return hr;
    }

private:
    // Not before Bind: the framework object has no session until then.
    void RequireBound() const {
        if (!bound_) throw StateError("the business object is not bound to a database; call Bind first");
    }
    struct StateError : std::runtime_error {
        using std::runtime_error::runtime_error;
    };

    HRESULT WithDatasets(const Outcome& o, json& out) {
        HRESULT hr;
        out = OutcomeJson(o, hr);
        if (o.ok) {
            out["datasets"] = DatasetsToJson(*object_);
        }
        return hr;
    }

public:
    // A call before Bind gives E_UNEXPECTED with failure "state".
    template <class F>
    HRESULT RunBound(char** result, F&& body) {
        return Run(result, [&](json& out) -> HRESULT {
            try {
                return body(out);
            } catch (const StateError& e) {
                out = Failure("state", e.what());
                return E_UNEXPECTED;
            }
        });
    }

private:
    ObjectHandle handle_;
    const Factory* factory_;
    const ClassDescriptor* descriptor_;
    std::atomic<ULONG> refs_{1};
    std::mutex mu_;
    bool bound_ = false;
    // Declared before the object so that they outlive it.
    std::unique_ptr<Database> db_;
    std::unique_ptr<Session> session_;
    std::unique_ptr<TQVXComBase> object_;
};

// ---- the interface table of a business object

HRESULT ObjQueryInterface(IHumrsBusinessObject* This, REFIID iid, void** out) {
    // A null identifier is answered here, before it is handed on as a reference.
    if (out && IsNullIdentifier(&iid)) {
        *out = nullptr;
        return E_INVALIDARG;
    }
    return BusinessObject::Of(This).QueryInterface(iid, out);
}
ULONG ObjAddRef(IHumrsBusinessObject* This) { return BusinessObject::Of(This).AddRef(); }
ULONG ObjRelease(IHumrsBusinessObject* This) { return BusinessObject::Of(This).Release(); }
HRESULT ObjBind(IHumrsBusinessObject* This, const char* dbPath, const char* options, char** result) {
    auto& o = BusinessObject::Of(This);
    return o.Run(result, [&](json& out) { return o.Bind(dbPath, options, out); });
}
HRESULT ObjOpen(IHumrsBusinessObject* This, const char* key, char** result) {
    auto& o = BusinessObject::Of(This);
    return o.RunBound(result, [&](json& out) { return o.Open(key, out); });
}
HRESULT ObjAddNew(IHumrsBusinessObject* This, char** result) {
    auto& o = BusinessObject::Of(This);
    return o.RunBound(result, [&](json& out) { return o.AddNew(out); });
}
HRESULT ObjEdit(IHumrsBusinessObject* This, const char* key, char** result) {
    auto& o = BusinessObject::Of(This);
    return o.RunBound(result, [&](json& out) { return o.Edit(key, out); });
}
HRESULT ObjSave(IHumrsBusinessObject* This, const char* bill, char** result) {
    auto& o = BusinessObject::Of(This);
    return o.RunBound(result, [&](json& out) { return o.Save(bill, out); });
}
HRESULT ObjDelete(IHumrsBusinessObject* This, const char* key, char** result) {
    auto& o = BusinessObject::Of(This);
    return o.RunBound(result, [&](json& out) { return o.Delete(key, out); });
}
HRESULT ObjCheckField(IHumrsBusinessObject* This, int32_t dataset, const char* names, const char* values,
                      char** result) {
    auto& o = BusinessObject::Of(This);
    return o.RunBound(result, [&](json& out) { return o.CheckField(dataset, names, values, out); });
}
HRESULT ObjExecuteProc(IHumrsBusinessObject* This, int32_t procNo, const char* arg1, const char* arg2,
                       char** result) {
    auto& o = BusinessObject::Of(This);
    return o.RunBound(result, [&](json& out) { return o.ExecuteProc(procNo, arg1, arg2, out); });
}
void ObjFreeString(IHumrsBusinessObject*, char* text) { std::free(text); }

const IHumrsBusinessObjectVtbl kObjectVtbl = {
    ObjQueryInterface, ObjAddRef, ObjRelease, ObjBind,       ObjOpen,        ObjAddNew,
    ObjEdit,           ObjSave,   ObjDelete,  ObjCheckField, ObjExecuteProc, ObjFreeString,
};

// ---- the interface table of a factory

HRESULT FacQueryInterface(IHumrsClassFactory* This, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (IsNullIdentifier(&iid)) {
        *out = nullptr;
        return E_INVALIDARG;
    }
    if (SameGuid(iid, IID_IUnknown) || SameGuid(iid, IID_IClassFactory) ||
        SameGuid(iid, IID_IHumrsClassFactory)) {
        *out = This;
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}
// Factories are static: their reference count is nominal and never frees them.
ULONG FacAddRef(IHumrsClassFactory*) { return 2; }
ULONG FacRelease(IHumrsClassFactory*) { return 1; }

HRESULT FacCreateInstanceEx(IHumrsClassFactory* This, IUnknown* outer, REFIID iid, void** out,
                            char** reason) {
    if (reason) *reason = nullptr;
    if (!out) return E_POINTER;
    *out = nullptr;
    const Factory& f = *FactoryOf(This);
    auto fail = [&](HRESULT hr, const std::string& why) {
        if (reason) *reason = CopyText(why);
        return hr;
    };
    if (IsNullIdentifier(&iid)) return fail(E_INVALIDARG, "no interface identifier given");
    if (outer) return fail(CLASS_E_NOAGGREGATION, "business objects cannot be aggregated");
    try {
        const ClassDescriptor* descriptor = ServerRegistry().Find(f.entry->progId);
        std::unique_ptr<TQVXComBase> object = descriptor && descriptor->create ? descriptor->create() : nullptr;
        if (!object)
            return fail(CLASS_E_CLASSNOTAVAILABLE, std::string("the business object ") + f.entry->progId +
                                                       " (" + f.entry->className +
                                                       ") is not part of this build");
        auto* wrapper = new BusinessObject(f, *descriptor, std::move(object));
        HRESULT hr = wrapper->QueryInterface(iid, out);
        wrapper->Release();  // the caller's reference, if any, keeps it alive
        if (FAILED(hr))
            return fail(hr, std::string("the business object ") + f.entry->progId + " has no interface " +
                                GuidText(iid));
        return S_OK;
    } catch (const std::bad_alloc&) {
        return fail(E_OUTOFMEMORY, "out of memory");
    } catch (const std::exception& e) {
        return fail(E_FAIL, std::string("creating ") + f.entry->progId + " failed: " + e.what());
    } catch (...) {
        return fail(E_FAIL, std::string("creating ") + f.entry->progId + " failed");
    }
}

HRESULT FacCreateInstance(IHumrsClassFactory* This, IUnknown* outer, REFIID iid, void** out) {
    if (out && IsNullIdentifier(&iid)) {
        *out = nullptr;
        return E_INVALIDARG;
    }
    return FacCreateInstanceEx(This, outer, iid, out, nullptr);
}

HRESULT FacLockServer(IHumrsClassFactory*, BOOL lock) {
    if (lock)
        ServerCounters::Lock();
    else if (ServerCounters::LockCount() > 0)  // an unbalanced unlock is ignored
        ServerCounters::Unlock();
    return S_OK;
}

void FacFreeString(IHumrsClassFactory*, char* text) { std::free(text); }

const IHumrsClassFactoryVtbl kFactoryVtbl = {
    FacQueryInterface, FacAddRef,           FacRelease,    FacCreateInstance,
    FacLockServer,     FacCreateInstanceEx, FacFreeString,
};

// One factory per class of the table, made once and kept until the library goes.
const std::vector<Factory>& Factories() {
    static const std::vector<Factory> factories = [] {
        GUID bill{}, grid{};
        ParseGuid(kBillInterfaceIid, bill);
        ParseGuid(kGridInterfaceIid, grid);
        std::vector<Factory> list;
        list.reserve(ClassTable().size());
        for (const auto& e : ClassTable()) {
            Factory f{{&kFactoryVtbl}, &e, {}, {}, e.gridBase ? grid : bill};
            ParseGuid(e.clsid, f.clsid);
            ParseGuid(e.iid, f.iid);
            list.push_back(f);
        }
        return list;
    }();
    return factories;
}

}  // namespace

namespace {
const ClassRegistry* g_registry = nullptr;
}  // namespace

const ClassRegistry& ServerRegistry() { return g_registry ? *g_registry : ComponentRegistry(); }

void UseServerRegistry(const ClassRegistry* registry) { g_registry = registry; }

HRESULT GetClassObject(const GUID& clsid, const GUID& iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (IsNullIdentifier(&clsid) || IsNullIdentifier(&iid)) return E_INVALIDARG;
    try {
        for (const auto& f : Factories())
            if (SameGuid(f.clsid, clsid))
                return FacQueryInterface(const_cast<IHumrsClassFactory*>(&f.iface), iid, out);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT CanUnloadNow() {
    return ServerCounters::LiveObjects() == 0 && ServerCounters::LockCount() == 0 ? S_OK : S_FALSE;
}

}  // namespace humrs
