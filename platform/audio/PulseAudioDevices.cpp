// The session's sound devices through the PulseAudio client library. A threaded main loop does all
// the talking to the server: it queries the whole picture (server info, outputs, inputs) whenever
// the server reports a change, and hands each finished picture to the loop's thread, which answers
// every question from the last one it took. Changes are sent under the main loop's lock without
// waiting for the server, and show at once in that picture.
#include <pulse/pulseaudio.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/audio/AudioDevices.h"
#include "platform/log/DebugLog.h"
#include "platform/loop/Window.h"
#include "platform/text/Utf8.h"

namespace platform {
namespace {

// The snapshot window is this object's own, so any number above the standard messages will do.
constexpr MessageId kSnapshotReady = 0x0400;

constexpr std::chrono::seconds kFirstRetry{1};
constexpr std::chrono::seconds kLongestRetry{10};

pa_volume_t VolumeOfStep(int step) {
    const int clamped = std::clamp(step, 0, kTopVolumeStep);
    return PA_VOLUME_MUTED +
           static_cast<pa_volume_t>(clamped) * (PA_VOLUME_NORM - PA_VOLUME_MUTED) / kTopVolumeStep;
}

int NearestStep(pa_volume_t volume) {
    const std::uint64_t above = volume > PA_VOLUME_MUTED ? volume - PA_VOLUME_MUTED : 0;
    const std::uint64_t range = PA_VOLUME_NORM - PA_VOLUME_MUTED;
    const std::uint64_t step = (above * kTopVolumeStep + range / 2) / range;
    return static_cast<int>(std::min<std::uint64_t>(step, kTopVolumeStep));
}

// Whether the operation was sent; its answer comes to its callback, so it is let go at once.
bool Started(pa_operation* operation) {
    if (operation == nullptr) {
        return false;
    }
    pa_operation_unref(operation);
    return true;
}

struct Device {
    std::wstring name;       // the description a user sees
    std::string serverName;  // the server's own name, which every operation takes
    std::uint8_t channels = 0;
    pa_volume_t volume = PA_VOLUME_MUTED;  // the channels' average
};

struct Snapshot {
    bool connected = false;
    std::vector<Device> outputs;
    std::vector<Device> inputs;
    std::string defaultOutput;  // server names
    std::string defaultInput;
    // How many changes the loop's thread had sent when this picture was asked for: a picture
    // asked for before a change would undo it for a moment.
    std::uint64_t writesBefore = 0;
};

const std::vector<Device>& List(const Snapshot& snapshot, AudioDirection direction) {
    return direction == AudioDirection::kOutput ? snapshot.outputs : snapshot.inputs;
}

const std::string& DefaultOf(const Snapshot& snapshot, AudioDirection direction) {
    return direction == AudioDirection::kOutput ? snapshot.defaultOutput : snapshot.defaultInput;
}

std::vector<std::wstring> NamesOf(const Snapshot& snapshot, AudioDirection direction) {
    std::vector<std::wstring> names;
    for (const Device& device : List(snapshot, direction)) {
        names.push_back(device.name);
    }
    return names;
}

std::wstring DefaultNameOf(const Snapshot& snapshot, AudioDirection direction) {
    const std::string& serverName = DefaultOf(snapshot, direction);
    for (const Device& device : List(snapshot, direction)) {
        if (device.serverName == serverName) {
            return device.name;
        }
    }
    return {};
}

// What the change callback announces: everything a user sees but the volumes.
bool AnnouncesTheSame(const Snapshot& a, const Snapshot& b) {
    for (AudioDirection direction : {AudioDirection::kOutput, AudioDirection::kInput}) {
        if (NamesOf(a, direction) != NamesOf(b, direction) ||
            DefaultNameOf(a, direction) != DefaultNameOf(b, direction)) {
            return false;
        }
    }
    return a.connected == b.connected;
}

Device DeviceOf(const char* description, const char* serverName, const pa_cvolume& volume) {
    Device device;
    device.name = FromUtf8(description != nullptr ? description : "");
    device.serverName = serverName != nullptr ? serverName : "";
    device.channels = volume.channels;
    device.volume = pa_cvolume_avg(&volume);
    return device;
}

class SnapshotWindow final : public Window {
  public:
    SnapshotWindow(MessageLoop& loop, std::function<void()> onSnapshot)
        : Window(loop), onSnapshot_(std::move(onSnapshot)) {}

    LRESULT WindowProc(MessageId message, WPARAM wParam, LPARAM lParam) override {
        if (message != kSnapshotReady) {
            return Window::WindowProc(message, wParam, lParam);
        }
        onSnapshot_();
        return 0;
    }

