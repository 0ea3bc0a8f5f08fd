// trevik's format: ANF files read by line and word position, AIRPORT1 out.
#ifndef TREVIK_FORMAT_H_
#define TREVIK_FORMAT_H_

#include "engine/engine.h"
#include "trevik/reader.h"
#include "trevik/unread_lines.h"
#include "trevik/writer.h"

namespace trevik {

inline constexpr engine::Format kFormat{
    .separators = core::Separators::kInWords,
    .isStart = isAnfLine,
    .read = readAnfAirport,
    .write = writeAirport1,
    .fileMarkKind = kFileMark,
    .unread = {mayHoldData, airportName, noteUnreadLines},
};

}  // namespace trevik

#endif  // TREVIK_FORMAT_H_
