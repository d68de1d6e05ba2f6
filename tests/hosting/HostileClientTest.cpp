// The server library against a careless or hostile client: null identifiers, numbers
// past 32 bits, field checks with bad arguments, deeply nested JSON and files that are
// not databases. Every call must come back with an error code, never crash or block.
#include "BuildPaths.h"
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "core/Convert.h"
#include "db/Database.h"
#include "hosting/ClassTable.h"
#include "hosting/ComServer.h"
#include "humrs/QVXHumrs.h"

namespace humrs {
namespace {

namespace fs = std::filesystem;
using json = nlohmann::json;

// The entry point and interface operations as a C client declares them: identifiers
// passed by address, which a C caller may leave null.
using CGetClassObject = HRESULT (*)(const GUID*, const GUID*, void**);
using CQueryInterface = HRESULT (*)(void*, const GUID*, void**);
using CCreateInstance = HRESULT (*)(void*, void*, const GUID*, void**);

struct Reply {
    HRESULT hr;
    json body;
};

class HostileClient : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        handle_ = dlopen(HUMRS_BINARY_DIR "/libQVXHumrs.so", RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle_, nullptr) << dlerror();
        getClassObject_ = reinterpret_cast<CGetClassObject>(dlsym(handle_, "DllGetClassObject"));
    }
    static void TearDownTestSuite() {
        if (handle_) dlclose(handle_);
        handle_ = nullptr;
    }
    void SetUp() override {
        ASSERT_NE(getClassObject_, nullptr);
        std::string pattern = (fs::temp_directory_path() / "humrs-hostile-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        if (object_) object_->lpVtbl->Release(object_);
        fs::remove_all(dir_);
    }

    static GUID Guid(const std::string& text) {
        GUID g{};
        EXPECT_TRUE(ParseGuid(text, g)) << text;
        return g;
    }

    IHumrsClassFactory* Factory(const char* progId) {
        const ClassEntry* e = FindClassEntry(progId);
        EXPECT_NE(e, nullptr);
        const GUID clsid = Guid(e->clsid);
        void* f = nullptr;
        EXPECT_EQ(getClassObject_(&clsid, &IID_IHumrsClassFactory, &f), S_OK);
        return static_cast<IHumrsClassFactory*>(f);
    }

    // An object of the leave category class, or skips when it is not built.
    bool CreateCategory() {
        IHumrsClassFactory* f = Factory("QVXHumrs.ExcuseCls");
        void* o = nullptr;
        const HRESULT hr = f->lpVtbl->CreateInstance(f, nullptr, IID_IHumrsBusinessObject, &o);
        object_ = static_cast<IHumrsBusinessObject*>(o);
        return hr == S_OK && object_;
    }

    template <class F>
    Reply Call(F&& op) {
        char* text = nullptr;
        const HRESULT hr = op(&text);
        json body = text ? json::parse(text, nullptr, false) : json();
        object_->lpVtbl->FreeString(object_, text);
        return {hr, body};
    }

    Reply Bind(const std::string& path, const std::string& options) {
        return Call(
            [&](char** r) { return object_->lpVtbl->Bind(object_, path.c_str(), options.c_str(), r); });
    }

    static inline void* handle_ = nullptr;
    static inline CGetClassObject getClassObject_ = nullptr;
    fs::path dir_;
    IHumrsBusinessObject* object_ = nullptr;
};

#define CREATE_CATEGORY_OR_SKIP() \
    if (!CreateCategory()) GTEST_SKIP() << "QVXHumrs.ExcuseCls is not available yet"

TEST_F(HostileClient, NullIdentifiersAreRefusedNotFollowed) {
    const ClassEntry* e = FindClassEntry("QVXHumrs.ExcuseCls");
    ASSERT_NE(e, nullptr);
    const GUID clsid = Guid(e->clsid);
    void* out = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(getClassObject_(nullptr, &IID_IClassFactory, &out), E_INVALIDARG);
    EXPECT_EQ(out, nullptr);
    out = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(getClassObject_(&clsid, nullptr, &out), E_INVALIDARG);
    EXPECT_EQ(out, nullptr);

    IHumrsClassFactory* f = Factory("QVXHumrs.ExcuseCls");
    ASSERT_NE(f, nullptr);
    out = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(reinterpret_cast<CQueryInterface>(f->lpVtbl->QueryInterface)(f, nullptr, &out), E_INVALIDARG);
    EXPECT_EQ(out, nullptr);
    out = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(reinterpret_cast<CCreateInstance>(f->lpVtbl->CreateInstance)(f, nullptr, nullptr, &out),
              E_INVALIDARG);
    EXPECT_EQ(out, nullptr);

    CREATE_CATEGORY_OR_SKIP();
    out = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(reinterpret_cast<CQueryInterface>(object_->lpVtbl->QueryInterface)(object_, nullptr, &out),
              E_INVALIDARG);
    EXPECT_EQ(out, nullptr);
}

TEST_F(HostileClient, BindRefusesNumbersThatWouldWrapAndImpossibleDates) {
    CREATE_CATEGORY_OR_SKIP();
    const std::string db = (dir_ / "hr.db").string();
    ASSERT_EQ(Bind(db, R"({"createSchema": true})").hr, S_OK);
    for (const char* options : {
             R"({"loginType": 4294967301})",  // 5 once wrapped: the import login
             R"({"loginType": 18446744073709551615})",
             R"({"contextNumber": -4294967295})",
             R"({"localType": 4294967297})",
             R"({"serverDate": 99999999999})",
             R"({"serverDate": 20241340})",
             R"({"serverDate": 20230229})",
             R"({"serverDate": -20240101})",
         }) {
        SCOPED_TRACE(options);
        const Reply r = Bind(db, options);
        EXPECT_EQ(r.hr, E_INVALIDARG);
        EXPECT_EQ(r.body["failure"], "input");
    }
    EXPECT_EQ(Bind(db, R"({"serverDate": 20240229, "loginType": 5})").hr, S_OK);
}

TEST_F(HostileClient, FieldCheckArgumentsAreCheckedAsTheCommandDoes) {
    CREATE_CATEGORY_OR_SKIP();
    ASSERT_EQ(Bind((dir_ / "hr.db").string(), R"({"createSchema": true})").hr, S_OK);
    struct Case {
        int dataset;
        const char* names;
        const char* values;
        const char* named;
    };
    for (const Case& c :
         {Case{-5, R"(["ExcuseUnit"])", "[1]", "dataset -5"},
          Case{1, R"(["ExcuseUnit"])", "[1]", "dataset 1"},
          Case{2147483647, R"(["ExcuseUnit"])", "[1]", "dataset 2147483647"},
          Case{0, R"(["ExcuseClsID", "ExcuseUnit"])", R"(["T1"])", "at least one value per name"}}) {
        SCOPED_TRACE(c.named);
        const Reply r = Call(
            [&](char** t) { return object_->lpVtbl->CheckField(object_, c.dataset, c.names, c.values, t); });
        EXPECT_EQ(r.hr, E_INVALIDARG);
        EXPECT_NE(r.body["error"].get<std::string>().find(c.named), std::string::npos) << r.body;
    }
}

TEST_F(HostileClient, DeeplyNestedJsonIsRefusedQuickly) {
    CREATE_CATEGORY_OR_SKIP();
    ASSERT_EQ(Bind((dir_ / "hr.db").string(), R"({"createSchema": true})").hr, S_OK);
    const auto start = std::chrono::steady_clock::now();
    const std::string deep = std::string(100000, '[') + std::string(100000, ']');
    const Reply proc =
        Call([&](char** t) { return object_->lpVtbl->ExecuteProc(object_, 0, deep.c_str(), "", t); });
    EXPECT_EQ(proc.hr, E_INVALIDARG);
    const std::string bill =
        R"({"datasets": [[{"ExcuseClsID": )" + std::string(25000, '[') + std::string(25000, ']') + "}]]}";
    const Reply save = Call([&](char** t) { return object_->lpVtbl->Save(object_, bill.c_str(), t); });
    EXPECT_EQ(save.hr, E_INVALIDARG);
    EXPECT_NE(save.body["error"].get<std::string>().find("nested deeper"), std::string::npos) << save.body;
    // A key nested as deep is no JSON value the library reads: it is a text that finds no bill.
    const Reply open = Call([&](char** t) { return object_->lpVtbl->Open(object_, deep.c_str(), t); });
    EXPECT_NE(open.hr, S_OK);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
}

TEST_F(HostileClient, BindRefusesWhatIsNoDatabaseFileAndNewerSchemas) {
    CREATE_CATEGORY_OR_SKIP();
    const fs::path fifo = dir_ / "pipe.db";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // A pipe would block SQLite's open for good; it must be refused at once.
    for (const fs::path& path : {dir_, fifo}) {
        SCOPED_TRACE(path.string());
        const Reply r = Bind(path.string(), "");
        EXPECT_EQ(r.hr, E_FAIL);
        EXPECT_EQ(r.body["failure"], "database");
    }

    const std::string db = (dir_ / "hr.db").string();
    ASSERT_EQ(Bind(db, R"({"createSchema": true})").hr, S_OK);
    OpenSQLite(db)->Execute("Update humSchemaVersion Set Version = 99");
    for (const char* options : {"", R"({"createSchema": true})"}) {
        const Reply r = Bind(db, options);
        EXPECT_EQ(r.hr, E_FAIL);
        EXPECT_NE(r.body["error"].get<std::string>().find("version 99"), std::string::npos) << r.body;
    }
    EXPECT_EQ(CInt(OpenSQLite(db)->QueryFirst("Select Version From humSchemaVersion")->at(0)), 99)
        << "the version is never lowered";
}

}  // namespace
}  // namespace humrs
