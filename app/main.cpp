// Entry point of the gridfall executable.
#include "app/startup.h"

int main(int argc, char** argv) { return GridfallMain(argc, argv); }
