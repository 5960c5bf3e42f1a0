// Plays gigabeat room for the library update's check under Wine: a top-level window titled
// "gigabeat room" with a child "Button" captioned "GIGABEAT". It writes room.log beside itself,
// one line per event: the start-up record it was given, the mouse messages its button gets and
// every key event that reaches it. It ends by itself after a minute.
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <string>

namespace {

std::string logPath;
WNDPROC buttonProc = nullptr;

void Log(const char* format, ...) {
    FILE* file = std::fopen(logPath.c_str(), "ab");
    if (file == nullptr) return;
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(file, format, arguments);
    va_end(arguments);
    std::fputc('\n', file);
    std::fclose(file);
}

// Keys reach whichever of our windows has the focus: the window, or the button once clicked.
bool LogKey(UINT message, WPARAM wParam) {
    switch (message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            Log("key down %u", static_cast<unsigned>(wParam));
            return true;
        case WM_KEYUP:
        case WM_SYSKEYUP:
            Log("key up %u", static_cast<unsigned>(wParam));
            return true;
        default:
            return false;
    }
}

LRESULT CALLBACK ButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_LBUTTONDOWN || message == WM_LBUTTONUP) {
        Log("button %s %llu %lld", message == WM_LBUTTONDOWN ? "down" : "up",
            static_cast<unsigned long long>(wParam), static_cast<long long>(lParam));
    }
    LogKey(message, wParam);
    return CallWindowProcA(buttonProc, window, message, wParam, lParam);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    LogKey(message, wParam);
    switch (message) {
        case WM_COMMAND:
            if (HIWORD(wParam) == BN_CLICKED) Log("clicked");
            return 0;
        case WM_TIMER:
        case WM_CLOSE:
            DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    char module[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, module, MAX_PATH);
    logPath.assign(module, length);
    logPath.erase(logPath.find_last_of('\\') + 1);
    logPath += "room.log";

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    Log("command line [%s]", GetCommandLineA());
    Log("startup flags=%lu show=%u x=%lu y=%lu width=%lu height=%lu",
        static_cast<unsigned long>(startup.dwFlags), static_cast<unsigned>(startup.wShowWindow),
        static_cast<unsigned long>(startup.dwX), static_cast<unsigned long>(startup.dwY),
        static_cast<unsigned long>(startup.dwXSize), static_cast<unsigned long>(startup.dwYSize));

    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = "CorvinaRoomDouble";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowA("CorvinaRoomDouble", "gigabeat room", WS_OVERLAPPEDWINDOW,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                                nullptr, instance, nullptr);
    HWND button = CreateWindowA("Button", "GIGABEAT", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 10,
                                120, 30, window, nullptr, instance, nullptr);
    buttonProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ButtonProc)));

    // The first show follows the start-up record (hidden); then the window shows itself and takes
    // the focus, as gigabeat room does once it has loaded, so that key events reach it.
    ShowWindow(window, show);
    Log("first show visible=%d", IsWindowVisible(window) ? 1 : 0);
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    SetFocus(window);
    UpdateWindow(window);
    SetTimer(window, 1, 60000, nullptr);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
