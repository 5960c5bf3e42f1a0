#pragma once

// Helpers of the window tests: scripted message boxes and open dialogs, modal dialogs driven from
// a timer, screenshots, and a temporary prefix with a generated player drive.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/os/drives.h"
#include "gui/controls/message_boxes.h"
#include "gui/controls/open_dialogs.h"
#include "gui/rewrite/rewrite_page.h"
#include "gui/viewers/filer_page.h"
#include "gui/viewers/gbp_view_page.h"
#include "support/environment_guard.h"
#include "support/temp_dir.h"

namespace corvina::test {

// Records every message box instead of showing it; confirmation boxes take their answers from
// a queue (no answer queued: "いいえ(&N)").
class ScriptedMessageBoxes : public MessageBoxService {
public:
    struct Shown {
        MessageKind kind;
        QString text;
        bool parentVisible;  // whether the box's parent window was on screen
    };

    ScriptedMessageBoxes() { previous_ = SetMessageBoxService(this); }
    ~ScriptedMessageBoxes() override { SetMessageBoxService(previous_); }

    bool Show(QWidget* parent, MessageKind kind, const QString& text) override {
        shown.push_back(Shown{kind, text, parent != nullptr && parent->window()->isVisible()});
        if (kind != MessageKind::Confirmation || answers.empty()) return false;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::vector<Shown> shown;
    std::deque<bool> answers;

private:
    MessageBoxService* previous_;
};

// Answers open dialogs from a queue (nothing queued: the user cancels) and records the requests.
class ScriptedOpenDialogs : public OpenDialogService {
public:
    ScriptedOpenDialogs() { previous_ = SetOpenDialogService(this); }
    ~ScriptedOpenDialogs() override { SetOpenDialogService(previous_); }

    std::optional<QString> Open(QWidget*, const OpenDialogRequest& request) override {
        requests.push_back(request);
        if (answers.empty()) return std::nullopt;
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::vector<OpenDialogRequest> requests;
    std::deque<std::optional<QString>> answers;

private:
    OpenDialogService* previous_;
};

// Runs `action` with the modal widget as soon as one is open (polled from the event loop, which
// the modal dialog's own exec() keeps running). Call it before the call that opens the dialog.
inline void WhenModal(std::function<void(QWidget*)> action, int triesLeft = 500) {
    QTimer::singleShot(10, [action = std::move(action), triesLeft]() mutable {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            action(modal);
        } else if (triesLeft > 0) {
            WhenModal(std::move(action), triesLeft - 1);
        } else {
            ADD_FAILURE() << "no modal dialog appeared";
        }
    });
}

// When CORVINA_SCREENSHOT_DIR names a folder, saves a picture of `window` there as
// <suite>.<test>-<name>.png.
// With `window` null, saves what the screen shows as the display server has it: windows appear
// there only as far as the program has let them paint.
inline void SaveScreenshot(QWidget* window, const char* name) {
    const char* folder = std::getenv("CORVINA_SCREENSHOT_DIR");
    if (folder == nullptr || *folder == '\0' || !QDir(QString::fromLocal8Bit(folder)).exists()) {
        return;
    }
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const QString file =
        QDir(QString::fromLocal8Bit(folder))
            .filePath(QStringLiteral("%1.%2-%3.png")
                          .arg(QString::fromLatin1(info->test_suite_name()),
                               QString::fromLatin1(info->name()), QString::fromLatin1(name)));
    if (window != nullptr)
        window->grab().save(file);
    else
        QGuiApplication::primaryScreen()->grabWindow(0).save(file);
}

// The mount table start-up reads in the tests: none, so that a player mounted on the machine that
// runs them is never mapped.
inline std::string NoMounts() { return {}; }

// A temporary prefix chosen through CORVINA_PREFIX, as the program would find it, and the drive
// map over it.
class TempPrefix {
public:
    TempPrefix() : prefixVariable_("CORVINA_PREFIX", (dir_ / "prefix").c_str()) {
        drives_.emplace(DriveMap::PrefixFromEnvironment());
        drives_->CreateLayout();
    }

    const DriveMap& drives() const { return *drives_; }
    const std::filesystem::path& folder() const { return dir_.path(); }

    // Maps `letter` to a new host folder named `name` and returns the folder.
    std::filesystem::path MapDrive(char letter, const std::string& name) {
        const std::filesystem::path target = dir_ / name;
        std::filesystem::create_directories(target);
        std::filesystem::create_directory_symlink(
            target, drives_->prefix() / "dosdevices" / (std::string(1, letter) + ":"));
        return target;
    }

    std::filesystem::path SettingsFile() const {
        return drives_->prefix() / "drive_c" / "Corvina" / "Corvina.ini";
    }

private:
    TempDir dir_;
    EnvironmentGuard prefixVariable_;
    std::optional<DriveMap> drives_;
};

// A player's drive: GBSYSTEM\IMAGE with two jacket files (unless withImageFolder is false), two
// SAT files at the root and one in MUSIC.
inline void MakePlayer(const std::filesystem::path& root, bool withImageFolder = true) {
    std::filesystem::create_directories(root / "GBSYSTEM");
    if (withImageFolder) {
        std::filesystem::create_directories(root / "GBSYSTEM" / "IMAGE");
        std::vector<std::uint8_t> jacket(11266, 0);
        jacket[0] = jacket[4] = 75;
        WriteBytes(root / "GBSYSTEM" / "IMAGE" / "B.GBP", jacket);
        WriteBytes(root / "GBSYSTEM" / "IMAGE" / "A.GBP", jacket);
        WriteBytes(root / "GBSYSTEM" / "IMAGE" / "NOTES.TXT", {1, 2, 3});
    }
    std::filesystem::create_directories(root / "MUSIC");
    WriteBytes(root / "SONG2.SAT", std::vector<std::uint8_t>(1024, 0));
    WriteBytes(root / "song1.sat", std::vector<std::uint8_t>(1024, 0));
    WriteBytes(root / "MUSIC" / "TRACK.SAT", std::vector<std::uint8_t>(1024, 0));
}

}  // namespace corvina::test
