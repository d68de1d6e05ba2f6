#pragma once
// Registration of the server library in the component's own registry file, keyed as
// the Windows class registration is:
//
//   HKCR\CLSID\{clsid}                     = description
//   HKCR\CLSID\{clsid}\InprocServer32      = library path, ThreadingModel = Both
//   HKCR\CLSID\{clsid}\ProgID              = QVXHumrs.Coclass
//   HKCR\CLSID\{clsid}\TypeLib             = {LIBID}
//   HKCR\CLSID\{clsid}\Version             = 1.0
//   HKCR\CLSID\{clsid}\FrameworkBase       = TQVXComBase | TQVXGridComBase
//   HKCR\CLSID\{clsid}\SourceInterface     = framework event IID (not for the grid class)
//   HKCR\QVXHumrs.Coclass                  = description
//   HKCR\QVXHumrs.Coclass\CLSID            = {clsid}
//   HKCR\Interface\{iid}                   = interface name
//   HKCR\Interface\{iid}\TypeLib           = {LIBID}, Version = 1.0
//   HKCR\Interface\{iid}\BaseInterface     = the framework interface it extends
//   HKCR\TypeLib\{LIBID}\1.0               = QVXHumrs
//   HKCR\TypeLib\{LIBID}\1.0\FLAGS         = 0
//   HKCR\TypeLib\{LIBID}\1.0\0\linux64     = library path
//   HKCR\TypeLib\{LIBID}\1.0\HELPDIR       = the library's directory
//
// The file is one JSON object: key path -> object of the key's values, the default
// value under the name "". Keys compare without regard to case; a write replaces
// every spelling of a key. The file is rewritten whole through a temporary file and a
// rename, under an exclusive lock on "<file>.lock".
#include <map>
#include <optional>
#include <string>

#include "humrs/QVXHumrs.h"

namespace humrs {

// $HUMRS_REGISTRY, else $XDG_CONFIG_HOME/humrs/registry.json, else
// $HOME/.config/humrs/registry.json.
std::string RegistryFilePath();

// Key path -> (value name -> value).
using RegistryKeys = std::map<std::string, std::map<std::string, std::string>>;

// The string values of a registry file: a missing file is empty; a file that is not
// a registry file throws std::runtime_error.
RegistryKeys ReadRegistry(const std::string& path);
// One value of a key of the registry file in use ("" the default value); nullopt when
// the file, key or value is missing. Keys compare without regard to case.
std::optional<std::string> RegistryValue(const std::string& key, const std::string& name = "");

// Writes (reg true) or removes (reg false) every entry of the library: classes,
// ProgIDs, interfaces and the type library. Registering twice gives the same file;
// removing keeps every other key of the file. S_OK, or E_FAIL when anything fails
// (what was written before stays written). `libraryPath` is the full path of the
// library file. When `error` is given, a failure's reason is written there.
HRESULT RegisterServer(bool reg, const std::string& libraryPath, std::string* error = nullptr);

}  // namespace humrs