  private:
    std::function<void()> onSnapshot_;
};

class PulseAudioDevices final : public AudioDevices {
  public:
    PulseAudioDevices(MessageLoop& loop, std::string applicationName);
    ~PulseAudioDevices() override;
    PulseAudioDevices(const PulseAudioDevices&) = delete;
    PulseAudioDevices& operator=(const PulseAudioDevices&) = delete;

    bool IsAvailable() const override { return current_.connected; }
    std::vector<std::wstring> Names(AudioDirection direction) const override {
        return NamesOf(current_, direction);
    }
    std::wstring DefaultName(AudioDirection direction) const override {
        return DefaultNameOf(current_, direction);
    }
    bool SetDefault(AudioDirection direction, std::wstring_view name) override;
    std::optional<int> VolumeStep(std::wstring_view name) const override;
    bool SetVolumeStep(std::wstring_view name, int step) override;
    void SetOnChange(std::function<void()> onChange) override { onChange_ = std::move(onChange); }

  private:
    // The main loop's thread, with its lock held (libpulse calls back with it held).
    static void ConnectNow(pa_mainloop_api* api, void* self);
    void Connect();
    static void OnContextState(pa_context* context, void* self);
    void LoseConnection();
    static void OnRetryDue(pa_mainloop_api* api, pa_time_event* event, const timeval* when,
                           void* self);
    static void OnServerEvent(pa_context* context, pa_subscription_event_type_t event,
                              std::uint32_t index, void* self);
    static void OnWriteDone(pa_context* context, int success, void* self);
    void Refresh();
    void AskForSnapshot();
    static void OnServerInfo(pa_context* context, const pa_server_info* info, void* self);
    static void OnSinkInfo(pa_context* context, const pa_sink_info* info, int eol, void* self);
    static void OnSourceInfo(pa_context* context, const pa_source_info* info, int eol, void* self);
    void AnswerArrived();
    void Publish(Snapshot snapshot);

    // The loop's thread.
    void TakeSnapshot();
    // Sends the changes `write` starts, when connected; false when none could be sent.
    bool Send(const std::function<bool(pa_context*)>& write);

    const std::string applicationName_;
    SnapshotWindow window_;
    pa_threaded_mainloop* mainloop_ = nullptr;
    pa_mainloop_api* api_ = nullptr;

    // Under the main loop's lock.
    pa_context* context_ = nullptr;
    pa_time_event* retry_ = nullptr;
    std::chrono::seconds nextRetry_ = kFirstRetry;
    bool lossSaid_ = false;
    int answersAwaited_ = 0;
    bool refreshAgain_ = false;
    Snapshot building_;
    std::uint64_t writes_ = 0;  // only the loop's thread changes it

    std::mutex handoffMutex_;
    std::optional<Snapshot> handoff_;

