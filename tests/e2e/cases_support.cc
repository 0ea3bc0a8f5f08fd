// Reads the end-to-end cases of tests/cases.
#include "tests/e2e/cases_support.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "tests/e2e/sandbox_support.h"

namespace e2e {
namespace {

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// text with its \xHH and \\ escapes replaced.
std::string unescape(const std::string& text) {
  std::string bytes;
  for (size_t at = 0; at < text.size(); ++at) {
    if (text[at] != '\\') {
      bytes += text[at];
    } else if (at + 1 < text.size() && text[at + 1] == '\\') {
      bytes += '\\';
      ++at;
    } else if (at + 3 < text.size() && text[at + 1] == 'x' &&
               hexDigit(text[at + 2]) >= 0 && hexDigit(text[at + 3]) >= 0) {
      bytes += static_cast<char>(hexDigit(text[at + 2]) * 16 +
                                 hexDigit(text[at + 3]));
      at += 3;
    } else {
      throw std::runtime_error("a backslash that escapes nothing");
    }
  }
  return bytes;
}

struct KeyLine {
  size_t number = 0;  // from 1
  std::string key;
  std::string value;  // after the first blank
};

// The lines of a case file that are neither blank nor comments.
std::vector<KeyLine> keyLines(const std::string& text) {
  std::vector<KeyLine> lines;
  size_t number = 0;
  for (size_t start = 0; start < text.size();) {
    const size_t end = std::min(text.find('\n', start), text.size());
    std::string line = text.substr(start, end - start);
    start = end + 1;
    ++number;
    if (line.ends_with('\r')) line.pop_back();  // a checkout with CR LF
    if (line.find_first_not_of(" \t") == std::string::npos ||
        line.starts_with('#')) {
      continue;
    }
    const size_t blank = std::min(line.find(' '), line.size());
    lines.push_back({number, line.substr(0, blank),
                     line.substr(std::min(blank + 1, line.size()))});
  }
  return lines;
}

// The bytes of "part SOURCE [COUNT]".
std::string partBytes(const std::string& value,
                      const std::filesystem::path& dir,
                      const std::filesystem::path& examples) {
  const size_t blank = std::min(value.find(' '), value.size());
  const std::string source = value.substr(0, blank);
  const std::string count =
      blank == value.size() ? "1" : value.substr(blank + 1);
  if (count.empty() ||
      count.find_first_not_of("0123456789") != std::string::npos) {
    throw std::runtime_error("part SOURCE [COUNT]");
  }
  const std::filesystem::path path = source.starts_with("examples/")
                                         ? examples / source.substr(9)
                                         : dir / source;
  if (!std::filesystem::is_regular_file(path)) {
    throw std::runtime_error("no part " + source);
  }
  const std::string bytes = readFile(path);
  std::string parts;
  for (unsigned long k = std::stoul(count); k > 0; --k) parts += bytes;
  return parts;
}

// Takes one line other than a part into c; returns where the part lines
// after it go, or nullptr.
std::string* take(Case& c, const KeyLine& line) {
  if (line.key == "about") {
    c.about = line.value;
  } else if (line.key == "program") {
    c.program = line.value;
  } else if (line.key == "arg") {
    c.args.push_back(unescape(line.value));
  } else if (line.key == "file") {
    c.files.emplace_back(unescape(line.value), "");
    return &c.files.back().second;
  } else if (line.key == "dir") {
    c.dirs.push_back(unescape(line.value));
  } else if (line.key == "stdin") {
    c.input = "";
    return &*c.input;
  } else if (line.key == "exit") {
    c.exitCode = std::stoi(line.value);
  } else if (line.key == "output") {
    c.output = unescape(line.value);
  } else if (line.key == "posix-only") {
    c.posixOnly = true;
  } else {
    throw std::runtime_error("unknown key \"" + line.key + "\"");
  }
  return nullptr;
}

}  // namespace

std::vector<std::string> caseNames(const std::filesystem::path& root) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(root)) {
    if (std::filesystem::is_regular_file(entry.path() / "case")) {
      names.push_back(entry.path().filename().string());
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

Case readCase(const std::filesystem::path& root, const std::string& name,
              const std::filesystem::path& examples) {
  const std::filesystem::path dir = root / name;
  Case c;
  c.name = name;
  std::string* target = nullptr;  // where the next part lines go
  for (const KeyLine& line : keyLines(readFile(dir / "case"))) {
    try {
      if (line.key != "part") {
        target = take(c, line);
      } else if (target == nullptr) {
        throw std::runtime_error("a part before any file or stdin");
      } else {
        *target += partBytes(line.value, dir, examples);
      }
    } catch (const std::exception& e) {
      throw std::runtime_error(name + "/case:" + std::to_string(line.number) +
                               ": " + e.what());
    }
  }
  if (c.program != "converter" && c.program != "trevik") {
    throw std::runtime_error(name + ": program converter|trevik is missing");
  }
  c.console = readFile(dir / "stdout");
  c.errors = readFile(dir / "stderr");
  if (std::filesystem::exists(dir / "apb")) c.apb = readFile(dir / "apb");
  return c;
}

}  // namespace e2e
