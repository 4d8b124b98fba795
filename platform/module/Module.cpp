// Loadable modules over dlopen, with the ".dll" to ".so" fallback.
#include "platform/module/Module.h"

#include <dlfcn.h>

#include <algorithm>
#include <cctype>

#include "platform/log/DebugLog.h"

namespace platform {
namespace {

bool EndsWithDll(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".dll";
}

}  // namespace

std::unique_ptr<Module> Module::Load(const std::filesystem::path& path) {
    std::filesystem::path target = path;
    std::error_code error;
    if (EndsWithDll(path) && !std::filesystem::exists(path, error)) {
        target.replace_extension(".so");
    }
    // An explicit directory part keeps dlopen from searching the library path.
    void* handle = dlopen(target.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* why = dlerror();
        DebugLog("module", "cannot load " + target.native() + ": " + (why != nullptr ? why : "?"));
        return nullptr;
    }
    return std::unique_ptr<Module>(new Module(handle, target));
}

Module::~Module() {
    dlclose(handle_);
}

void* Module::Symbol(const std::string& name) const {
    return dlsym(handle_, name.c_str());
}

}  // namespace platform
