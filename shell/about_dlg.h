#pragma once
// The About box: the program icon, the product line and a close button. Modal, no state.
#include <QDialog>
#include <QFont>

namespace quillet::shell {

class CAbout : public QDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 100;
    static constexpr int kCloseId = 1;  // the close button (objectName)
    explicit CAbout(QWidget* parent = nullptr);

    static QString ProductLine();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QFont m_lineFont;
};

}  // namespace quillet::shell
