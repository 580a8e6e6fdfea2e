#pragma once
// Qt's own texts (the standard buttons of a message box, the context menu of a text box)
// in Japanese, like every other text of the program.

class QTranslator;

// Loads Qt's Japanese translation from the system's Qt translations folder and installs
// it in the application. Returns the translator (owned by the application), or null when
// the translation is not installed; Qt's texts then stay in English.
QTranslator* InstallQtTranslation();
