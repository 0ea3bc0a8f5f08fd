// The airport records both programs read into and write from. Texts hold
// their bytes exactly as the input gave them (no character set conversion).
#ifndef CORE_RECORDS_H_
#define CORE_RECORDS_H_

#include <string>
#include <vector>

namespace core {

// One obstacle in the take-off area of a runway direction.
struct Obstacle {
  double distance = 0;         // along the runway direction
  double elevation = 0;        // of the obstacle top
  double lateralDistance = 0;  // from the extended runway axis
  bool operator==(const Obstacle&) const = default;
};

// One take-off and landing direction of a physical runway.
struct Runway {
  std::string ident;       // runway designator
  std::string toComments;  // take-off remarks
  std::string ldComments;  // landing remarks
  std::string strength;    // bearing strength (PCN) as text
  std::string lastUpdate;  // date of the runway data, as written in the input
  double width = 0;
  double magneticHeading = 0;  // degrees
  double thresholdElevation = 0;
  double tora = 0;   // take-off run available
  double toda = 0;   // take-off distance available
  double asda = 0;   // accelerate-stop distance available
  double lda = 0;    // landing distance available
  double slope = 0;  // percent
  std::vector<Obstacle> obstacles;
  bool operator==(const Runway&) const = default;
};

// One airport with its runway directions, in input order.
struct Airport {
  std::string icao;
  std::string iata;
  std::string name;
  std::string city;
  std::string state;
  std::string lastUpdate;  // as written in the input
  double elevation = 0;
  std::vector<Runway> runways;
  bool operator==(const Airport&) const = default;
};

}  // namespace core

#endif  // CORE_RECORDS_H_
