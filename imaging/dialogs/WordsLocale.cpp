// Maps the Qt locale onto the primary language numbers the word table chooses its system block by.
#include "imaging/dialogs/WordsLocale.h"

#include <QLocale>

#include "imaging/io/oxwords.h"

int PrimaryLanguageFromQt(const QLocale& locale) {
  switch (locale.language()) {
    case QLocale::German: return 7;
    case QLocale::Greek: return 8;
    case QLocale::English: return 9;
    case QLocale::Spanish: return 10;
    case QLocale::French: return 12;
    case QLocale::Italian: return 16;
    case QLocale::Dutch: return 19;
    case QLocale::Portuguese: return 22;
    case QLocale::Russian: return 25;
    case QLocale::Swedish: return 29;
    default: return 9;
  }
}

void InstallSystemWordLanguage() { ox::SetSystemPrimaryLanguage(PrimaryLanguageFromQt(QLocale::system())); }
