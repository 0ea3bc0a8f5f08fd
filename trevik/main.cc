// trevik: one or more ANF airport files in, the AIRPORT1 file "APB" out.
// Its texts are in program.h; the run is the shared driver's.
#include "trevik/program.h"

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  return driver::run(trevik::kProgram, argc, argv);
}
#else
int main(int argc, char** argv) {
  return driver::run(trevik::kProgram, argc, argv);
}
#endif
