// The one-second tick of the playing voice message.
#include "tools/phone-client-sim/VoicemailTicker.h"

namespace phone_client_sim {

VoicemailTicker::VoicemailTicker(platform::MessageLoop& loop, VoicemailModel& model)
    : Window(loop), model_(model) {
    Show(false);
    model_.SetPlayingObserver([this](bool playing) {
        // Killed first either way: a message that starts counts its seconds from now, not from
        // the tick of the one it replaced.
        KillTimer(kTickTimer);
        if (playing) {
            SetTimer(kTickTimer, kPeriod);
        }
    });
}

VoicemailTicker::~VoicemailTicker() {
    model_.SetPlayingObserver(nullptr);
}

void VoicemailTicker::OnTimer(platform::TimerId id) {
    if (id == kTickTimer) {
        model_.Tick();
    }
}

}  // namespace phone_client_sim
