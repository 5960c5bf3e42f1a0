#include "gui/controls/application_setup.h"

#include <QApplication>
#include <QFont>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>

#include "core/base/product.h"

namespace corvina {

void SetUpApplication(QApplication& app) {
    // The application title is kept as the application name rather than the display name: Qt
    // appends a display name to every window caption, and the main window's caption differs
    // from the title. The message boxes take their title from the same constant.
    QApplication::setApplicationName(QString::fromUtf8(kApplicationTitle));
    QApplication::setDesktopFileName(QStringLiteral("corvina"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/corvina.png")));

    const QString family = QStringLiteral("ＭＳ Ｐゴシック");
    // Debian's IPA fonts bring no fontconfig alias for this family; without the substitution Qt
    // falls back to a Latin font and mixes fonts inside one text.
    QFont::insertSubstitution(family, QStringLiteral("IPAPGothic"));
    QFont font(family);
    font.setPixelSize(12);
    QApplication::setFont(font);

    auto* translator = new QTranslator(&app);
    if (translator->load(QStringLiteral("qtbase_ja"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(translator);
    } else {
        delete translator;
    }
}

}  // namespace corvina
