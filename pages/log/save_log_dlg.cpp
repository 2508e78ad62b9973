#include "pages/log/save_log_dlg.h"

#include <QComboBox>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "skin/ui_kit.h"

namespace quillet::pages {

CSaveLogDlg::CSaveLogDlg(SaveWhat what, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("saveLogDlg"));
    setWindowTitle(tr("保存日志"));
    setFont(ui::SongFont(9));
    m_what = new QComboBox(this);
    m_what->setObjectName(QStringLiteral("saveWhat"));
    m_what->addItems({tr("收到的信息"), tr("已发送的信息"), tr("收发合并（按时间）")});
    m_what->setCurrentIndex(static_cast<int>(what));
    m_format = new QComboBox(this);
    m_format->setObjectName(QStringLiteral("saveFormat"));
    m_format->addItems({tr("显示的文本"), tr("原始字节")});
    m_path = new QLineEdit(this);
    m_path->setObjectName(QStringLiteral("savePath"));
    m_path->setText(QDir::home().filePath(
        QStringLiteral("quillet-%1.log")
            .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")))));
    auto* browse = new QPushButton(tr("浏览..."), this);
    browse->setObjectName(QStringLiteral("saveBrowse"));
    connect(browse, &QPushButton::clicked, this, &CSaveLogDlg::Browse);
    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(m_path, 1);
    pathRow->addWidget(browse);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("saveButtons"));
    buttons->button(QDialogButtonBox::Ok)->setText(tr("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CSaveLogDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CSaveLogDlg::reject);
    auto* form = new QFormLayout(this);
    form->addRow(tr("内容："), m_what);
    form->addRow(tr("格式："), m_format);
    form->addRow(tr("文件："), pathRow);
    form->addRow(buttons);
}

SaveWhat CSaveLogDlg::What() const {
    return static_cast<SaveWhat>(m_what->currentIndex());
}

SaveFormat CSaveLogDlg::Format() const {
    return static_cast<SaveFormat>(m_format->currentIndex());
}

QString CSaveLogDlg::Path() const {
    return m_path->text().trimmed();
}

void CSaveLogDlg::accept() {
    if (Path().isEmpty()) {
        ui::ShowMessage(this, tr("请输入文件名！"), tr("提示"));
        return;
    }
    if (QFileInfo::exists(Path()) && !AskReplace())
        return;
    QDialog::accept();
}

bool CSaveLogDlg::AskReplace() {
    QMessageBox box(QMessageBox::Question, tr("保存日志"),
                    tr("文件“%1”已存在。要替换它吗？").arg(QFileInfo(Path()).fileName()),
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setObjectName(QStringLiteral("replaceFilePrompt"));
    box.setDefaultButton(QMessageBox::No);
    ui::ExecModal(&box);
    return box.clickedButton() == box.button(QMessageBox::Yes);
}

void CSaveLogDlg::Browse() {
    // Whether to replace a file is asked once, on OK.
    const QString path = QFileDialog::getSaveFileName(this, tr("保存日志"), Path(), QString(),
                                                      nullptr, QFileDialog::DontConfirmOverwrite);
    if (!path.isEmpty())
        m_path->setText(path);
}

}  // namespace quillet::pages
