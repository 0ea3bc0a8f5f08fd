#include "trevik/reader.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "tests/support/convert.h"
#include "tests/support/findings.h"
#include "tests/support/print_records.h"
#include "tests/support/records.h"
#include "trevik/format.h"

namespace trevik {
namespace {

using core::Airport;
using core::Obstacle;
using core::Runway;
using File = std::vector<std::string>;

// Reads the files, each given as its lines.
std::vector<Airport> read(const std::vector<File>& files,
                          std::vector<core::Findings>& findings) {
  tests::AirportsRead read = tests::readAirports(kFormat, files);
  findings = std::move(read.findings);
  return read.airports;
}

std::vector<Airport> read(const std::vector<File>& files) {
  std::vector<core::Findings> findings;
  return read(files, findings);
}

// The findings of one file, as "LINE: MESSAGE".
std::vector<std::string> findingsOf(const File& file) {
  std::vector<core::Findings> findings;
  read({file}, findings);
  return tests::findingLines(findings.at(0));
}

const File kExample = {"ANF ABCD SAMPLEFIELD",
                       "1234.5",
                       "09 2500.4 2700.5 2500 2300 0.25 50",
                       "2",
                       "1300.6 3100 -150.5",
                       "1250 4000"};

TEST(ReadAnfAirports, ReadsTheWorkedExample) {
  EXPECT_EQ(read({kExample}), std::vector<Airport>{tests::anfExampleAirport()});
}

TEST(ReadAnfAirports, DerivesTheHeadingFromTheDesignator) {
  struct Case {
    const char* designator;
    double heading;
  };
  const Case cases[] = {{"09L", 90},        {"27", 270}, {"35", 350},
                        {"36", 0},          {"36R", 0},  {"-5", 0},
                        {"L09", 0},         {"00", 0},   {"99999999999", 0},
                        {"-99999999999", 0}};
  for (const Case& c : cases) {
    const std::vector<Airport> airports = read(
        {{"ANF X Y", "0", std::string(c.designator) + " 1 2 3 4 5 6", "0"}});
    ASSERT_EQ(airports.size(), 1u) << c.designator;
    EXPECT_EQ(airports[0].runways[0].magneticHeading, c.heading)
        << c.designator;
    EXPECT_EQ(airports[0].runways[0].ident, c.designator);
  }
}

TEST(ReadAnfAirports, ReadsObstacleLinesOfTwoToFourWords) {
  const std::vector<Airport> airports =
      read({{"ANF X Y", "10", "01 1 2 3 4 5 6 extra", "4", "1 2", "3 4 5",
             "6 7 8 9", "12"}});
  ASSERT_EQ(airports.size(), 1u);
  EXPECT_EQ(
      airports[0].runways[0].obstacles,
      (std::vector<Obstacle>{{2, 1, 0}, {4, 3, 5}, {7, 6, 8}, {0, 12, 0}}));
}

// Idents of every runway of every airport read, airport by airport.
std::vector<std::vector<std::string>> runwayIdents(
    const std::vector<File>& files) {
  std::vector<std::vector<std::string>> idents;
  for (const Airport& airport : read(files)) {
    idents.emplace_back();
    for (const Runway& runway : airport.runways) {
      idents.back().push_back(airport.icao + ":" + runway.ident + "/" +
                              std::to_string(runway.obstacles.size()));
    }
  }
  return idents;
}

using Idents = std::vector<std::vector<std::string>>;

TEST(ReadAnfAirports, EndsAnAirportAtTheFirstShortRunwayLine) {
  struct Case {
    const char* what;
    File file;
    Idents want;
  };
  const Case cases[] = {
      {"count 0: the next runway follows the count line",
       {"ANF A N", "1", "01 1 2 3 4 5 6", "0", "19 1 2 3 4 5 6", "1", "5 6"},
       {{"A:01/0", "A:19/1"}}},
      {"a blank line ends the airport",
       {"ANF A N", "1", "01 1 2 3 4 5 6", "1", "5 6", "", "19 1 2 3 4 5 6",
        "0"},
       {{"A:01/1"}}},
      {"a short remark ends the airport",
       {"ANF A N", "1", "01 1 2 3 4 5 6", "0", "remark", "19 1 2 3 4 5 6"},
       {{"A:01/0"}}},
      {"a next header ends the airport",
       {"ANF A N", "1", "01 1 2 3 4 5 6", "0", "ANF B M", "2", "02 1 2 3 4 5 6",
        "0"},
       {{"A:01/0"}, {"B:02/0"}}},
      {"a name of two words keeps its first",
       {"ANF A TWO WORDS", "1", "01 1 2 3 4 5 6"},
       {{"A:01/0"}}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(runwayIdents({c.file}), c.want) << c.what;
  }
}

TEST(ReadAnfAirports, AcceptsOnlyCompleteHeaders) {
  struct Case {
    const char* what;
    File file;
    size_t airports;
  };
  const Case cases[] = {
      {"two words", {"ANF ABCD", "1", "01 1 2 3 4 5 6"}, 0},
      {"ANFX", {"ANFX A N", "1", "01 1 2 3 4 5 6"}, 0},
      {"lower case", {"anf A N", "1", "01 1 2 3 4 5 6"}, 0},
      {"header on the last line", {"x", "ANF A N"}, 0},
      {"header on the line before last", {"ANF A N", "1"}, 0},
      {"empty elevation line", {"ANF A N", "", "01 1 2 3 4 5 6"}, 0},
      {"runway line of six words", {"ANF A N", "1", "01 1 2 3 4 5"}, 0},
      {"then a good one",
       {"ANF A N", "1", "01 1 2 3 4 5", "ANF B M", "1", "01 1 2 3 4 5 6"},
       1},
      {"no count line", {"ANF A N", "1", "01 1 2 3 4 5 6"}, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(read({c.file}).size(), c.airports) << c.what;
  }
}

TEST(ReadAnfAirports, ReadsOnlyTheLinesThatExist) {
  struct Case {
    const char* what;
    File file;
    Idents want;
  };
  const Case cases[] = {
      {"count beyond the file",
       {"ANF A N", "1", "01 1 2 3 4 5 6", "5", "1 2", "3 4"},
       {{"A:01/2"}}},
      {"huge count",
       {"ANF A N", "1", "01 1 2 3 4 5 6", "99999999999", "1 2"},
       {{"A:01/1"}}},
      {"negative count",
       {"ANF A N", "1", "01 1 2 3 4 5 6", "-3", "19 1 2 3 4 5 6"},
       {{"A:01/0", "A:19/0"}}},
      {"empty count line",
       {"ANF A N", "1", "01 1 2 3 4 5 6", "", "19 1 2 3 4 5 6"},
       {{"A:01/0", "A:19/0"}}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(runwayIdents({c.file}), c.want) << c.what;
  }
  const std::vector<Airport> airports =
      read({{"ANF A N", "1", "01 1 2 3 4 5 6", "1", "7"}});
  ASSERT_EQ(airports.size(), 1u);
  EXPECT_EQ(airports[0].runways[0].obstacles,
            (std::vector<Obstacle>{{0, 7, 0}}));
}

TEST(ReadAnfAirports, ExaminesEveryLineAsAHeader) {
  // The obstacle lines of the first airport hold a header of their own.
  EXPECT_EQ(runwayIdents({{"ANF A N", "1", "01 1 2 3 4 5 6", "3", "ANF B M",
                           "2", "02 1 2 3 4 5 6"}}),
            (Idents{{"A:01/3"}, {"B:02/0"}}));
}

TEST(ReadAnfAirports, KeepsFileOrderAndNeverCrossesFiles) {
  const File two = {"ANF A N", "1", "01 1 2 3 4 5 6", "0",
                    "ANF B N", "1", "02 1 2 3 4 5 6", "0"};
  const File one = {"ANF C N", "1", "03 1 2 3 4 5 6", "0"};
  EXPECT_EQ(runwayIdents({two, one}),
            (Idents{{"A:01/0"}, {"B:02/0"}, {"C:03/0"}}));
  // A runway line at the start of the next file does not continue an
  // airport, and a header at the end of a file does not reach into the next.
  EXPECT_EQ(runwayIdents({{"ANF A N", "1", "01 1 2 3 4 5 6", "0"},
                          {"19 1 2 3 4 5 6", "0"}}),
            (Idents{{"A:01/0"}}));
  EXPECT_EQ(runwayIdents({{"ANF A N"}, {"1", "01 1 2 3 4 5 6"}}), Idents{});
  EXPECT_EQ(runwayIdents({{}, one, {}}), (Idents{{"C:03/0"}}));
}

TEST(ReadAnfAirports, ReadsEveryAirportOfALargeFileOnceInOrder) {
  // 40000 airports of six lines: ranges of lines end inside airports.
  constexpr size_t kAirports = 40000;
  File file;
  for (size_t k = 0; k < kAirports; ++k) {
    File airport = kExample;
    airport[0] = "ANF A" + std::to_string(k) + " SAMPLEFIELD";
    file.insert(file.end(), airport.begin(), airport.end());
  }
  const std::vector<Airport> airports = read({file, file});
  ASSERT_EQ(airports.size(), 2 * kAirports);
  Airport want = tests::anfExampleAirport();
  size_t wrong = 0;
  for (size_t k = 0; k < airports.size(); ++k) {
    want.icao = "A" + std::to_string(k % kAirports);
    wrong += airports[k] == want ? 0 : 1;
  }
  EXPECT_EQ(wrong, 0u);
}

TEST(ReadAnfAirports, SaysWhyAHeaderIsLeftOut) {
  struct Case {
    File file;
    std::vector<std::string> want;
  };
  const Case cases[] = {
      {{"ANF ABCD X"},
       {"1: airport ABCD left out: line 2 should hold its elevation but "
        "is past the end of the file (1 line)"}},
      {{"ANF ABCD X", "", "09 1 2 3 4 5 6", "0"},
       {"1: airport ABCD left out: line 2 should hold its elevation but "
        "is an empty line",
        // After the blank line, its runway belongs to no airport.
        "3: 2 lines belong to no airport and are ignored"}},
      {{"ANF ABCD X", "10", "09 1 2 3 4 5"},
       {"1: airport ABCD left out: line 3 should be a runway line of 7 "
        "words but has 6"}},
      {{"ANF ABCD X", "10"},
       {"1: airport ABCD left out: line 3 should be a runway line of 7 "
        "words but is past the end of the file (2 lines)"}},
      {{"ANF ABCD", "10", "09 1 2 3 4 5 6", "0"},
       {"1: \"ANF\" line of 2 words starts no airport (a header holds "
        "\"ANF\", the ICAO code and the name)"}},
      {{"ANF", "ANFX A B", "anf A B"}, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(findingsOf(c.file), c.want) << c.file[0];
  }
}

TEST(ReadAnfAirports, NotesCountsThatAreNotWhatTheyReadAs) {
  // A count read as 0 leaves the obstacle lines to no airport.
  const std::string kObstaclesUnread =
      "5: 2 lines belong to no airport and are ignored: airport ABCD ends at "
      "line 4, as line 5 should be a runway line of 7 words but has 3";
  struct Case {
    const char* count;
    std::vector<std::string> want;
  };
  const Case cases[] = {
      {"2", {}},
      {"2R", {"4: obstacle count \"2R\" is not a whole number, read as 2"}},
      {"-2", {"4: obstacle count -2 is negative, read as 0", kObstaclesUnread}},
      {"170",
       {"4: obstacle count 170 runs past the end of the file (2 lines "
        "follow)"}},
      {"3x",
       {"4: obstacle count \"3x\" is not a whole number, read as 3",
        "4: obstacle count 3 runs past the end of the file (2 lines "
        "follow)"}},
      {"",
       {"4: obstacle count is missing (an empty line), read as 0",
        kObstaclesUnread}},
  };
  for (const Case& c : cases) {
    File file = kExample;
    file[3] = c.count;
    EXPECT_EQ(findingsOf(file), c.want) << c.count;
  }
  EXPECT_EQ(findingsOf({"ANF A B", "1", "09 1 2 3 4 5 6"}),
            std::vector<std::string>{
                "3: obstacle count is missing (past the end of the file (3 "
                "lines)), read as 0"});
}

TEST(ReadAnfAirports, NotesNumbersThatReadAsZero) {
  struct Case {
    size_t line;
    const char* text;
    std::vector<std::string> want;
  };
  const Case cases[] = {
      {1, "high", {"2: the elevation \"high\" is not a number, read as 0"}},
      {2,
       "09 abc 2700.5 2500 2300 0.25 50",
       {"3: the TORA \"abc\" is not a number, read as 0"}},
      {2,
       "XX 2500 +2700 -.5 .5e1 x50 50",
       {"3: the slope \"x50\" is not a number, read as 0"}},
      {4,
       "x 3100",
       {"5: the obstacle elevation \"x\" is not a number, read as 0"}},
      {4,
       "1300 3100 L20",
       {"5: the lateral distance \"L20\" is not a number, read as 0"}},
      {4,
       "1300",
       {"5: obstacle line should hold at least 2 words but has 1; the "
        "missing ones read as 0"}},
  };
  for (const Case& c : cases) {
    File file = kExample;
    file[c.line] = c.text;
    EXPECT_EQ(findingsOf(file), c.want) << c.text;
  }
}

TEST(ReadAnfAirports, NotesNumbersNotReadAsTheyStand) {
  struct Case {
    size_t line;
    const char* text;
    std::vector<std::string> want;
  };
  const Case cases[] = {
      {1, "1,5", {"2: the elevation \"1,5\" reads as 1"}},
      {1,
       "3e9",
       {"2: the elevation \"3e9\" is out of range, written as "
        "2147483647"}},
      {2,
       "09 12.5m 1e400 0x10 2300 0.4% 50",
       {"3: the TORA \"12.5m\" reads as 12.5",
        "3: the ASDA \"0x10\" reads as 0", "3: the slope \"0.4%\" reads as 0.4",
        "3: the TODA \"1e400\" is out of range, written as 2147483647"}},
      {2,
       "09 2500 2500 2500 -3e9 -1e400 50",
       {"3: the LDA \"-3e9\" is out of range, written as -2147483648",
        "3: the slope \"-1e400\" is out of range, written as -inf"}},
      // Within range, however written: no finding.
      {2, "09 +2500. .5e1 2147483647.4 -2147483648.4 1e300 50", {}},
      {4,
       "1300 3100m 2e10x",
       {"5: the obstacle distance \"3100m\" reads as 3100",
        "5: the lateral distance \"2e10x\" reads as 2e+010",
        "5: the lateral distance \"2e10x\" is out of range, written as "
        "2147483647"}},
  };
  for (const Case& c : cases) {
    File file = kExample;
    file[c.line] = c.text;
    EXPECT_EQ(findingsOf(file), c.want) << c.text;
  }
}

TEST(ReadAnfAirports, NotesLinesThatNoAirportReads) {
  const File airport = {"ANF EXMP EXAMPLE", "120.5",
                        "09 2500 2800 2600 2400 0.4 50", "1",
                        "141.2 2900 -60.5"};
  const auto with = [&airport](const File& after) {
    File file = airport;
    file.insert(file.end(), after.begin(), after.end());
    return file;
  };
  struct Case {
    const char* what;
    File file;
    std::vector<std::string> want;
  };
  const Case cases[] = {
      {"a runway line that lost a word",
       with({"27 2500 2500 2500 2300 -0.4", "0",
             "33 2500 2500 2500 2300 -0.4 50", "0"}),
       {"6: 4 lines belong to no airport and are ignored: airport EXMP ends "
        "at line 5, as line 6 should be a runway line of 7 words but has 6"}},
      {"one line",
       with({"0"}),
       {"6: 1 line belongs to no airport and is ignored: airport EXMP ends "
        "at line 5, as line 6 should be a runway line of 7 words but has 1"}},
      {"a remark", with({"500FT THR AGL", "REMARK"}), {}},
      {"a run ends at a blank line",
       with({"REMARK", "", "27 2500 2500 2500 2300 -0.4 50", "1", "REMARK"}),
       {"8: 3 lines belong to no airport and are ignored"}},
      {"a run ends at an \"ANF\" line",
       with({"REMARK", "ANF ABCD X", "10", "09 1 2 3 4 5 6", "0", "99"}),
       {"11: 1 line belongs to no airport and is ignored: airport ABCD ends "
        "at line 10, as line 11 should be a runway line of 7 words but has "
        "1"}},
      {"a run that starts at a left-out header has its finding",
       with({"", "ANF ABCD X", "10", "09 1 2 3 4 5"}),
       {"7: airport ABCD left out: line 9 should be a runway line of 7 words "
        "but has 6"}},
      {"lines before the first header",
       {"1 2 3", "ANF ABCD X", "10", "09 1 2 3 4 5 6", "0"},
       {"1: 1 line belongs to no airport and is ignored"}},
      {"lines that an earlier airport reads as obstacles",
       {"ANF ABCD X", "10", "09 1 2 3 4 5 6", "6", "ANF EFGH Y", "20",
        "27 1 2 3 4 5 6", "0", "1 2", "3 4", "99"},
       {"11: 1 line belongs to no airport and is ignored: airport ABCD ends "
        "at line 10, as line 11 should be a runway line of 7 words but has "
        "1"}},
  };
  for (const Case& c : cases) {
    // Only these findings: obstacle lines of other airports have their own.
    std::vector<std::string> found = findingsOf(c.file);
    std::erase_if(found, [](const std::string& line) {
      return line.find("belong") == std::string::npos &&
             line.find("left out") == std::string::npos;
    });
    EXPECT_EQ(found, c.want) << c.what;
  }
}

}  // namespace
}  // namespace trevik
