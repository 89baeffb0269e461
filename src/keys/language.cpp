#include "keys/language.h"

std::atomic<int> g_language{0};

LanguageTextTable g_textTip;
LanguageTextTable g_textMouseKey;
LanguageTextTable g_textDevMac;
LanguageTextTable g_textLed;
LanguageTextTable g_textOther;
LanguageTextTable g_textShortcut;

std::string LanguageFolderName(int index) {
  static constexpr const char* kCodes[27] = {
      "CN", "EN", "FR", "BILI", "DE", "SP", "IT", "RU", "TU", "PO", "TH", "KR", "JP", "AR",
      "PL", "CZ", "SE", "NL", "POBR", "CNTW", "NLBE", "DA", "SL", "FA", "UA", nullptr, "HUN"};
  if (index < 0 || index > 26 || kCodes[index] == nullptr) return {};
  std::string folder = "/";
  folder += std::to_string(index);
  folder += "_INI_";
  folder += kCodes[index];
  return folder;
}
