// The images the main window is drawn from, looked for at start-up: without them the
// window shows its texts on black, and the user is told which file is missing instead
// of being left to guess.
#pragma once

#include <string>
#include <vector>

// Every page's background, hover and pressed images, the window's mask and the
// pictures drawn over the pages, as names under the skins folder.
std::vector<std::string> MainWindowImageNames();

struct MissingImage {
  std::string path;
  std::string why;  // as standard error names it: "<path> is not a plain file"
};

// Those images that are missing or cannot be read as images (WhyImageFileIsUnusable).
std::vector<MissingImage> MissingMainWindowImages();

// Names every missing image and why on standard error and shows one warning box
// (TipText entry 5) naming the first of them and how many more there are. Nothing when
// all are there.
void ReportMissingMainWindowImages();
