#include "skin/ui_kit.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDialog>
#include <QFile>
#include <QGuiApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QWidget>

// Q_INIT_RESOURCE has to run outside any namespace; the resource library is static, so this
// reference is also what makes the linker keep its pictures.
static void InitQuilletResources() {
    static const bool done = [] {
        Q_INIT_RESOURCE(quillet);
        Q_INIT_RESOURCE(menus);
        return true;
    }();
    (void)done;
}

namespace quillet::ui {
namespace {

std::vector<ShownMessage>* g_recorder = nullptr;
ModalScript g_modalScript;

// Latin faces that share Arial's metrics come first; the CJK face covers Chinese text.
const QStringList kSansFamilies = {"Liberation Sans", "Arimo", "Nimbus Sans", "DejaVu Sans",
                                   "WenQuanYi Micro Hei"};
const QStringList kSongFamilies = {"SimSun", "NSimSun", "WenQuanYi Micro Hei", "Noto Sans CJK SC",
                                   "Droid Sans Fallback"};

}  // namespace

void ShowMessage(QWidget* parent, const QString& text, const QString& caption) {
    if (g_recorder != nullptr) {
        g_recorder->push_back({text, caption});
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, parent);
    box.setObjectName("messageBox");
    // The program's own word for it, like every other button, in the language it speaks.
    box.button(QMessageBox::Ok)
        ->setText(QCoreApplication::translate("quillet::ui::ShowMessage", "确定"));
    box.exec();
}

void SetMessageRecorder(std::vector<ShownMessage>* recorder) {
    g_recorder = recorder;
}

int ExecModal(QDialog* dlg) {
    if (!g_modalScript) {
        return dlg->exec();
    }
    // Copy first: the script may install another script for a nested prompt.
    ModalScript script = g_modalScript;
    dlg->setResult(QDialog::Rejected);
    dlg->show();
    script(dlg);
    if (dlg->isVisible()) {
        dlg->reject();
    }
    return dlg->result();
}

void SetModalScript(ModalScript script) {
    g_modalScript = std::move(script);
}

QFont SongFont(int pointSize) {
    QFont f;
    f.setFamilies(kSongFamilies);
    // Pixel size at 96 dots per inch keeps layouts independent of the screen's DPI.
    f.setPixelSize((pointSize * 96 + 36) / 72);
    return f;
}

QFont SansFont(int pixelHeight, int weight) {
    QFont f;
    f.setFamilies(kSansFamilies);
    // Callers give a font's cell height, as GDI fonts are made; the em of these faces is about
    // 87% of the cell, so the text fills the room the layouts leave for it.
    f.setPixelSize(qMax(1, (pixelHeight * 87 + 50) / 100));
    f.setWeight(QFont::Weight(weight));
    return f;
}

QFont SansPointFont(int pointSize) {
    QFont f;
    f.setFamilies(kSansFamilies);
    // A point size is an em, not a cell: at 96 dots per inch, as SongFont.
    f.setPixelSize(qMax(1, (pointSize * 96 + 36) / 72));
    return f;
}

namespace {
QString& PictureLanguageSlot() {
    static QString language;
    return language;
}
}  // namespace

void SetPictureLanguage(const QString& language) {
    PictureLanguageSlot() = language;
}

QString PictureLanguage() {
    return PictureLanguageSlot();
}

namespace {
// The picture at `base` + ".png", or its twice-size drawing `base` + "@2x.png" on a screen
// scaled by more than 1, where one exists; null when neither does.
QPixmap LoadPicture(const QString& base) {
    const qreal ratio = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
    if (ratio > 1.0) {
        const QString large = base + QStringLiteral("@2x.png");
        if (QFile::exists(large)) {
            QPixmap picture(large);
            picture.setDevicePixelRatio(2.0);
            return picture;
        }
    }
    const QString path = base + QStringLiteral(".png");
    return QFile::exists(path) ? QPixmap(path) : QPixmap();
}
}  // namespace

QPixmap Bitmap(int id) {
    InitQuilletResources();
    if (PictureLanguageSlot() == QLatin1String("en")) {
        QPixmap english = LoadPicture(QStringLiteral(":/bitmap/en/%1").arg(id));
        if (!english.isNull())
            return english;
    }
    return LoadPicture(QStringLiteral(":/bitmap/%1").arg(id));
}

QIcon Icon(int id) {
    InitQuilletResources();
    const QString path = QStringLiteral(":/icon/%1.png").arg(id);
    if (!QFile::exists(path)) {
        return QIcon();
    }
    QIcon icon(path);
    // Larger renderings of the same icon, when the set has them.
    for (int size : {16, 24, 32, 48, 64}) {
        const QString variant = QStringLiteral(":/icon/%1-%2.png").arg(id).arg(size);
        if (QFile::exists(variant)) {
            icon.addFile(variant, QSize(size, size));
        }
    }
    return icon;
}

void SetControlId(QWidget* w, int id) {
    w->setObjectName(ControlName(id));
}

QString ControlName(int id) {
    return QString::number(id);
}

QString AppTitle() {
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

}  // namespace quillet::ui
