// What a run says on standard error, as text or as JSON lines.
#include "driver/diagnostics.h"

#include <utility>

#include "core/system/console.h"
#include "core/system/platform.h"
#include "driver/json_line.h"

namespace driver {
namespace {

std::string countOf(size_t count, std::string_view noun) {
  return std::to_string(count) + ' ' + std::string(noun) +
         (count == 1 ? "" : "s");
}

// The facts of a finding, those its kind has: a fact that the finding
// lacks (an airport without its code, a word the file does not hold) is
// null.
void addFacts(JsonLine& json, const core::FindingFacts& facts, unsigned which) {
  if ((which & core::kAirportFact) != 0) {
    if (facts.airport) {
      json.bytes("airport", *facts.airport);
    } else {
      json.null("airport");
    }
  }
  if ((which & core::kFieldFact) != 0) json.text("field", facts.field);
  if ((which & core::kValueFact) != 0) {
    if (facts.value) {
      json.bytes("value", *facts.value);
      if (facts.valueCut) json.flag("value_truncated", true);
    } else {
      json.null("value");
    }
  }
  if ((which & core::kReadAsFact) != 0) json.text("read_as", facts.readAs);
}

}  // namespace

std::string readSummary(const ReadTotals& totals) {
  return "read " + countOf(totals.airports, "airport") + ", " +
         countOf(totals.runways, "runway") + ", " +
         countOf(totals.obstacles, "obstacle") + "; left out " +
         countOf(totals.leftOut, "airport");
}

void Diagnostics::say(std::string line) const {
  if (stdoutClosed_) {
    line += '\n';
    core::writeError(line);
  } else {
    core::sayError(line);
  }
}

JsonLine Diagnostics::object(std::string_view type) const {
  JsonLine json;
  json.text("type", type).text("program", program_);
  return json;
}

namespace {

// A JSON line without its line feed, as say() takes lines.
std::string withoutFeed(JsonLine& json) {
  std::string line = json.line();
  line.pop_back();
  return line;
}

}  // namespace

void Diagnostics::findings(std::string_view path,
                           const core::Findings& findings) const {
  const std::string prefix = std::string(program_) + ':' + std::string(path);
  for (const core::Finding& finding : findings.shown()) {
    const bool wholeFile = finding.row == core::Finding::kWholeFile;
    if (!json_) {
      say(prefix + (wholeFile ? "" : ':' + std::to_string(finding.row + 1)) +
          ": " + finding.message);
      continue;
    }
    const core::KindName& kind = kinds_[finding.kind];
    JsonLine json = object("finding");
    json.bytes("file", path);
    if (wholeFile) {
      json.null("line");
    } else {
      json.number("line", finding.row + 1);
    }
    json.text("kind", kind.id).text("message", finding.message);
    addFacts(json, finding.facts, kind.facts);
    say(withoutFeed(json));
  }
  if (json_) return;  // the summary counts what is not shown
  for (const unsigned kind : findings.kinds()) {
    if (const size_t hidden = findings.hidden(kind); hidden > 0) {
      say(prefix + ": " + std::to_string(hidden) + " more " +
          std::string(kinds_[kind].plural) + " not shown");
    }
  }
}

void Diagnostics::summary(const ReadTotals& totals,
                          std::span<const PathRead> paths) const {
  const std::string message = readSummary(totals);
  if (!json_) {
    say(std::string(program_) + ": " + message);
    return;
  }
  JsonLine json = object("summary");
  json.number("airports", totals.airports)
      .number("runways", totals.runways)
      .number("obstacles", totals.obstacles)
      .number("left_out", totals.leftOut)
      .openArray("files");
  for (const PathRead& read : paths) {
    json.openObject().bytes("file", read.path).openObject("findings");
    for (unsigned kind = 0; kind < kinds_.size(); ++kind) {
      json.number(kinds_[kind].id, read.findings->total(kind));
    }
    json.closeObject().closeObject();
  }
  json.closeArray().text("message", message);
  say(withoutFeed(json));
}

void Diagnostics::fileError(std::string_view error, std::string_view what,
                            std::string_view path,
                            const std::error_code& reason) const {
  const std::string line = core::failureLine(program_, what, path, reason);
  if (!json_) {
    say(line);
    return;
  }
  say(withoutFeed(object("error")
                      .text("error", error)
                      .bytes("file", path)
                      .text("reason", reason.message())
                      .text("message", line.substr(program_.size() + 2))));
}

void Diagnostics::error(std::string_view error,
                        std::string_view message) const {
  if (!json_) {
    say(std::string(program_) + ": " + std::string(message));
    return;
  }
  say(withoutFeed(
      object("error").text("error", error).text("message", message)));
}

void Diagnostics::notice(std::string_view notice, const std::string& message,
                         std::optional<std::string_view> path) const {
  if (!json_) {
    say(std::string(program_) + ": " + message);
    return;
  }
  JsonLine json = object("notice");
  json.text("notice", notice);
  if (path) json.bytes("file", *path);
  say(withoutFeed(json.text("message", message)));
}

void Diagnostics::usage(const std::string& message) const {
  const std::string hint = "Try '" + std::string(program_) + " --help'.";
  if (!json_) {
    say(message.starts_with("usage: ")
            ? message
            : std::string(program_) + ": " + message);
    say(hint);
    return;
  }
  say(withoutFeed(object("usage").text("message", message).text("hint", hint)));
}

void Diagnostics::outcome(const Outcome& outcome) const {
  if (!json_) {
    if (!outcome.message.empty()) {
      say(std::string(program_) + ": " + outcome.message);
    }
    return;
  }
  JsonLine json = object("outcome");
  json.text("outcome", outcome.outcome);
  if (!outcome.reason.empty()) json.text("reason", outcome.reason);
  json.number("exit_code", static_cast<uint64_t>(outcome.exitCode));
  if (outcome.output) json.bytes("output", *outcome.output);
  if (!outcome.message.empty()) json.text("message", outcome.message);
  say(withoutFeed(json));
}

void Diagnostics::prompt() const {
  constexpr std::string_view kPrompt = "Press any key to close.";
  say(json_ ? withoutFeed(object("prompt").text("message", kPrompt))
            : std::string(kPrompt));
}

Diagnostics::InterruptTexts Diagnostics::interruptTexts(std::string_view output,
                                                        size_t longest) const {
  const std::string start = "interrupted; \"" + std::string(output) + "\" ";
  const auto text = [&](std::string_view state, std::string_view end) {
    if (!json_)
      return std::string(program_) + ": " + start + std::string(end) + '\n';
    std::string line = object("interrupt")
                           .bytes("output", output)
                           .text("state", state)
                           .text("message", start + std::string(end))
                           .line();
    if (line.size() <= longest) return line;
    // A path too long for the room the interrupt has: said without it
    // rather than cut inside a string.
    return object("interrupt")
        .text("state", state)
        .text("message", "interrupted; the output " + std::string(end))
        .line();
  };
  return {text("unchanged", "left as it was"), text("written", "was written"),
          text("incomplete", "left incomplete")};
}

}  // namespace driver
