// The server library as a client sees it: loaded with dlopen, reached only through its
// four entry points and the interface tables they hand out.
#include "BuildPaths.h"
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "support/Files.h"
#include "framework/ComBase.h"
#include "hosting/ClassTable.h"
#include "hosting/ComServer.h"
#include "hosting/Registration.h"
#include "humrs/QVXHumrs.h"

namespace humrs {
namespace {

namespace fs = std::filesystem;
using json = nlohmann::json;

const char* const kLibrary = HUMRS_BINARY_DIR "/libQVXHumrs.so";

GUID Guid(const std::string& text) {
    GUID g{};
    EXPECT_TRUE(ParseGuid(text, g)) << text;
    return g;
}

using testing::ReadFile;

class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "humrs-server-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
    }
    ~TempDir() { fs::remove_all(path_); }
    const fs::path& Path() const { return path_; }

private:
    fs::path path_;
};

// Points HUMRS_REGISTRY at a file of a private directory while it lives.
class RegistryFile {
public:
    RegistryFile() : path_(dir_.Path() / "registry.json") {
        if (const char* old = getenv("HUMRS_REGISTRY")) old_ = old, hadOld_ = true;
        setenv("HUMRS_REGISTRY", path_.c_str(), 1);
    }
    ~RegistryFile() {
        if (hadOld_)
            setenv("HUMRS_REGISTRY", old_.c_str(), 1);
        else
            unsetenv("HUMRS_REGISTRY");
    }
    const fs::path& Path() const { return path_; }
    json Keys() const { return json::parse(ReadFile(path_)); }

private:
    TempDir dir_;
    fs::path path_;
    std::string old_;
    bool hadOld_ = false;
};

// One result of an IHumrsBusinessObject operation: its HRESULT and parsed JSON.
struct Reply {
    HRESULT hr;
    json body;
};

template <class F>
Reply Call(IHumrsBusinessObject* o, F&& op) {
    char* text = nullptr;
    HRESULT hr = op(&text);
    EXPECT_NE(text, nullptr);
    json body = text ? json::parse(text) : json();
    o->lpVtbl->FreeString(o, text);
    return {hr, body};
}

class ServerLibrary : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        handle_ = dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle_, nullptr) << dlerror();
        getClassObject_ = reinterpret_cast<PFN_DllGetClassObject>(dlsym(handle_, "DllGetClassObject"));
        canUnloadNow_ = reinterpret_cast<PFN_DllCanUnloadNow>(dlsym(handle_, "DllCanUnloadNow"));
        register_ = reinterpret_cast<PFN_DllRegisterServer>(dlsym(handle_, "DllRegisterServer"));
        unregister_ = reinterpret_cast<PFN_DllUnregisterServer>(dlsym(handle_, "DllUnregisterServer"));
    }
    static void TearDownTestSuite() {
        if (handle_) dlclose(handle_);
        handle_ = nullptr;
    }
    void SetUp() override {
        ASSERT_NE(handle_, nullptr);
        ASSERT_TRUE(getClassObject_ && canUnloadNow_ && register_ && unregister_);
        ASSERT_EQ(canUnloadNow_(), S_OK) << "an earlier test left an object or a lock behind";
    }

    static IHumrsClassFactory* Factory(const std::string& clsid) {
        void* f = nullptr;
        EXPECT_EQ(getClassObject_(Guid(clsid), IID_IHumrsClassFactory, &f), S_OK) << clsid;
        return static_cast<IHumrsClassFactory*>(f);
    }

    // A new object of the class, or nullptr (with the reason) when the class is not
    // part of this build.
    static IHumrsBusinessObject* Create(const ClassEntry& e, std::string* reason = nullptr) {
        IHumrsClassFactory* f = Factory(e.clsid);
        if (!f) return nullptr;
        void* obj = nullptr;
        char* why = nullptr;
        HRESULT hr = f->lpVtbl->CreateInstanceEx(f, nullptr, IID_IHumrsBusinessObject, &obj, &why);
        if (reason) *reason = why ? why : "";
        f->lpVtbl->FreeString(f, why);
        f->lpVtbl->Release(f);
        if (hr != S_OK) EXPECT_EQ(obj, nullptr);
        return hr == S_OK ? static_cast<IHumrsBusinessObject*>(obj) : nullptr;
    }

    static inline void* handle_ = nullptr;
    static inline PFN_DllGetClassObject getClassObject_ = nullptr;
    static inline PFN_DllCanUnloadNow canUnloadNow_ = nullptr;
    static inline PFN_DllRegisterServer register_ = nullptr;
    static inline PFN_DllUnregisterServer unregister_ = nullptr;
};

