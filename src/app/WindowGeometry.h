#pragma once
// The main window opens at the size and place it was closed at. Kept in
// $XDG_CONFIG_HOME/PenShelf/PenShelf.conf (~/.config/PenShelf/PenShelf.conf),
// beside ~/.local/share/PenShelf, where the portal's web profile is.

class QWidget;

namespace penshelf {

// Gives window its remembered geometry, if any that Qt accepts, and
// remembers it again whenever the window is closed.
void rememberGeometry(QWidget* window);

}  // namespace penshelf
