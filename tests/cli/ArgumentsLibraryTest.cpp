// The server library checks a key as the command, `batch` and the service do: one
// value, never a list, which is bad input (E_INVALIDARG), not a failure of the server.
#include "BuildPaths.h"
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "hosting/ClassTable.h"
#include "hosting/ComServer.h"
#include "humrs/QVXHumrs.h"

namespace humrs {
namespace {

namespace fs = std::filesystem;
using CGetClassObject = HRESULT (*)(const GUID*, const GUID*, void**);

TEST(ArgumentsLibraryTest, AKeyGivenAsAListIsBadInput) {
    void* library = dlopen(HUMRS_BINARY_DIR "/libQVXHumrs.so", RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    auto getClassObject = reinterpret_cast<CGetClassObject>(dlsym(library, "DllGetClassObject"));
    ASSERT_NE(getClassObject, nullptr);
    const ClassEntry* entry = FindClassEntry("QVXHumrs.ExcuseCls");
    ASSERT_NE(entry, nullptr);
    GUID clsid{};
    ASSERT_TRUE(ParseGuid(entry->clsid, clsid));
    void* factory = nullptr;
    ASSERT_EQ(getClassObject(&clsid, &IID_IHumrsClassFactory, &factory), S_OK);
    auto* f = static_cast<IHumrsClassFactory*>(factory);
    void* created = nullptr;
    ASSERT_EQ(f->lpVtbl->CreateInstance(f, nullptr, IID_IHumrsBusinessObject, &created), S_OK);
    auto* object = static_cast<IHumrsBusinessObject*>(created);

    std::string folder = (fs::temp_directory_path() / "humrs-library-args-XXXXXX").string();
    ASSERT_NE(mkdtemp(folder.data()), nullptr);
    const std::string db = folder + "/hr.db";
    auto call = [&](auto&& op) {
        char* text = nullptr;
        const HRESULT hr = op(&text);
        const nlohmann::json body = text ? nlohmann::json::parse(text, nullptr, false) : nlohmann::json();
        object->lpVtbl->FreeString(object, text);
        return std::make_pair(hr, body);
    };
    ASSERT_EQ(call([&](char** r) { return object->lpVtbl->Bind(object, db.c_str(), R"({"createSchema": true})", r); })
                  .first,
              S_OK);
    for (const char* key : {R"(["C1", "C2"])", R"([])"}) {
        const auto open = call([&](char** r) { return object->lpVtbl->Open(object, key, r); });
        EXPECT_EQ(open.first, E_INVALIDARG) << key << ": " << open.second.dump();
        const auto removed = call([&](char** r) { return object->lpVtbl->Delete(object, key, r); });
        EXPECT_EQ(removed.first, E_INVALIDARG) << key << ": " << removed.second.dump();
    }
    object->lpVtbl->Release(object);
    fs::remove_all(folder);
    dlclose(library);
}

}  // namespace
}  // namespace humrs
