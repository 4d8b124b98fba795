// A module's own string table: texts by id, the four languages at offsets 0, 100, 200, 300.
#pragma once

#include <span>
#include <string>

struct StringEntry {
    unsigned id;
    const wchar_t* text;
};

class StringTable {
  public:
    constexpr explicit StringTable(std::span<const StringEntry> entries) : entries_(entries) {}
    // The text of `id`, or an empty text when the table has none (as LoadString gives nothing).
    std::wstring Load(unsigned id) const {
        for (const StringEntry& entry : entries_) {
            if (entry.id == id) {
                return entry.text;
            }
        }
        return {};
    }

  private:
    std::span<const StringEntry> entries_;
};
