// A fresh directory of this user's alone for one run, removed with everything in it at the end.
#pragma once

#include <filesystem>
#include <memory>

namespace scenario {

class TemporaryDirectory {
  public:
    // A new directory "<prefix>-<random>" in the system's temporary directory, mode 0700;
    // nullptr when none can be made.
    static std::unique_ptr<TemporaryDirectory> Create(const std::string& prefix);
    ~TemporaryDirectory();
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // A subdirectory of it, mode 0700, made when missing; empty when it cannot be made.
    std::filesystem::path Subdirectory(const std::string& name) const;

  private:
    explicit TemporaryDirectory(std::filesystem::path path) : path_(std::move(path)) {}
    std::filesystem::path path_;
};

}  // namespace scenario
