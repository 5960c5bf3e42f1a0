#pragma once

class QApplication;

namespace corvina {

// The program's application-wide settings, made once right after the application object: the
// application title, the window font "ＭＳ Ｐゴシック" at 12 pixels (mapped to IPA P Gothic where
// the font itself is missing), Qt's own Japanese texts, and the program icon.
void SetUpApplication(QApplication& app);

}  // namespace corvina
