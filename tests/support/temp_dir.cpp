#include "support/temp_dir.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <stdexcept>
#include <system_error>

namespace corvina::test {

TempDir::TempDir() {
#ifdef _WIN32
    // No mkdtemp: a new folder of a random name, made only when the name is free.
    std::random_device random;
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
        const auto folder = std::filesystem::temp_directory_path() /
                            PathFromUtf8("corvina-test-" + std::to_string(random()));
        if (std::filesystem::create_directory(folder)) path_ = folder;
    }
    if (path_.empty()) throw std::runtime_error("no temporary folder");
#else
    std::string pattern =
        Utf8FromPath(std::filesystem::temp_directory_path() / "corvina-test-XXXXXX");
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = PathFromUtf8(pattern);
#endif
}

TempDir::~TempDir() {
    std::error_code ec;
    // Tests may leave read-only folders and files behind; give write access back before removing.
    for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_symlink(ec)) continue;
        // Folders need every access to be emptied, and on Windows a read-only file cannot be
        // removed.
        std::filesystem::permissions(it->path(),
                                     it->is_directory(ec) ? std::filesystem::perms::owner_all
                                                          : std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::add, ec);
    }
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + Utf8FromPath(path));
}

void WriteText(const std::filesystem::path& path, std::string_view text) {
    WriteBytes(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + Utf8FromPath(path));
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> EntryNames(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(Utf8FromPath(entry.path().filename()));
    std::sort(names.begin(), names.end());
    return names;
}

std::string ReadText(const std::filesystem::path& path) {
    const auto bytes = ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

std::filesystem::path TestDataDir(std::string_view sub) {
    std::filesystem::path dir = PathFromUtf8(CORVINA_TESTDATA_DIR) / PathFromUtf8(sub);
    std::error_code ec;
    return std::filesystem::is_directory(dir, ec) ? dir : std::filesystem::path();
}

}  // namespace corvina::test
