#pragma once
// The look shared by the small modal prompts of the pages: a fixed-size dialog in the calling
// page's colour, rows of a label and an edit box, OK (id 1, default) and Cancel (id 2).
// OK runs the prompt's own check (OnOk), which may keep the prompt open. A host name in an
// address box is looked up in the background: meanwhile OK is disabled and a note says so,
// Cancel closes the prompt (the late answer is dropped), and OK runs again once the answer is in.
//
// Threads: user-interface thread only. Run with ui::ExecModal so tests can script it.
#include <QColor>
#include <QDialog>

#include <netinet/in.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "engine/ip_endpoint.h"
#include "engine/socket_options.h"
#include "pages/common/engine_names.h"
#include "pages/prompts/local_choice.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace quillet::pages {

class CPromptDlg : public QDialog {
    Q_OBJECT
public:
    // Control ids (objectNames) of the buttons every prompt has.
    enum PromptButton {
        kOk = 1,
        kCancel = 2,
    };

    // `widthDu` × `heightDu` dialog units; `templateId` becomes the objectName ("dialog138").
    CPromptDlg(int templateId, const QString& caption, int widthDu, int heightDu,
               const QColor& colour, QWidget* parent);

    QPushButton* OkButton() const { return m_ok; }
    QPushButton* CancelButton() const { return m_cancel; }
    // The edit box with control id `id`, or null.
    QLineEdit* Edit(int id) const;
    // The local address chosen with "高级…" (the default when the prompt has no such button).
    const LocalChoice& Local() const { return m_local; }
    // The socket options chosen with "高级…" on a TCP page (the defaults elsewhere).
    const sock::SocketOptions& Options() const { return m_options; }
    // For a prompt filled in by the program (a workspace): the choices to use, not stored.
    void SetLocal(const LocalChoice& choice) { m_local = choice; }
    void SetOptions(const sock::SocketOptions& options) { m_options = options; }
    // Runs OK as the user's click would, with the prompt never shown: messages go to `tell`,
    // the recent values stay as they were, and `decided` runs once OK has ended (at once, or
    // when a name's lookup has answered) with whether the prompt accepted.
    void SubmitUnseen(std::function<void(const QString&)> tell, std::function<void(bool)> decided);

protected:
    // Adds "label" and an edit box (control `id`) as the next row; digitsOnly limits it to
    // 0-9 as a number-only box does.
    QLineEdit* AddRow(const QString& label, int id, const QString& text, bool digitsOnly,
                      int maxLength = 32767);
    // For prompts whose boxes and buttons have set places (dialog units): moves box `id` to
    // `editDu` with its label just left of it, and OK and Cancel to their rectangles.
    void PlaceRow(int id, const QRect& editDu);
    void PlaceButtons(const QRect& okDu, const QRect& cancelDu);
    // Offers in each box the values it held when this prompt of `page` was last closed with OK,
    // in this run or an earlier one (RecentValues: the Down arrow, or typing), without changing
    // what the box starts with; OK adds the boxes' texts to them. Call after the last AddRow.
    void OfferRecentValues(const QString& page);
    // OK pressed: return true to close with OK, false to stay open.
    virtual bool OnOk() { return true; }
    void Message(const QString& text, const QString& caption);
    // The address an address box's text (narrow) names, port 0. At once for a literal address
    // (IPv4 dotted, IPv6 with or without brackets and zone; INADDR_NONE for an empty box) and
    // for the name whose lookup has just ended: its first address of family `family`
    // (AF_UNSPEC: any), else, when it found none, the text read as inet_addr does. For another
    // name, nullopt: its lookup starts and OnOk should return false, to run again with the
    // answer. Also nullopt, after a message, for a malformed IPv6 text and for an address of
    // the wrong family.
    std::optional<IpEndpoint> PeerOrLookUp(const std::string& narrow, int family = AF_UNSPEC);
    // Every address of family `family` (AF_UNSPEC: any) that the lookup of `narrow` found, in
    // the resolver's order; empty unless HasLookedUp(narrow).
    std::vector<IpEndpoint> LookedUpAddresses(const std::string& narrow, int family) const;
    // The family a peer must have to be reached from the chosen local address (AF_UNSPEC: any).
    int PeerFamily() const;
    // What PeerOrLookUp says of an address that is not of `family`.
    virtual QString WrongFamilyText(int family) const;
    // Adds the "高级…" button at `du` (dialog units): it changes the local address choice of
    // `page` (settings "addr/<page>/local"), which the prompt starts with.
    void AddLocalChoice(const char* page, CLocalAddressDlg::Role role, const QRect& du);
    // True when `narrow` is the name whose answer is at hand (OnOk's run after its lookup).
    bool HasLookedUp(const std::string& narrow) const;
    bool IsLookingUp() const { return m_lookupTicket != 0; }

    void accept() override;
    void reject() override;
    // Before the first show: longer texts (English) get the room they need.
    void showEvent(QShowEvent* event) override;

private:
    void StartLookUp(const std::string& name);
    void EndLookUp(uint64_t ticket, const std::string& name, std::vector<IpEndpoint> looked);
    void ChooseLocal();
    void ShowLocalTip();
    void StopLooking();

    void StoreRecentValues();
    void Decided(bool accepted);

    const int m_templateId;
    std::function<void(const QString&)> m_tell;  // SubmitUnseen's
    std::function<void(bool)> m_decided;
    QString m_recentPage;  // empty: the prompt offers no recent values
    // The lookup under way (0: none); answers of older tickets are dropped.
    uint64_t m_lookupTicket = 0;
    uint64_t m_lastTicket = 0;
    std::optional<std::pair<std::string, std::vector<IpEndpoint>>> m_lookedUp;  // the last answer
    LocalChoice m_local;
    sock::SocketOptions m_options;
    const char* m_localPage = nullptr;  // settings name of the page; null: no choice offered
    CLocalAddressDlg::Role m_localRole = CLocalAddressDlg::Role::kClient;
    QPushButton* m_localButton = nullptr;
    QLabel* m_lookingNote = nullptr;
    int m_rows = 0;
    bool m_fitted = false;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};

// The port prompt: one number-only box; OK refuses ports above 65535.
class CSetListenDlg : public CPromptDlg {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 138;
    // Control id (objectName) of the port box.
    enum ControlId {
        kBoxPort = 1009,
    };

    // `page`: the settings name of the server page whose listening address the prompt also
    // offers to change ("高级…") and whose recent ports it offers; null offers neither.
    CSetListenDlg(const QColor& colour, QWidget* parent, const char* page = nullptr);
    int32_t m_nPort = 0;

protected:
    bool OnOk() override;
};

}  // namespace quillet::pages
