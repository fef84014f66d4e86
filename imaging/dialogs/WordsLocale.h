// The system's primary language number for the word table, taken from a Qt locale.
#pragma once

class QLocale;

// Primary language number of `locale` (German 7, Greek 8, English 9, Spanish 10, French 12, Italian 16,
// Dutch 19, Portuguese 22, Russian 25, Swedish 29); 9 for a language the word table has no block for.
int PrimaryLanguageFromQt(const QLocale& locale);

// Sets the word table's system language from QLocale::system(); called once at start-up.
void InstallSystemWordLanguage();
