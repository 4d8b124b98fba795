// The whole system between two real SIP softphones, for the end-to-end tests and the latency
// measurement:
//
//   far baresip  <-- SIP on 127.0.0.1 -->  near baresip  <-- ctrl_tcp --  kestrel-baresip
//   (driven by the test through its own                  (the system's softphone client)
//    ctrl_tcp port)                                               ^ client socket
//                                                                 |
//                      simulated handset  <-- handset socket -->  larkspurd (Call, Retrace,
//                                                                  Echobox, sample settings)
//
// larkspurd runs in a scenario::Session, whose loop the bed pumps while it waits; the bridge and
// both baresips are children with their output in log files of the bed's temporary directory.
// Every wait is bounded. Nothing is left running when the bed goes.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "bridge/baresip/tests/sip/BaresipControl.h"
#include "bridge/baresip/tests/sip/BaresipProcess.h"
#include "platform/childprocess/ChildProcess.h"
#include "tools/handset-sim/ScreenText.h"
#include "tools/scenario/Session.h"
#include "tools/scenario/TemporaryDirectory.h"

namespace sip_test {

// How long the system is given for one step: SIP on the loopback and the system's own
// round trips take well under a second.
inline constexpr std::chrono::milliseconds kStepTimeout{5000};
// How long the start of everything may take.
inline constexpr std::chrono::milliseconds kStartTimeout{15000};

// The handset's scan codes with the sample key table (and the one key the bed adds to it).
inline constexpr std::uint8_t kKeyAnswer = 4;     // answer, hold, resume; the history's call key
inline constexpr std::uint8_t kKeyHangUp = 6;     // hang up, refuse; the history's "back"
inline constexpr std::uint8_t kKeyHold = 36;      // logical 43: hold or resume
inline constexpr std::uint8_t kKeyReceived = 35;  // logical 42: the received calls
inline constexpr std::uint8_t kKeyMissed = 34;    // logical 111, given by the bed: missed calls
// The handset's control commands the bed looks for.
inline constexpr std::uint8_t kRingerCommand = 3;
// The bed sets [PhoneSet] bell 3, a melody of the handset's: ringing is then the ringer command
// with this value, which nothing else sends (bell 1, the sample's, rings on the PC).
inline constexpr std::uint8_t kRingerMelody = 2;

class SipTestBed {
  public:
    // What the bed needs and this machine lacks (baresip, its modules, the bridge's program),
    // or empty.
    static std::string MissingPrerequisite();

    SipTestBed();
    ~SipTestBed();
    SipTestBed(const SipTestBed&) = delete;
    SipTestBed& operator=(const SipTestBed&) = delete;

    // Starts both baresips, connects to the far one's control port, starts larkspurd with the
    // handset plugged in, then the bridge, and waits until the system has attached to it. The
    // bridge's history file is what `history` gives once both parties have their ports (none
    // without it). What failed, or empty.
    std::string Start(const std::function<std::string()>& history = {});
    // Ends the bridge, larkspurd (which must end by itself with status 0) and both baresips.
    // What went wrong, or empty.
    std::string Stop();

    scenario::Session& Session() { return *session_; }
    BaresipProcess& Near() { return *near_; }
    BaresipProcess& Far() { return *far_; }
    BaresipControl& FarControl() { return *farControl_; }
    const std::filesystem::path& HistoryFile() const { return historyFile_; }
    std::string HistoryText() const;  // the history file as it is now; empty when missing
    std::string BridgeLog() const;    // everything the bridge has written

    // Pumps the session's loop until `done` holds or `timeout` passes; whether it held.
    bool PumpUntil(const std::function<bool()>& done,
                   std::chrono::milliseconds timeout = kStepTimeout);

    // The handset.
    handset_sim::ScreenText Screen() const;
    // Whether LCD text row `row` comes to read `text` (trailing blanks ignored).
    bool WaitForRow(std::size_t row, std::string_view text,
                    std::chrono::milliseconds timeout = kStepTimeout);
    bool Press(std::uint8_t scanCode);
    // The number the handset's next event will get: where a wait for a command starts.
    std::size_t HandsetMark() const;
    // Whether the handset receives control command `command` with `value` as event `from` or
    // later.
    bool WaitForControl(std::uint8_t command, std::uint8_t value, std::size_t from,
                        std::chrono::milliseconds timeout = kStepTimeout);

    // Whether larkspurd's latest state comes to end with `ending` ("softphone attached").
    bool WaitForHostState(std::string_view ending,
                          std::chrono::milliseconds timeout = kStepTimeout);
    // Whether the bridge comes to have written `text` `count` times.
    bool WaitForBridgeLine(std::string_view text, std::size_t count = 1,
                           std::chrono::milliseconds timeout = kStepTimeout);
    // The far party's event of `type` (with `param`, unless empty), from message index `from`
    // on.
    std::optional<ControlMessage> WaitForFarEvent(std::string_view type, std::size_t from,
                                                  std::string_view param = {},
                                                  std::chrono::milliseconds timeout = kStepTimeout);

    // The near baresip again after it was killed, on the same ports and files.
    bool RestartNear();

    // Everything a failed test needs to explain itself: the session's account (handset events,
    // LCD, larkspurd's output), the bridge's log, both baresips' log tails and the far party's
    // messages.
    std::string Report(const std::string& what = "the test failed") const;

  private:
    std::string StartBridge();

    std::unique_ptr<scenario::TemporaryDirectory> directory_;
    std::unique_ptr<BaresipProcess> near_;
    std::unique_ptr<BaresipProcess> far_;
    std::unique_ptr<BaresipControl> farControl_;
    std::unique_ptr<scenario::Session> session_;
    std::unique_ptr<platform::ChildProcess> bridge_;
    std::filesystem::path historyFile_;
    std::filesystem::path bridgeLog_;
};

}  // namespace sip_test
