// console-pictures: the console's pages in the four languages, as PNG files for the
// documentation. Runs the console without an engine, so no handset or softphone is needed, and
// is meant to run under a real X server (Xvfb) with the desktop's fonts: scripts/console-pictures.
//
//   console-pictures PROGRAM_DIR OUTPUT_DIR
//
// Writes OUTPUT_DIR/LANGUAGE/TAB.png, LANGUAGE one of en, zh-CN, zh-TW, ja and TAB one of
// audio, phone, language, ring, information. Exit status: 0 done; 1 a picture could not be
// written; 2 bad usage.
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <cstdio>
#include <filesystem>

#include "common/Messages.h"
#include "host/larkspur/CPageParent.h"
#include "platform/audio/FakeAudioDevices.h"
#include "platform/loop/MessageLoop.h"

namespace {

class PictureConsole final : public CPageParent {
  public:
    using CPageParent::CPageParent;

  protected:
    CEmualtor* LoadEngine() override { return nullptr; }
    bool TrayAvailable() const override { return false; }
};

struct Language {
    const char* folder;
    std::uint16_t langId;
};

constexpr Language kLanguages[] = {{"en", 9}, {"zh-CN", 2052}, {"zh-TW", 1028}, {"ja", 17}};
constexpr const char* kTabNames[] = {"audio", "phone", "language", "ring", "information"};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: console-pictures PROGRAM_DIR OUTPUT_DIR\n");
        return 2;
    }
    platform::MessageLoop loop;
    QApplication app(argc, argv);
    // The devices of a desktop with the handset plugged in.
    platform::FakeAudioDevices audio;
    audio.outputs = {{L"Built-in Audio Analog Stereo"}, {L"USB Audio Device Analog Stereo"}};
    audio.inputs = {{L"Built-in Audio Analog Stereo"}, {L"USB Audio Device Mono"}};
    audio.defaultOutput = L"Built-in Audio Analog Stereo";
    audio.defaultInput = L"Built-in Audio Analog Stereo";
    PictureConsole console{std::filesystem::path(argv[1]), audio};
    console.Start();
    // A firmware version as a handset reports it, so that the page shows one.
    platform::SendMessage(console.Handle(), RegisteredMessages::Get().firmwareVersion, 0x3132,
                          0x33343500);
    for (const Language& language : kLanguages) {
        console.SetLanguage(language.langId);
        const QString folder = QDir(QString::fromLocal8Bit(argv[2])).filePath(language.folder);
        QDir().mkpath(folder);
        for (int tab = 0; tab < CPageParent::kTabs; ++tab) {
            console.Tabs().setCurrentIndex(tab);
            QApplication::processEvents();
            const QString file =
                QDir(folder).filePath(QString::fromLatin1(kTabNames[tab]) + ".png");
            if (!console.grab().save(file)) {
                std::fprintf(stderr, "console-pictures: cannot write %s\n", qPrintable(file));
                return 1;
            }
        }
    }
    return 0;
}
