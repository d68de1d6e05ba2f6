#include "hosting/Registration.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "hosting/ClassTable.h"
#include "hosting/ComServer.h"
#include "core/Text.h"

namespace humrs {

namespace {

namespace fs = std::filesystem;
using json = nlohmann::json;

[[noreturn]] void SystemFailure(const std::string& what, const std::string& path) {
    throw std::runtime_error(what + " " + path + ": " + std::strerror(errno));
}

// The raw file: a JSON object of key -> object of values. Values of keys the library
// does not own are kept as they are.
json LoadFile(const std::string& path) {
    std::error_code ec;
    if (!fs::exists(path, ec)) return json::object();
    std::ifstream in(path, std::ios::binary);
    if (!in) SystemFailure("cannot read registry file", path);
    std::stringstream text;
    text << in.rdbuf();
    if (Trim(text.str()).empty()) return json::object();
    json j = json::parse(text.str(), nullptr, false);
    if (j.is_discarded() || !j.is_object())
        throw std::runtime_error("registry file " + path + " is not a JSON object");
    for (const auto& [key, values] : j.items())
        if (!values.is_object())
            throw std::runtime_error("registry file " + path + ": key " + key +
                                     " does not hold an object of values");
    return j;
}

void WriteAll(int fd, const std::string& text, const std::string& path) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            SystemFailure("cannot write", path);
        }
        done += static_cast<size_t>(n);
    }
}

// Whole-file replacement: a reader sees the old file or the new one, never a part.
void StoreFile(const std::string& path, const json& keys) {
    std::string text = keys.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
    std::string tmp = path + ".tmp." + std::to_string(::getpid());
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) SystemFailure("cannot create", tmp);
    try {
        WriteAll(fd, text, tmp);
        if (::fsync(fd) != 0) SystemFailure("cannot flush", tmp);
    } catch (...) {
        ::close(fd);
        ::unlink(tmp.c_str());
        throw;
    }
    ::close(fd);
    if (::rename(tmp.c_str(), path.c_str()) != 0) {
        int saved = errno;
        ::unlink(tmp.c_str());
        errno = saved;
        SystemFailure("cannot replace", path);
    }
}

// Exclusive use of the registry file for one read-change-write.
class FileLock {
public:
    explicit FileLock(const std::string& path) {
        std::string lockPath = path + ".lock";
        fd_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd_ < 0) SystemFailure("cannot open", lockPath);
        while (::flock(fd_, LOCK_EX) != 0) {
            if (errno == EINTR) continue;
            ::close(fd_);
            SystemFailure("cannot lock", lockPath);
        }
    }
    ~FileLock() { ::close(fd_); }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

private:
    int fd_ = -1;
};

// Key operations on the loaded file, without regard to the case of key paths.
class KeyEditor {
public:
    explicit KeyEditor(json& keys) : keys_(keys) {}

    // Removes the key and every key below it.
    void RemoveTree(const std::string& key) {
        std::string k = LowerAscii(key);
        std::vector<std::string> doomed;
        for (const auto& [name, values] : keys_.items()) {
            std::string n = LowerAscii(name);
            if (n == k || n.rfind(k + "\\", 0) == 0) doomed.push_back(name);
        }
        for (const auto& name : doomed) keys_.erase(name);
    }
    bool HasSubkeys(const std::string& key) const {
        std::string prefix = LowerAscii(key) + "\\";
        for (const auto& [name, values] : keys_.items())
            if (LowerAscii(name).rfind(prefix, 0) == 0) return true;
        return false;
    }
    // Sets one value; another spelling of the key is merged into this one.
    void Set(const std::string& key, const std::string& name, const std::string& value) {
        json merged = json::object();
        std::vector<std::string> others;
        for (const auto& [existing, values] : keys_.items())
            if (existing != key && SameText(existing, key)) others.push_back(existing);
        for (const auto& other : others) {
            merged.update(keys_[other]);
            keys_.erase(other);
        }
        json& target = keys_[key];
        if (!target.is_object()) target = json::object();
        target.update(merged);
        target[name] = value;
    }

private:
    json& keys_;
};

std::string ClassKey(const ClassEntry& e) { return std::string("HKCR\\CLSID\\") + e.clsid; }
std::string InterfaceKey(const std::string& iid) { return "HKCR\\Interface\\" + iid; }
std::string TypeLibKey() { return std::string("HKCR\\TypeLib\\") + kLibId; }
std::string TypeLibVersionKey() {
    return TypeLibKey() + "\\" + std::to_string(kTypeLibMajor) + "." + std::to_string(kTypeLibMinor);
}
std::string VersionText() { return std::to_string(kTypeLibMajor) + "." + std::to_string(kTypeLibMinor); }

// Interfaces of the library that are not class interfaces: the client interface of
// every business object and the factory's extension.
std::vector<std::pair<std::string, std::string>> OwnInterfaces() {
    return {{GuidText(IID_IHumrsBusinessObject), "IHumrsBusinessObject"},
            {GuidText(IID_IHumrsClassFactory), "IHumrsClassFactory"}};
}

