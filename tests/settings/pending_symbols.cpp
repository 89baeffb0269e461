// Stand-ins for pieces of the profile store that have not landed yet, so that the
// settings tests link. Weak: the real definition wins once it is in the library.
#include "profile/shortcut.h"

__attribute__((weak)) void BuildShortcutMacros() {}
