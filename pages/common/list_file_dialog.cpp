#include "pages/common/list_file_dialog.h"

#include <QCoreApplication>
#include <QFileDialog>

#include "skin/ui_kit.h"

namespace quillet::pages {

QString AskListFile(QWidget* parent, const QString& title, const QString& objectName, bool save) {
    QFileDialog dlg(parent, title, QString(),
                    QCoreApplication::translate("quillet::pages::ListFile",
                                                "JSON 文件 (*.json);;所有文件 (*)"));
    dlg.setObjectName(objectName);
    dlg.setOption(QFileDialog::DontUseNativeDialog);
    if (save) {
        dlg.setAcceptMode(QFileDialog::AcceptSave);
        dlg.setDefaultSuffix(QStringLiteral("json"));
    } else {
        dlg.setFileMode(QFileDialog::ExistingFile);
    }
    if (ui::ExecModal(&dlg) != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return {};
    return dlg.selectedFiles().first();
}

ListFileJobs::ListFileJobs(QObject* parent) : QObject(parent) {}

ListFileJobs::~ListFileJobs() {
    if (m_io.joinable())
        m_io.join();
}

bool ListFileJobs::Start(std::function<QString()> work, std::function<void(const QString&)> done) {
    if (m_busy)
        return false;
    if (m_io.joinable())
        m_io.join();  // the last job has ended: its result is in
    m_busy = true;
    m_io = std::thread([this, work = std::move(work), done = std::move(done)] {
        const QString failure = work();
        QMetaObject::invokeMethod(
            this,
            [this, failure, done] {
                m_busy = false;
                done(failure);
            },
            Qt::QueuedConnection);
    });
    return true;
}

bool ListFileJobs::Start(std::function<QString()> work, std::function<void()> done,
                         const QString& failureText, const QString& path,
                         const QList<QWidget*>& buttons) {
    auto enable = [buttons](bool on) {
        for (QWidget* button : buttons)
            button->setEnabled(on);
    };
    const bool started = Start(std::move(work), [this, enable, done = std::move(done), failureText,
                                                 path](const QString& failure) {
        enable(true);
        if (failure.isEmpty())
            done();
        else
            ui::ShowMessage(qobject_cast<QWidget*>(parent()), failureText.arg(path, failure),
                            tr("提示"));
    });
    if (started)
        enable(false);
    return started;
}

}  // namespace quillet::pages