const ClassEntry& Entry(const char* progId) {
    const ClassEntry* e = FindClassEntry(progId);
    EXPECT_NE(e, nullptr) << progId;
    return *e;
}

#define CREATE_OR_SKIP(var, progId)                                  \
    std::string var##Reason;                                         \
    IHumrsBusinessObject* var = Create(Entry(progId), &var##Reason); \
    if (!var) GTEST_SKIP() << progId << " cannot be created yet (" << var##Reason << ")"

// ---------------------------------------------------------------- entry points

TEST_F(ServerLibrary, UnloadAllowedOnlyWhileNoObjectIsAlive) {
    CREATE_OR_SKIP(obj, "QVXHumrs.ExcuseCls");
    EXPECT_EQ(canUnloadNow_(), S_FALSE);
    EXPECT_EQ(obj->lpVtbl->AddRef(obj), 2u);
    EXPECT_EQ(obj->lpVtbl->Release(obj), 1u);
    EXPECT_EQ(canUnloadNow_(), S_FALSE);  // still one reference
    EXPECT_EQ(obj->lpVtbl->Release(obj), 0u);
    EXPECT_EQ(canUnloadNow_(), S_OK);
}

TEST_F(ServerLibrary, UnloadRefusedWhileFactoryLocked) {
    IHumrsClassFactory* f = Factory(Entry("QVXHumrs.IncomeTax").clsid);
    ASSERT_NE(f, nullptr);
    // lock, lock, unlock, unlock, unlock too many, lock, unlock
    const BOOL steps[] = {1, 1, 0, 0, 0, 1, 0};
    const HRESULT expected[] = {S_FALSE, S_FALSE, S_FALSE, S_OK, S_OK, S_FALSE, S_OK};
    for (size_t i = 0; i < std::size(steps); ++i) {
        EXPECT_EQ(f->lpVtbl->LockServer(f, steps[i]), S_OK);
        EXPECT_EQ(canUnloadNow_(), expected[i]) << "after step " << i;
    }
}

TEST_F(ServerLibrary, ClassObjectLookup) {
    // The standard marshaller's CLSID (a class of another library), and an interface ID.
    for (const std::string& foreign : {std::string("{00020424-0000-0000-C000-000000000046}"), Entry("QVXHumrs.Excuse").iid}) {
        void* out = reinterpret_cast<void*>(0x1);
        EXPECT_EQ(getClassObject_(Guid(foreign), IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
        EXPECT_EQ(out, nullptr);
    }
    EXPECT_EQ(getClassObject_(Guid(Entry("QVXHumrs.Excuse").clsid), IID_IClassFactory, nullptr), E_POINTER);
    // Every class has a factory; it answers the factory interfaces and nothing else.
    for (const auto& e : ClassTable()) {
        for (const IID& iid : {IID_IUnknown, IID_IClassFactory, IID_IHumrsClassFactory}) {
            void* f = nullptr;
            EXPECT_EQ(getClassObject_(Guid(e.clsid), iid, &f), S_OK) << e.progId;
            EXPECT_NE(f, nullptr);
        }
        for (const IID& iid : {IID_IHumrsBusinessObject, Guid(e.iid)}) {
            void* out = reinterpret_cast<void*>(0x1);
            EXPECT_EQ(getClassObject_(Guid(e.clsid), iid, &out), E_NOINTERFACE) << e.progId;
            EXPECT_EQ(out, nullptr);
        }
    }
}

TEST_F(ServerLibrary, CreateInstanceGivesObjectOrReason) {
    for (const auto& e : ClassTable()) {
        std::string reason;
        if (IHumrsBusinessObject* obj = Create(e, &reason)) {
            EXPECT_EQ(obj->lpVtbl->Release(obj), 0u);
        } else {  // a class not built yet says so
            EXPECT_NE(reason.find(e.progId), std::string::npos) << reason;
            void* out = reinterpret_cast<void*>(0x1);
            IHumrsClassFactory* f = Factory(e.clsid);
            EXPECT_EQ(f->lpVtbl->CreateInstance(f, nullptr, IID_IUnknown, &out), CLASS_E_CLASSNOTAVAILABLE);
            EXPECT_EQ(out, nullptr);
        }
        EXPECT_EQ(canUnloadNow_(), S_OK) << e.progId;
    }
    IHumrsClassFactory* f = Factory(Entry("QVXHumrs.ExcuseCls").clsid);
    void* out = reinterpret_cast<void*>(0x1);
    IUnknown outer{};
    EXPECT_EQ(f->lpVtbl->CreateInstance(f, &outer, IID_IUnknown, &out), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(f->lpVtbl->CreateInstance(f, nullptr, IID_IUnknown, nullptr), E_POINTER);
    out = reinterpret_cast<void*>(0x1);
    HRESULT hr = f->lpVtbl->CreateInstance(f, nullptr, IID_IClassFactory, &out);
    EXPECT_TRUE(hr == E_NOINTERFACE || hr == CLASS_E_CLASSNOTAVAILABLE) << std::hex << hr;
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(canUnloadNow_(), S_OK);  // the object made for the refused request is gone
}

// A bill class answers the bill interface, the grid class the grid interface.
TEST_F(ServerLibrary, ObjectAnswersItsClassAndFrameworkInterfaces) {
    for (const char* progId : {"QVXHumrs.ExcuseCls", "QVXHumrs.IncomeTax"}) {
        const ClassEntry& e = Entry(progId);
        IHumrsBusinessObject* obj = Create(e);
        if (!obj) continue;  // not built yet
        const IID base = Guid(e.gridBase ? kGridInterfaceIid : kBillInterfaceIid);
        const IID otherBase = Guid(e.gridBase ? kBillInterfaceIid : kGridInterfaceIid);
        for (const IID& iid : {IID_IUnknown, IID_IHumrsBusinessObject, Guid(e.iid), base}) {
            void* out = nullptr;
            EXPECT_EQ(obj->lpVtbl->QueryInterface(obj, iid, &out), S_OK) << progId << GuidText(iid);
            EXPECT_EQ(out, obj);
            if (out) obj->lpVtbl->Release(obj);
        }
        for (const IID& iid :
             {IID_IClassFactory, otherBase, Guid(kEventInterfaceIid), Guid(Entry("QVXHumrs.Excuse").iid)}) {
            void* out = reinterpret_cast<void*>(0x1);
            EXPECT_EQ(obj->lpVtbl->QueryInterface(obj, iid, &out), E_NOINTERFACE) << progId << GuidText(iid);
            EXPECT_EQ(out, nullptr);
        }
        EXPECT_EQ(obj->lpVtbl->QueryInterface(obj, IID_IUnknown, nullptr), E_POINTER);
        EXPECT_EQ(obj->lpVtbl->Release(obj), 0u);
    }
}

// ---------------------------------------------------------------- client operations

TEST_F(ServerLibrary, BillLifecycleThroughTheInterface) {
    CREATE_OR_SKIP(obj, "QVXHumrs.ExcuseCls");
    TempDir dir;
    std::string db = (dir.Path() / "hr.db").string();
    Reply r = Call(obj, [&](char** t) {
        return obj->lpVtbl->Bind(obj, db.c_str(), R"({"createSchema": true, "localType": 1})", t);
    });
    ASSERT_EQ(r.hr, S_OK) << r.body.dump();
    EXPECT_EQ(r.body["progId"], "QVXHumrs.ExcuseCls");

    r = Call(obj, [&](char** t) { return obj->lpVtbl->AddNew(obj, t); });
    ASSERT_EQ(r.hr, S_OK) << r.body.dump();
    ASSERT_EQ(r.body["datasets"].size(), 1u);

    // A business refusal: E_FAIL with the class's message, nothing stored.
    const char* badUnit =
        R"({"datasets": [[{"ExcuseClsID": "01", "ExcuseClsName": "事假", "ExcuseUnit": 0}]]})";
    r = Call(obj, [&](char** t) { return obj->lpVtbl->Save(obj, badUnit, t); });
    EXPECT_EQ(r.hr, E_FAIL);
    EXPECT_EQ(r.body["failure"], "refused");
    EXPECT_EQ(r.body["error"], "计假单位不可小于等于0");

    const char* bill = R"({"datasets": [[{"ExcuseClsID": "01", "ExcuseClsName": "事假", "ExcuseUnit": 1,
                                          "CutPayment": false, "MonthTimes": 3}]]})";
    r = Call(obj, [&](char** t) { return obj->lpVtbl->Save(obj, bill, t); });
    ASSERT_EQ(r.hr, S_OK) << r.body.dump();
    EXPECT_EQ(r.body["key"], "01");
    EXPECT_EQ(r.body["datasets"][0][0]["MonthTimes"], 0);  // cleared by the class's rule

    // Open from a second object on the same file: the save was committed. Saving the
    // stored bill again from there changes it, as the command does.
    CREATE_OR_SKIP(other, "QVXHumrs.ExcuseCls");
    Call(other, [&](char** t) { return other->lpVtbl->Bind(other, db.c_str(), nullptr, t); });
    const char* renamed = R"({"datasets": [[{"ExcuseClsID": "01", "ExcuseClsName": "事假", "ExcuseUnit": 1}]]})";
    r = Call(other, [&](char** t) { return other->lpVtbl->Save(other, renamed, t); });
    ASSERT_EQ(r.hr, S_OK) << r.body.dump();
    r = Call(other, [&](char** t) { return other->lpVtbl->Open(other, "\"01\"", t); });
    ASSERT_EQ(r.hr, S_OK) << r.body.dump();
    EXPECT_EQ(r.body["datasets"][0][0]["ExcuseClsName"], "事假");
    EXPECT_EQ(r.body["datasets"][0][0]["ExcuseUnit"], 1.0);
    r = Call(other, [&](char** t) { return other->lpVtbl->Open(other, "02", t); });
    EXPECT_EQ(r.hr, E_INVALIDARG);
    EXPECT_EQ(r.body["failure"], "input");

    r = Call(obj, [&](char** t) { return obj->lpVtbl->Delete(obj, "01", t); });  // not JSON text: a text key
    EXPECT_EQ(r.hr, S_OK) << r.body.dump();
    r = Call(other, [&](char** t) { return other->lpVtbl->Open(other, "\"01\"", t); });
    EXPECT_EQ(r.hr, E_INVALIDARG);

    other->lpVtbl->Release(other);
    obj->lpVtbl->Release(obj);
    EXPECT_EQ(canUnloadNow_(), S_OK);
}

