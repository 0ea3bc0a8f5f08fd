// converter's format: Airbus airport files read by the row positions of
// their keys, AIRPORT2 out.
#ifndef CONVERTER_FORMAT_H_
#define CONVERTER_FORMAT_H_

#include "converter/reader.h"
#include "converter/writer.h"
#include "engine/engine.h"

namespace converter {

inline constexpr engine::Format kFormat{
    .separators = core::Separators::kBlanks,
    .isStart = isAirportRow,
    .read = readAirbusAirport,
    .write = writeAirport2,
    .fileMarkKind = kFileMark,
    .unread = {},  // lines between airport blocks go unnoted
};

}  // namespace converter

#endif  // CONVERTER_FORMAT_H_
