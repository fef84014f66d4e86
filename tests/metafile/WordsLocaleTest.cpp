// The Qt locale mapped onto the word table's primary language numbers.
#include <gtest/gtest.h>

#include <QLocale>

#include "imaging/dialogs/WordsLocale.h"
#include "imaging/io/oxwords.h"

TEST(WordsLocale, LanguagesMapToTheirPrimaryNumbers) {
  const std::pair<QLocale::Language, int> cases[] = {
      {QLocale::German, 7},  {QLocale::Greek, 8},       {QLocale::English, 9}, {QLocale::Spanish, 10},
      {QLocale::French, 12}, {QLocale::Italian, 16},    {QLocale::Dutch, 19},  {QLocale::Portuguese, 22},
      {QLocale::Russian, 25}, {QLocale::Swedish, 29},   {QLocale::Japanese, 9}, {QLocale::C, 9}};
  for (auto [lang, primary] : cases) EXPECT_EQ(PrimaryLanguageFromQt(QLocale(lang)), primary) << lang;
  // A regional variant keeps its language.
  EXPECT_EQ(PrimaryLanguageFromQt(QLocale(QLocale::Portuguese, QLocale::Brazil)), 22);
  EXPECT_EQ(ox::GetWord(91, ox::LanguageOfPrimary(PrimaryLanguageFromQt(QLocale(QLocale::German)))), "Drucken");
}
