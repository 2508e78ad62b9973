#include "pages/workspace/endpoint_maker.h"

namespace quillet::pages {

void EndpointMaker::CreateWhenReady(CPromptDlg& prompt, QJsonObject keptOptions,
                                    std::optional<TlsChoice> tls, std::function<void(int)> done) {
    QString typedName;
    const std::optional<TlsChoice> choice = PromptTls(prompt, tls ? &*tls : nullptr, &typedName);
    if (!choice || !choice->enabled) {
        done(CreateFromPrompt(prompt, keptOptions, tls ? &*tls : nullptr));
        return;
    }
    // The TLS files are read (and a self-signed pair made) off the window's thread. `prompt` is
    // the caller's until `done`: the page's child, it cannot outlive the page.
    LoadTlsContext(
        *choice, typedName, m_page,
        [this, &prompt, keptOptions = std::move(keptOptions), tls = std::move(tls),
         done = std::move(done)](std::shared_ptr<const tls::Context> context, QString error) {
            const TlsMade made{std::move(context), std::move(error)};
            done(CreateFromPrompt(prompt, keptOptions, tls ? &*tls : nullptr, &made));
        });
}

std::vector<EndpointSpec> EndpointMaker::WorkspaceEndpoints() {
    return m_made.List([this](uint64_t key) { return StillListed(key); }, ServerKept());
}

}  // namespace quillet::pages
