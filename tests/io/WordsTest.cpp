// The dialog word table: lookup and fallback rules, ranges, completeness of the built-in blocks.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "imaging/io/oxwords.h"

using namespace ox;

namespace {

// Restores the process-wide values a test changes.
class WordsTest : public ::testing::Test {
 protected:
  void TearDown() override {
    SetSystemPrimaryLanguage(9);
    for (auto [lang, n, text] : restore_) SetWord(lang, n, text);
  }
  void Replace(TMsgLanguage lang, int n, const std::string& text) {
    restore_.push_back({lang, n, GetWord(n, lang)});
    SetWord(lang, n, text);
  }
  struct Saved { TMsgLanguage lang; int n; std::string text; };
  std::vector<Saved> restore_;
};

}  // namespace

TEST_F(WordsTest, ExplicitLanguagesAndFallbackToEnglish) {
  EXPECT_EQ(GetWord(91, msEnglish), "Print");
  EXPECT_EQ(GetWord(91, msUser), "Print");
  EXPECT_EQ(GetWord(0, msGerman), "Vorschau");
  EXPECT_EQ(GetWord(120, msFrench), "Appliquer");
  // An emptied slot of an explicit language answers in English, whatever the system language.
  SetSystemPrimaryLanguage(7);
  Replace(msItalian, 4, "");
  EXPECT_EQ(GetWord(4, msItalian), "Cancel");
  // A user word wins over the English one.
  Replace(msUser, 4, "Abort");
  EXPECT_EQ(GetWord(4, msUser), "Abort");
}

TEST_F(WordsTest, SystemLanguageChoosesTheBlock) {
  struct Case { int primary; TMsgLanguage block; };
  const Case cases[] = {{7, msGerman}, {8, msGreek}, {9, msEnglish}, {10, msSpanish}, {12, msFrench},
                        {16, msItalian}, {19, msDutch}, {22, msPortuguese}, {25, msRussian},
                        {29, msEnglish}, {0, msEnglish}, {17, msEnglish}};
  for (const Case& c : cases) {
    SetSystemPrimaryLanguage(c.primary);
    EXPECT_EQ(GetWord(22, msSystem), GetWord(22, c.block)) << "primary " << c.primary;
  }
  SetSystemPrimaryLanguage(29);
  EXPECT_EQ(GetWord(91, msSystem), "Print");  // Swedish only by explicit choice
  EXPECT_EQ(GetWord(91, msSwedish), "Skriv ut");
}

TEST_F(WordsTest, SystemChoiceKeepsAnEmptySlotEmpty) {
  Replace(msGerman, 50, "");
  SetSystemPrimaryLanguage(7);
  EXPECT_EQ(GetWord(50, msSystem), "");
  EXPECT_EQ(GetWord(50, msGerman), "Scanned document info");
}

TEST_F(WordsTest, OutOfRangeIsEmptyAndIgnored) {
  EXPECT_EQ(GetWord(-1, msEnglish), "");
  EXPECT_EQ(GetWord(kWordCount, msEnglish), "");
  EXPECT_EQ(GetWord(0, TMsgLanguage(-1)), "");
  EXPECT_EQ(GetWord(0, TMsgLanguage(kMsgLanguageCount)), "");
  SetWord(msEnglish, kWordCount, "x");            // would be slot 0 of Italian
  SetWord(TMsgLanguage(kMsgLanguageCount), 0, "x");
  EXPECT_EQ(GetWord(0, msItalian), "Anteprima");
  EXPECT_EQ(GetWord(120, msUser), "Apply");
}

TEST_F(WordsTest, BuiltInBlocksAreComplete) {
  for (int lang = msEnglish; lang <= msSwedish; ++lang) {
    std::set<std::string> distinct;
    for (int n = 0; n < kWordCount; ++n) {
      const std::string w = GetWord(n, TMsgLanguage(lang));
      EXPECT_FALSE(w.empty()) << lang << ":" << n;
      distinct.insert(w);
    }
    EXPECT_EQ(GetWord(103, TMsgLanguage(lang)), GetWord(11, TMsgLanguage(lang))) << lang;
    // A translated block is not a copy of the English one (a shifted or pasted block would show here).
    if (lang != msEnglish) {
      int same = 0;
      for (int n = 0; n < kWordCount; ++n) same += GetWord(n, TMsgLanguage(lang)) == GetWord(n, msEnglish);
      EXPECT_LT(same, 40) << lang;
    }
    EXPECT_GT(distinct.size(), 100u) << lang;
  }
}
