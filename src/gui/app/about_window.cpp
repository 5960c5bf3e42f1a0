#include "gui/app/about_window.h"

#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include "core/base/product.h"
#include "gui/controls/anchors.h"
#include "gui/controls/designer.h"

namespace corvina {

namespace {

QLabel* MakeLabel(QWidget* parent, const char* name, QPoint position, const QString& text,
                  int pixelSize, bool bold) {
    QLabel* label = corvina::MakeLabel(parent, name, position, text);
    QFont font = label->font();
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    label->setFont(font);
    label->adjustSize();
    return label;
}

}  // namespace

TAboutBox1::TAboutBox1(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("AboutBox1"));
    setWindowTitle(QStringLiteral("バージョン情報"));
    setFixedSize(358, 199);

    // Raised inner and lowered outer bevel.
    Panel1 = MakeControl<QFrame>(this, "Panel1", QRect(7, 7, 346, 138));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(1);
    Panel1->setMidLineWidth(1);

    ProgramIcon = MakeControl<QLabel>(Panel1, "ProgramIcon", QRect(15, 15, 64, 64));
    ProgramIcon->setPixmap(QPixmap(QStringLiteral(":/corvina.png")));

    ProductName = MakeLabel(Panel1, "ProductName", QPoint(89, 15),
                            QString::fromUtf8(kApplicationTitle), 21, true);
    Version = MakeLabel(Panel1, "Version", QPoint(89, 61), QStringLiteral("The Corvina developers"),
                        16, false);
    Comments = MakeLabel(Panel1, "Comments", QPoint(15, 103),
                         QStringLiteral("Enjoy Your Music Life with gigabeat F!!"), 16, true);
    Comments->setWordWrap(true);
    Comments->setFixedWidth(299);
    Comments->adjustSize();
    QPalette palette = Comments->palette();
    palette.setColor(QPalette::WindowText, QColor(0x00, 0x80, 0x80));  // teal
    Comments->setPalette(palette);

    OKButton = MakeControl<QPushButton>(this, "OKButton", QRect(142, 165, 69, 23));
    OKButton->setText(QStringLiteral("OK"));
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    CenterOnWindow(this, owner);
}

}  // namespace corvina
