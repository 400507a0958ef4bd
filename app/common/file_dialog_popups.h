#pragma once

// The file dialogs' name completer shows its list of suggestions in a
// window of its own. Nothing of a closed dialog may stay on the screen or
// take the next click, so that list goes with the dialog.

class QFileDialog;

namespace kelvara::app {

/// Hides the completer's suggestions whenever the dialog closes, and keeps
/// them from coming back (late directory listings) while it is closed.
void KeepCompleterWithDialog(QFileDialog& dialog);

}  // namespace kelvara::app
