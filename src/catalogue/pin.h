// The two z-order actions, both by title: the selected entry's text is
// looked up among all top-level windows and the first match in z-order
// (case ignored) is changed.
#pragma once

// Makes the window selected in the left list topmost and adds its title to
// the right list. Does nothing when nothing is selected.
void PinSelected();

// Returns the window selected in the right list to the normal z-order and
// removes that entry. Does nothing when nothing is selected.
void UnpinSelected();
