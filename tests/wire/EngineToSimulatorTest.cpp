// The engine's encoder against the handset simulator's own decoder, which shares no code with
// it: a wrong offset, checksum or byte order on either side fails here.
#include <gtest/gtest.h>

#include <random>

#include "engine/hid/HandsetProtocol.h"
#include "tools/handset-sim/OutputDecoder.h"

namespace {

using handset_sim::FrameKind;

std::vector<handset_sim::Decoded> Send(handset_sim::OutputDecoder& decoder,
                                       const handset::Frame& frame) {
    const handset::OutputReport report = handset::ToOutputReport(frame);
    return decoder.Feed(report);
}

TEST(EngineToSimulatorTest, EveryDisplayTheEngineSendsIsShownPixelForPixel) {
    std::mt19937 random(7);
    LCDFrame noise{};
    for (std::uint8_t& byte : noise) {
        byte = static_cast<std::uint8_t>(random());
    }
    LCDFrame marked{};
    marked.fill(handset::kFrameMarker);  // data that looks like a command frame
    LCDFrame full{};
    full.fill(0xFF);
    handset_sim::OutputDecoder decoder;
    unsigned shown = 0;
    for (const LCDFrame& lcd : {LCDFrame{}, full, marked, noise}) {
        std::vector<handset_sim::Decoded> decoded;
        for (const handset::Frame& frame : handset::DisplayTransfer(lcd)) {
            decoded = Send(decoder, frame);
        }
        ASSERT_EQ(decoded.size(), 1u);
        EXPECT_EQ(decoded[0].kind, FrameKind::DisplayShown);
        EXPECT_TRUE(std::equal(lcd.begin(), lcd.end(), decoder.State().lcd.begin(),
                               decoder.State().lcd.end()));
        EXPECT_EQ(decoder.State().transfersShown, ++shown);
    }
    EXPECT_EQ(decoder.State().transfersRejected, 0u);
}

TEST(EngineToSimulatorTest, EveryControlCommandIsReadAsSent) {
    handset_sim::OutputDecoder decoder;
    const std::vector<std::pair<std::uint8_t, std::uint8_t>> commands = {
        {handset::kKeySound, 2},      {handset::kDisplayLight, 1}, {handset::kRinger, 8},
        {handset::kMicMute, 1},       {handset::kContrast, 20},    {handset::kSoundOutput, 1},
        {handset::kStartupNotice, 0}, {handset::kClosing, 0},      {handset::kKeypadBacklight, 1}};
    for (const auto& [command, value] : commands) {
        EXPECT_EQ(Send(decoder, handset::ControlFrame(command, value)),
                  std::vector<handset_sim::Decoded>{
                      handset_sim::Decoded(FrameKind::Control, command, value)})
            << int(command);
    }
    EXPECT_EQ(decoder.State().contrast, 20);
    EXPECT_EQ(decoder.State().ringer, 8);
}

}  // namespace
