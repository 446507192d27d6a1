// The program's entry point.
#include "lsvc/lsvc.h"

int main(int argc, char** argv) { return LS_main(argc, argv); }
