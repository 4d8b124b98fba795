// The engine's one way to its settings: KestrelCFG.ini in a given directory, read afresh at
// every call so that a value written by the console is seen at the next read.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

class KestrelConfig {
  public:
    static constexpr const wchar_t* kFileName = L"KestrelCFG.ini";

    explicit KestrelConfig(const std::filesystem::path& directory) : file_(directory / kFileName) {}

    int GetInt(std::wstring_view section, std::wstring_view key, int defaultValue) const;
    std::wstring GetString(std::wstring_view section, std::wstring_view key,
                           std::wstring_view defaultValue) const;
    const std::filesystem::path& File() const { return file_; }

  private:
    std::filesystem::path file_;
};
