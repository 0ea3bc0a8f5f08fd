// Readable records in test failure messages.
#ifndef TESTS_SUPPORT_PRINT_RECORDS_H_
#define TESTS_SUPPORT_PRINT_RECORDS_H_

#include <ostream>

#include "core/records.h"

namespace core {

inline void PrintTo(const Obstacle& o, std::ostream* os) {
  *os << "{distance " << o.distance << ", elevation " << o.elevation
      << ", lateral " << o.lateralDistance << "}";
}

inline void PrintTo(const Runway& r, std::ostream* os) {
  *os << "{ident '" << r.ident << "', to '" << r.toComments << "', ld '"
      << r.ldComments << "', strength '" << r.strength << "', date '"
      << r.lastUpdate << "', width " << r.width << ", heading "
      << r.magneticHeading << ", threshold " << r.thresholdElevation
      << ", tora " << r.tora << ", toda " << r.toda << ", asda " << r.asda
      << ", lda " << r.lda << ", slope " << r.slope << ", obstacles [";
  for (const Obstacle& o : r.obstacles) PrintTo(o, os);
  *os << "]}";
}

inline void PrintTo(const Airport& a, std::ostream* os) {
  *os << "{icao '" << a.icao << "', iata '" << a.iata << "', name '" << a.name
      << "', city '" << a.city << "', state '" << a.state << "', date '"
      << a.lastUpdate << "', elevation " << a.elevation << ", runways [";
  for (const Runway& r : a.runways) PrintTo(r, os);
  *os << "]}";
}

}  // namespace core

#endif  // TESTS_SUPPORT_PRINT_RECORDS_H_
