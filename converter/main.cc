// converter: one Airbus airport file in, the AIRPORT2 file "APB" out.
// Its texts are in program.h; the run is the shared driver's.
#include "converter/program.h"

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  return driver::run(converter::kProgram, argc, argv);
}
#else
int main(int argc, char** argv) {
  return driver::run(converter::kProgram, argc, argv);
}
#endif
