// Loadable modules: LoadLibraryW, GetProcAddress and FreeLibrary over dlopen.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

namespace platform {

class Module {
  public:
    // Loads the module at `path`. A path ending in ".dll" (any case) that names no file loads the
    // same path ending in ".so" instead, so that configuration written for Windows keeps
    // working. Returns nullptr when nothing loads.
    static std::unique_ptr<Module> Load(const std::filesystem::path& path);
    ~Module();  // unloads the module
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    // The address of an exported symbol, or nullptr.
    void* Symbol(const std::string& name) const;
    const std::filesystem::path& Path() const { return path_; }

  private:
    Module(void* handle, std::filesystem::path path) : handle_(handle), path_(std::move(path)) {}
    void* handle_;
    std::filesystem::path path_;
};

}  // namespace platform
