// The probe runs a plain libpulse main loop of its own on the test's thread, one operation at a
// time, each bounded so that a server that does not answer fails the test instead of hanging it.
#include "platform/audio/tests/PulseServerProbe.h"

#include <chrono>

namespace platform::testing {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kAnswerTime = std::chrono::seconds(5);

template <typename Value>
struct Answer {
    bool done = false;
    Value value{};
};

void OnSuccess(pa_context* /*context*/, int success, void* answer) {
    auto& result = *static_cast<Answer<bool>*>(answer);
    result.value = success != 0;
    result.done = true;
}

// Which default the server info is asked for.
struct DefaultAnswer {
    bool done = false;
    bool sink = true;
    std::string value;
};

void OnServerInfo(pa_context* /*context*/, const pa_server_info* info, void* answer) {
    auto& result = *static_cast<DefaultAnswer*>(answer);
    const char* name = info == nullptr ? nullptr
                       : result.sink   ? info->default_sink_name
                                       : info->default_source_name;
    result.value = name != nullptr ? name : "";
    result.done = true;
}

}  // namespace

PulseServerProbe::PulseServerProbe(const std::string& server) {
    mainloop_ = pa_mainloop_new();
    context_ = pa_context_new(pa_mainloop_get_api(mainloop_), "audio test probe");
    if (pa_context_connect(context_, server.c_str(), PA_CONTEXT_NOAUTOSPAWN, nullptr) == 0) {
        RunUntil([this] { return Connected(); });
    }
}

PulseServerProbe::~PulseServerProbe() {
    pa_context_disconnect(context_);
    pa_context_unref(context_);
    pa_mainloop_free(mainloop_);
}

bool PulseServerProbe::Connected() const {
    return pa_context_get_state(context_) == PA_CONTEXT_READY;
}

bool PulseServerProbe::RunUntil(const std::function<bool()>& finished) {
    const auto deadline = Clock::now() + kAnswerTime;
    while (!finished()) {
        const auto left =
            std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now());
        if (left.count() <= 0 || !PA_CONTEXT_IS_GOOD(pa_context_get_state(context_)) ||
            pa_mainloop_prepare(mainloop_, static_cast<int>(left.count())) < 0 ||
            pa_mainloop_poll(mainloop_) < 0 || pa_mainloop_dispatch(mainloop_) < 0) {
            return false;
        }
    }
    return true;
}

bool PulseServerProbe::Finish(pa_operation* operation, const bool& answered) {
    if (operation == nullptr) {
        return false;
    }
    const bool finished = RunUntil([&] { return answered; });
    if (!finished) {
        pa_operation_cancel(operation);
    }
    pa_operation_unref(operation);
    return finished;
}

std::string PulseServerProbe::DefaultSink() {
    DefaultAnswer answer;
    Finish(pa_context_get_server_info(context_, &OnServerInfo, &answer), answer.done);
    return answer.value;
}

std::string PulseServerProbe::DefaultSource() {
    DefaultAnswer answer;
    answer.sink = false;
    Finish(pa_context_get_server_info(context_, &OnServerInfo, &answer), answer.done);
    return answer.value;
}

bool PulseServerProbe::SetDefaultSink(const std::string& sink) {
    Answer<bool> answer;
    return Finish(pa_context_set_default_sink(context_, sink.c_str(), &OnSuccess, &answer),
                  answer.done) &&
           answer.value;
}

std::vector<pa_volume_t> PulseServerProbe::SinkVolumes(const std::string& sink) {
    Answer<std::vector<pa_volume_t>> answer;
    const auto onSink = [](pa_context*, const pa_sink_info* info, int eol, void* data) {
        auto& result = *static_cast<Answer<std::vector<pa_volume_t>>*>(data);
        if (eol != 0) {
            result.done = true;
        } else if (info != nullptr) {
            result.value.assign(info->volume.values, info->volume.values + info->volume.channels);
        }
    };
    Finish(pa_context_get_sink_info_by_name(context_, sink.c_str(), onSink, &answer), answer.done);
    return answer.value;
}

bool PulseServerProbe::SetSinkVolume(const std::string& sink, pa_volume_t volume) {
    const std::vector<pa_volume_t> now = SinkVolumes(sink);
    if (now.empty()) {
        return false;
    }
    pa_cvolume volumes;
    pa_cvolume_set(&volumes, static_cast<unsigned>(now.size()), volume);
    Answer<bool> answer;
    return Finish(pa_context_set_sink_volume_by_name(context_, sink.c_str(), &volumes, &OnSuccess,
                                                     &answer),
                  answer.done) &&
           answer.value;
}

std::uint32_t PulseServerProbe::LoadModule(const std::string& name, const std::string& arguments) {
    Answer<std::uint32_t> answer;
    answer.value = PA_INVALID_INDEX;
    const auto onIndex = [](pa_context*, std::uint32_t index, void* data) {
        auto& result = *static_cast<Answer<std::uint32_t>*>(data);
        result.value = index;
        result.done = true;
    };
    Finish(pa_context_load_module(context_, name.c_str(), arguments.c_str(), onIndex, &answer),
           answer.done);
    return answer.value;
}

bool PulseServerProbe::UnloadModule(std::uint32_t index) {
    Answer<bool> answer;
    return Finish(pa_context_unload_module(context_, index, &OnSuccess, &answer), answer.done) &&
           answer.value;
}

}  // namespace platform::testing
