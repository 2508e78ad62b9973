#pragma once
// What a page offers a workspace: the prompt that makes its endpoints, filled in from a spec and
// never shown, the making itself once the prompt accepted, and the endpoints it made that are
// still there. Every page is one; the page's own rules fill in the hooks.
//
// Threads: user-interface thread only (the page's).
#include <QJsonObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "pages/prompts/prompt_dlg.h"
#include "pages/tls/tls_choice.h"
#include "pages/tls/tls_loader.h"
#include "pages/workspace/made_endpoints.h"
#include "pages/workspace/workspace_doc.h"

class QWidget;

namespace quillet::pages {

class EndpointMaker {
public:
    // The prompt that makes this page's endpoints, filled in from `spec`; null when it makes none.
    virtual std::unique_ptr<CPromptDlg> WorkspacePrompt(const EndpointSpec& spec) {
        (void)spec;
        return nullptr;
    }
    // What the page's Create does once its prompt accepted: makes the endpoints and remembers
    // them with the prompt's values and `keptOptions` (option keys to write back as they are).
    // Returns how many were made. `tls` (TCP pages): the TLS choice to use instead of the
    // page's setting, which it leaves as it is; with TLS on, `made` is the context made from it
    // (or why none was), and nothing is made without one.
    virtual int CreateFromPrompt(CPromptDlg& prompt, const QJsonObject& keptOptions = {},
                                 const TlsChoice* tls = nullptr, const TlsMade* made = nullptr) {
        (void)prompt, (void)keptOptions, (void)tls, (void)made;
        return 0;
    }
    // The TLS choice the endpoints of `prompt` would be made with (TCP pages; none elsewhere)
    // and, for a client, the typed name a server name defaults to.
    virtual std::optional<TlsChoice> PromptTls(const CPromptDlg& prompt, const TlsChoice* tls,
                                               QString* typedName) const {
        (void)prompt, (void)tls, (void)typedName;
        return std::nullopt;
    }

    // CreateFromPrompt, once the TLS files (when TLS is on) are read off the window's thread.
    // `done` gets how many were made, on the window's thread, at once when TLS is off; never
    // when the page goes first. `prompt` must live until then (or until the page goes).
    void CreateWhenReady(CPromptDlg& prompt, QJsonObject keptOptions, std::optional<TlsChoice> tls,
                         std::function<void(int)> done);
    // The endpoints the page's prompts made that are still there, in the order they were made.
    std::vector<EndpointSpec> WorkspaceEndpoints();

protected:
    // `page`: the page that makes the endpoints (a TLS load for it ends when it goes).
    explicit EndpointMaker(QWidget* page) : m_page(page) {}
    ~EndpointMaker() = default;

    // Whether the record under `key` is still there, and whether the page's server still is.
    virtual bool StillListed(uint64_t key) = 0;
    virtual bool ServerKept() const = 0;

    MadeEndpoints m_made;

private:
    QWidget* m_page;
};

}  // namespace quillet::pages
