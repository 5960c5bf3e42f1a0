// The program's own pictures: the placeholder as the bitmap resource a resource compiler makes of
// resources/NoImage.bmp, the program icon and the controls' pictures.
#include <gtest/gtest.h>

#include <QIcon>
#include <QImage>
#include <QPixmap>

#include "core/base/little_endian.h"
#include "gui/controls/control_icons.h"
#include "support/temp_dir.h"

namespace corvina {
namespace {

TEST(ResourcesTest, NoImageIsA75By75SixteenColourBitmapOf3104Bytes) {
    const auto file = test::ReadBytes(std::string(CORVINA_SOURCE_DIR) + "/resources/NoImage.bmp");
    // A 14-byte file header, then the bitmap as the executable carries it.
    ASSERT_EQ(file.size(), 14u + 3104u);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(ReadLe32(file, 2), 3118u);
    EXPECT_EQ(ReadLe32(file, 10), 14u + 40u + 64u);  // where the rows start
    const std::size_t dib = 14;
    EXPECT_EQ(ReadLe32(file, dib), 40u);       // BITMAPINFOHEADER
    EXPECT_EQ(ReadLe32(file, dib + 4), 75u);   // width
    EXPECT_EQ(ReadLe32(file, dib + 8), 75u);   // height, positive: bottom row first
    EXPECT_EQ(file[dib + 14], 4);              // bits per pixel
    EXPECT_EQ(ReadLe32(file, dib + 16), 0u);   // no compression
    EXPECT_EQ(ReadLe32(file, dib + 32), 16u);  // colours in the palette
    EXPECT_EQ(file.size() - (dib + 40 + 64), 75u * 40u);

    const QImage image(QStringLiteral(":/NoImage.bmp"));
    ASSERT_EQ(image.size(), QSize(75, 75));
    // White ground, blue letters.
    EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::white));
    bool blue = false;
    for (int y = 0; y < 75 && !blue; ++y) {
        for (int x = 0; x < 75 && !blue; ++x) {
            const QColor c = image.pixelColor(x, y);
            blue = c.blue() > 150 && c.red() < 80 && c.green() < 100;
        }
    }
    EXPECT_TRUE(blue);
}

TEST(ResourcesTest, ProgramIconIs64By64WithoutAlpha) {
    const QImage icon(QStringLiteral(":/corvina.png"));
    EXPECT_EQ(icon.size(), QSize(64, 64));
    EXPECT_FALSE(icon.hasAlphaChannel());
}

// The controls' pictures come from the program, not from the desktop's theme: each is a 16x16
// picture of its own, and the same object every time it is asked for.
TEST(ResourcesTest, ControlIconsAreTheProgramsOwn16By16Pictures) {
    qint64 previous = 0;
    for (ControlIcon which :
         {ControlIcon::Drive, ControlIcon::FolderClosed, ControlIcon::FolderOpen}) {
        const QIcon& icon = IconOf(which);
        EXPECT_EQ(&icon, &IconOf(which));
        EXPECT_EQ(icon.availableSizes(), QList<QSize>{QSize(16, 16)});
        const QImage image = icon.pixmap(16, 16).toImage();
        EXPECT_TRUE(image.hasAlphaChannel());
        EXPECT_EQ(image.pixelColor(0, 15).alpha(), 0);  // transparent corner
        EXPECT_NE(image.cacheKey(), previous);
        previous = image.cacheKey();
    }
}

}  // namespace
}  // namespace corvina
