#include "cli/driver.h"

int main(int argc, char** argv) { return RunProgram(argc, argv); }
