#include "skin/warning_layout.h"

SkinRectTable<kWarningEntries> g_warningRects;
SkinCaptionTable<kWarningEntries> g_warningCaptions;

void LoadWarningSkin() { LoadButtonTable(LanguageFilePath("LBWarning.ini"), g_warningRects, g_warningCaptions); }
