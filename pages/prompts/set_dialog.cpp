#include "pages/prompts/set_dialog.h"

#include <QComboBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include "encoding/iconv_converter.h"
#include "encoding/wire_codec.h"
#include "skin/crisp_lines.h"
#include "skin/ui_kit.h"

namespace quillet::pages {

using namespace quillet::enc;
namespace {

// The main list's entries and the wire encodings they stand for. "UFT16" is the list's own
// spelling of big-endian UTF-16.
struct Entry {
    const char* text;
    const char* wireName;
};
constexpr Entry kEntries[] = {{"Ansi", kAnsi},   {"GBK", "GBK"},        {"Unicode", "UTF-16LE"},
                              {"UTF8", "UTF-8"}, {"UFT16", "UTF-16BE"}, {"...", nullptr}};

// Offered under "..." when iconv knows them; most-used families first.
QStringList Candidates() {
    QStringList names = {"GB18030", "GB2312",      "BIG5",   "BIG5-HKSCS", "SHIFT_JIS", "CP932",
                         "EUC-JP",  "ISO-2022-JP", "EUC-KR", "CP949",      "EUC-TW"};
    for (int i = 1; i <= 16; ++i)
        names << QStringLiteral("ISO-8859-%1").arg(i);
    for (int i = 1250; i <= 1258; ++i)
        names << QStringLiteral("WINDOWS-%1").arg(i);
    names << "WINDOWS-874"
          << "KOI8-R"
          << "KOI8-U"
          << "TIS-620"
          << "VISCII"
          << "CP437"
          << "CP850"
          << "CP866"
          << "MACINTOSH"
          << "UTF-16"
          << "UTF-32"
          << "UTF-32LE"
          << "UTF-32BE"
          << "UTF-7"
          << "ASCII";
    return names;
}

const QColor kHeadingGreen(0, 128, 0);
// The heading is drawn as one line, vertically centred, from its left edge.
const QRect kHeadingBox(QPoint(50, 20), QPoint(399, 35));
constexpr int kHeadingFlags = Qt::AlignLeft | Qt::AlignVCenter;

}  // namespace

CSet::CSet(QWidget* parent) : QDialog(parent), m_headingFont(ui::SansFont(15, 400)) {
    setObjectName(QStringLiteral("dialog%1").arg(kTemplateId));
    setWindowTitle(tr("收发信息编码设置"));
    setFixedSize(ui::Du(306), ui::Du(208));
    setFont(ui::SongFont(9));

    auto* icon = new QLabel(this);
    icon->setObjectName("icon293");
    icon->setGeometry(ui::DuRect(7, 7, 21, 20));
    icon->setPixmap(ui::Icon(293).pixmap(32, 32));

    m_combo = new QComboBox(this);
    ui::SetControlId(m_combo, kComboId);
    m_combo->setEditable(true);
    m_combo->setGeometry(ui::Du(111), ui::Du(10), ui::Du(48), ui::Du(12));
    for (const QString& text : Entries())
        m_combo->addItem(text);

    // The further encodings sit below the main list and are usable while "..." is chosen.
    m_more = new QComboBox(this);
    m_more->setObjectName("moreEncodings");
    m_more->setGeometry(ui::Du(111), ui::Du(28), ui::Du(90), ui::Du(12));
    m_more->addItems(FurtherEncodings());
    m_more->setMaxVisibleItems(15);

    m_ok = new QPushButton(tr("确定"), this);
    ui::SetControlId(m_ok, 1);
    m_ok->setGeometry(ui::DuRect(183, 187, 50, 14));
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &CSet::accept);
    auto* cancel = new QPushButton(tr("取消"), this);
    ui::SetControlId(cancel, 2);
    cancel->setGeometry(ui::DuRect(245, 187, 50, 14));
    connect(cancel, &QPushButton::clicked, this, &CSet::reject);

    connect(m_combo, &QComboBox::currentIndexChanged, this, &CSet::OnEntryChanged);
    ShowCurrentChoice();
    m_ok->setFocus();
}

QStringList CSet::Entries() {
    QStringList list;
    for (const Entry& e : kEntries)
        list << e.text;
    return list;
}

QStringList CSet::FurtherEncodings() {
    QStringList list = {kHex};
    for (const QString& name : Candidates()) {
        if (IconvKnows(name.toStdString()))
            list << name;
    }
    return list;
}

std::string CSet::WireNameOf(const QString& entry) {
    for (const Entry& e : kEntries) {
        if (entry == e.text && e.wireName != nullptr)
            return e.wireName;
    }
    return {};
}

void CSet::ShowCurrentChoice() {
    const QString current = QString::fromStdString(WireEncoding()).toUpper();
    for (int i = 0; i < kMoreIndex; ++i) {
        if (current == QString::fromLatin1(kEntries[i].wireName)) {
            m_combo->setCurrentIndex(i);
            OnEntryChanged(i);
            return;
        }
    }
    int more = m_more->findText(current, Qt::MatchFixedString);
    if (more < 0) {
        m_more->addItem(current);
        more = m_more->count() - 1;
    }
    m_more->setCurrentIndex(more);
    m_combo->setCurrentIndex(kMoreIndex);
    OnEntryChanged(kMoreIndex);
}

void CSet::OnEntryChanged(int index) {
    m_more->setEnabled(index == kMoreIndex);
}

std::string CSet::ChosenWireName() const {
    const QString text = m_combo->currentText().trimmed();
    if (text == kEntries[kMoreIndex].text)
        return m_more->currentText().toStdString();
    const std::string listed = WireNameOf(text);
    // The list is editable: a typed name is taken as an encoding name of its own.
    return listed.empty() ? text.toStdString() : listed;
}

void CSet::accept() {
    const std::string name = ChosenWireName();
    if (name.empty() || !SetWireEncoding(name)) {
        ui::ShowMessage(this, tr("不支持的编码：") + QString::fromStdString(name), tr("提示"));
        return;
    }
    QDialog::accept();
}

QString CSet::HeadingText() const {
    return tr("收发信息编码设置：");
}

QRect CSet::HeadingTextRect() const {
    return QFontMetrics(m_headingFont).boundingRect(kHeadingBox, kHeadingFlags, HeadingText());
}

void CSet::paintEvent(QPaintEvent*) {
    // Composed off-screen and copied in one step, so the heading never flickers.
    // In device pixels, so text and outline stay sharp on scaled screens.
    const qreal ratio = devicePixelRatioF();
    QPixmap surface(QSize(qRound(width() * ratio), qRound(height() * ratio)));
    surface.setDevicePixelRatio(ratio);
    QPainter p(&surface);
    p.fillRect(rect(), Qt::white);
    ui::FrameRect(p, rect(), Qt::black);
    p.setFont(m_headingFont);
    p.setPen(kHeadingGreen);
    p.drawText(kHeadingBox, kHeadingFlags, HeadingText());
    p.end();
    QPainter(this).drawPixmap(0, 0, surface);
}

}  // namespace quillet::pages
