#include "gui/controls/message_boxes.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>

#include "core/base/product.h"
#include "gui/controls/service_slot.h"

namespace corvina {

namespace {

QString ApplicationTitle() { return QString::fromUtf8(kApplicationTitle); }

// '\r' is the line break of the program's texts; "\r\n" counts as one break.
QString WithLineBreaks(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

}  // namespace

std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, MessageKind kind,
                                            const QString& text) {
    auto box = std::make_unique<QMessageBox>(parent);
    box->setObjectName(QStringLiteral("MessageBox"));
    box->setTextFormat(Qt::PlainText);
    box->setText(WithLineBreaks(text));
    switch (kind) {
        case MessageKind::Error:
            box->setWindowTitle(QStringLiteral("エラー"));
            box->setIcon(QMessageBox::Critical);
            break;
        case MessageKind::Confirmation:
            box->setWindowTitle(QStringLiteral("確認"));
            box->setIcon(QMessageBox::Question);
            break;
        case MessageKind::Plain:
            box->setWindowTitle(ApplicationTitle());
            box->setIcon(QMessageBox::NoIcon);
            break;
        case MessageKind::DefaultError:
            box->setWindowTitle(ApplicationTitle());
            box->setIcon(QMessageBox::Critical);
            break;
    }
    if (kind == MessageKind::Confirmation) {
        QPushButton* yes = box->addButton(QStringLiteral("はい(&Y)"), QMessageBox::YesRole);
        yes->setObjectName(QStringLiteral("YesButton"));
        QPushButton* no = box->addButton(QStringLiteral("いいえ(&N)"), QMessageBox::NoRole);
        no->setObjectName(QStringLiteral("NoButton"));
        box->setDefaultButton(yes);
        box->setEscapeButton(no);
    } else {
        QPushButton* ok = box->addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        ok->setObjectName(QStringLiteral("OKButton"));
        box->setDefaultButton(ok);
        box->setEscapeButton(ok);
    }
    return box;
}

bool QtMessageBoxService::Show(QWidget* parent, MessageKind kind, const QString& text) {
    const auto box = MakeMessageBox(parent, kind, text);
    box->exec();
    const QAbstractButton* clicked = box->clickedButton();
    return kind == MessageKind::Confirmation && clicked != nullptr &&
           box->buttonRole(const_cast<QAbstractButton*>(clicked)) == QMessageBox::YesRole;
}

namespace {

ServiceSlot<MessageBoxService>& Slot() {
    static QtMessageBoxService realBoxes;
    static ServiceSlot<MessageBoxService> slot(realBoxes);
    return slot;
}

}  // namespace

MessageBoxService& MessageBoxes() { return Slot().Get(); }

MessageBoxService* SetMessageBoxService(MessageBoxService* service) { return Slot().Set(service); }

void ShowErrorBox(QWidget* parent, const QString& text) {
    MessageBoxes().Show(parent, MessageKind::Error, text);
}

bool ShowConfirmationBox(QWidget* parent, const QString& text) {
    return MessageBoxes().Show(parent, MessageKind::Confirmation, text);
}

void ShowPlainBox(QWidget* parent, const QString& text) {
    MessageBoxes().Show(parent, MessageKind::Plain, text);
}

void ShowDefaultErrorBox(QWidget* parent, const QString& message) {
    MessageBoxes().Show(parent, MessageKind::DefaultError,
                        QString::fromStdString(DefaultErrorText(message.toStdString())));
}

bool WindowMessages::Show(MessageKind kind, std::string_view text) {
    return MessageBoxes().Show(parent_, kind,
                               QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

}  // namespace corvina
