#include "core/os/drives.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <map>

#include "core/base/case_fold.h"
#include "core/base/errors.h"
#include "core/base/path_text.h"
#include "support/environment_guard.h"
#include "support/links.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace corvina {
namespace {

// A prefix with drive F: mapped to a folder holding MUSIC/Artist/A.SAT.
class DriveMapTest : public ::testing::Test {
protected:
    DriveMapTest() : map_(dir_ / "prefix") {}
    void SetUp() override {
        CORVINA_REQUIRE_PREFIX_DRIVES();
        map_.CreateLayout();
        player_ = dir_ / "player";
        fs::create_directories(player_ / "MUSIC" / "Artist");
        test::WriteText(player_ / "MUSIC" / "Artist" / "A.SAT", "x");
        fs::create_directory_symlink(player_, map_.prefix() / "dosdevices" / "f:");
    }

    test::TempDir dir_;
    DriveMap map_;
    fs::path player_;
};

TEST(DriveMapLayout, OpeningWritesNothingAndCreatingMakesDriveC) {
    CORVINA_REQUIRE_PREFIX_DRIVES();
    test::TempDir dir;
    const DriveMap map(dir / "prefix");
    EXPECT_TRUE(map.Drives().empty());
    EXPECT_EQ(map.Resolve("C:\\Corvina"), std::nullopt);
    EXPECT_FALSE(fs::exists(dir / "prefix"));

    map.CreateLayout();
    map.CreateLayout();  // a second time finds everything in place
    EXPECT_TRUE(fs::is_directory(dir / "prefix" / "drive_c" / "Corvina"));
    EXPECT_EQ(map.Resolve("c:\\corvina"), dir / "prefix" / "drive_c" / "Corvina");
}

TEST_F(DriveMapTest, SnapshotKeepsTheDriveListItWasTaken) {
    const DriveSnapshot before = map_.Snapshot();
    fs::remove(map_.prefix() / "dosdevices" / "f:");
    EXPECT_EQ(before.Resolve("F:\\MUSIC"), player_ / "MUSIC");
    EXPECT_EQ(map_.Resolve("F:\\MUSIC"), std::nullopt);  // a new snapshot sees the change
}

TEST_F(DriveMapTest, FirstUseCreatesDriveC) {
    const fs::path devices = map_.prefix() / "dosdevices";
    EXPECT_TRUE(fs::is_directory(map_.prefix() / "drive_c"));
    ASSERT_TRUE(fs::is_symlink(devices / "c:"));
    EXPECT_EQ(fs::read_symlink(devices / "c:"), "../drive_c");
    EXPECT_EQ(map_.DriveRoot('C'), map_.prefix() / "drive_c");

    // A second map over the same prefix leaves a changed link alone.
    fs::remove(devices / "c:");
    fs::create_directory_symlink(player_, devices / "c:");
    DriveMap again(map_.prefix());
    again.CreateLayout();
    EXPECT_EQ(fs::read_symlink(devices / "c:"), player_);
}

TEST_F(DriveMapTest, ListsOnlyDriveLinks) {
    const fs::path devices = map_.prefix() / "dosdevices";
    fs::create_directory_symlink("/nonexistent/folder", devices / "Q:");  // dangling still counts
    fs::create_directory_symlink(player_, devices / "ab:");
    fs::create_directory_symlink(player_, devices / "1:");
    test::WriteText(devices / "z:", "not a link");
    const std::vector<Drive> drives = map_.Drives();
    ASSERT_EQ(drives.size(), 3u);
    EXPECT_EQ(drives[0].letter, 'c');
    EXPECT_EQ(drives[0].target, "../drive_c");
    EXPECT_EQ(drives[1].letter, 'f');
    EXPECT_EQ(drives[1].target, player_);
    EXPECT_EQ(drives[2].letter, 'q');
    EXPECT_EQ(drives[2].target, "/nonexistent/folder");
}

TEST_F(DriveMapTest, ResolvesIgnoringCaseOfLetterAndComponents) {
    const fs::path file = player_ / "MUSIC" / "Artist" / "A.SAT";
    EXPECT_EQ(map_.Resolve("F:\\MUSIC\\Artist\\A.SAT"), file);
    EXPECT_EQ(map_.Resolve("f:\\music\\ARTIST\\a.sat"), file);
    EXPECT_EQ(map_.Resolve("F:/music//artist\\\\a.sat"), file);
    EXPECT_EQ(map_.Resolve("F:\\"), player_);
    EXPECT_EQ(map_.Resolve("F:"), player_);
    EXPECT_EQ(map_.Resolve("F:\\music\\"), player_ / "MUSIC");
}

TEST_F(DriveMapTest, PrefersExactSpellingThenFirstInByteOrder) {
    fs::create_directory(player_ / "music");
    fs::create_directory(player_ / "Music");
    EXPECT_EQ(map_.Resolve("F:\\music"), player_ / "music");
    EXPECT_EQ(map_.Resolve("F:\\MUSIC"), player_ / "MUSIC");
    EXPECT_EQ(map_.Resolve("F:\\muSIC"), player_ / "MUSIC");  // "MUSIC" < "Music" < "music"
}

TEST_F(DriveMapTest, MatchesNonAsciiLettersIgnoringCase) {
    fs::create_directory(player_ / PathFromUtf8("ÄRZTE"));
    fs::create_directory(player_ / PathFromUtf8("ＡＢＣ"));  // full-width letters
    EXPECT_EQ(map_.Resolve("F:\\ärzte"), player_ / PathFromUtf8("ÄRZTE"));
    EXPECT_EQ(map_.Resolve("F:\\ａｂｃ"), player_ / PathFromUtf8("ＡＢＣ"));
}

// Folders as a case-insensitive file system keeps them: every spelling finds an entry, which
// keeps the spelling it was stored with. Counts the folders read.
class CaseInsensitiveFolders : public FolderLookup {
public:
    explicit CaseInsensitiveFolders(bool ignoresCase) : ignoresCase_(ignoresCase) {}

