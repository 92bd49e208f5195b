#include "tools/rtouchctl/Commands.h"

int main(int argc, char** argv) { return RunRtouchctl(Args(argv, argv + argc)); }
