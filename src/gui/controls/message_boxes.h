#pragma once

#include <QString>
#include <memory>
#include <string_view>

#include "core/base/messages.h"

class QMessageBox;
class QWidget;

// The program's four kinds of message box. Windows show them through one service, which is a real
// Qt message box in the program and a scripted answer in the tests. All boxes are modal, and a
// '\r' in a text is shown as a line break.
namespace corvina {

class MessageBoxService {
public:
    virtual ~MessageBoxService() = default;
    // Shows a box and waits until it is closed. True only when a confirmation box was answered
    // with "はい(&Y)"; boxes with one button give false.
    virtual bool Show(QWidget* parent, MessageKind kind, const QString& text) = 0;
};

// Real, modal Qt message boxes.
class QtMessageBoxService : public MessageBoxService {
public:
    bool Show(QWidget* parent, MessageKind kind, const QString& text) override;
};

// The box of a kind, built but not shown; the caller owns it.
std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, MessageKind kind, const QString& text);

// The service the windows use: a QtMessageBoxService until another is set. Set returns the
// previous service; the caller keeps ownership of the one it sets (nullptr restores the default).
MessageBoxService& MessageBoxes();
MessageBoxService* SetMessageBoxService(MessageBoxService* service);

void ShowErrorBox(QWidget* parent, const QString& text);
bool ShowConfirmationBox(QWidget* parent, const QString& text);
void ShowPlainBox(QWidget* parent, const QString& text);
void ShowDefaultErrorBox(QWidget* parent, const QString& message);  // adds the "." itself

// The logic's message interface shown through the message box service, over a parent window.
class WindowMessages : public Messages {
public:
    explicit WindowMessages(QWidget* parent) : parent_(parent) {}
    bool Show(MessageKind kind, std::string_view text) override;

private:
    QWidget* parent_;
};

}  // namespace corvina
