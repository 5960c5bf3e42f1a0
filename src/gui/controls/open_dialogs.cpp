#include "gui/controls/open_dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QUrl>

#include "core/base/path_text.h"
#include "core/os/drives.h"
#include "gui/controls/service_slot.h"

namespace corvina {

namespace {

QString CaseFreePattern(const QString& pattern) {
    QString result;
    for (const QChar c : pattern) {
        if (c.isLetter() && c.toLower() != c.toUpper()) {
            result += QLatin1Char('[') + c.toUpper() + c.toLower() + QLatin1Char(']');
        } else {
            result += c;
        }
    }
    return result;
}

}  // namespace

QStringList QtFilters(const QString& classicFilter) {
    QStringList filters;
    const QStringList parts = classicFilter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& pattern : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            patterns << CaseFreePattern(pattern.trimmed());
        }
        filters << parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                       QLatin1Char(')');
    }
    return filters;
}

std::optional<QString> QtOpenDialogService::Open(QWidget* parent,
                                                 const OpenDialogRequest& request) {
    QFileDialog dialog(parent, request.title);
    dialog.setObjectName(QStringLiteral("OpenDialog"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    // The entries show their descriptions only, as the classic dialog does, not the patterns.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(QtFilters(request.filter));
    if (drives_ != nullptr) {
        QList<QUrl> places;
        for (const Drive& drive : drives_->Drives()) {
            if (auto root = drives_->DriveRoot(drive.letter)) {
                places << QUrl::fromLocalFile(QString::fromStdString(Utf8FromPath(*root)));
            }
        }
        dialog.setSidebarUrls(places);
        if (!request.initialFolder.isEmpty()) {
            if (auto folder = drives_->Resolve(request.initialFolder.toStdString())) {
                dialog.setDirectory(QString::fromStdString(Utf8FromPath(*folder)));
            }
        }
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    const QString chosen = dialog.selectedFiles().constFirst();
    if (drives_ != nullptr) {
        if (auto windowsPath = drives_->ToWindowsPath(PathFromUtf8(chosen.toStdString()))) {
            return QString::fromStdString(*windowsPath);
        }
    }
    return QDir::toNativeSeparators(chosen);
}

namespace {

ServiceSlot<OpenDialogService>& Slot() {
    static QtOpenDialogService realDialogs(nullptr);
    static ServiceSlot<OpenDialogService> slot(realDialogs);
    return slot;
}

}  // namespace

OpenDialogService& OpenDialogs() { return Slot().Get(); }

OpenDialogService* SetOpenDialogService(OpenDialogService* service) { return Slot().Set(service); }

std::optional<std::filesystem::path> KeptOpenDialog::Choose(QWidget* parent,
                                                            const DriveMap& drives) {
    OpenDialogRequest shown = request;
    shown.initialFolder = QString::fromStdString(FolderOfPath(fileName.toStdString()));
    const std::optional<QString> chosen = OpenDialogs().Open(parent, shown);
    if (!chosen) return std::nullopt;
    fileName = *chosen;
    const std::string path = chosen->toStdString();
    if (DriveLetterOf(path)) return drives.ResolveOrThrow(path);
    return PathFromUtf8(path);
}

}  // namespace corvina