TEST_F(ServerLibrary, CallerMistakesAreReported) {
    CREATE_OR_SKIP(obj, "QVXHumrs.ExcuseCls");
    Reply r = Call(obj, [&](char** t) { return obj->lpVtbl->AddNew(obj, t); });
    EXPECT_EQ(r.hr, E_UNEXPECTED);  // not bound yet
    EXPECT_EQ(r.body["failure"], "state");
    EXPECT_EQ(obj->lpVtbl->Open(obj, "\"01\"", nullptr), E_POINTER);

    TempDir dir;
    std::string db = (dir.Path() / "hr.db").string();
    for (const char* options : {R"({"localTyp": 1})", R"({"loginType": "5"})", "[]"}) {
        r = Call(obj, [&](char** t) { return obj->lpVtbl->Bind(obj, db.c_str(), options, t); });
        EXPECT_EQ(r.hr, E_INVALIDARG) << options;
    }
    r = Call(obj, [&](char** t) { return obj->lpVtbl->ExecuteProc(obj, 0, nullptr, nullptr, t); });
    EXPECT_EQ(r.hr, E_UNEXPECTED);  // failed binds leave it unbound

    r = Call(obj,
             [&](char** t) { return obj->lpVtbl->Bind(obj, db.c_str(), R"({"createSchema": true})", t); });
    ASSERT_EQ(r.hr, S_OK) << r.body.dump();
    for (const char* bill : {"{", "[]", R"({"rows": []})", R"({"datasets": [[{"NoSuchField": 1}]]})",
                             R"({"datasets": [[{"ExcuseUnit": "one"}]]})", R"({"datasets": [null, []]})"}) {
        r = Call(obj, [&](char** t) { return obj->lpVtbl->Save(obj, bill, t); });
        EXPECT_EQ(r.hr, E_INVALIDARG) << bill;
        EXPECT_EQ(r.body["failure"], "input") << bill;
        EXPECT_TRUE(r.body["error"].is_string()) << bill;
    }
    r = Call(obj, [&](char** t) { return obj->lpVtbl->ExecuteProc(obj, 0, "[1,", nullptr, t); });
    EXPECT_EQ(r.hr, E_INVALIDARG);
    r = Call(obj, [&](char** t) { return obj->lpVtbl->CheckField(obj, 0, R"("ExcuseClsID")", "[]", t); });
    EXPECT_EQ(r.hr, E_INVALIDARG);
    obj->lpVtbl->Release(obj);
}

