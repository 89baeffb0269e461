// Entry point of the program.
#include "app/app.h"

int main(int argc, char** argv) {
  // Made here rather than as a global, so that the globals it sets exist already.
  COVK_DOvaruApp app;
  return app.Run(argc, argv);
}
