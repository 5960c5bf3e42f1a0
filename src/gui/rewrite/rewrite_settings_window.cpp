#include "gui/rewrite/rewrite_settings_window.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QValidator>

#include "core/formats/gbp.h"
#include "core/os/drives.h"
#include "core/pictures/picture_import.h"
#include "core/rewrite/rewrite_settings.h"
#include "gui/controls/anchors.h"
#include "gui/controls/designer.h"
#include "gui/controls/handler.h"
#include "gui/controls/message_boxes.h"
#include "gui/controls/picture_label.h"

namespace corvina {

TForm3* Form3 = nullptr;

namespace {

// The edits' length limit as the classic edit had it: typing stops at the limit, but a longer
// text put there by the program stays whole (QLineEdit's own limit would cut it), and it can
// still be shortened by typing.
class TypingLimit : public QValidator {
public:
    explicit TypingLimit(QLineEdit* edit) : QValidator(edit) {
        connect(edit, &QLineEdit::textChanged, this,
                [this](const QString& text) { length_ = text.size(); });
    }
    State validate(QString& input, int&) const override {
        return input.size() <= kTagEditMaxLength || input.size() < length_ ? Acceptable : Invalid;
    }

private:
    qsizetype length_ = 0;  // of the text last accepted or set
};

QLineEdit* MakeEdit(QWidget* parent, const char* name, QRect geometry) {
    auto* edit = MakeControl<QLineEdit>(parent, name, geometry);
    edit->setValidator(new TypingLimit(edit));
    return edit;
}

}  // namespace

// A tool window with no buttons in its caption.
TForm3::TForm3(QWidget* parent, const DriveMap& drives)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint), drives_(drives) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("書き換え設定"));
    setFixedSize(404, 464);

    CheckBox1 = MakeControl<QCheckBox>(this, "CheckBox1", QRect(16, 16, 137, 17));
    CheckBox1->setText(QStringLiteral("タグ情報を書き換える"));
    GroupBox1 = MakeControl<QGroupBox>(this, "GroupBox1", QRect(16, 40, 377, 209));
    GroupBox1->setTitle(QStringLiteral("タグ情報"));
    GroupBox1->setEnabled(false);
    Label2 = MakeLabel(GroupBox1, "Label2", QPoint(8, 24),
                       QStringLiteral("アーティスト名を入力してください。（最大42文字）"));
    Edit2 = MakeEdit(GroupBox1, "Edit2", QRect(8, 40, 353, 20));
    Label3 = MakeLabel(GroupBox1, "Label3", QPoint(8, 72),
                       QStringLiteral("アルバム名を入力してください。（最大42文字）"));
    Edit3 = MakeEdit(GroupBox1, "Edit3", QRect(8, 88, 353, 20));
    Label5 = MakeLabel(GroupBox1, "Label5", QPoint(8, 120),
                       QStringLiteral("ジャンルを入力してください。"));
    Edit4 = MakeEdit(GroupBox1, "Edit4", QRect(8, 136, 353, 20));
    CheckBox3 = MakeControl<QCheckBox>(GroupBox1, "CheckBox3", QRect(8, 176, 217, 17));
    CheckBox3->setText(QStringLiteral("トラック番号をリスト順につけていく"));
    BitBtn1 =
        MakeButton(GroupBox1, "BitBtn1", QRect(256, 168, 105, 33), QStringLiteral("Erase Tag"));

    CheckBox2 = MakeControl<QCheckBox>(this, "CheckBox2", QRect(16, 280, 161, 17));
    CheckBox2->setText(QStringLiteral("ジャケット画像を書き換える"));
    CheckBox2->setChecked(true);
    GroupBox2 = MakeControl<QGroupBox>(this, "GroupBox2", QRect(16, 304, 241, 129));
    GroupBox2->setTitle(QStringLiteral("ジャケット画像"));
    Label1 = MakeLabel(GroupBox2, "Label1", QPoint(8, 24), QStringLiteral("Jacket Preview"));
    Bevel1 = MakeBevel(GroupBox2, "Bevel1", QRect(8, 40, 75, 75));
    Image1 = MakeImage(GroupBox2, "Image1", QRect(10, 42, 75, 75));
    Button3 =
        MakeButton(GroupBox2, "Button3", QRect(104, 88, 113, 33), QStringLiteral("Load Picture"));

    Button1 = MakeButton(this, "Button1", QRect(296, 352, 89, 33), QStringLiteral("OK"));
    Button2 = MakeButton(this, "Button2", QRect(296, 400, 89, 33), QStringLiteral("Cancel"));

    OpenPictureDialog1.request.filter =
        QStringLiteral("JPEG イメージファイル (*.jpg)|*.jpg|ビットマップ (*.bmp)|*.bmp");

    Wire(CheckBox1, &QCheckBox::clicked, this, &TForm3::CheckBox1Click);
    Wire(CheckBox2, &QCheckBox::clicked, this, &TForm3::CheckBox2Click);
    Wire(BitBtn1, &QPushButton::clicked, this, &TForm3::BitBtn1Click);
    Wire(Button3, &QPushButton::clicked, this, &TForm3::Button3Click);
    Wire(Button1, &QPushButton::clicked, this, &TForm3::Button1Click);
    Wire(Button2, &QPushButton::clicked, this, &TForm3::Button2Click);
}

std::optional<RewriteRequest> TForm3::Ask(QWidget* owner) {
    handedOver_.reset();
    // The picture a batch would write: the one kept from the last load, or the placeholder while
    // none has been loaded.
    if (JacketPreview)
        ShowPicture(Image1, *JacketPreview);
    else
        Image1->setPixmap(QPixmap(QStringLiteral(":/NoImage.bmp")));
    CenterOnWindow(this, owner);
    exec();
    return std::exchange(handedOver_, std::nullopt);
}

void TForm3::CheckBox1Click() { GroupBox1->setEnabled(CheckBox1->isChecked()); }

void TForm3::CheckBox2Click() { GroupBox2->setEnabled(CheckBox2->isChecked()); }

void TForm3::BitBtn1Click() {
    Edit2->clear();
    Edit3->clear();
    Edit4->clear();
}

void TForm3::Button3Click() {
    const std::optional<std::filesystem::path> host = OpenPictureDialog1.Choose(this, drives_);
    if (!host) return;
    Picture15 picture = ImportPicture(*host, kJacketWidth, kJacketHeight);
    JacketPreview = std::move(picture);
    ShowPicture(Image1, *JacketPreview);
}

void TForm3::Button1Click() {
    const RewriteSettings settings{CheckBox1->isChecked(), CheckBox2->isChecked(),
                                   JacketPreview.has_value()};
    if (const std::optional<std::string_view> problem = CheckRewriteSettings(settings)) {
        ShowErrorBox(this, QString::fromUtf8(problem->data(), problem->size()));
        return;
    }
    RewriteRequest request;
    request.writeTags = GroupBox1->isEnabled();
    request.texts = TagTexts{Edit2->text().toStdString(), Edit3->text().toStdString(),
                             Edit4->text().toStdString()};
    request.numberTracks = CheckBox3->isChecked();
    request.writeJacket = GroupBox2->isEnabled();
    if (request.writeJacket) request.jacket = *JacketPreview;
    handedOver_ = std::move(request);
    accept();
}

void TForm3::Button2Click() {
    handedOver_.reset();
    reject();
}

void TForm3::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return ||
        event->key() == Qt::Key_Enter) {
        event->ignore();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace corvina
