// Opening a toolkit module (POSIX dlopen).
#include <dlfcn.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "core/arena.h"
#include "paths/paths.h"
#include "ui/backend.h"
#include "ui/platform/toolkit_abi.h"
#include "ui/platform/toolkit_module.h"

namespace ui {

const char* const kQtModuleInstalledFolder = APP_QT_MODULE_FOLDER;

namespace {

bool is_file(const std::filesystem::path& p) {
  std::error_code ec;
  return std::filesystem::is_regular_file(p, ec);
}

}  // namespace

std::string qt_module_path_of(const std::string& program_folder) {
  // A path, relative ones from the current folder: a bare name given to
  // dlopen would be looked for along the library path instead.
  if (const char* set = std::getenv("APP_QT_MODULE"); set != nullptr && set[0] != 0) {
    std::error_code ec;
    std::filesystem::path chosen = std::filesystem::absolute(set, ec);
    if (!ec) return chosen.lexically_normal().string();
    return std::string(std::strchr(set, '/') != nullptr ? "" : "./") + set;
  }
  // A program that cannot tell its own folder does not look for the module
  // in the current one (a folder of anyone's files): only APP_QT_MODULE
  // names it then.
  if (program_folder.empty()) return std::string();
  std::filesystem::path folder(program_folder);
  std::filesystem::path beside = folder / kQtModuleName;
  if (folder.filename() == "bin") {
    std::filesystem::path installed =
        (folder / kQtModuleInstalledFolder / kQtModuleName).lexically_normal();
    if (is_file(installed) || !is_file(beside)) return installed.string();
  }
  return beside.string();
}

std::string qt_module_path() {
  core::ArenaScope scope;
  core::Text folder = paths::path_program_folder();
  return qt_module_path_of(folder.ok() ? std::string(folder.ptr, folder.len) : std::string());
}

std::unique_ptr<platform::Toolkit> toolkit_module_open(const std::string& path,
                                                       std::string* error) {
  if (path.empty()) {
    *error = "the program's own folder cannot be told, and APP_QT_MODULE names no module";
    return nullptr;
  }
  // RTLD_NOW: a symbol the module needs and the program lacks is said here,
  // not as a crash at its first call. The handle is never closed: the
  // toolkit's objects and Qt's application object live until the end.
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    // dlerror names the file for most failures, not for all.
    const char* text = dlerror();
    std::string why = text != nullptr ? text : "cannot be loaded";
    *error = why.find(path) != std::string::npos ? why : path + ": " + why;
    return nullptr;
  }
  auto entry = reinterpret_cast<platform::ToolkitEntry>(dlsym(module, platform::kToolkitEntryName));
  if (entry == nullptr) {
    *error =
        path + ": not a toolkit module of this runtime (no " + platform::kToolkitEntryName + ")";
    return nullptr;
  }
  // Nothing of the module is called before its tag is this program's.
  const char* abi = static_cast<const char*>(dlsym(module, platform::kToolkitAbiName));
  if (abi == nullptr || std::strncmp(abi, APP_TOOLKIT_ABI, sizeof APP_TOOLKIT_ABI) != 0) {
    *error = path + ": a toolkit module of another build of the runtime (built against headers " +
             (abi != nullptr ? std::string(abi, strnlen(abi, 32)) : std::string("of no tag")) +
             ", this program's " + APP_TOOLKIT_ABI + ")";
    return nullptr;
  }
  std::unique_ptr<platform::Toolkit> toolkit(entry(platform::kToolkitInterfaceVersion));
  if (toolkit == nullptr) {
    // The module has said why on standard error (its display cannot be
    // reached, Qt cannot start).
    *error = path + ": its toolkit did not start";
  }
  return toolkit;
}

}  // namespace ui
