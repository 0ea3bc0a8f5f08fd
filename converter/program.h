// converter: one Airbus airport file in, the AIRPORT2 file "APB" out.
// The program's own texts and its format, for its main and for the browser
// page's engine; the run is the shared driver's.
#ifndef CONVERTER_PROGRAM_H_
#define CONVERTER_PROGRAM_H_

#include "converter/format.h"
#include "driver/driver.h"

namespace converter {

inline constexpr char kAbout[] =
    "Reads one Airbus airport file (\"-\": standard input) and writes its\n"
    "airports, in the AIRPORT2 form, to the file \"APB\" in the current\n"
    "directory, replacing it. An input without any complete airport leaves\n"
    "\"APB\" as it was. Only the first file is read.\n"
    "\n"
    "Standard output shows the banner and how the run ended. Standard error\n"
    "shows, one line each, what was left out or not read as it stands, and\n"
    "where (converter:FILE:LINE: MESSAGE), then a summary of what was read.\n"
    "\n";

inline constexpr char kExitStatus[] =
    "Exit status:\n"
    "  0  \"APB\" was written (also when airports were left out, unless\n"
    "     --strict); with --check, standard error held the summary alone\n"
    "  1  the file cannot be read, holds no airport, or \"APB\" cannot be\n"
    "     written; with --check or --strict, standard error held more\n"
    "  2  no file was given, or the command line is wrong\n"
    "\n";

inline constexpr char kBanner[] =
    "\n"
    "-------------------------------------------------\n"
    "Airport file converter: Airbus->VNF, v.0.9, 2020\n"
    "-------------------------------------------------\n"
    "\n";

inline constexpr driver::Program kProgram{
    .name = "converter",
    .operands = "AIRBUS_FILE",
    .about = kAbout,
    .exitStatus = kExitStatus,
    .banner = kBanner,
    .noArguments = "\nNo arguments. Quitting.\n",
    .notOpen = "\nFile is not open\n",
    .readingFailed = "\nFile reading failed. Quitting.\n",
    .notValid = "\n Not a valid file.\n",
    .firstInputOnly = true,
    .format = converter::kFormat,
    .leftOutKind = converter::kLeftOut,
    .noAirportKind = converter::kNoAirport,
    .kinds = converter::kKindNames,
};

}  // namespace converter

#endif  // CONVERTER_PROGRAM_H_
