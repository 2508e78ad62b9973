// The English texts fit their dialogs: every label, check box and button shows its whole text,
// no two controls overlap and every control lies inside the dialog. shell_tests runs this at
// scale 1, english_layout_tests_x2 at scale 2.
#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>

#include <memory>

#include "pages/prompts/set_dialog.h"
#include "pages/multicast_server_dlg.h"
#include "pages/prompts/set_dlg_broad_ip.h"
#include "pages/prompts/set_multicast_dlg.h"
#include "pages/prompts/set_udp_server_ip.h"
#include "pages/udp_client_dlg.h"
#include "shell/ui_language.h"
#include "tests/shell/shell_fixture.h"

namespace quillet::test {
namespace {

// The width a control needs to show all of its text on one line.
int NeededWidth(const QWidget* w) {
    const QFontMetrics fm = w->fontMetrics();
    if (auto* label = qobject_cast<const QLabel*>(w))
        return label->pixmap().isNull() ? fm.horizontalAdvance(label->text()) : 0;
    if (auto* box = qobject_cast<const QCheckBox*>(w))
        return fm.horizontalAdvance(box->text()) + 17;  // the tick box beside the text
    if (auto* button = qobject_cast<const QAbstractButton*>(w))
        return fm.horizontalAdvance(QString(button->text()).remove('&')) + 4;
    return 0;
}

// What does not fit in `dlg`, one line a fault.
QStringList Faults(QWidget* dlg) {
    QStringList faults;
    QList<QWidget*> controls;
    for (QWidget* c : dlg->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (c->isVisible())
            controls << c;
    for (QWidget* c : controls) {
        const QString name = c->objectName();
        if (!dlg->rect().contains(c->geometry()))
            faults << name + " outside the dialog";
        if (NeededWidth(c) > c->width())
            faults << QStringLiteral("%1 cut: needs %2, has %3")
                          .arg(name)
                          .arg(NeededWidth(c))
                          .arg(c->width());
        for (QWidget* d : controls)
            if (c < d && c->geometry().intersects(d->geometry()))
                faults << name + " overlaps " + d->objectName();
    }
    return faults;
}

class EnglishLayout : public ShellTest {
protected:
    void SetUp() override {
        ASSERT_EQ(shell::InstallTranslators(shell::Language::kEnglish), shell::Language::kEnglish);
        ShellTest::SetUp();
    }
    void TearDown() override {
        ShellTest::TearDown();
        shell::RemoveTranslators();
    }
    QStringList Check(QWidget* dlg) {
        dlg->show();
        ProcessEvents();
        QStringList faults = Faults(dlg);
        dlg->hide();
        return faults;
    }
};

TEST_F(EnglishLayout, PromptsShowWholeLabelsWithTheirButtonsInside) {
    auto* udp = qobject_cast<pages::CUdpClientDlg*>(dlg_->Page(shell::kUdpClient));
    auto* broad = qobject_cast<pages::CUdpClientDlg*>(dlg_->Page(shell::kBroadcast));
    auto* multicast = qobject_cast<pages::CMulticastServerDlg*>(dlg_->Page(shell::kMulticast));
    ASSERT_TRUE(udp && broad && multicast);
    pages::CSetUdpServerIp udpPeer(udp, u"", Qt::white);
    pages::CSetDlgBroadIp broadcast(broad, u"", Qt::white);
    pages::CSetMulticastDlg group(multicast, u"", "127.0.0.1", Qt::white);
    for (QWidget* w : std::initializer_list<QWidget*>{&udpPeer, &broadcast, &group})
        EXPECT_EQ(Check(w).join("; ").toStdString(), "") << w->objectName().toStdString();
}

TEST_F(EnglishLayout, TheEncodingHeadingEndsBeforeItsComboBox) {
    pages::CSet set;
    EXPECT_EQ(Check(&set).join("; ").toStdString(), "");
    const QRect heading = set.HeadingTextRect();
    for (QWidget* c : set.findChildren<QWidget*>())
        if (c->isVisible()) {
            EXPECT_FALSE(heading.intersects(c->geometry())) << c->objectName().toStdString();
        }
    EXPECT_TRUE(set.rect().contains(heading));
}

}  // namespace
}  // namespace quillet::test
