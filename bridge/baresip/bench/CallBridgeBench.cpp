// What the bridge itself adds to a call's road: baresip's incoming-call event to the ringing
// notification, and the handset's answer to the commands baresip gets, JSON and netstring
// framing included. The sockets' own time is measured end to end by sip-latency.
#include <benchmark/benchmark.h>

#include <string>

#include "bridge/baresip/CallBridge.h"
#include "bridge/baresip/Json.h"
#include "bridge/baresip/Netstring.h"

namespace {

using namespace baresip;

struct Rig {
    Rig()
        : bridge(BridgeOutput{.toBaresip =
                                  [this](const std::string& payload) {
                                      sent = EncodeNetstring(payload);
                                      token =
                                          ParseJson(payload)->StringMember("token").value_or("");
                                  },
                              .notify = [this](const std::string& text) { notified = text; },
                              .reply = [](LinkId, const std::string&) {},
                              .historyChanged = {},
                              .now = [] { return std::int64_t{1717171717}; }},
                 {}) {
        bridge.OnBaresipUp();
    }
    // One baresip message as it arrives on the wire.
    void Receive(const std::string& payload) {
        std::vector<std::string> payloads;
        reader.Feed(EncodeNetstring(payload), payloads);
        for (const std::string& p : payloads) {
            bridge.OnBaresipMessage(p);
        }
    }
    std::string Incoming(int n) const {
        return R"({"event":true,"type":"CALL_INCOMING","class":"call","accountaor":"sip:a@127.0.0.1:5071","direction":"incoming","peeruri":"sip:bob@127.0.0.1:5082","id":"c)" +
               std::to_string(n) + R"(","param":"sip:bob@127.0.0.1:5082"})";
    }

    std::string sent;
    std::string token;
    std::string notified;
    NetstringReader reader;
    CallBridge bridge;
};

void IncomingEventToRingingNotification(benchmark::State& state) {
    Rig rig;
    int n = 0;
    for (auto _ : state) {
        rig.Receive(rig.Incoming(++n));
        benchmark::DoNotOptimize(rig.notified);
        state.PauseTiming();
        rig.Receive(
            R"({"event":true,"type":"CALL_CLOSED","class":"call","direction":"incoming","id":"c)" +
            std::to_string(n) + R"(","param":"Connection reset by peer"})");
        state.ResumeTiming();
    }
}
BENCHMARK(IncomingEventToRingingNotification);

// The answer command to "callfind", and callfind's response to "accept".
void AnswerToBaresipCommands(benchmark::State& state) {
    Rig rig;
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        rig.Receive(rig.Incoming(++n));
        const std::string answer = "set call " + std::to_string(n) + " status inprogress";
        const std::string found =
            R"({"response":true,"ok":true,"data":"setting current call","token":")";
        state.ResumeTiming();
        rig.bridge.OnLinkCommand(1, answer);
        rig.Receive(found + rig.token + "\"}");
        benchmark::DoNotOptimize(rig.sent);
        state.PauseTiming();
        rig.Receive(R"({"response":true,"ok":true,"data":"","token":")" + rig.token + "\"}");
        rig.Receive(
            R"({"event":true,"type":"CALL_CLOSED","class":"call","direction":"incoming","id":"c)" +
            std::to_string(n) + R"(","param":"Connection reset by peer"})");
        state.ResumeTiming();
    }
}
BENCHMARK(AnswerToBaresipCommands);

}  // namespace

BENCHMARK_MAIN();