// ---------------------------------------------------------------- registration

TEST_F(ServerLibrary, RegisteringTwiceGivesTheSameFile) {
    RegistryFile reg;
    ASSERT_EQ(register_(), S_OK);
    std::string first = ReadFile(reg.Path());
    ASSERT_EQ(register_(), S_OK);
    EXPECT_EQ(ReadFile(reg.Path()), first);

    json keys = reg.Keys();
    const std::string lib = fs::canonical(kLibrary).string();
    for (const auto& e : ClassTable()) {
        const std::string ck = std::string("HKCR\\CLSID\\") + e.clsid;
        EXPECT_EQ(keys[ck][""], e.description) << e.progId;
        EXPECT_EQ(keys[ck + "\\InprocServer32"][""], lib);
        EXPECT_EQ(keys[ck + "\\InprocServer32"]["ThreadingModel"], "Both");
        EXPECT_EQ(keys[ck + "\\ProgID"][""], e.progId);
        EXPECT_EQ(keys[ck + "\\TypeLib"][""], kLibId);
        EXPECT_EQ(keys[ck + "\\Version"][""], "1.0");
        EXPECT_EQ(keys[std::string("HKCR\\") + e.progId + "\\CLSID"][""], e.clsid);
        EXPECT_EQ(keys[std::string("HKCR\\Interface\\") + e.iid][""], e.interfaceName);
    }
    const std::string tl = std::string("HKCR\\TypeLib\\") + kLibId + "\\1.0";
    EXPECT_EQ(keys[tl][""], "QVXHumrs");
    EXPECT_EQ(keys[tl + "\\0\\linux64"][""], lib);
    EXPECT_EQ(keys[tl + "\\HELPDIR"][""], fs::path(lib).parent_path().string());

    // The grid class has no event interface; the other 17 do.
    int withEvents = 0;
    for (const auto& e : ClassTable()) {
        const std::string ck = std::string("HKCR\\CLSID\\") + e.clsid;
        bool grid = std::string(e.progId) == "QVXHumrs.IncomeTax";
        EXPECT_EQ(keys[ck + "\\FrameworkBase"][""], grid ? "TQVXGridComBase" : "TQVXComBase") << e.progId;
        EXPECT_EQ(keys.contains(ck + "\\SourceInterface"), !grid) << e.progId;
        if (!grid && keys[ck + "\\SourceInterface"][""] == kEventInterfaceIid) ++withEvents;
    }
    EXPECT_EQ(withEvents, 17);
}

