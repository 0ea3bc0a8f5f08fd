// trevik: one or more ANF airport files in, the AIRPORT1 file "APB" out.
// The program's own texts and its format, for its main and for the browser
// page's engine; the run is the shared driver's.
#ifndef TREVIK_PROGRAM_H_
#define TREVIK_PROGRAM_H_

#include "driver/driver.h"
#include "trevik/format.h"

namespace trevik {

inline constexpr char kAbout[] =
    "Reads one or more ANF airport files (\"-\": standard input), in the\n"
    "order given, and writes all their airports, in the AIRPORT1 form, to\n"
    "the file \"APB\" in the current directory, replacing it. Input without\n"
    "any airport leaves \"APB\" as it was.\n"
    "\n"
    "Standard output shows the banner and how the run ended. Standard error\n"
    "shows, one line each, what was left out or not read as it stands, and\n"
    "where (trevik:FILE:LINE: MESSAGE), then a summary of what was read.\n"
    "\n";

inline constexpr char kExitStatus[] =
    "Exit status:\n"
    "  0  \"APB\" was written (also when airports were left out, unless\n"
    "     --strict); with --check, standard error held the summary alone\n"
    "  1  a file cannot be read, no file holds an airport, or \"APB\" cannot\n"
    "     be written; with --check or --strict, standard error held more\n"
    "  2  no file was given, or the command line is wrong\n"
    "\n";

inline constexpr char kBanner[] =
    "\n"
    "-------------------------------------------------\n"
    "Airport file converter: ANF->VARN, v.0.9, 2020\n"
    "-------------------------------------------------\n"
    "\n";

inline constexpr driver::Program kProgram{
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

}  // namespace trevik

#endif  // TREVIK_PROGRAM_H_