    void Add(const fs::path& folder, std::vector<std::string> names) {
        folders_[folder.string()] = std::move(names);
    }

    std::optional<EntryId> Find(const fs::path& path) const override {
        const auto folder = folders_.find(path.parent_path().string());
        if (folder == folders_.end()) return std::nullopt;
        const std::vector<std::string>& names = folder->second;
        for (std::size_t i = 0; i < names.size(); ++i) {
            const bool same = ignoresCase_ ? EqualIgnoringCase(names[i], path.filename().string())
                                           : names[i] == path.filename();
            if (same) return EntryId{folder->first.size(), i};
        }
        return std::nullopt;
    }

    std::vector<Entry> Entries(const fs::path& folder) const override {
        ++foldersRead;
        std::vector<Entry> entries;
        const auto found = folders_.find(folder.string());
        if (found != folders_.end())
            for (const std::string& name : found->second) entries.push_back({name, false});
        return entries;
    }

    mutable int foldersRead = 0;

private:
    bool ignoresCase_;
    std::map<std::string, std::vector<std::string>> folders_;
};

TEST(DriveSnapshotSpelling, NamesComeAsStoredWhenTheFolderIgnoresCase) {
    CORVINA_REQUIRE_PREFIX_DRIVES();
    const DriveSnapshot drives("/prefix", {Drive{'f', "/fat"}});
    CaseInsensitiveFolders fat(true);
    fat.Add("/fat", {"MUSIC", "GBSYSTEM"});
    fat.Add("/fat/MUSIC", {"Artist", "2024"});
    fat.Add("/fat/MUSIC/Artist", {"A.SAT"});
    EXPECT_EQ(drives.Resolve("F:\\music\\ARTIST\\a.sat", fat), "/fat/MUSIC/Artist/A.SAT");
    EXPECT_EQ(drives.Resolve("F:\\MUSIC\\Artist\\A.SAT", fat), "/fat/MUSIC/Artist/A.SAT");
    EXPECT_EQ(drives.Resolve("F:\\Music\\2024\\new.sat", fat), "/fat/MUSIC/2024/new.sat");
    // Through listings each folder is read once, whatever the spelling.
    fat.foldersRead = 0;
    FolderListings listings(fat);
    EXPECT_EQ(drives.Resolve("F:\\music\\ARTIST\\a.sat", listings), "/fat/MUSIC/Artist/A.SAT");
    EXPECT_EQ(drives.Resolve("F:\\MUSIC\\Artist\\A.SAT", listings), "/fat/MUSIC/Artist/A.SAT");
    EXPECT_EQ(drives.Resolve("F:\\Music\\2024\\new.sat", listings), "/fat/MUSIC/2024/new.sat");
    EXPECT_EQ(fat.foldersRead, 4);

    // A folder that keeps case is read only when the typed spelling finds nothing.
    CaseInsensitiveFolders ext(false);
    ext.Add("/fat", {"MUSIC", "music"});
    ext.Add("/fat/MUSIC", {"Artist"});
    EXPECT_EQ(ext.foldersRead, 0);
    EXPECT_EQ(drives.Resolve("F:\\music", ext), "/fat/music");
    EXPECT_EQ(drives.Resolve("F:\\MUSIC\\Artist", ext), "/fat/MUSIC/Artist");
    EXPECT_EQ(ext.foldersRead, 0);
    EXPECT_EQ(drives.Resolve("F:\\MUSIC\\artist", ext), "/fat/MUSIC/Artist");
    EXPECT_EQ(ext.foldersRead, 1);
}

// The system's lookup, counting what it is asked.
class CountingLookup : public FolderLookup {
public:
    std::optional<EntryId> Find(const fs::path& path) const override {
        ++finds;
        return System().Find(path);
    }
    std::vector<Entry> Entries(const fs::path& folder) const override {
        ++reads[folder.string()];
        return System().Entries(folder);
    }
    mutable int finds = 0;
    mutable std::map<std::string, int> reads;
};

TEST_F(DriveMapTest, ListingsReadEachFolderOnceAndResolveAsResolveDoes) {
    const fs::path artist = player_ / "MUSIC" / "Artist";
    std::vector<std::string> paths;
    for (int i = 0; i < 300; ++i) {
        const std::string name = "T" + std::to_string(1000 + i) + ".SAT";
        test::WriteText(artist / name, "x");
        paths.push_back("F:\\MUSIC\\Artist\\" + name);  // exact spelling
        paths.push_back("f:\\music\\artist\\t" + std::to_string(1000 + i) + ".sat");
    }
    test::WriteText(artist / "b.sat", "x");
    test::WriteText(artist / "B.SAT", "x");
    fs::create_directory_symlink(artist, player_ / "LINKED");
    for (const char* path :
         {"F:\\MUSIC\\Artist\\b.sat", "F:\\MUSIC\\Artist\\b.SAT", "F:\\MUSIC\\Artist\\missing.sat",
          "F:\\MUSIC\\New\\B.SAT", "F:\\linked\\a.sat", "F:\\", "F:\\music\\..\\music"})
        paths.push_back(path);

    CountingLookup counting;
    FolderListings listings(counting);
    const DriveSnapshot drives = map_.Snapshot();
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        EXPECT_EQ(drives.Resolve(path, listings), drives.Resolve(path));
    }
    EXPECT_EQ(counting.finds, 0);
    const std::map<std::string, int> once = {
        {player_.string(), 1},
        {(player_ / "MUSIC").string(), 1},
        {artist.string(), 1},
        {(player_ / "LINKED").string(), 1},
    };
    EXPECT_EQ(counting.reads, once);