    // The loop's thread.
    Snapshot current_;
    std::function<void()> onChange_;
};

PulseAudioDevices::PulseAudioDevices(MessageLoop& loop, std::string applicationName)
    : applicationName_(std::move(applicationName)), window_(loop, [this] { TakeSnapshot(); }) {
    mainloop_ = pa_threaded_mainloop_new();
    if (mainloop_ == nullptr) {
        throw std::runtime_error("audio: no PulseAudio main loop");
    }
    pa_threaded_mainloop_set_name(mainloop_, "audio");
    api_ = pa_threaded_mainloop_get_api(mainloop_);
    // Even finding the server reads files, so the first attempt is the main loop's work too.
    pa_mainloop_api_once(api_, &PulseAudioDevices::ConnectNow, this);
    if (pa_threaded_mainloop_start(mainloop_) < 0) {
        pa_threaded_mainloop_free(mainloop_);
        throw std::runtime_error("audio: the PulseAudio main loop did not start");
    }
}

PulseAudioDevices::~PulseAudioDevices() {
    // With the main loop's thread gone nothing calls back any more, so what is left is freed here
    // without the lock. Disconnecting only closes the socket: a hung server cannot hold us up.
    pa_threaded_mainloop_stop(mainloop_);
    if (context_ != nullptr) {
        pa_context_set_state_callback(context_, nullptr, nullptr);
        pa_context_set_subscribe_callback(context_, nullptr, nullptr);
        pa_context_disconnect(context_);
        pa_context_unref(context_);
    }
    if (retry_ != nullptr) {
        api_->time_free(retry_);
    }
    pa_threaded_mainloop_free(mainloop_);
}

void PulseAudioDevices::ConnectNow(pa_mainloop_api* /*api*/, void* self) {
    static_cast<PulseAudioDevices*>(self)->Connect();
}

void PulseAudioDevices::Connect() {
    pa_context* context = pa_context_new(api_, applicationName_.c_str());
    if (context == nullptr) {
        DebugLog("audio", "no PulseAudio context could be made");
        LoseConnection();
        return;
    }
    context_ = context;
    pa_context_set_state_callback(context, &PulseAudioDevices::OnContextState, this);
    // A desktop program uses the session's server and never starts one of its own.
    if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 &&
        context_ == context) {
        LoseConnection();
    }
}

void PulseAudioDevices::OnContextState(pa_context* context, void* self) {
    auto& devices = *static_cast<PulseAudioDevices*>(self);
    switch (pa_context_get_state(context)) {
        case PA_CONTEXT_READY: {
            DebugLog("audio", "connected to the server");
            devices.nextRetry_ = kFirstRetry;
            devices.lossSaid_ = false;
            pa_context_set_subscribe_callback(context, &PulseAudioDevices::OnServerEvent, self);
            const auto mask = static_cast<pa_subscription_mask_t>(PA_SUBSCRIPTION_MASK_SINK |
                                                                  PA_SUBSCRIPTION_MASK_SOURCE |
                                                                  PA_SUBSCRIPTION_MASK_SERVER);
            Started(pa_context_subscribe(context, mask, nullptr, nullptr));
            devices.Refresh();
            break;
        }
        case PA_CONTEXT_FAILED:
        case PA_CONTEXT_TERMINATED:
            devices.LoseConnection();
            break;
        default:
            break;
    }
}

void PulseAudioDevices::LoseConnection() {
    std::string reason = "no context";
    if (context_ != nullptr) {
        reason = pa_strerror(pa_context_errno(context_));
        pa_context_set_state_callback(context_, nullptr, nullptr);
        pa_context_set_subscribe_callback(context_, nullptr, nullptr);
        // libpulse holds its own reference while it calls back, and cancels the context's
        // operations, so none of their callbacks comes any more.
        pa_context_unref(context_);
        context_ = nullptr;
    }
    answersAwaited_ = 0;
    refreshAgain_ = false;
    if (!lossSaid_) {
        lossSaid_ = true;
        std::string line = applicationName_;
        line.append(": no audio server (")
            .append(reason)
            .append("); the sound device lists stay empty until it is back\n");
        [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, line.data(), line.size());
        Snapshot empty;
        empty.writesBefore = writes_;
        Publish(std::move(empty));
    }
    std::string note = "connection lost (";
    note.append(reason).append("); trying again in ");
    note.append(std::to_string(nextRetry_.count())).append(" s");
    DebugLog("audio", note);
    timeval due{};
    pa_gettimeofday(&due);
    pa_timeval_add(&due, static_cast<pa_usec_t>(nextRetry_.count()) * PA_USEC_PER_SEC);
    retry_ = api_->time_new(api_, &due, &PulseAudioDevices::OnRetryDue, this);
    nextRetry_ = std::min(nextRetry_ * 2, kLongestRetry);
}

void PulseAudioDevices::OnRetryDue(pa_mainloop_api* api, pa_time_event* event,
                                   const timeval* /*when*/, void* self) {
    auto& devices = *static_cast<PulseAudioDevices*>(self);
    api->time_free(event);
    devices.retry_ = nullptr;
    devices.Connect();
}

void PulseAudioDevices::OnServerEvent(pa_context* /*context*/,
                                      pa_subscription_event_type_t /*event*/,
                                      std::uint32_t /*index*/, void* self) {
    static_cast<PulseAudioDevices*>(self)->Refresh();
}

void PulseAudioDevices::OnWriteDone(pa_context* /*context*/, int success, void* self) {
    if (success == 0) {
        DebugLog("audio", "the server refused a change");
    }
    // The picture after the change, whether or not the server reports one.
    static_cast<PulseAudioDevices*>(self)->Refresh();
}

void PulseAudioDevices::Refresh() {
    if (answersAwaited_ > 0) {
        // A burst of events costs one more round of queries, not one per event.
        refreshAgain_ = true;
        return;
    }
    AskForSnapshot();
}

void PulseAudioDevices::AskForSnapshot() {
    building_ = Snapshot();
    building_.connected = true;
    building_.writesBefore = writes_;
    answersAwaited_ = 0;
    pa_operation* operations[] = {
        pa_context_get_server_info(context_, &PulseAudioDevices::OnServerInfo, this),
        pa_context_get_sink_info_list(context_, &PulseAudioDevices::OnSinkInfo, this),
        pa_context_get_source_info_list(context_, &PulseAudioDevices::OnSourceInfo, this),
    };
    for (pa_operation* operation : operations) {
        if (Started(operation)) {
            ++answersAwaited_;
        }
    }
}

void PulseAudioDevices::OnServerInfo(pa_context* /*context*/, const pa_server_info* info,
                                     void* self) {
    auto& devices = *static_cast<PulseAudioDevices*>(self);
    if (info != nullptr) {
        devices.building_.defaultOutput = info->default_sink_name ? info->default_sink_name : "";
        devices.building_.defaultInput = info->default_source_name ? info->default_source_name : "";
    }
    devices.AnswerArrived();
}

void PulseAudioDevices::OnSinkInfo(pa_context* /*context*/, const pa_sink_info* info, int eol,
                                   void* self) {
    auto& devices = *static_cast<PulseAudioDevices*>(self);
    if (eol != 0) {
        devices.AnswerArrived();
    } else if (info != nullptr) {
        devices.building_.outputs.push_back(DeviceOf(info->description, info->name, info->volume));
    }
}

void PulseAudioDevices::OnSourceInfo(pa_context* /*context*/, const pa_source_info* info, int eol,
                                     void* self) {
    auto& devices = *static_cast<PulseAudioDevices*>(self);
    if (eol != 0) {
        devices.AnswerArrived();
    } else if (info != nullptr && info->monitor_of_sink == PA_INVALID_INDEX) {
        devices.building_.inputs.push_back(DeviceOf(info->description, info->name, info->volume));
    }
}

void PulseAudioDevices::AnswerArrived() {
    if (--answersAwaited_ > 0) {
        return;
    }
    if (refreshAgain_) {
        refreshAgain_ = false;
        AskForSnapshot();
        return;
    }
    std::string note = std::to_string(building_.outputs.size());
    note.append(" outputs, ").append(std::to_string(building_.inputs.size())).append(" inputs");
    DebugLog("audio", note);
    Publish(std::move(building_));
}

void PulseAudioDevices::Publish(Snapshot snapshot) {
    bool posted = false;
    {
        std::lock_guard lock(handoffMutex_);
        // One post carries however many pictures arrive before the loop takes the last one.
        posted = handoff_.has_value();
        handoff_ = std::move(snapshot);
    }
    if (!posted) {
        PostMessage(window_.Handle(), kSnapshotReady, 0, 0);
    }
}

void PulseAudioDevices::TakeSnapshot() {
    std::optional<Snapshot> arrived;
    {
        std::lock_guard lock(handoffMutex_);
        arrived.swap(handoff_);
    }
    // A picture from before the last change sent; the one after it is on its way.
    if (!arrived || arrived->writesBefore != writes_) {
        return;
    }
    const bool announce = !AnnouncesTheSame(current_, *arrived);
    current_ = std::move(*arrived);
    if (announce && onChange_) {
        onChange_();
    }
}

bool PulseAudioDevices::Send(const std::function<bool(pa_context*)>& write) {
    bool sent = false;
    pa_threaded_mainloop_lock(mainloop_);
    if (context_ != nullptr && pa_context_get_state(context_) == PA_CONTEXT_READY) {
        sent = write(context_);
        if (sent) {
            ++writes_;
        }
    }
    pa_threaded_mainloop_unlock(mainloop_);
    return sent;
}

bool PulseAudioDevices::SetDefault(AudioDirection direction, std::wstring_view name) {
    const std::vector<Device>& list = List(current_, direction);
    const auto device = std::find_if(
        list.begin(), list.end(), [&](const Device& candidate) { return candidate.name == name; });
    if (device == list.end()) {
        return false;
    }
    const std::string serverName = device->serverName;
    const bool sent = Send([&](pa_context* context) {
        return Started(direction == AudioDirection::kOutput
                           ? pa_context_set_default_sink(context, serverName.c_str(),
                                                         &PulseAudioDevices::OnWriteDone, this)
                           : pa_context_set_default_source(context, serverName.c_str(),
                                                           &PulseAudioDevices::OnWriteDone, this));
    });
    if (sent) {
        (direction == AudioDirection::kOutput ? current_.defaultOutput : current_.defaultInput) =
            serverName;
    }
    return sent;
}

std::optional<int> PulseAudioDevices::VolumeStep(std::wstring_view name) const {
    for (const Device& device : current_.outputs) {
        if (device.name == name) {
            return NearestStep(device.volume);
        }
    }
    return std::nullopt;
}

bool PulseAudioDevices::SetVolumeStep(std::wstring_view name, int step) {
    const pa_volume_t volume = VolumeOfStep(step);
    bool sentAny = false;
    for (Device& device : current_.outputs) {
        if (device.name != name) {
            continue;
        }
        const bool sent = Send([&](pa_context* context) {
            pa_cvolume volumes;
            pa_cvolume_set(&volumes, device.channels, volume);
            return Started(
                pa_context_set_sink_volume_by_name(context, device.serverName.c_str(), &volumes,
                                                   &PulseAudioDevices::OnWriteDone, this));
        });
        if (sent) {
            device.volume = volume;
            sentAny = true;
        }
    }
    return sentAny;
}

}  // namespace

std::unique_ptr<AudioDevices> ConnectAudioServer(MessageLoop& loop,
                                                 const std::string& applicationName) {
    return std::make_unique<PulseAudioDevices>(loop, applicationName);
}

}  // namespace platform