void RemoveEntries(KeyEditor& keys) {
    for (const auto& e : ClassTable()) {
        keys.RemoveTree(ClassKey(e));
        keys.RemoveTree(std::string("HKCR\\") + e.progId);
        keys.RemoveTree(InterfaceKey(e.iid));
    }
    for (const auto& [iid, name] : OwnInterfaces()) keys.RemoveTree(InterfaceKey(iid));
    keys.RemoveTree(TypeLibVersionKey());
    // The library's key goes with its last version.
    if (!keys.HasSubkeys(TypeLibKey())) keys.RemoveTree(TypeLibKey());
}

void WriteEntries(KeyEditor& keys, const std::string& libraryPath) {
    const std::string version = VersionText();
    for (const auto& e : ClassTable()) {
        const std::string ck = ClassKey(e);
        keys.Set(ck, "", e.description);
        keys.Set(ck + "\\InprocServer32", "", libraryPath);
        keys.Set(ck + "\\InprocServer32", "ThreadingModel", "Both");
        keys.Set(ck + "\\ProgID", "", e.progId);
        keys.Set(ck + "\\TypeLib", "", kLibId);
        keys.Set(ck + "\\Version", "", version);
        keys.Set(ck + "\\FrameworkBase", "", e.gridBase ? "TQVXGridComBase" : "TQVXComBase");
        if (HasEventInterface(e)) keys.Set(ck + "\\SourceInterface", "", kEventInterfaceIid);

        const std::string pk = std::string("HKCR\\") + e.progId;
        keys.Set(pk, "", e.description);
        keys.Set(pk + "\\CLSID", "", e.clsid);

        const std::string ik = InterfaceKey(e.iid);
        keys.Set(ik, "", e.interfaceName);
        keys.Set(ik + "\\TypeLib", "", kLibId);
        keys.Set(ik + "\\TypeLib", "Version", version);
        keys.Set(ik + "\\BaseInterface", "", e.gridBase ? kGridInterfaceIid : kBillInterfaceIid);
    }
    for (const auto& [iid, name] : OwnInterfaces()) {
        keys.Set(InterfaceKey(iid), "", name);
        keys.Set(InterfaceKey(iid) + "\\TypeLib", "", kLibId);
        keys.Set(InterfaceKey(iid) + "\\TypeLib", "Version", version);
    }
    const std::string tk = TypeLibVersionKey();
    keys.Set(tk, "", kTypeLibName);
    keys.Set(tk + "\\FLAGS", "", "0");
    keys.Set(tk + "\\0\\linux64", "", libraryPath);
    keys.Set(tk + "\\HELPDIR", "", fs::path(libraryPath).parent_path().string());
}

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

}  // namespace

std::string RegistryFilePath() {
    if (std::string p = Env("HUMRS_REGISTRY"); !p.empty()) return p;
    if (std::string x = Env("XDG_CONFIG_HOME"); !x.empty() && fs::path(x).is_absolute())
        return (fs::path(x) / "humrs" / "registry.json").string();
    if (std::string h = Env("HOME"); !h.empty())
        return (fs::path(h) / ".config" / "humrs" / "registry.json").string();
    throw std::runtime_error("no place for the registry file: set HUMRS_REGISTRY or HOME");
}

RegistryKeys ReadRegistry(const std::string& path) {
    RegistryKeys out;
    json j = LoadFile(path);
    for (const auto& [key, values] : j.items())
        for (const auto& [name, value] : values.items())
            if (value.is_string()) out[key][name] = value.get<std::string>();
    return out;
}

std::optional<std::string> RegistryValue(const std::string& key, const std::string& name) {
    std::string path = RegistryFilePath();
    for (const auto& [k, values] : ReadRegistry(path)) {
        if (!SameText(k, key)) continue;
        auto it = values.find(name);
        if (it != values.end()) return it->second;
    }
    return std::nullopt;
}

HRESULT RegisterServer(bool reg, const std::string& libraryPath, std::string* error) {
    try {
        const std::string path = RegistryFilePath();
        if (reg) {
            if (libraryPath.empty() || !fs::path(libraryPath).is_absolute())
                throw std::invalid_argument("the library path must be absolute: \"" + libraryPath + "\"");
            fs::path dir = fs::path(path).parent_path();
            if (!dir.empty()) fs::create_directories(dir);
        } else {
            std::error_code ec;
            if (!fs::exists(path, ec)) return S_OK;  // nothing was ever registered there
        }
        FileLock lock(path);
        json keys = LoadFile(path);
        KeyEditor editor(keys);
        // Registration starts from a clean slate, so that registering again (even from
        // another place) leaves exactly one set of entries.
        RemoveEntries(editor);
        if (reg) WriteEntries(editor, libraryPath);
        StoreFile(path, keys);
        return S_OK;
    } catch (const std::exception& e) {
        if (error) *error = e.what();
        return E_FAIL;
    } catch (...) {
        if (error) *error = "registration failed";
        return E_FAIL;
    }
}

}  // namespace humrs
