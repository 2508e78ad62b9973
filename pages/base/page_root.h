#pragma once
// The root node of a page's tree: the host's address as its text, the idle endpoint's icon,
// bold, dark red in the tree's store (painting keeps the normal text colour) and a new
// ServerState as its data. When the host's address is not known yet the root shows it once
// its lookup ends.
//
// Threads: user-interface thread only.
class QObject;

namespace quillet::pages {

class CTreeCtrlEx;

// Inserts the root as `tree`'s first top-level node; a watch for a late address lives as long
// as `owner` (the page) or until it comes.
void MakeRootNode(CTreeCtrlEx* tree, QObject* owner);

}  // namespace quillet::pages
