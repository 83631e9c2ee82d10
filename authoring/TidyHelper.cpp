// kvx-tidy: runs HTML Tidy for a document window (see TidyRun.h).
#include "authoring/TidyRun.h"

int main(int argc, char** argv) { return TidyHelperMain(argc, argv); }
