#pragma once
// The two edit-field helpers every dialog's text fields share: select the whole text when
// the field gets the focus, and let Enter move to the next field instead of pressing the
// dialog's default button. Kept free of the program's globals so the plug-ins' settings
// windows use the very same behaviour.

class QWidget;

// Selects the field's whole text (start 0, length = length of the text), so typing
// replaces it. Works on line edits, plain and rich text edits, spin boxes and editable
// combo boxes; any other widget, or none, is left alone.
void SelAllText(QWidget* field);

// keyAscii 13 (Enter): moves the focus from field to the next control in the Tab order of
// its window and sets keyAscii to 0, so the Enter itself is swallowed. Any other code is
// left unchanged and nothing happens.
void EnterToTab(int& keyAscii, QWidget* field);

// Wire the helpers to a field's events: SelAllText on every focus-in, EnterToTab on the
// Return and Enter keys (the key event is then consumed and never reaches the dialog).
// Installing twice is harmless.
void InstallSelAllText(QWidget* field);
void InstallEnterToTab(QWidget* field);
