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
      {"airports.airbus.apb"},
      "usage: converter [OPTION]... AIRBUS_FILE\nTry 'converter --help'.\n",
      "converter: read 2 airports, 3 runways, 5 obstacles; left out 0 "
      "airports\n"};
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
      {"north.apb", "south.apb"},
      "usage: trevik [OPTION]... ANF_FILE...\nTry 'trevik --help'.\n",
      "trevik: read 3 airports, 7 runways, 9 obstacles; left out 0 "
      "airports\n"};
  return program;
}

std::string summary(const Program& program, int airports, int runways,
                    int obstacles, int leftOut) {
  const auto count = [](int n, const char* noun) {
    return std::to_string(n) + " " + noun + (n == 1 ? "" : "s");
  };
  return program.name + ": read " + count(airports, "airport") + ", " +
         count(runways, "runway") + ", " + count(obstacles, "obstacle") +
         "; left out " + count(leftOut, "airport") + "\n";
}

std::vector<std::string> copySample(const Sandbox& box,
                                    const Program& program) {
  for (const std::string& name : program.sample) box.copyExample(name);
  return program.sample;
}

std::string sampleApb(const Program& program) {
  std::string bytes;
  for (const std::string& part : program.sampleOutput) bytes += dataBytes(part);
  return bytes;
}

std::string repeatedSample(const Program& program, size_t size) {
  const std::string sample = exampleBytes(program.sample.front());
  std::string bytes;
  while (bytes.size() < size) bytes += sample;
  return bytes;
}

const std::vector<Program>& bothPrograms() {
  static const std::vector<Program> programs{converterProgram(),
                                             trevikProgram()};
  return programs;
}

}  // namespace e2e
