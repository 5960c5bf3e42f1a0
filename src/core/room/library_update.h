#pragma once

#include <functional>
#include <string>
#include <string_view>

// The library update: start gigabeat room, wait until it is ready for input, then click its
// "GIGABEAT" button, press F5 and Ctrl+F5, and click the button again, so that it refreshes its
// music library.
namespace corvina {

class Messages;
class Processes;

inline constexpr std::string_view kRoomWindowTitle = "gigabeat room";
inline constexpr std::string_view kRoomButtonClass = "Button";
inline constexpr std::string_view kRoomButtonCaption = "GIGABEAT";

inline constexpr std::string_view kRoomStartingStatus = "gigabeat room 起動中。";
inline constexpr std::string_view kRoomProgramMissingMessage =
    "gigabeat roomのプログラムファイルが見つかりません。\r設定を見直して下さい。";

// Asked for in the start-up record: gigabeat room's first window at the top-left corner of the
// screen, 640 x 480, hidden.
inline constexpr unsigned kRoomWindowWidth = 640;
inline constexpr unsigned kRoomWindowHeight = 480;

// One wait for the idle state lasts at most this long, so that our window never stays
// unresponsive for longer while gigabeat room starts.
inline constexpr unsigned kIdleWaitSliceMilliseconds = 100;

struct LibraryUpdateSeams {
    Processes& processes;
    Messages& messages;
    // Reads the settings again (LoadSettings) and gives the gigabeat room path now in them.
    std::function<std::string()> loadRoomPath;
    std::function<void(std::string_view)> setStatusText;
    // Handles every pending message of our windows and returns. False once our program is being
    // closed: then the update stops waiting and sends nothing more.
    std::function<bool()> pumpMessages;
};

// Runs the whole update and returns when gigabeat room has handled the last click (at once after
// an error box). A program file that is missing, or that the system cannot start, gets an error
// box and nothing more happens. A wait that fails, or a gigabeat room that ends while we wait,
// ends the wait and the rest follows (the clicks then reach nothing). Other handlers, even another
// update, may run inside the message pump; this one goes on when they return.
void LaunchGigabeatRoom(const LibraryUpdateSeams& seams);

}  // namespace corvina
