// Sets g_language for the scope of one test and restores it afterwards.
#pragma once

#include "keys/language.h"

class LanguageGuard {
 public:
  explicit LanguageGuard(int language) : saved_(g_language.load()) { g_language = language; }
  ~LanguageGuard() { g_language = saved_; }
  LanguageGuard(const LanguageGuard&) = delete;
  LanguageGuard& operator=(const LanguageGuard&) = delete;

 private:
  int saved_;
};
