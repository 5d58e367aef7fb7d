#pragma once
// The module pages of the main window: which page each navigation command opens.

class QWidget;

namespace dedevev {

class CModulePage;

// The page for a module command (cmd::kLink, cmd::kNet, ...) as a child of `parent`; null for
// a module that has no page of its own yet (the window then shows its titled placeholder).
CModulePage* MakeModulePage(int command, QWidget* parent);

}  // namespace dedevev
