#include "support/links.h"

#include <algorithm>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

namespace fs = std::filesystem;

namespace corvina::test {

void MakeLink(const fs::path& target, const fs::path& link) {
#ifdef _WIN32
    std::error_code ec;
    const fs::path absolute = target.is_absolute() ? target : link.parent_path() / target;
    DWORD flags = SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE;
    if (fs::is_directory(absolute, ec)) flags |= SYMBOLIC_LINK_FLAG_DIRECTORY;
    const fs::path spelt = fs::path(target).make_preferred();  // a relative target needs '\\'
    if (!::CreateSymbolicLinkW(link.wstring().c_str(), spelt.wstring().c_str(), flags))
        throw fs::filesystem_error("CreateSymbolicLinkW", target, link,
                                   std::error_code(static_cast<int>(::GetLastError()),
                                                   std::system_category()));
    const DWORD attributes = ::GetFileAttributesW(link.wstring().c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
        throw fs::filesystem_error("CreateSymbolicLinkW reported success but made no link",
                                   target, link,
                                   std::make_error_code(std::errc::function_not_supported));
#else
    std::error_code ec;
    if (fs::is_directory(link.parent_path() / target, ec))
        fs::create_directory_symlink(target, link);
    else
        fs::create_symlink(target, link);
#endif
}

bool IsLink(const fs::path& path) {
#ifdef _WIN32
    const DWORD attributes = ::GetFileAttributesW(path.wstring().c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
#else
    return fs::is_symlink(path);
#endif
}

std::string WhyNoLinks(const fs::path& folder) {
    const fs::path probe = folder / "corvina-link-probe";
    try {
        MakeLink(folder, probe);
    } catch (const fs::filesystem_error& error) {
        std::string why = error.what();
        why.erase(std::min(why.size(), why.find(" [")));  // without the two paths
        return "symbolic links cannot be made here (" + why + ")";
    }
    std::error_code ec;
    fs::remove(probe, ec);
    return {};
}

}  // namespace corvina::test