    // A folder forgotten is read again, and sees what was added meanwhile.
    test::WriteText(artist / "Later.sat", "x");
    EXPECT_EQ(drives.Resolve("F:\\MUSIC\\Artist\\LATER.SAT", listings), artist / "LATER.SAT");
    listings.Forget(artist);
    EXPECT_EQ(drives.Resolve("F:\\MUSIC\\Artist\\LATER.SAT", listings), artist / "Later.sat");
    EXPECT_EQ(counting.reads[artist.string()], 2);
}

TEST_F(DriveMapTest, KeepsMissingComponentsAsSpelt) {
    EXPECT_EQ(map_.Resolve("F:\\music\\New\\B.SAT"), player_ / "MUSIC" / "New" / "B.SAT");
}

TEST_F(DriveMapTest, DotDotNeverClimbsAboveTheDriveRoot) {
    EXPECT_EQ(map_.Resolve("F:\\..\\..\\etc"), player_ / "etc");
    EXPECT_EQ(map_.Resolve("F:\\MUSIC\\..\\..\\MUSIC\\.\\Artist"), player_ / "MUSIC" / "Artist");
    EXPECT_EQ(map_.Resolve("F:\\.."), player_);
    // A link inside the drive is followed by the system, but ".." is applied to the text first.
    fs::create_directory_symlink(dir_.path(), player_ / "out");
    EXPECT_EQ(map_.Resolve("F:\\out\\..\\MUSIC"), player_ / "MUSIC");
}

