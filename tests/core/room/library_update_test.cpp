#include "core/room/library_update.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "core/base/messages.h"
#include "core/room/recording_processes.h"

namespace corvina {
namespace {

using Calls = std::vector<std::string>;

constexpr const char* kRoomPath = "C:\\Program Files\\gigabeat room\\GBRoom.exe";

// The processes fake, the message boxes, the status bar, the settings and the message pump, all
// recorded into one list so that the order across them shows.
class LibraryUpdateTest : public testing::Test {
protected:
    class RecordingMessages : public Messages {
    public:
        explicit RecordingMessages(Calls& calls) : calls_(calls) {}
        bool Show(MessageKind kind, std::string_view text) override {
            calls_.push_back((kind == MessageKind::Error ? "Error [" : "Other [") +
                             std::string(text) + "]");
            return false;
        }

    private:
        Calls& calls_;
    };

    test::RecordingProcesses processes;
    Calls& calls = processes.calls;
    RecordingMessages messages{calls};
    std::string settingsRoomPath = kRoomPath;  // what the settings file holds
    std::function<bool()> onPump = [] { return true; };

    LibraryUpdateSeams Seams() {
        return {processes, messages,
                [this] {
                    calls.push_back("LoadSettings");
                    return settingsRoomPath;
                },
                [this](std::string_view text) {
                    calls.push_back("Status [" + std::string(text) + "]");
                },
                [this] {
                    calls.push_back("Pump");
                    return onPump();
                }};
    }
    void Run() { LaunchGigabeatRoom(Seams()); }

    static Calls Click(const std::string& window = "0x100", const std::string& button = "0x200") {
        return {"FindWindow [gigabeat room]", "FindChild " + window + " [Button] [GIGABEAT]",
                "Send " + button + " 0x201 0 0", "Send " + button + " 0x202 0 0"};
    }
    static Calls Keys() {
        return {"Key 116 0", "Key 116 2", "Key 17 0", "Key 116 0", "Key 17 2", "Key 116 2"};
    }
    static Calls Start(const std::string& path = kRoomPath) {
        return {"LoadSettings", "IsFile " + path,
                "Start [" + path + "] flags=7 show=0 at=0,0 size=640x480 creation=0x4000000",
                "Status [gigabeat room 起動中。]"};
    }
    static Calls Join(std::initializer_list<Calls> parts) {
        Calls all;
        for (const Calls& part : parts) all.insert(all.end(), part.begin(), part.end());
        return all;
    }
};

TEST_F(LibraryUpdateTest, WaitsInSlicesWhileTimedOutThenClicksPressesKeysAndClicksAgain) {
    processes.waits = {IdleWait::TimedOut, IdleWait::TimedOut};
    Run();
    EXPECT_EQ(calls, Join({Start(),
                           {"Wait 11 100", "Pump", "Wait 11 100", "Pump", "Wait 11 100", "Pump",
                            "Release 11", "Release 12", "Status []"},
                           Click(),
                           Keys(),
                           Click()}));
}

TEST_F(LibraryUpdateTest, AWaitThatDoesNotTimeOutEndsTheWaitAndTheRestFollows) {
    for (IdleWait end : {IdleWait::Idle, IdleWait::Failed, IdleWait::Ended}) {
        calls.clear();
        processes.waits = {IdleWait::TimedOut, end};
        Run();
        EXPECT_EQ(calls, Join({Start(),
                               {"Wait 11 100", "Pump", "Wait 11 100", "Pump", "Release 11",
                                "Release 12", "Status []"},
                               Click(),
                               Keys(),
                               Click()}))
            << static_cast<int>(end);
        processes = test::RecordingProcesses();
    }
}

TEST_F(LibraryUpdateTest, NoFileAtTheRoomPathGivesTheErrorBoxAndStartsNothing) {
    // An empty path and a folder are not files (the backends' own tests check that).
    for (const char* path : {"", "C:\\gigabeat room", kRoomPath}) {
        calls.clear();
        settingsRoomPath = path;
        processes.isFile = [](std::string_view) { return false; };
        Run();
        EXPECT_EQ(calls, (Calls{"LoadSettings", "IsFile " + std::string(path),
                                "Error [" + std::string(kRoomProgramMissingMessage) + "]"}));
    }
}

TEST_F(LibraryUpdateTest, AProgramThatCannotBeStartedGivesTheSystemsReasonAndNothingMore) {
    processes.startFailure = "Exec format error";
    Run();
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls.back(),
              "Error [cannot start: \"" + std::string(kRoomPath) + "\" (Exec format error)]");
}

TEST_F(LibraryUpdateTest, UsesThePathTheSettingsHoldAtTheStartOfTheUpdate) {
    settingsRoomPath = "D:\\room\\GBRoom.exe";  // changed in the settings dialog just before
    Run();
    EXPECT_EQ(Calls(calls.begin(), calls.begin() + 4), Start("D:\\room\\GBRoom.exe"));
}

TEST_F(LibraryUpdateTest, WithoutTheWindowOrItsButtonTheClicksReachNothingButTheKeysAreSent) {
    struct Case {
        WindowHandle window, button;
        Calls click;
    };
    for (const Case& c :
         {Case{0, 0x200, {"FindWindow [gigabeat room]"}},
          Case{0x100, 0, {"FindWindow [gigabeat room]", "FindChild 0x100 [Button] [GIGABEAT]"}}}) {
        calls.clear();
        processes.window = c.window;
        processes.button = c.button;
        Run();
        EXPECT_EQ(Calls(calls.begin() + 9, calls.end()), Join({c.click, Keys(), c.click}));
    }
}

TEST_F(LibraryUpdateTest, ClosingOurProgramDuringTheWaitReleasesTheHandlesAndSendsNothing) {
    processes.waits = {IdleWait::TimedOut, IdleWait::TimedOut};
    onPump = [] { return false; };
    Run();
    EXPECT_EQ(calls,
              Join({Start(), {"Wait 11 100", "Pump", "Release 11", "Release 12", "Status []"}}));
}

TEST_F(LibraryUpdateTest, ASecondUpdateDuringTheWaitRunsToItsEndAndTheFirstGoesOn) {
    processes.waits = {IdleWait::TimedOut};
    bool nested = false;
    onPump = [&] {
        if (!nested) {
            nested = true;
            Run();  // the menu item chosen again while the first update waits
        }
        return true;
    };
    Run();
    EXPECT_EQ(calls, Join({Start(),
                           {"Wait 11 100", "Pump"},
                           Start(),
                           {"Wait 21 100", "Pump", "Release 21", "Release 22", "Status []"},
                           Click(),
                           Keys(),
                           Click(),
                           {"Wait 11 100", "Pump", "Release 11", "Release 12", "Status []"},
                           Click(),
                           Keys(),
                           Click()}));
}

TEST_F(LibraryUpdateTest, AFailureInsideTheMessagePumpStillReleasesBothHandles) {
    onPump = []() -> bool { throw std::runtime_error("handler failed"); };
    EXPECT_THROW(Run(), std::runtime_error);
    EXPECT_EQ(Calls(calls.end() - 2, calls.end()), (Calls{"Release 11", "Release 12"}));
}

}  // namespace
}  // namespace corvina
