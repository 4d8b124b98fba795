// Process-wide registry of message names.
#include "platform/loop/MessageRegistry.h"

#include <mutex>
#include <string>
#include <unordered_map>

namespace platform {
namespace {

std::string FoldCase(std::string_view name) {
    std::string folded(name);
    for (char& c : folded) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return folded;
}

struct Registry {
    std::mutex mutex;
    std::unordered_map<std::string, MessageId> ids;
    MessageId next = kFirstRegisteredMessage;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

}  // namespace

MessageId RegisterWindowMessage(std::string_view name) {
    if (name.empty()) {
        return 0;
    }
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    auto [it, inserted] = registry.ids.try_emplace(FoldCase(name), registry.next);
    if (inserted) {
        if (registry.next > kLastRegisteredMessage) {
            registry.ids.erase(it);
            return 0;
        }
        ++registry.next;
    }
    return it->second;
}

}  // namespace platform
