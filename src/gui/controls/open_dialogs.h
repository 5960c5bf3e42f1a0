#pragma once

#include <QString>
#include <QStringList>
#include <filesystem>
#include <optional>

class QWidget;

namespace corvina {

class DriveMap;

// What an open dialog is asked for. The filter is in the classic form: pairs of a description and
// patterns separated by '|' ("JPEG イメージファイル (*.jpg)|*.jpg|ビットマップ (*.bmp)|*.bmp"),
// several patterns of one entry separated by ';'.
struct OpenDialogRequest {
    QString filter;
    QString title;          // empty: the platform's own title
    QString initialFolder;  // a Windows folder path; empty: the dialog's own choice
};

// An open dialog that keeps the last file chosen for the rest of the program's run and opens in
// its folder, as the picture dialogs do.
struct KeptOpenDialog {
    OpenDialogRequest request;
    QString fileName;  // the last file chosen (a Windows path, or a host path outside the drives)

    // Shows the dialog and keeps the name chosen, even when the file later proves unreadable.
    // The host path of the file (a Windows path through the drive map), or nothing when the user
    // cancelled, which keeps the old name.
    std::optional<std::filesystem::path> Choose(QWidget* parent, const DriveMap& drives);
};

class OpenDialogService {
public:
    virtual ~OpenDialogService() = default;
    // The full Windows path of the file the user confirmed, or nothing when the user cancelled.
    virtual std::optional<QString> Open(QWidget* parent, const OpenDialogRequest& request) = 0;
};

// A real Qt file dialog over the host's folders. The mapped drives appear in its side bar; the
// chosen file is reported as a Windows path when a drive holds it, else as the host path.
class QtOpenDialogService : public OpenDialogService {
public:
    explicit QtOpenDialogService(const DriveMap* drives) : drives_(drives) {}
    std::optional<QString> Open(QWidget* parent, const OpenDialogRequest& request) override;

private:
    const DriveMap* drives_;
};

// The filter entries in Qt's form, "description (pattern pattern)". Letters of the patterns are
// matched ignoring case, as the FAT and Windows file systems do ("GBRoom.exe" becomes
// "[Gg][Bb][Rr][Oo][Oo][Mm].[Ee][Xx][Ee]").
QStringList QtFilters(const QString& classicFilter);

// The service the windows use: a QtOpenDialogService without drives until another is set. Set
// returns the previous one; the caller keeps ownership (nullptr restores the default).
OpenDialogService& OpenDialogs();
OpenDialogService* SetOpenDialogService(OpenDialogService* service);

}  // namespace corvina
