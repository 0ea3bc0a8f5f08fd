// Findings as text lines, for tests to compare.
#ifndef TESTS_SUPPORT_FINDINGS_H_
#define TESTS_SUPPORT_FINDINGS_H_

#include <string>
#include <vector>

#include "core/findings/findings.h"

namespace tests {

// The findings shown, in their order, as "LINE: MESSAGE" ("file: MESSAGE"
// for what concerns the whole file).
inline std::vector<std::string> findingLines(const core::Findings& findings) {
  std::vector<std::string> lines;
  for (const core::Finding& finding : findings.shown()) {
    lines.push_back((finding.row == core::Finding::kWholeFile
                         ? std::string("file")
                         : std::to_string(finding.row + 1)) +
                    ": " + finding.message);
  }
  return lines;
}

}  // namespace tests

#endif  // TESTS_SUPPORT_FINDINGS_H_
