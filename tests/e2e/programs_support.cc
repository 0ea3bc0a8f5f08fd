// What the two programs print and which sample each converts.
#include "tests/e2e/programs_support.h"

#include "tests/e2e/sandbox_support.h"

namespace e2e {
namespace {

std::string banner(std::string_view title) {
  const std::string rule(49, '-');
  return "\n" + rule + "\n" + std::string(title) + "\n" + rule + "\n\n";
}

}  // namespace

const Program& converterProgram() {
  static const Program program{
      "converter",
      CONVERTER_EXE,
      banner("Airport file converter: Airbus->VNF, v.0.9, 2020"),
      "\nNo arguments. Quitting.\n",
      "\nFile is not open\n\nFile reading failed. Quitting.\n",
      "\n Not a valid file.\n",
      {"airports.airbus.txt"},
      {"airports.airbus.apb"}};
  return program;
}

const Program& trevikProgram() {
  static const Program program{
      "trevik",
      TREVIK_EXE,
      banner("Airport file converter: ANF->VARN, v.0.9, 2020"),
      "\n No arguments. Quitting.\n",
      "\nFile is not open.\n\n File reading failed. Quitting.\n",
      "\n Not a valid ANF file.\n",
      {"north.anf", "south.anf"},
      {"north.apb", "south.apb"}};
  return program;
}

std::string sampleApb(const Program& program) {
  std::string bytes;
  for (const std::string& part : program.sampleOutput) bytes += dataBytes(part);
  return bytes;
}

const std::vector<Program>& bothPrograms() {
  static const std::vector<Program> programs{converterProgram(),
                                             trevikProgram()};
  return programs;
}

}  // namespace e2e
