// kvx-tidy: runs HTML Tidy for a document window (see TidyRun.h).
#include "authoring/TidyEngine.h"
#include "authoring/TidyRun.h"

int main(int argc, char** argv) {
  UseLinkedTidyEngine();
  return TidyHelperMain(argc, argv);
}