TEST_F(DriveMapTest, UnmappedOrNonDrivePathsResolveToNothing) {
    EXPECT_EQ(map_.Resolve("G:\\MUSIC"), std::nullopt);
    EXPECT_EQ(map_.Resolve("\\MUSIC"), std::nullopt);
    EXPECT_EQ(map_.Resolve("MUSIC\\A.SAT"), std::nullopt);
    EXPECT_EQ(map_.Resolve("1:\\x"), std::nullopt);
    EXPECT_EQ(map_.Resolve(""), std::nullopt);
    EXPECT_EQ(map_.Resolve(std::string_view("F:\\A\0B", 6)), std::nullopt);

    try {
        map_.ResolveOrThrow("g:\\X.SAT");
        FAIL() << "no exception";
    } catch (const FileError& e) {
        EXPECT_EQ(e.path(), "g:\\X.SAT");
        EXPECT_NE(std::string(e.what()).find("G:"), std::string::npos) << e.what();
    }
    EXPECT_THROW(map_.ResolveOrThrow("relative\\X.SAT"), FileError);
}

TEST_F(DriveMapTest, HostPathsBackToWindowsPaths) {
    EXPECT_EQ(map_.ToWindowsPath(player_ / "MUSIC" / "Artist" / "A.SAT"),
              "F:\\MUSIC\\Artist\\A.SAT");
    EXPECT_EQ(map_.ToWindowsPath(player_), "F:\\");
    EXPECT_EQ(map_.ToWindowsPath(player_ / "MUSIC" / ".." / "new.gbp"), "F:\\new.gbp");
    EXPECT_EQ(map_.ToWindowsPath(map_.prefix() / "drive_c" / "Corvina"), "C:\\Corvina");
    EXPECT_EQ(map_.ToWindowsPath(dir_ / "elsewhere"), std::nullopt);
    EXPECT_EQ(map_.ToWindowsPath(dir_ / "player2"), std::nullopt);  // a prefix of a name only

    // Reached through another link to the same folder: compared as real paths.
    fs::create_directory_symlink(player_, dir_ / "alias");
    EXPECT_EQ(map_.ToWindowsPath(dir_ / "alias" / "MUSIC"), "F:\\MUSIC");

    // Through the drive's own link, and a drive whose link points to another link (a mount
    // point reached through /media/$USER, say).
    EXPECT_EQ(map_.ToWindowsPath(map_.prefix() / "dosdevices" / "f:" / "MUSIC"), "F:\\MUSIC");
    fs::create_directory_symlink(dir_ / "alias", map_.prefix() / "dosdevices" / "g:");
    EXPECT_EQ(map_.ToWindowsPath(dir_ / "alias" / "MUSIC"), "F:\\MUSIC");  // lowest letter
    fs::remove(map_.prefix() / "dosdevices" / "f:");
    EXPECT_EQ(map_.ToWindowsPath(player_ / "MUSIC"), "G:\\MUSIC");
    fs::create_directory_symlink(player_, map_.prefix() / "dosdevices" / "f:");

    // A drive inside another drive's folder: the longer host folder wins.
    fs::create_directory_symlink(player_ / "MUSIC", map_.prefix() / "dosdevices" / "m:");
    EXPECT_EQ(map_.ToWindowsPath(player_ / "MUSIC" / "Artist"), "M:\\Artist");
}

