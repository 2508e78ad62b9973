#include "shell/help_dlg.h"

#include <QPlainTextEdit>
#include <QPushButton>

#include "skin/ui_kit.h"

namespace quillet::shell {

CHelp::CHelp(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("dialog%1").arg(kTemplateId));
    setWindowTitle(tr("帮助"));
    setFixedSize(ui::Du(252), ui::Du(229));
    setFont(ui::SansPointFont(10));

    m_view = new QPlainTextEdit(this);
    ui::SetControlId(m_view, kViewId);
    m_view->setGeometry(ui::DuRect(2, 15, 247, 189));
    m_view->setReadOnly(true);
    m_view->setPlainText(HelpText());

    auto* close = new QPushButton(tr("退出"), this);
    ui::SetControlId(close, 1);
    close->setGeometry(ui::DuRect(98, 214, 50, 14));
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    // The text view is first in the tab order and takes the focus, so the keys scroll it;
    // Enter still reaches the default button.
    m_view->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_view->setFocus();
}

QString CHelp::HelpText() {
    return tr(
        "1.本软件为Socket编程测试工具，版本1.1\n"
        "2.本软件具有以下功能：\n"
        "    (1) 支持TCP协议服务器及客户端的创建及信息的收发;\n"
        "    (2) 支持UDP协议服务器及客户端的创建及信息的收发;\n"
        "    (3) 支持广播信息的收发;\n"
        "    (4) 支持组播组的创建、加入及信息的收发;\n"
        "    (5) 支持几十种信息编码格式信息(比如：Unocode、UTF8、GBK、...)的收发;\n"
        "    (6) 支持一次创建多个客户端、服务端，可用于对服务器进行压力测试。\n"
        "3.本软件支持win7/8/10等系统。\n"
        "\n");
}

}  // namespace quillet::shell
