// trevik: one or more ANF airport files in, the AIRPORT1 file "APB" out.
// Here are the program's own texts; the run is the shared driver's.
#include "driver/driver.h"
#include "trevik/format.h"

namespace {

constexpr char kAbout[] =
    "Reads one or more ANF airport files (\"-\": standard input), in the\n"
    "order given, and writes all their airports, in the AIRPORT1 form, to\n"
    "the file \"APB\" in the current directory, replacing it. Input without\n"
    "any airport leaves \"APB\" as it was.\n"
    "\n"
    "Standard output shows the banner and how the run ended. Standard error\n"
    "shows, one line each, what was left out or not read as it stands, and\n"
    "where (trevik:FILE:LINE: MESSAGE), then a summary of what was read.\n"
    "\n";

constexpr char kExitStatus[] =
    "Exit status:\n"
    "  0  \"APB\" was written (also when airports were left out, unless\n"
    "     --strict); with --check, standard error held the summary alone\n"
    "  1  a file cannot be read, no file holds an airport, or \"APB\" cannot\n"
    "     be written; with --check or --strict, standard error held more\n"
    "  2  no file was given, or the command line is wrong\n"
    "\n";

constexpr char kBanner[] =
    "\n"
    "-------------------------------------------------\n"
    "Airport file converter: ANF->VARN, v.0.9, 2020\n"
    "-------------------------------------------------\n"
    "\n";

constexpr driver::Program kTrevik{
    .name = "trevik",
    .operands = "ANF_FILE...",
    .about = kAbout,
    .exitStatus = kExitStatus,
    .banner = kBanner,
    .noArguments = "\n No arguments. Quitting.\n",
    .notOpen = "\nFile is not open.\n",
    .readingFailed = "\n File reading failed. Quitting.\n",
    .notValid = "\n Not a valid ANF file.\n",
    .firstInputOnly = false,
    .format = trevik::kFormat,
    .leftOutKind = trevik::kLeftOut,
    .noAirportKind = trevik::kNoAirport,
    .kinds = trevik::kKindNames,
};

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) { return driver::run(kTrevik, argc, argv); }
#else
int main(int argc, char** argv) { return driver::run(kTrevik, argc, argv); }
#endif
