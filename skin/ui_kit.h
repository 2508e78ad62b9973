#pragma once
// The small user-interface layer every window uses: modal message boxes and prompts behind a
// seam that tests script, the fixed dialog-unit geometry, the fonts, resource pictures by number.
// User-interface thread only.
#include <QFont>
#include <QIcon>
#include <QPixmap>
#include <QRect>
#include <QString>

#include <functional>
#include <vector>

class QDialog;
class QWidget;

namespace quillet::ui {

// ---- Message boxes -----------------------------------------------------------------------
// A modal box with `text`, `caption` and one OK button.
void ShowMessage(QWidget* parent, const QString& text, const QString& caption);

struct ShownMessage {
    QString text;
    QString caption;
};
// Test seam: while a recorder is installed, ShowMessage appends to it and returns at once.
void SetMessageRecorder(std::vector<ShownMessage>* recorder);

// ---- Modal prompts -----------------------------------------------------------------------
// Runs `dlg` modally and returns its result code (QDialog::Accepted / Rejected).
int ExecModal(QDialog* dlg);
// Test seam: while a script is installed, ExecModal shows the dialog without a modal loop,
// calls the script with it (the script fills fields and clicks buttons), then rejects the
// dialog if the script left it open, and returns the dialog's result.
using ModalScript = std::function<void(QDialog*)>;
void SetModalScript(ModalScript script);

// ---- Geometry ----------------------------------------------------------------------------
// One dialog unit is 1.5 pixels on both axes, whatever the desktop font.
constexpr int Du(int units) {
    return units * 3 / 2;
}
inline QRect DuRect(int x, int y, int w, int h) {
    return QRect(Du(x), Du(y), Du(w), Du(h));
}

// ---- Fonts -------------------------------------------------------------------------------
// The Windows faces (宋体, Microsoft Sans Serif, Arial) are seldom on a Linux desktop: these
// pick the nearest faces it has, CJK capable, sized in pixels so layouts never depend on DPI.
QFont SongFont(int pointSize = 9);                  // "宋体": dialogs and pages
QFont SansFont(int pixelHeight, int weight = 400);  // "Microsoft Sans Serif" / "Arial"
QFont SansPointFont(int pointSize);                 // the same faces by point size

// ---- Pictures by kind and number ---------------------------------------------------------
// Empty pixmap / null icon when the number does not exist.
QPixmap Bitmap(int id);  // ":/bitmap/<id>.png"
QIcon Icon(int id);      // ":/icon/<id>.png"

// Every numbered control gets its number as objectName.
void SetControlId(QWidget* w, int id);
QString ControlName(int id);

// The application's title: the executable's name without extension (captions some boxes).
QString AppTitle();

}  // namespace quillet::ui
