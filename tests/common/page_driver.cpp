#include "tests/common/page_driver.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDialog>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include "pages/tree/tree_ctrl_ex.h"

#include "pages/base/dialog_p.h"
#include "pages/prompts/prompt_dlg.h"
#include "skin/skin_btn.h"
#include "skin/ui_kit.h"

namespace quillet::test {

namespace {

using Clock = std::chrono::steady_clock;

PromptSeen Look(QDialog* dlg) {
    PromptSeen seen;
    seen.name = dlg->objectName();
    seen.caption = dlg->windowTitle();
    seen.focus = dlg->focusWidget() ? dlg->focusWidget()->objectName() : QString();
    for (auto* label : dlg->findChildren<QLabel*>())
        if (!label->text().isEmpty())
            seen.labels << label->text();
    for (auto* edit : dlg->findChildren<QLineEdit*>())
        seen.offered[edit->objectName().toInt()] = edit->text();
    return seen;
}

template <typename Control>
Control* Find(QDialog* dlg, int id) {
    auto* control = dlg->findChild<Control*>(ui::ControlName(id));
    if (!control)
        ADD_FAILURE() << "no control " << id << " in " << dlg->objectName().toStdString();
    return control;
}

void Answer(QDialog* dlg, const PromptAnswer& answer) {
    PromptSeen seen = Look(dlg);
    for (const auto& [id, text] : answer.fields)
        if (auto* edit = Find<QLineEdit>(dlg, id))
            edit->setText(text);
    for (const auto& [id, checked] : answer.checks)
        if (auto* box = Find<QCheckBox>(dlg, id))
            box->setChecked(checked);
    const int button = answer.ok ? pages::CPromptDlg::kOk : pages::CPromptDlg::kCancel;
    if (auto* press = Find<QPushButton>(dlg, button))
        press->click();
    // A host name is looked up in the background, with OK disabled; OK runs again with the
    // answer.
    auto* ok = dlg->findChild<QPushButton*>(ui::ControlName(pages::CPromptDlg::kOk));
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (ok && dlg->isVisible() && !ok->isEnabled() && Clock::now() < deadline)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    seen.stayedOpen = dlg->isVisible();
    if (answer.seen)
        answer.seen(seen);
}

void ProcessEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

}  // namespace

void AnswerNextPrompt(PromptAnswer answer) {
    ui::SetModalScript([answer = std::move(answer)](QDialog* dlg) { Answer(dlg, answer); });
}

void AnswerNextPrompt(std::map<int, QString> fields) {
    AnswerNextPrompt(PromptAnswer{std::move(fields), {}, true, {}});
}

void PressButton(pages::CDialogP* page, int id) {
    ui::CSkinBtn* button = page->Button(id);
    if (!button) {
        ADD_FAILURE() << "no button " << id << " on " << page->objectName().toStdString();
        return;
    }
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    ProcessEvents();
}

bool ClickTreeItem(pages::CDialogP* page, pages::TreeNode* item) {
    pages::CTreeCtrlEx* tree = page->Tree();
    tree->scrollToItem(item);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(item).center());
    ProcessEvents();
    return tree->currentItem() == item;
}

bool RunUntil(const std::function<bool()>& cond, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (!cond()) {
        if (Clock::now() >= deadline)
            return cond();
        // Waits for the next event (a notification, a timer), at most about 1 ms.
        QEventLoop loop;
        QTimer::singleShot(1, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

void RunFor(std::chrono::milliseconds time) {
    RunUntil([] { return false; }, time);
}

}  // namespace quillet::test
