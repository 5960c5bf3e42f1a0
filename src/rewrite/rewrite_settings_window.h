#pragma once

#include <QDialog>

namespace corvina {

// The rewrite settings dialog, shown modally by the batch run: what one batch changes.
class TForm3 : public QDialog {
    Q_OBJECT
public:
    explicit TForm3(QWidget* parent);
};

extern TForm3* Form3;

}  // namespace corvina
