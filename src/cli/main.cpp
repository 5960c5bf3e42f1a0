// corvina-cli: the command-line tool over corvina_core.
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "core/base/errors.h"
#include "core/os/drives.h"

#ifdef _WIN32
#include <windows.h>
// shellapi.h needs windows.h first.
#include <shellapi.h>

#include <streambuf>

namespace {

std::string Utf8(std::wstring_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int count =
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(count), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, utf8.data(), count, nullptr, nullptr);
    return utf8;
}

// The arguments as the command line gives them in UTF-16, converted to UTF-8: the narrow argv
// is in the ANSI code page and loses what it cannot hold.
std::vector<std::string> WideArguments() {
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 1; wide != nullptr && i < count; ++i) args.push_back(Utf8(wide[i]));
    ::LocalFree(wide);
    return args;
}

// Text for a console window, written with WriteConsoleW: the UTF-8 the commands print, taken in
// whole characters (a character cut between two writes waits for its rest).
class ConsoleBuffer : public std::streambuf {
public:
    explicit ConsoleBuffer(HANDLE console) : console_(console) {}
    ~ConsoleBuffer() override { sync(); }

protected:
    int_type overflow(int_type c) override {
        if (c != traits_type::eof()) {
            pending_ += traits_type::to_char_type(c);
            if (c == '\n') sync();
        }
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char* text, std::streamsize count) override {
        pending_.append(text, static_cast<std::size_t>(count));
        if (pending_.find('\n') != std::string::npos) sync();
        return count;
    }
    int sync() override {
        // Up to the last whole character: a lead byte and its continuation bytes.
        std::size_t end = pending_.size();
        std::size_t start = end;
        while (start > 0 && (static_cast<unsigned char>(pending_[start - 1]) & 0xC0) == 0x80 &&
               end - start < 3)
            --start;
        if (start > 0 && static_cast<unsigned char>(pending_[start - 1]) >= 0xC0) {
            const unsigned char lead = static_cast<unsigned char>(pending_[start - 1]);
            const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
            if (end - (start - 1) < length) end = start - 1;
        }
        const std::string whole = pending_.substr(0, end);
        pending_.erase(0, end);
        const int size = static_cast<int>(whole.size());
        const int count = ::MultiByteToWideChar(CP_UTF8, 0, whole.data(), size, nullptr, 0);
        std::wstring wide(static_cast<std::size_t>(count), L'\0');
        ::MultiByteToWideChar(CP_UTF8, 0, whole.data(), size, wide.data(), count);
        DWORD written = 0;
        if (!wide.empty())
            ::WriteConsoleW(console_, wide.data(), static_cast<DWORD>(wide.size()), &written,
                            nullptr);
        return 0;
    }

private:
    HANDLE console_;
    std::string pending_;
};

// A console gets UTF-16 through WriteConsoleW; a file or a pipe the UTF-8 bytes as they are.
std::streambuf* ConsoleOrBytes(DWORD which, std::ostream& stream) {
    const HANDLE handle = ::GetStdHandle(which);
    DWORD mode = 0;
    if (handle == INVALID_HANDLE_VALUE || !::GetConsoleMode(handle, &mode)) return nullptr;
    stream.flush();
    return new ConsoleBuffer(handle);
}

}  // namespace
#endif

int main(int argc, char* argv[]) {
#ifdef _WIN32
    (void)argc;
    (void)argv;
    const std::vector<std::string> args = WideArguments();
    // The buffers live as long as the process; each replaces its stream's own for good.
    if (std::streambuf* out = ConsoleOrBytes(STD_OUTPUT_HANDLE, std::cout)) std::cout.rdbuf(out);
    if (std::streambuf* err = ConsoleOrBytes(STD_ERROR_HANDLE, std::cerr)) std::cerr.rdbuf(err);
#else
    std::vector<std::string> args(argv + 1, argv + argc);
#endif
    try {
        corvina::cli::Environment env;
        try {
#ifdef _WIN32
            // As UTF-8 text: the executable's folder may hold characters of no code page.
            const std::u8string prefix = corvina::DriveMap::PrefixFromEnvironment().u8string();
            env.prefix.assign(prefix.begin(), prefix.end());
#else
            env.prefix = corvina::DriveMap::PrefixFromEnvironment().string();
#endif
        } catch (const corvina::FileError&) {
            // No prefix (no $CORVINA_PREFIX and no home folder): only the commands that use the
            // drive map need one, and they say so; --help and the others still work.
        }
        return corvina::cli::RunCommandLine(args, env, {std::cout, std::cerr});
    } catch (const std::exception& e) {
        std::cerr << "corvina-cli: " << e.what() << "\n";
        return corvina::cli::kExitFailure;
    }
}