TEST_F(ServerLibrary, UnregisterRemovesOwnKeysOnly) {
    RegistryFile reg;
    const std::string otherTypeLib = std::string("HKCR\\TypeLib\\") + kLibId + "\\2.0";
    {
        json seed = {{"HKCR\\Other.Thing\\CLSID", {{"", "{11111111-2222-3333-4444-555555555555}"}}},
                     {otherTypeLib, {{"", "a later version"}}}};
        std::ofstream(reg.Path()) << seed.dump();
    }
    ASSERT_EQ(register_(), S_OK);
    ASSERT_EQ(unregister_(), S_OK);
    json keys = reg.Keys();
    EXPECT_EQ(keys.size(), 2u) << keys.dump(2);
    EXPECT_TRUE(keys.contains("HKCR\\Other.Thing\\CLSID"));
    EXPECT_TRUE(keys.contains(otherTypeLib));
    for (const auto& [key, values] : keys.items()) {
        for (const auto& e : ClassTable()) {
            EXPECT_EQ(key.find(e.clsid), std::string::npos) << key;
            EXPECT_NE(key, std::string("HKCR\\") + e.progId);
        }
    }
    // Unregistering again has nothing left to do.
    std::string before = ReadFile(reg.Path());
    EXPECT_EQ(unregister_(), S_OK);
    EXPECT_EQ(ReadFile(reg.Path()), before);
}

