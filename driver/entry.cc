// The program entry: the host opens the standard streams, then the main procedure
// runs and ends the process itself.
#include "driver/main_procedure.h"
#include "host/host.h"

#ifdef _WIN32
extern "C" void __stdcall Entry() {
  OpenStandardStreams(0, nullptr);
  MainProcedure();
}
#else
int main(int argc, char** argv) {
  OpenStandardStreams(argc, argv);
  MainProcedure();
}
#endif