// Links in and out of drive F: (the folder `player`), with `outside` beside it.
TEST_F(DriveMapTest, ResolveInsideRefusesLinksLeadingOutOfTheDrive) {
    const fs::path outside = dir_ / "outside";
    fs::create_directories(outside / "DIR");
    test::WriteText(outside / "O.SAT", "outside");
    fs::create_directories(dir_ / "player2");  // a name that starts with the drive's own
    const fs::path music = player_ / "MUSIC";
    fs::create_symlink(outside / "O.SAT", music / "L.SAT");
    fs::create_directory_symlink(outside / "DIR", player_ / "LDIR");
    fs::create_symlink("C2", player_ / "C1");  // a chain: C1 -> C2 -> outside
    fs::create_symlink(outside / "O.SAT", player_ / "C2");
    fs::create_symlink("../../outside/O.SAT", music / "UP.SAT");
    fs::create_symlink(outside / "missing.sat", music / "GONE.SAT");
    fs::create_symlink(dir_ / "player2", player_ / "SIBLING");
    fs::create_symlink("LOOP", player_ / "LOOP");
    fs::create_directory_symlink("MUSIC", player_ / "ALIAS");
    fs::create_directory_symlink(map_.prefix() / "dosdevices" / "f:" / "MUSIC", player_ / "ABS");
    fs::create_symlink("Artist/A.SAT", music / "IN.SAT");
    fs::create_symlink("NEW.SAT", music / "DANGLING.SAT");  // a file to create, inside
    // Drive G: reaches the same folder through one more link.
    fs::create_directory_symlink(player_, dir_ / "alias");
    fs::create_directory_symlink(dir_ / "alias", map_.prefix() / "dosdevices" / "g:");

    const struct {
        const char* path;
        fs::path result;  // where it is allowed to lead
        fs::path target;  // or the outside place given as the refusal's reason
    } cases[] = {
        {"F:\\MUSIC\\Artist\\A.SAT", music / "Artist" / "A.SAT", {}},
        {"F:\\music\\new\\B.SAT", music / "new" / "B.SAT", {}},
        {"F:\\ALIAS\\artist\\a.sat", player_ / "ALIAS" / "Artist" / "A.SAT", {}},
        {"F:\\ABS\\Artist", player_ / "ABS" / "Artist", {}},
        {"F:\\MUSIC\\IN.SAT", music / "IN.SAT", {}},
        {"F:\\MUSIC\\DANGLING.SAT", music / "DANGLING.SAT", {}},
        {"G:\\MUSIC\\IN.SAT", dir_ / "alias" / "MUSIC" / "IN.SAT", {}},
        {"F:\\MUSIC\\l.sat", {}, outside / "O.SAT"},
        {"F:\\LDIR\\X.SAT", {}, outside / "DIR"},
        {"F:\\ldir", {}, outside / "DIR"},
        {"F:\\C1", {}, outside / "O.SAT"},
        {"F:\\MUSIC\\UP.SAT", {}, outside / "O.SAT"},
        {"F:\\MUSIC\\GONE.SAT", {}, outside / "missing.sat"},
        {"F:\\SIBLING\\X.SAT", {}, dir_ / "player2"},
        {"G:\\LDIR\\X.SAT", {}, outside / "DIR"},
        {"F:\\LOOP", {}, {}},
    };
    const DriveSnapshot drives = map_.Snapshot();
    FolderListings listings;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        if (!c.result.empty()) {
            EXPECT_EQ(drives.ResolveInside(c.path, listings), c.result);
            continue;
        }
        try {
            drives.ResolveInside(c.path, listings);
            ADD_FAILURE() << "not refused";
        } catch (const FileError& e) {
            EXPECT_EQ(e.failure(), "ドライブの外を指すリンクには書き込みません");
            EXPECT_EQ(e.path(), c.path);
            if (!c.target.empty()) {
                EXPECT_EQ(e.reason(),
                          fs::canonical(dir_.path()) / c.target.lexically_relative(dir_.path()));
            }
        }
    }
    EXPECT_EQ(test::ReadText(outside / "O.SAT"), "outside");

    // Paths that resolve to nothing are refused as ResolveOrThrow refuses them.
    for (const char* path : {"Q:\\X.SAT", "MUSIC\\X.SAT"}) {
        try {
            drives.ResolveInside(path, listings);
            ADD_FAILURE() << path;
        } catch (const FileError& e) {
            try {
                drives.ResolveOrThrow(path);
            } catch (const FileError& expected) {
                EXPECT_STREQ(e.what(), expected.what());
            }
        }
    }
}

