#include "gui/controls/control_icons.h"

#include <QIcon>
#include <QString>

namespace corvina {

const QIcon& IconOf(ControlIcon icon) {
    switch (icon) {
        case ControlIcon::Drive: {
            static const QIcon drive(QStringLiteral(":/drive.png"));
            return drive;
        }
        case ControlIcon::FolderClosed: {
            static const QIcon closed(QStringLiteral(":/folder-closed.png"));
            return closed;
        }
        case ControlIcon::FolderOpen:
            break;
    }
    static const QIcon open(QStringLiteral(":/folder-open.png"));
    return open;
}

}  // namespace corvina
