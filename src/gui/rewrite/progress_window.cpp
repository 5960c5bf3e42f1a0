#include "gui/rewrite/progress_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>

#include "gui/controls/anchors.h"
#include "gui/controls/designer.h"

namespace corvina {

TForm5* Form5 = nullptr;

namespace {

// Twenty-one ideographic spaces: the caption of Label2 before the first run.
QString InitialFileText() { return QString(21, QChar(0x3000)); }

}  // namespace

TForm5::TForm5(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("ファイルを書き換えています。"));
    setFixedSize(514, 153);
    setWindowModality(Qt::ApplicationModal);

    Label1 = MakeLabel(this, "Label1", QPoint(16, 24),
                       QStringLiteral("Just a moment since Files are rewritten!!    "));
    QFont big = font();
    big.setPixelSize(24);
    big.setBold(true);
    big.setItalic(true);
    Label1->setFont(big);
    Label1->adjustSize();
    Label2 = MakeLabel(this, "Label2", QPoint(20, 64), InitialFileText());
    ProgressBar1 = MakeControl<QProgressBar>(this, "ProgressBar1", QRect(16, 112, 473, 17));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
}

void TForm5::closeEvent(QCloseEvent* event) {
    // The user's close box; the run closes the window itself.
    if (event->spontaneous())
        event->ignore();
    else
        QDialog::closeEvent(event);
}

void TForm5::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->ignore();
        return;
    }
    QDialog::keyPressEvent(event);
}

TForm5* MakeUndoProgressWindow(QWidget* parent) {
    auto* form = new TForm5(parent);
    form->setObjectName(QStringLiteral("UndoProgressForm"));
    form->setWindowTitle(QStringLiteral("一括書き換えを元に戻しています。"));
    form->Label1->setText(QStringLiteral("Just a moment since Files are restored!!    "));
    form->Label1->adjustSize();
    return form;
}

ProgressWindow::~ProgressWindow() {
    if (form_->isVisible()) Close();
}

void ProgressWindow::Show() {
    CenterOnWindow(form_, owner_);
    form_->show();
    owner_->window()->repaint();
    form_->repaint();
    QCoreApplication::processEvents();
}

void ProgressWindow::SetText(std::string_view text) {
    form_->Label2->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    form_->Label2->adjustSize();
    form_->repaint();
}

void ProgressWindow::SetPosition(int percent) {
    form_->ProgressBar1->setValue(percent);
    form_->ProgressBar1->repaint();
    // Between files: every window repaints, and what the user does goes nowhere, as the owner
    // takes no input and this window is modal.
    QCoreApplication::processEvents();
}

void ProgressWindow::Close() {
    form_->ProgressBar1->setValue(0);
    form_->close();
}

}  // namespace corvina
