// The library's one engine, created by the host with the real links.
#include <memory>

#include "engine/CEmualtor.h"
#include "engine/hid/CHidLink.h"
#include "engine/skype/CSkypeLink.h"
#include "platform/files/WorkingDirectory.h"
#include "platform/hid/HidBackend.h"

namespace {

class RealLinkFactory final : public ILinkFactory {
  public:
    std::unique_ptr<IHidLink> CreateHidLink(platform::WindowHandle owner,
                                            std::uint16_t productId) override {
        return std::make_unique<CHidLink>(
            owner, productId, std::shared_ptr<platform::HidBackend>(platform::CreateHidBackend()));
    }
    std::unique_ptr<ISkypeLink> CreateSkypeLink(platform::WindowHandle owner,
                                                bool launchSkype) override {
        return std::make_unique<CSkypeLink>(owner, launchSkype);
    }
};

// Destroyed when the library is unloaded, as the engine object of the library should be.
struct TheEngine {
    RealLinkFactory links;
    std::unique_ptr<CEmualtor> engine;
};

TheEngine& Instance() {
    static TheEngine instance;
    return instance;
}

}  // namespace

CEmualtor* CreateEmlu(platform::WindowHandle parent) {
    TheEngine& instance = Instance();
    if (!instance.engine) {
        instance.engine = std::make_unique<CEmualtor>(instance.links, platform::CurrentDirectory());
        instance.engine->Create(parent);
    }
    return instance.engine.get();
}
