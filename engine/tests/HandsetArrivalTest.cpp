// The engine with its real handset link over the fake backend: what reaches the handset when it
// arrives the way a desktop announces it, first without access rights, then with them.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/hid/CHidLink.h"
#include "engine/hid/HandsetProtocol.h"
#include "engine/tests/EngineFakes.h"
#include "platform/hid/fake/FakeHidBackend.h"

namespace enginetest {
namespace {

constexpr char kNode[] = "fake/hidraw0";

class RealHidLinkFactory final : public FakeLinkFactory {
  public:
    explicit RealHidLinkFactory(std::shared_ptr<platform::FakeHidBackend> backend)
        : backend_(std::move(backend)) {}
    std::unique_ptr<IHidLink> CreateHidLink(platform::WindowHandle owner,
                                            std::uint16_t productId) override {
        return std::make_unique<CHidLink>(owner, productId, backend_);
    }

  private:
    std::shared_ptr<platform::FakeHidBackend> backend_;
};

// The control commands written to the handset, in order.
std::vector<Command> Commands(const platform::FakeHidBackend& backend) {
    std::vector<Command> commands;
    for (const platform::FakeHidBackend::WriteRecord& write : backend.Writes()) {
        if (write.result == platform::HidResult::Ok && write.report[1] == handset::kFrameMarker &&
            write.report[2] != handset::kDisplayHeader &&
            write.report[2] != handset::kDisplayTrailer) {
            commands.emplace_back(write.report[2], write.report[3]);
        }
    }
    return commands;
}

TEST(HandsetArrivalTest, TheSettingsReachTheHandsetOnceAfterTheOpenThatSucceeds) {
    platform::ManualClock clock;
    platform::MessageLoop loop{clock};
    auto backend = std::make_shared<platform::FakeHidBackend>(&clock);
    RealHidLinkFactory links(backend);
    TempDir dir;
    RecordingHost host;
    CEmualtor engine(links, dir.Path());
    engine.Create(host.Handle());
    loop.ProcessReady();

    // The kernel's add event: the node is there, but not yet the user's.
    backend->RefuseOpen(kNode, true);
    backend->Plug({kNode, handset::kVendorId, handset::kDefaultProductId, 9, 17});
    loop.ProcessReady();
    EXPECT_FALSE(engine.GetHIDOnline());
    EXPECT_TRUE(Commands(*backend).empty());

    // udev's event, once its rule gave the user the node.
    backend->RefuseOpen(kNode, false);
    backend->Plug({kNode, handset::kVendorId, handset::kDefaultProductId, 9, 17});
    loop.ProcessReady();
    EXPECT_TRUE(engine.GetHIDOnline());
    const std::vector<Command> commands = Commands(*backend);
    const std::vector<Command> settings = {{8, 0}, {1, 1}, {3, 0}, {4, 1}, {5, 20}, {7, 0}};
    const auto first = std::find(commands.begin(), commands.end(), settings[0]);
    ASSERT_GE(commands.end() - first, static_cast<std::ptrdiff_t>(settings.size()));
    EXPECT_EQ(std::vector<Command>(first, first + settings.size()), settings);
    EXPECT_EQ(std::count(commands.begin(), commands.end(), settings[0]), 1);

    platform::SendMessage(engine.Handle(), platform::WM_CLOSE, 0, 0);
}

}  // namespace
}  // namespace enginetest
