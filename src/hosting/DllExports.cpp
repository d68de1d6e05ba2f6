// The four entry points of libQVXHumrs.so, the only symbols the library exports.
// Everything else (the server, the framework, the business classes) is linked in from
// the core library and stays hidden.
#include <dlfcn.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "hosting/ComServer.h"
#include "hosting/Registration.h"
#include "humrs/QVXHumrs.h"

namespace {

// The mapping of /proc/self/maps that holds `address`, when dladdr gave only the name
// the library was loaded by (a relative path).
std::string MappedFileOf(const void* address) {
    std::ifstream maps("/proc/self/maps");
    std::string line;
    auto a = reinterpret_cast<uintptr_t>(address);
    while (std::getline(maps, line)) {
        unsigned long long begin = 0, end = 0;
        if (std::sscanf(line.c_str(), "%llx-%llx", &begin, &end) != 2) continue;
        if (a < begin || a >= end) continue;
        size_t slash = line.find('/');
        if (slash != std::string::npos) return line.substr(slash);
    }
    return {};
}

// Full path of this library file.
std::string LibraryPath() {
    Dl_info info{};
    void* self = reinterpret_cast<void*>(&DllRegisterServer);
    if (dladdr(self, &info) == 0 || !info.dli_fname || !*info.dli_fname)
        throw std::runtime_error("the library cannot find its own file");
    std::filesystem::path p(info.dli_fname);
    if (!p.is_absolute()) {
        std::string mapped = MappedFileOf(self);
        if (mapped.empty()) throw std::runtime_error("the library cannot find its own file");
        p = mapped;
    }
    std::error_code ec;
    std::filesystem::path canonical = std::filesystem::weakly_canonical(p, ec);
    return (ec ? p : canonical).string();
}

HRESULT Register(bool reg) {
    try {
        return humrs::RegisterServer(reg, reg ? LibraryPath() : std::string());
    } catch (...) {
        return E_FAIL;
    }
}

}  // namespace

extern "C" {

HUMRS_API HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* out) {
    // Null identifiers from a C client are answered before they are handed on.
    if (out && (humrs::IsNullIdentifier(&clsid) || humrs::IsNullIdentifier(&riid))) {
        *out = nullptr;
        return E_INVALIDARG;
    }
    return humrs::GetClassObject(clsid, riid, out);
}

HUMRS_API HRESULT DllCanUnloadNow(void) { return humrs::CanUnloadNow(); }

HUMRS_API HRESULT DllRegisterServer(void) { return Register(true); }

HUMRS_API HRESULT DllUnregisterServer(void) { return Register(false); }

}  // extern "C"