TEST_F(ServerLibrary, RegistrationFailuresLeaveTheFileAlone) {
    RegistryFile reg;
    EXPECT_EQ(unregister_(), S_OK);
    EXPECT_FALSE(fs::exists(reg.Path()));  // nothing registered, nothing written

    std::ofstream(reg.Path()) << "not a registry";
    EXPECT_EQ(register_(), E_FAIL);
    EXPECT_EQ(unregister_(), E_FAIL);
    EXPECT_EQ(ReadFile(reg.Path()), "not a registry");
}

// ---------------------------------------------------------------- in-process pieces

TEST(ServerRegistryPath, EnvironmentDecides) {
    std::string saved[3];
    bool had[3];
    const char* names[3] = {"HUMRS_REGISTRY", "XDG_CONFIG_HOME", "HOME"};
    for (int i = 0; i < 3; ++i)
        if ((had[i] = getenv(names[i]) != nullptr)) saved[i] = getenv(names[i]);
    setenv("HOME", "/home/u", 1);
    setenv("XDG_CONFIG_HOME", "/cfg", 1);
    setenv("HUMRS_REGISTRY", "/tmp/r.json", 1);
    EXPECT_EQ(RegistryFilePath(), "/tmp/r.json");
    unsetenv("HUMRS_REGISTRY");
    EXPECT_EQ(RegistryFilePath(), "/cfg/humrs/registry.json");
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(RegistryFilePath(), "/home/u/.config/humrs/registry.json");
    for (int i = 0; i < 3; ++i)
        had[i] ? (void)setenv(names[i], saved[i].c_str(), 1) : (void)unsetenv(names[i]);
}

// A stand-in business object: procedure 1 echoes its arguments, 2 leaves a notice and
// refuses, 3 leaves a notice.
constexpr Message kEchoRefused{"EchoRefused", "拒绝 %s"};
class EchoObject : public TQVXComBase {
public:
    void DoExecuteProc(int procNo, const Variant& a1, const Variant& a2, Variant& result) override {
        if (procNo == 1) result = Variant(VariantArray{a1, a2});
        if (procNo >= 2) AddMessage("注意", 1, 7);
        if (procNo == 2) MakeException(kEchoRefused, {a1});
    }
};