TEST(CheckInsideFolder, FollowsEveryLinkAndComparesWholeComponents) {
    test::TempDir dir;
    const fs::path root = dir / "a" / "b";
    fs::create_directories(root / "sub");
    fs::create_directories(dir / "a" / "bc");
    test::WriteText(root / "x", "x");
    CORVINA_REQUIRE_LINKS(dir.path());
    test::MakeLink("../bc", root / "up");
    test::MakeLink(root / "sub", root / "in");
    test::MakeLink(dir / "nowhere", root / "dangling");
    test::MakeLink(root, dir / "rootlink");

    const struct {
        fs::path path;
        fs::path root;
        fs::path target;  // where it leads when that is outside
    } cases[] = {
        {root / "x", root, {}},
        {root / "new", root, {}},
        {root / "in" / "new", root, {}},
        {root, root, {}},
        {root / "x", dir / "rootlink", {}},
        {dir / "rootlink" / "sub", root, {}},
        {dir / "a" / "bc" / "x", root, dir / "a" / "bc" / "x"},
        {root / "up" / "x", root, dir / "a" / "bc" / "x"},
        {root / "dangling", root, dir / "nowhere"},
        {root / ".." / "bc", root, dir / "a" / "bc"},
    };
    // Each path on its own, then all through one check per root, as a run makes them, which
    // follows each folder once and looks at each file itself.
    std::map<fs::path, InsideFolder> runs;
    for (const bool oneRun : {false, true}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(c.path.string() + " in " + c.root.string() + (oneRun ? " in a run" : ""));
            const auto check = [&] {
                if (oneRun)
                    runs.try_emplace(c.root, c.root).first->second.Check(c.path, "shown");
                else
                    CheckInsideFolder(c.path, c.root, "shown");
            };
            if (c.target.empty()) {
                EXPECT_NO_THROW(check());
                continue;
            }
            try {
                check();
                ADD_FAILURE() << "not refused";
            } catch (const FileError& e) {
                EXPECT_EQ(e.path(), "shown");
                EXPECT_EQ(e.reason(),
                          fs::canonical(dir.path()) / c.target.lexically_relative(dir.path()));
            }
        }
    }
}

TEST(DriveMapPrefix, ComesFromTheEnvironment) {
    CORVINA_REQUIRE_PREFIX_DRIVES();
    test::EnvironmentGuard prefix("CORVINA_PREFIX", "/tmp/p");
    test::EnvironmentGuard dataHome("XDG_DATA_HOME", "/tmp/data");
    test::EnvironmentGuard home("HOME", "/tmp/home");

    EXPECT_EQ(DriveMap::PrefixFromEnvironment(), "/tmp/p");
    prefix.Set("");
    EXPECT_EQ(DriveMap::PrefixFromEnvironment(), "/tmp/data/corvina");
    dataHome.Set("relative");
    EXPECT_EQ(DriveMap::PrefixFromEnvironment(), "/tmp/home/.local/share/corvina");
    dataHome.Set(nullptr);
    EXPECT_EQ(DriveMap::PrefixFromEnvironment(), "/tmp/home/.local/share/corvina");
}

