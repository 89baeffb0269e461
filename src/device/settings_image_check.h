// The check of the settings image before any download. The image packs many values
// into a few bits each: a value beyond its field would spill into its neighbours or be
// cut to something else, and a key map or reaction out of order can take the left
// click out of the mouse although a button of the tables holds it. So the check looks
// at every value that goes into the image and at the image itself: profile 0 must keep
// a button with the left click.
#pragma once

#include <string>

#include "device/memory_image.h"

struct ImageVerdict {
  enum class Kind { Fit, OutOfRange, NoLeftClick };
  Kind kind = Kind::Fit;
  // What the mouse could not take, for the user: the value out of range as config.ini
  // names it ("LED_BRIGHT = 9, not 0 to 7"), or the missing left click.
  std::string fault;

  bool Fit() const { return kind == Kind::Fit; }
};

// The first table value that goes into the image outside its range, described as in
// ImageVerdict::fault; empty when every value is in range. The DPI levels are not
// among them: the image bounds them itself (dpi_levels.h).
std::string SettingOutOfRange();

// Whether one of profile 0's twelve button entries of the image has the left click.
bool ImageKeepsLeftClick(const DeviceMemoryImage& image);

// Both checks: the values the image was built from (the tables now) and the image.
ImageVerdict CheckSettingsImage(const DeviceMemoryImage& image);

// The header, settings blocks and colour index block that the tables give now, built
// as the download builds them (the macro area aside: a macro's mode never makes a left
// click).
DeviceMemoryImage ImageOfTables();
