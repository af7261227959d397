#pragma once

// Qt's own windows - the file, font and colour dialogs, their questions and
// the text fields' menus - speak Japanese like the rest of the program,
// whatever the user's locale: installs Qt's Japanese translations and makes
// Japanese the default locale, so that the file dialog names file types in
// Japanese too (its sizes and dates keep the system's format). False (after
// a warning on standard error) when the translations are not installed; Qt's
// captions then stay English.
bool UseJapaneseInQt();