// The JSON mapping of values, with the stand-in class put in place of a real one in
// this process's own copy of the server.
class ServerJson : public ::testing::Test {
protected:
    void SetUp() override {
        // The component's classes, with the stand-in in the place of the category class.
        std::vector<ClassDescriptor> classes = ComponentRegistry().Classes();
        for (ClassDescriptor& c : classes)
            if (c.progId == kProgId) c.create = [] { return std::make_unique<EchoObject>(); };
        registry_ = std::make_unique<ClassRegistry>(std::move(classes));
        UseServerRegistry(registry_.get());
        void* f = nullptr;
        ASSERT_EQ(GetClassObject(Guid(Entry(kProgId).clsid), IID_IClassFactory, &f), S_OK);
        auto* factory = static_cast<IClassFactory*>(f);
        void* o = nullptr;
        ASSERT_EQ(factory->lpVtbl->CreateInstance(factory, nullptr, IID_IHumrsBusinessObject, &o), S_OK);
        obj_ = static_cast<IHumrsBusinessObject*>(o);
        // The schema for the audit trail that the procedures write to.
        Reply r = Call(obj_, [&](char** t) {
            return obj_->lpVtbl->Bind(obj_, ":memory:", R"({"createSchema": true})", t);
        });
        ASSERT_EQ(r.hr, S_OK) << r.body.dump();
    }
    void TearDown() override {
        if (obj_) obj_->lpVtbl->Release(obj_);
        UseServerRegistry(nullptr);
        EXPECT_EQ(CanUnloadNow(), S_OK);
    }
    Reply Proc(int n, const char* a1, const char* a2 = nullptr) {
        return Call(obj_, [&](char** t) { return obj_->lpVtbl->ExecuteProc(obj_, n, a1, a2, t); });
    }

    static constexpr const char* kProgId = "QVXHumrs.ExcuseCls";
    std::unique_ptr<ClassRegistry> registry_;
    IHumrsBusinessObject* obj_ = nullptr;
};

TEST_F(ServerJson, ValuesAndPacketsRoundTrip) {
    Reply r = Proc(1, R"([1, 2.5, "文本", true, null, [3]])", "  ");
    ASSERT_EQ(r.hr, S_OK) << r.body.dump();
    EXPECT_EQ(r.body["result"], json::parse(R"([[1, 2.5, "文本", true, null, [3]], null])"));
    EXPECT_TRUE(r.body["result"][0][0].is_number_integer());  // integers stay integers

    r = Proc(1, "9223372036854775807", "-1");
    EXPECT_EQ(r.body["result"], json::parse("[9223372036854775807, -1]"));

    r = Proc(1, R"({"fields": ["A", "B"], "rows": [[1, "x"], {"B": "y"}]})");
    ASSERT_EQ(r.hr, S_OK) << r.body.dump();
    EXPECT_EQ(r.body["result"][0], json::parse(R"({"fields": ["A", "B"], "rows": [[1, "x"], [null, "y"]]})"));
    r = Proc(1, R"({"fields": ["A"], "rows": [[1], [2]], "status": [2, 3]})");
    ASSERT_EQ(r.hr, S_OK) << r.body.dump();
    EXPECT_EQ(r.body["result"][0]["status"], json::parse("[2, 3]"));

    for (const char* bad :
         {R"({"fields": ["A"], "rows": [[1, 2]]})", R"({"fields": ["A"], "rows": [{"C": 1}]})",
          R"({"fields": ["A"], "rows": [[1]], "status": [9]})", R"({"a": 1})"}) {
        r = Proc(1, bad);
        EXPECT_EQ(r.hr, E_INVALIDARG) << bad;
        EXPECT_EQ(r.body["failure"], "input") << bad;
    }
}

TEST_F(ServerJson, RefusalCarriesMessageAndNotices) {
    Reply r = Proc(2, R"("X")");
    EXPECT_EQ(r.hr, E_FAIL);
    EXPECT_EQ(r.body["ok"], false);
    EXPECT_EQ(r.body["failure"], "refused");
    EXPECT_EQ(r.body["error"], "拒绝 X");
    EXPECT_EQ(r.body["messageId"], "EchoRefused");
    EXPECT_FALSE(r.body.contains("result"));

    r = Proc(3, nullptr);
    EXPECT_EQ(r.hr, S_OK);
    EXPECT_EQ(r.body["error"], nullptr);
    EXPECT_FALSE(r.body.contains("messageId"));
    EXPECT_EQ(r.body["notices"], json::parse(R"([{"text": "注意", "kind": 1, "flag": 7}])"));
}

}  // namespace
}  // namespace humrs
