#pragma once

#include <QDialog>

#include "core/rewrite/batch_run.h"

class QLabel;
class QProgressBar;

namespace corvina {

// The progress window of the batch run. It has no handlers of its own: the run shows it, fills it
// and closes it. While it is shown it is modal to the whole program, and neither its close box
// nor Escape closes it, so that nothing but the run can end it.
class TForm5 : public QDialog {
    Q_OBJECT
public:
    explicit TForm5(QWidget* parent);

    QLabel* Label1;
    QLabel* Label2;
    QProgressBar* ProgressBar1;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

// The progress window of undo from the menu: the batch run's window with captions of its own.
TForm5* MakeUndoProgressWindow(QWidget* parent);

// A run's progress shown in a progress window, centred on `owner`. Between files (each time the
// bar moves) it lets the program handle its events, so that every window repaints; the owner is
// kept from input meanwhile (BusyWindow). A window still shown when this object ends is closed.
class ProgressWindow : public BatchProgress {
public:
    ProgressWindow(TForm5* form, QWidget* owner) : form_(form), owner_(owner) {}
    ~ProgressWindow() override;
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;

    void Show() override;
    void SetText(std::string_view text) override;
    void SetPosition(int percent) override;
    void Close() override;

private:
    TForm5* form_;
    QWidget* owner_;
};

extern TForm5* Form5;

}  // namespace corvina