// The settings file and the undo folder lie in the program's folder: on Linux C:\Corvina of the
// drive map, on Windows the prefix, which is the executable's folder.
TEST(DriveMapProgramFolder, IsCCorvinaOnLinuxAndThePrefixOnWindows) {
    test::TempDir dir;
#ifdef _WIN32
    EXPECT_EQ(DriveMap(dir / "Corvina").ProgramFolder(), FolderText((dir / "Corvina").string()));
    // A prefix given with slashes, a trailing separator or relative is shown as one folder text.
    EXPECT_EQ(DriveMap(fs::path("C:/Program Files/Corvina/")).ProgramFolder(),
              "C:\\Program Files\\Corvina");
    EXPECT_EQ(DriveMap(fs::path("D:\\")).ProgramFolder(), "D:\\");
    EXPECT_EQ(DriveMap(fs::path("sub")).ProgramFolder(),
              FolderText((fs::current_path() / "sub").string()));
    EXPECT_EQ(DriveMap(dir / "Corvina").ResolveOrThrow(DriveMap(dir / "Corvina").ProgramFolder()),
              dir / "Corvina");
#else
    const DriveMap drives(dir / "prefix");
    EXPECT_EQ(drives.ProgramFolder(), "C:\\Corvina");
    drives.CreateLayout();
    EXPECT_EQ(drives.ResolveOrThrow(drives.ProgramFolder()), dir / "prefix" / "drive_c" / "Corvina");
#endif
}

TEST(WindowsPathText, FolderTextHasABackslashOnlyAtTheRoot) {
    EXPECT_EQ(FolderText("f:"), "F:\\");
    EXPECT_EQ(FolderText("f:\\"), "F:\\");
    EXPECT_EQ(FolderText("f://"), "F:\\");
    EXPECT_EQ(FolderText("f:/MUSIC//Artist/"), "F:\\MUSIC\\Artist");
    EXPECT_EQ(FolderText("F:\\MUSIC"), "F:\\MUSIC");
    EXPECT_EQ(FolderText("F:\\MUSIC\\"), "F:\\MUSIC");
}

TEST(WindowsPathText, JoinsWithExactlyOneBackslash) {
    EXPECT_EQ(JoinPath("F:\\", "A.SAT"), "F:\\A.SAT");
    EXPECT_EQ(JoinPath("F:\\MUSIC", "A.SAT"), "F:\\MUSIC\\A.SAT");
    // Host folders join with one slash; the player's folder names come with backslashes.
#ifdef _WIN32
    // On Windows host paths are Windows paths.
    EXPECT_EQ(JoinHostPath("G:\\", "GBSYSTEM\\IMAGE"), "G:\\GBSYSTEM\\IMAGE");
    EXPECT_EQ(JoinHostPath("G:/", "GBSYSTEM/IMAGE"), "G:/GBSYSTEM\\IMAGE");
    EXPECT_EQ(JoinHostPath("D:\\player", "A.SAT"), "D:\\player\\A.SAT");
#else
    EXPECT_EQ(JoinHostPath("/media/p", "GBSYSTEM\\IMAGE"), "/media/p/GBSYSTEM/IMAGE");
    EXPECT_EQ(JoinHostPath("/media/p/", "A.SAT"), "/media/p/A.SAT");
    EXPECT_EQ(JoinHostPath("/", "A.SAT"), "/A.SAT");
#endif
}

TEST(WindowsPathText, SplitsLikeTheClassicHelpers) {
    EXPECT_EQ(DriveLetterOf("F:\\x"), 'f');
    EXPECT_EQ(DriveLetterOf("f:"), 'f');
    EXPECT_EQ(DriveLetterOf("\\\\server\\share"), std::nullopt);
    EXPECT_EQ(DriveLetterOf("F"), std::nullopt);

    EXPECT_EQ(FolderOfPath(kExecutablePath), "C:\\Corvina\\");
    EXPECT_EQ(FolderOfPath("F:A.SAT"), "F:");
    EXPECT_EQ(FolderOfPath("A.SAT"), "");

    EXPECT_EQ(ExtensionOf("F:\\MUSIC\\A.SAT"), ".SAT");
    EXPECT_EQ(ExtensionOf("pic.tar.JPG"), ".JPG");
    EXPECT_EQ(ExtensionOf("F:\\dir.d\\README"), "");
    EXPECT_EQ(ExtensionOf("name."), ".");
}

}  // namespace
}  // namespace corvina
