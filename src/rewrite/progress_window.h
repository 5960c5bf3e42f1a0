#pragma once

#include <QDialog>

#include "rewrite/batch_run.h"

class QLabel;
class QProgressBar;

namespace corvina {

// The progress window of the batch run. It has no handlers of its own: the run shows it, fills it
// and closes it, repainting it itself, as no events are handled while the files are rewritten.
class TForm5 : public QDialog {
    Q_OBJECT
public:
    explicit TForm5(QWidget* parent);

    QLabel* Label1;
    QLabel* Label2;
    QProgressBar* ProgressBar1;
};

// The run's progress shown in the progress window, centred on `owner`.
class ProgressWindow : public BatchProgress {
public:
    ProgressWindow(TForm5* form, QWidget* owner) : form_(form), owner_(owner) {}
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
