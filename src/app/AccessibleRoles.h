#pragma once
// Widgets a screen reader should meet in another role than their class gives
// them, marked in the layouts by the dynamic property accessibleRole:
// "pageTab" for a checkable push button drawn as a tab (read as a page tab,
// the checked one selected, not as a check box), "notification" for a
// message line whose new texts are announced.

class QLabel;

namespace penshelf {

// Installs the accessibility factory for marked widgets, once per program.
// Call it before they are made: a widget keeps the interface it got first.
void installAccessibleRoles();

// Announces a notification line's new text, as a notification just shown.
void announce(QLabel* line);

}  // namespace penshelf
