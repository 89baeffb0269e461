#include "mainwnd/label_place.h"

int LabelTop(const SkinRect& r, const LabelPlace& place, int textHeight) {
  if (place.align == LabelPlace::Align::Below) return r.y + r.height + 2;
  return CentredStart(r.y, r.height + place.extraHeight, textHeight);
}

int LabelLeft(const SkinRect& r, const LabelPlace& place, int textWidth) {
  int x = r.x;
  switch (place.align) {
    case LabelPlace::Align::Centre: x = CentredStart(r.x, r.width - place.narrower, textWidth); break;
    case LabelPlace::Align::Left: break;
    case LabelPlace::Align::Right: x = r.x + r.width - textWidth; break;
    case LabelPlace::Align::Below: x = r.x + 5; break;
  }
  return x + place.dx;
}
