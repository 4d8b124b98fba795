// Report lengths from a HID report descriptor: a bounds-checked walk over its items.
#include "platform/hid/HidDescriptor.h"

#include <algorithm>
#include <array>
#include <map>
#include <vector>

namespace platform {
namespace {

enum class ItemType : std::uint8_t { Main = 0, Global = 1, Local = 2, Reserved = 3 };

// Tags of the items that decide report lengths.
constexpr std::uint8_t kMainInput = 0x8;
constexpr std::uint8_t kMainOutput = 0x9;
constexpr std::uint8_t kMainCollection = 0xA;
constexpr std::uint8_t kMainFeature = 0xB;
constexpr std::uint8_t kMainEndCollection = 0xC;
constexpr std::uint8_t kGlobalReportSize = 0x7;
constexpr std::uint8_t kGlobalReportId = 0x8;
constexpr std::uint8_t kGlobalReportCount = 0x9;
constexpr std::uint8_t kGlobalPush = 0xA;
constexpr std::uint8_t kGlobalPop = 0xB;
constexpr std::uint8_t kLongItemPrefix = 0xFE;

// The kernel's limits (HID_GLOBAL_STACK_SIZE, report_size check, HID_MAX_USAGES, HID_MAX_IDS).
constexpr std::size_t kMaxPushDepth = 4;
constexpr std::uint32_t kMaxReportSizeBits = 256;
constexpr std::uint32_t kMaxReportCount = 12288;
constexpr std::uint32_t kMaxReportId = 255;
// The report-id byte is part of kMaxReportSize.
constexpr std::uint64_t kMaxReportBits = (kMaxReportSize - 1) * 8;

struct GlobalState {
    std::uint32_t reportSize = 0;
    std::uint32_t reportCount = 0;
    std::uint32_t reportId = 0;
};

struct Item {
    ItemType type;
    std::uint8_t tag;
    std::uint32_t data;
};

// Reads the item at `pos`, moving `pos` past it; nothing when the item runs past the end.
// Long items come back with type Reserved, which nothing acts on.
std::optional<Item> NextItem(std::span<const std::uint8_t> d, std::size_t& pos) {
    const std::uint8_t prefix = d[pos];
    if (prefix == kLongItemPrefix) {
        if (d.size() - pos < 3) {
            return std::nullopt;
        }
        const std::size_t length = 3 + std::size_t{d[pos + 1]};
        if (d.size() - pos < length) {
            return std::nullopt;
        }
        pos += length;
        return Item{ItemType::Reserved, 0, 0};
    }
    static constexpr std::array<std::size_t, 4> kDataBytes = {0, 1, 2, 4};
    const std::size_t dataBytes = kDataBytes[prefix & 0x3];
    if (d.size() - pos < 1 + dataBytes) {
        return std::nullopt;
    }
    std::uint32_t data = 0;
    for (std::size_t i = 0; i < dataBytes; ++i) {
        data |= std::uint32_t{d[pos + 1 + i]} << (8 * i);
    }
    pos += 1 + dataBytes;
    return Item{static_cast<ItemType>((prefix >> 2) & 0x3), static_cast<std::uint8_t>(prefix >> 4),
                data};
}

class Parser {
  public:
    bool Global(const Item& item) {
        switch (item.tag) {
            case kGlobalReportSize:
                state_.reportSize = item.data;
                return item.data <= kMaxReportSizeBits;
            case kGlobalReportCount:
                state_.reportCount = item.data;
                return item.data <= kMaxReportCount;
            case kGlobalReportId:
                state_.reportId = item.data;
                usesReportIds_ = true;
                return item.data != 0 && item.data <= kMaxReportId;
            case kGlobalPush:
                if (stack_.size() == kMaxPushDepth) {
                    return false;
                }
                stack_.push_back(state_);
                return true;
            case kGlobalPop:
                if (stack_.empty()) {
                    return false;
                }
                state_ = stack_.back();
                stack_.pop_back();
                return true;
            default:
                return true;
        }
    }

    bool Main(const Item& item) {
        switch (item.tag) {
            case kMainInput:
                return AddField(inputBits_);
            case kMainOutput:
                return AddField(outputBits_);
            case kMainFeature:
                return AddField(featureBits_);
            case kMainCollection:
                ++openCollections_;
                return true;
            case kMainEndCollection:
                if (openCollections_ == 0) {
                    return false;
                }
                --openCollections_;
                return true;
            default:
                return true;
        }
    }

    std::optional<HidReportLengths> Result() const {
        if (openCollections_ != 0 ||
            (inputBits_.empty() && outputBits_.empty() && featureBits_.empty())) {
            return std::nullopt;
        }
        return HidReportLengths{LongestInBytes(inputBits_), LongestInBytes(outputBits_),
                                usesReportIds_};
    }

  private:
    using BitsPerReport = std::map<std::uint32_t, std::uint64_t>;

    bool AddField(BitsPerReport& bits) {
        std::uint64_t& total = bits[state_.reportId];
        total += std::uint64_t{state_.reportSize} * state_.reportCount;
        return total <= kMaxReportBits;
    }

    // The report-id byte comes first, with or without report ids.
    static std::size_t LongestInBytes(const BitsPerReport& bits) {
        std::uint64_t longest = 0;
        for (const auto& [id, count] : bits) {
            longest = std::max(longest, 1 + (count + 7) / 8);
        }
        return static_cast<std::size_t>(longest);
    }

    GlobalState state_;
    std::vector<GlobalState> stack_;
    std::size_t openCollections_ = 0;
    bool usesReportIds_ = false;
    BitsPerReport inputBits_;
    BitsPerReport outputBits_;
    BitsPerReport featureBits_;
};

}  // namespace

std::optional<HidReportLengths> ParseReportLengths(std::span<const std::uint8_t> descriptor) {
    if (descriptor.size() > kMaxReportDescriptorSize) {
        return std::nullopt;
    }
    Parser parser;
    std::size_t pos = 0;
    while (pos < descriptor.size()) {
        const std::optional<Item> item = NextItem(descriptor, pos);
        if (!item) {
            return std::nullopt;
        }
        bool ok = true;
        switch (item->type) {
            case ItemType::Main:
                ok = parser.Main(*item);
                break;
            case ItemType::Global:
                ok = parser.Global(*item);
                break;
            case ItemType::Local:
            case ItemType::Reserved:
                break;
        }
        if (!ok) {
            return std::nullopt;
        }
    }
    return parser.Result();
}

}  // namespace platform
