// The registered messages of the whole system, looked up once by name.
//
// Every component (engine, links, modes, host) registers the same fixed names, so the ids agree
// across module boundaries; the names are the system's binding interface.
#pragma once

#include "platform/loop/MessageRegistry.h"

struct RegisteredMessages {
    platform::MessageId hidDataReceived = platform::RegisterWindowMessage("HIDDataReceived");
    platform::MessageId hidDeviceChange = platform::RegisterWindowMessage("HIDDEVICECHANGE");
    platform::MessageId skypeStatusChange = platform::RegisterWindowMessage("SKYPESTATUSCHG");
    platform::MessageId skypeMessageReceived = platform::RegisterWindowMessage("SKYPEMSGRECIEVED");
    platform::MessageId skypeApiDiscover =
        platform::RegisterWindowMessage("SkypeControlAPIDiscover");
    platform::MessageId skypeApiAttach = platform::RegisterWindowMessage("SkypeControlAPIAttach");
    platform::MessageId requestDisplayLcd = platform::RegisterWindowMessage("REQUESTDISPLAYLCD");
    platform::MessageId requestCmdToHid = platform::RegisterWindowMessage("REQUESTCMDTOHID");
    platform::MessageId requestCmdToSkype = platform::RegisterWindowMessage("REQUESTCMDTOSKYPE");
    platform::MessageId virtualHidKey = platform::RegisterWindowMessage("VIRTUALHIDKEY");
    platform::MessageId postMsgToAllMode = platform::RegisterWindowMessage("POSTMSGTOALLMODE");
    platform::MessageId saveCurrentMode = platform::RegisterWindowMessage("SAVECURRENTMODE");
    platform::MessageId restoreSaveMode = platform::RegisterWindowMessage("RESTORESAVEMODE");
    platform::MessageId langChange = platform::RegisterWindowMessage("LANGCHG");
    platform::MessageId settingChange = platform::RegisterWindowMessage("SETTINGCHG");
    platform::MessageId hidSkypeStatusChange = platform::RegisterWindowMessage("HIDSKYPESTATUSCHG");
    platform::MessageId firmwareVersion = platform::RegisterWindowMessage("FIRMWAREVER");
    platform::MessageId audioDeviceChange = platform::RegisterWindowMessage("AUDIODEVICECHG");
    platform::MessageId clearRestore = platform::RegisterWindowMessage("CLEARRESTORE");
    platform::MessageId hasCallInNook = platform::RegisterWindowMessage("HASCALLINNOOK");
    platform::MessageId hasUnplayedVm = platform::RegisterWindowMessage("HASUNPLAYEDVM");
    platform::MessageId callOutNul = platform::RegisterWindowMessage("CALLOUTNUL");
    platform::MessageId soundCancelChange = platform::RegisterWindowMessage("SOUNDCANLECHANGE");
    platform::MessageId callHold = platform::RegisterWindowMessage("CALLHOLD");

    static const RegisteredMessages& Get() {
        static const RegisteredMessages messages;
        return messages;
    }
};
