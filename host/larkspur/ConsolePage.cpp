// The console's pages: set up once, at the first activation.
#include "host/larkspur/ConsolePage.h"

#include "host/larkspur/ConsoleOperations.h"

void ConsolePage::Activate() {
    if (!initialised_) {
        initialised_ = true;
        OnInitDialog();
    }
}

std::filesystem::path ConsolePage::SettingsFile() const {
    return console_.StartDirectory() / "KestrelCFG.ini";
}
