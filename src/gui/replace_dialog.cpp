#include "gui/replace_dialog.h"

#include <QDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "base/error.h"
#include "gui/main_window.h"
#include "gui/picture_image.h"
#include "platform/byte_file.h"

namespace vesk {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

constexpr int kShownSide = 200;
constexpr int kConvert = 2;
constexpr int kKeep = 3;

// The picture scaled to fit the frame: small phone pictures enlarged with sharp pixels, larger
// ones shrunk smoothly. Nothing for a picture that does not decode.
QPixmap Shown(const std::vector<std::uint8_t>& bytes) {
    Picture picture;
    try {
        picture = DecodePicture(bytes);
    } catch (const Error&) {
        return {};
    }
    if (picture.width < 1 || picture.height < 1) return {};
    const QImage image = ToQImage(picture);
    const bool enlarged = std::max(picture.width, picture.height) < kShownSide;
    return QPixmap::fromImage(image.scaled(kShownSide, kShownSide, Qt::KeepAspectRatio,
                                           enlarged ? Qt::FastTransformation : Qt::SmoothTransformation));
}

QWidget* PictureColumn(QDialog& dialog, const char* name, const std::string& caption, const QPixmap& pixmap) {
    auto* column = new QWidget(&dialog);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* title = new QLabel(Q(caption), column);
    title->setObjectName(QString::fromUtf8(name) + QStringLiteral("Caption"));
    auto* view = new QLabel(column);
    view->setObjectName(QString::fromUtf8(name) + QStringLiteral("Picture"));
    view->setFixedSize(kShownSide + 4, kShownSide + 4);
    view->setAlignment(Qt::AlignCenter);
    view->setFrameShape(QFrame::Panel);
    view->setFrameShadow(QFrame::Sunken);
    view->setStyleSheet(QStringLiteral("background: black"));
    if (pixmap.isNull()) {
        view->setText(QStringLiteral("?"));
    } else {
        view->setPixmap(pixmap);
    }
    layout->addWidget(title);
    layout->addWidget(view);
    return column;
}

QPushButton* Button(QDialog& dialog, QHBoxLayout* row, const char* name, const std::string& caption, int code) {
    auto* button = new QPushButton(Q(caption), &dialog);
    button->setObjectName(QString::fromUtf8(name));
    QObject::connect(button, &QPushButton::clicked, &dialog, [&dialog, code] { dialog.done(code); });
    row->addWidget(button);
    return button;
}

std::vector<std::uint8_t> RowBytes(const BuildRow& row) {
    try {
        return row.content ? *row.content : ReadWholeFile(row.path);
    } catch (const Error&) {
        return {};
    }
}

}  // namespace

ReplaceChoice AskPictureReplace(QWidget* parent, const WindowHooks& hooks, const BuildRow& row, const std::string& path,
                                const PictureOffer& offer) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("PictureReplaceDialog"));
    dialog.setWindowTitle(QStringLiteral("Заменить картинку"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* text = new QLabel(Q("«" + row.name + "» — " + ShapeText(offer.before) + ", а новая картинка — " +
                              ShapeText(offer.after) + ".\nКартинку другого вида или размера телефон может не показать."),
                            &dialog);
    text->setObjectName(QStringLiteral("ReplaceText"));
    layout->addWidget(text);
    auto* pictures = new QHBoxLayout;
    pictures->addWidget(PictureColumn(dialog, "Old", "Сейчас: " + ShapeText(offer.before), Shown(RowBytes(row))));
    std::vector<std::uint8_t> fresh;
    try {
        fresh = ReadWholeFile(path);
    } catch (const Error&) {
    }
    pictures->addWidget(PictureColumn(dialog, "New", "Новая: " + ShapeText(offer.after), Shown(fresh)));
    layout->addLayout(pictures);
    auto* buttons = new QHBoxLayout;
    QPushButton* convert = Button(dialog, buttons, "ConvertButton",
                                  "Преобразовать в " + KindName(offer.before.kind) + " " + std::to_string(offer.before.width) +
                                      " x " + std::to_string(offer.before.height),
                                  kConvert);
    Button(dialog, buttons, "KeepButton", "Оставить как есть", kKeep);
    Button(dialog, buttons, "CancelButton", "Отмена", QDialog::Rejected);
    convert->setDefault(true);
    layout->addLayout(buttons);

    if (hooks.modalDialog) {
        hooks.modalDialog(dialog);
    } else {
        dialog.exec();
    }
    // Closed without a button (Escape, the title bar's cross) is "Отмена".
    if (dialog.result() == kConvert) return ReplaceChoice::Convert;
    if (dialog.result() == kKeep) return ReplaceChoice::Keep;
    return ReplaceChoice::Cancel;
}

}  // namespace vesk
