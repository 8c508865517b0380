#pragma once
// Which button Enter presses in a dialog window.

class QDialog;
class QPushButton;

namespace relvane {

// Enter presses a button only where the window's own description makes one its default. Qt
// makes the first button of a dialog its default when it is shown, and a button that had the
// focus once the default from then on, so Enter typed into a text field would press it (upload
// the production data, start an EEPROM read). Every push button of dialog stops being a default
// and stops becoming one by focus; defaultButton, when given, is the one Enter presses. Called
// by each dialog once its buttons exist.
void SetEnterButton(QDialog& dialog, QPushButton* defaultButton = nullptr);

}  // namespace relvane
