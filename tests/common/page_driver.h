#pragma once
// Drives real pages the way a user does: skin buttons pressed with the mouse, prompts answered
// through the modal seam (boxes filled by control id, then OK or Cancel), tree items clicked,
// and bounded waits that keep the event loop running. Shared by the page, soak and end-to-end
// tests and by the page benchmarks. A step that cannot be taken (a missing button or box) is a
// test failure.
//
// Threads: user-interface thread only.
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <map>

#include "pages/tree/tree_node.h"

namespace quillet::pages {
class CDialogP;
}

namespace quillet::test {

// What a scripted prompt showed before it was answered, and how the answer left it.
struct PromptSeen {
    QString name;                    // the prompt's objectName ("dialog138")
    QString caption;                 // its window title
    QString focus;                   // objectName of the control that had the focus
    QStringList labels;              // the non-empty texts beside its boxes
    std::map<int, QString> offered;  // each edit box's text before the answer, by control id
    bool stayedOpen = false;         // still open after the button was pressed (OK refused)
};

// The answer to the next prompt.
struct PromptAnswer {
    std::map<int, QString> fields;  // edit boxes, control id to text
    std::map<int, bool> checks;     // check boxes, control id to state
    bool ok = true;                 // press OK, else Cancel
    // Called once the button was pressed. A prompt left open is then cancelled by the seam.
    std::function<void(const PromptSeen&)> seen;
};

// Scripts the next prompt the page opens (ui::ExecModal).
void AnswerNextPrompt(PromptAnswer answer);
// The same with OK and nothing to look at.
void AnswerNextPrompt(std::map<int, QString> fields);

// A mouse click on the page's skin button `id`, then the events it posted. A disabled button
// ignores it, as it ignores the user.
void PressButton(pages::CDialogP* page, int id);
// A left click on a tree item (scrolled into view first), then the events it posted. Returns
// whether the item is now the tree's current item.
bool ClickTreeItem(pages::CDialogP* page, pages::TreeNode* item);

// Runs the event loop (notifications arrive through it) until `cond` holds or `timeout`
// passes; returns the last value of `cond`.
bool RunUntil(const std::function<bool()>& cond,
              std::chrono::milliseconds timeout = std::chrono::milliseconds(5000));
// Runs the event loop for about `time`.
void RunFor(std::chrono::milliseconds time);

}  // namespace quillet::test
