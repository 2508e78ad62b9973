#include "pages/tls/tls_loader.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <system_error>
#include <thread>

#include "engine/local_address.h"
#include "pages/common/engine_names.h"
#include "pages/common/app_settings.h"
#include "pages/tls/tls_choice.h"
#include "skin/ui_kit.h"

namespace quillet::pages {

namespace {

std::atomic<int> g_running{0};

std::string Narrow(const QString& s) {
    return QFile::encodeName(s).toStdString();
}

// Asks for the password of `keyFile`; false when cancelled.
bool AskPassword(const QString& keyFile, QWidget* parent, std::string* password) {
    QDialog dlg(parent);
    dlg.setObjectName(QStringLiteral("tlsPasswordDlg"));
    dlg.setWindowTitle(QCoreApplication::translate("quillet::pages::TlsChoice", "私钥密码"));
    auto* layout = new QVBoxLayout(&dlg);
    auto* label =
        new QLabel(QCoreApplication::translate("quillet::pages::TlsChoice", "私钥 %1 需要密码:")
                       .arg(QFileInfo(keyFile).fileName()),
                   &dlg);
    label->setObjectName(QStringLiteral("tlsPasswordLabel"));
    layout->addWidget(label);
    auto* edit = new QLineEdit(&dlg);
    edit->setObjectName(QStringLiteral("tlsPasswordEdit"));
    edit->setEchoMode(QLineEdit::Password);
    edit->setAccessibleName(QCoreApplication::translate("quillet::pages::TlsChoice", "密码"));
    layout->addWidget(edit);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dlg);
    buttons->setObjectName(QStringLiteral("tlsPasswordButtons"));
    buttons->button(QDialogButtonBox::Ok)
        ->setText(QCoreApplication::translate("quillet::pages::TlsChoice", "确定"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("tlsPasswordOk"));
    buttons->button(QDialogButtonBox::Cancel)
        ->setText(QCoreApplication::translate("quillet::pages::TlsChoice", "取消"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("tlsPasswordCancel"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dlg, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
    layout->addWidget(buttons);
    if (ui::ExecModal(&dlg) != QDialog::Accepted)
        return false;
    *password = edit->text().toStdString();
    edit->clear();
    return true;
}

// What the self-signed pair is made for: this host's names and addresses.
struct SelfSignedFor {
    std::string dir;
    std::vector<std::string> names{"localhost"};
    std::vector<std::string> addresses{"127.0.0.1", "::1"};
};

SelfSignedFor ThisHost() {
    SelfSignedFor host;
    host.dir = Narrow(QFileInfo(settings::FilePath()).absolutePath());
    char name[256] = "";
    if (gethostname(name, sizeof name - 1) == 0 && name[0] && std::string(name) != "localhost")
        host.names.insert(host.names.begin(), name);
    for (const HostAddress& h : ListHostAddresses()) {
        // A link-local address's zone cannot be written in a certificate.
        const std::string text = h.address.AddressText();
        if (text.find('%') == std::string::npos &&
            std::find(host.addresses.begin(), host.addresses.end(), text) == host.addresses.end())
            host.addresses.push_back(text);
    }
    return host;
}

// One load. The window's thread owns `done` and `owner`; the worker touches only the config
// and the result, and posts to `owner` under `lock` so the owner cannot go meanwhile.
struct Load {
    std::mutex lock;
    QObject* owner = nullptr;  // guarded by `lock`; null once the owner is gone
    TlsReady done;             // window's thread only
    tls::Config config;        // the worker's while it runs, the window's thread's after
    std::optional<SelfSignedFor> selfSigned;
    // Results, read on the window's thread after the post.
    std::shared_ptr<const tls::Context> context;
    bool needsPassword = false;
    QString error;
    QMetaObject::Connection watch;  // the owner's destroyed()
};

// Reads what the files say: makes the self-signed pair, checks the files are there and, unless
// a password is needed first, makes the context. Any thread.
void ReadFiles(Load& load) {
    tls::Config& config = load.config;
    if (load.selfSigned) {
        std::string why;
        if (!tls::EnsureSelfSigned(load.selfSigned->dir, load.selfSigned->names,
                                   load.selfSigned->addresses, &config.certFile, &config.keyFile,
                                   &why)) {
            load.error = QString::fromStdString(why);
            return;
        }
        load.selfSigned.reset();
    }
    // Named so the user (or a workspace's summary) knows which file is gone.
    for (const std::string* file : {&config.certFile, &config.keyFile, &config.caFile}) {
        if (!file->empty() && access(file->c_str(), F_OK) != 0) {
            load.error = QCoreApplication::translate("quillet::pages::TlsChoice", "找不到文件 %1")
                             .arg(QFile::decodeName(file->c_str()));
            return;
        }
    }
    if (config.keyPassword.empty() && !config.keyFile.empty() &&
        tls::KeyNeedsPassword(config.keyFile)) {
        load.needsPassword = true;
        return;
    }
    std::string why;
    load.context = tls::Context::Make(std::move(config), &why);  // the password goes with it
    if (!load.context)
        load.error = QString::fromStdString(why);
}

void Finish(const std::shared_ptr<Load>& load);

// Runs ReadFiles on a thread of its own, then Finish on the owner's thread.
void Start(const std::shared_ptr<Load>& load) {
    const auto work = [load] {
        ReadFiles(*load);
        std::lock_guard<std::mutex> guard(load->lock);
        if (load->owner)
            QMetaObject::invokeMethod(
                load->owner, [load] { Finish(load); }, Qt::QueuedConnection);
    };
    ++g_running;
    try {
        std::thread([work] {
            work();
            --g_running;
        }).detach();
    } catch (const std::system_error&) {
        --g_running;
        work();  // no thread to be had: read here rather than not at all
    }
}

void Finish(const std::shared_ptr<Load>& load) {
    if (load->needsPassword) {
        load->needsPassword = false;
        const QString key = QString::fromStdString(load->config.keyFile);
        if (!AskPassword(key, qobject_cast<QWidget*>(load->owner), &load->config.keyPassword)) {
            QObject::disconnect(load->watch);
            TlsReady done = std::move(load->done);
            done(nullptr, QString());  // cancelled: nothing to tell
            return;
        }
        Start(load);
        return;
    }
    QObject::disconnect(load->watch);
    TlsReady done = std::move(load->done);
    done(std::move(load->context), load->error);
}

}  // namespace

void LoadTlsContext(const TlsChoice& choice, const QString& typedName, QWidget* owner,
                    TlsReady done) {
    auto load = std::make_shared<Load>();
    load->owner = owner;
    load->done = std::move(done);
    tls::Config& config = load->config;
    config.role = choice.server ? tls::Role::kServer : tls::Role::kClient;
    config.minVersion = choice.minVersion;
    config.caFile = Narrow(choice.caFile);
    for (const QString& p : choice.alpn.split(QLatin1Char(','), Qt::SkipEmptyParts))
        config.alpn.push_back(p.trimmed().toStdString());
    for (size_t i = 0; i < tls::kFailureKinds; ++i)
        config.failureTexts[i] = TlsFailureText(static_cast<tls::Failure>(i)).toStdString();
    if (choice.server) {
        config.clientCert = choice.clientCert;
        if (choice.selfSigned) {
            load->selfSigned = ThisHost();
        } else {
            config.certFile = Narrow(choice.certFile);
            config.keyFile = Narrow(choice.keyFile);
        }
    } else {
        config.verify = choice.verify;
        config.serverName =
            (choice.serverName.isEmpty() ? typedName : choice.serverName).trimmed().toStdString();
        config.certFile = Narrow(choice.clientCertFile);
        config.keyFile = Narrow(choice.clientKeyFile);
    }
    // The owner's end: nothing more is posted to it, and `done` goes on this thread.
    load->watch = QObject::connect(owner, &QObject::destroyed, [load] {
        std::lock_guard<std::mutex> guard(load->lock);
        load->owner = nullptr;
        load->done = nullptr;
    });
    Start(load);
}

int TlsLoadsRunning() {
    return g_running.load();
}

void StartTlsWithPageOptions(const char* page, bool server, QWidget* owner,
                             std::function<bool(std::shared_ptr<const tls::Context>)> start,
                             std::function<void(const QString&)> tell) {
    TlsChoice choice = TlsChoice::Load(page, server);
    choice.enabled = true;
    LoadTlsContext(
        choice, QString(), owner,
        [start = std::move(start), tell = std::move(tell)](std::shared_ptr<const tls::Context> ctx,
                                                           const QString& error) {
            if (ctx && start(ctx))
                return;
            if (!ctx && error.isEmpty())
                return;  // the user cancelled a key's password
            const char* context = "quillet::pages::TlsChoice";
            tell(QCoreApplication::translate(context, "开始 TLS 失败: %1")
                     .arg(ctx ? QCoreApplication::translate(context, "连接已关闭或已在使用 TLS")
                              : error));
        });
}

}  // namespace quillet::pages
