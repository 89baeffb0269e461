// Where the pages put a label's text in its control's rectangle: the arithmetic of
// the label painting, apart from the painter so that it can be checked on any layout.
#pragma once

#include "skin/skin_layout.h"

struct LabelPlace {
  enum class Align { Centre, Left, Right, Below } align = Align::Centre;
  int dx = 0;           // added to x after aligning
  int extraHeight = 0;  // the box is taller by this for vertical centring
  int narrower = 0;     // the box is narrower by this for horizontal centring
};

// Top of the text's line box for a text `textHeight` pixels high: centred on the box,
// or two pixels below the rectangle for Below.
int LabelTop(const SkinRect& r, const LabelPlace& place, int textHeight);
// Left of a text `textWidth` pixels wide, dx included.
int LabelLeft(const SkinRect& r, const LabelPlace& place, int textWidth);
