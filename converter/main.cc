// hueswap: converts one BMP picture to an 8-bit BMP in the colours of a palette.
#include <cstdio>

#include "converter/hueswap_cli.h"

int main(int argc, char** argv) { return RunHueswap(argc, argv, stderr); }
