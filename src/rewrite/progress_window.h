#pragma once

#include <QDialog>

namespace corvina {

// The progress window of the batch run.
class TForm5 : public QDialog {
    Q_OBJECT
public:
    explicit TForm5(QWidget* parent);
};

extern TForm5* Form5;

}  // namespace corvina
