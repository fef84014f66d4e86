// The dialog word table: 121 captions in each message language, looked up by number.
#pragma once

#include <string>

namespace ox {

enum TMsgLanguage {
  msSystem,
  msEnglish,
  msItalian,
  msGerman,
  msSpanish,
  msFrench,
  msPortuguese,
  msGreek,
  msRussian,
  msDutch,
  msSwedish,
  msUser
};

constexpr int kMsgLanguageCount = 12;
constexpr int kWordCount = 121;

// Primary language number of the system locale (7 German, 8 Greek, 9 English, 10 Spanish, 12 French,
// 16 Italian, 19 Dutch, 22 Portuguese, 25 Russian, 29 Swedish, ...). The Qt layer sets it at start-up from
// the locale; 9 until then.
int SystemPrimaryLanguage();
void SetSystemPrimaryLanguage(int primary);

// The block msSystem stands for on a system whose primary language number is `primary`.
TMsgLanguage LanguageOfPrimary(int primary);

// Replaces one word; meant for filling the table at start-up (the msUser block). A number or language
// out of range is ignored.
void SetWord(TMsgLanguage language, int number, const std::string& text);

// Text of word `number` (UTF-8) in `language`: an empty slot of an explicit language falls back to English,
// msSystem picks the block of the system language. Empty for a number or language out of range.
std::string GetWord(int number, TMsgLanguage language);

}  // namespace ox
