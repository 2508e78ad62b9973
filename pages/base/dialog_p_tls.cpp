// Creating a page's endpoints once the TLS material its prompt asks for is ready: the files are
// read (and a self-signed pair made) off the window's thread.
#include "pages/base/dialog_p.h"
#include "pages/common/engine_names.h"

namespace quillet::pages {

void CDialogP::CreateWhenReady(CPromptDlg& prompt, QJsonObject keptOptions,
                               std::optional<TlsChoice> tls, std::function<void(int)> done) {
    QString typedName;
    const std::optional<TlsChoice> choice = PromptTls(prompt, tls ? &*tls : nullptr, &typedName);
    if (!choice || !choice->enabled) {
        done(CreateFromPrompt(prompt, keptOptions, tls ? &*tls : nullptr));
        return;
    }
    // `prompt` is the caller's until `done`: the page's child, it cannot outlive the page.
    LoadTlsContext(
        *choice, typedName, this,
        [this, &prompt, keptOptions = std::move(keptOptions), tls = std::move(tls),
         done = std::move(done)](std::shared_ptr<const tls::Context> context, QString error) {
            const TlsMade made{std::move(context), std::move(error)};
            done(CreateFromPrompt(prompt, keptOptions, tls ? &*tls : nullptr, &made));
        });
}

}  // namespace quillet::pages
