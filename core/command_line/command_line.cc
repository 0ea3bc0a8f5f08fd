// The command line both programs take.
#include "core/command_line/command_line.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "core/system/console.h"
#include "core/system/platform.h"

namespace core {
namespace {

// Reads the arguments one by one into line.
class Reader {
 public:
  Reader(std::vector<std::filesystem::path>& arguments, CommandLine& line)
      : arguments_(arguments), line_(line) {}

  // False once the reading is over: help, version, or a wrong argument.
  bool take();
  // How many inputs take() kept, at the front of the arguments.
  size_t kept() const { return kept_; }

 private:
  bool wrong(std::string what) {
    line_.request = CommandLine::Request::kWrong;
    line_.wrong = std::move(what);
    return false;
  }
  bool request(CommandLine::Request request) {
    line_.request = request;
    return false;
  }
  bool input(std::filesystem::path& path);
  // An argument of options, option the text of argument.
  bool longOption(const std::filesystem::path& argument,
                  std::string_view option);
  bool shortOptions(const std::filesystem::path& argument,
                    std::string_view options);
  // The output file of -o or --output (named so): the rest of argument
  // from byte at on (an ASCII prefix, so the same place in the system's
  // own string of the path), or the next argument when argument is null.
  bool output(std::string_view name, const std::filesystem::path* argument,
              size_t at);
  // The value of an option that takes one (named so): the rest of text
  // after its "=", or the next argument when there is none.
  std::optional<std::string> valueOf(std::string_view name,
                                     std::string_view text, size_t equals);
  bool diagnostics(std::string_view name, std::string_view text, size_t equals);

  std::vector<std::filesystem::path>& arguments_;
  CommandLine& line_;
  size_t next_ = 0;
  size_t kept_ = 0;  // the inputs, moved to the front as they are taken
  bool optionsEnded_ = false;
  bool standardInput_ = false;
};

bool Reader::input(std::filesystem::path& path) {
  if (path == std::filesystem::path(kStandardInput)) {
    if (standardInput_) {
      return wrong("'-' (standard input) may be given only once");
    }
    standardInput_ = true;
  }
  arguments_[kept_++] = std::move(path);
  return true;
}

bool Reader::output(std::string_view name,
                    const std::filesystem::path* argument, size_t at) {
  std::filesystem::path file;
  if (argument != nullptr) {
    file = argument->native().substr(at);
  } else if (next_ < arguments_.size()) {
    file = arguments_[next_++];
  }
  if (file.empty()) {
    return wrong("option '" + std::string(name) + "' needs a file name");
  }
  if (file == std::filesystem::path(kStandardInput)) {
    return wrong("option '" + std::string(name) +
                 "' cannot write to standard output ('-'); name a file");
  }
  line_.output = std::move(file);
  return true;
}

std::optional<std::string> Reader::valueOf(std::string_view name,
                                           std::string_view text,
                                           size_t equals) {
  if (equals != std::string_view::npos)
    return std::string(text.substr(equals + 1));
  if (next_ < arguments_.size()) return pathText(arguments_[next_++]);
  wrong("option '" + std::string(name) + "' needs an argument");
  return std::nullopt;
}

bool Reader::diagnostics(std::string_view name, std::string_view text,
                         size_t equals) {
  const std::optional<std::string> form = valueOf(name, text, equals);
  if (!form) return false;
  if (*form == "text") {
    line_.diagnostics = CommandLine::Diagnostics::kText;
  } else if (*form == "json") {
    line_.diagnostics = CommandLine::Diagnostics::kJson;
  } else {
    return wrong("option '" + std::string(name) +
                 "' takes 'text' or 'json', not '" + *form + "'");
  }
  return true;
}

bool Reader::longOption(const std::filesystem::path& argument,
                        std::string_view option) {
  const size_t equals = option.find('=');
  const std::string_view name = option.substr(0, equals);
  const bool hasValue = equals != std::string_view::npos;
  if (name == "--output") {
    return output(name, hasValue ? &argument : nullptr, equals + 1);
  }
  if (name == "--diagnostics") return diagnostics(name, option, equals);
  const bool flag = name == "--help" || name == "--version" ||
                    name == "--check" || name == "--strict";
  if (!flag) return wrong("unknown option '" + std::string(name) + "'");
  if (hasValue) {
    return wrong("option '" + std::string(name) + "' takes no argument");
  }
  if (name == "--help") return request(CommandLine::Request::kHelp);
  if (name == "--version") return request(CommandLine::Request::kVersion);
  (name == "--check" ? line_.check : line_.strict) = true;
  return true;
}

bool Reader::shortOptions(const std::filesystem::path& argument,
                          std::string_view options) {
  for (size_t k = 1; k < options.size(); ++k) {
    switch (options[k]) {
      case 'h':
        return request(CommandLine::Request::kHelp);
      case 'o':
        return output("-o", k + 1 < options.size() ? &argument : nullptr,
                      k + 1);
      default:
        // A byte of a character beyond ASCII: the whole argument shows it.
        return wrong("unknown option '" +
                     (options[k] & 0x80 ? std::string(options)
                                        : "-" + std::string(1, options[k])) +
                     "'");
    }
  }
  return true;
}

bool Reader::take() {
  while (next_ < arguments_.size()) {
    std::filesystem::path& argument = arguments_[next_++];
    // Options are read from the UTF-8 text, paths kept as given.
    const std::string text = pathText(argument);
    bool going = true;
    if (optionsEnded_ || text.size() < 2 || text[0] != '-') {
      going = input(argument);
    } else if (text == "--") {
      optionsEnded_ = true;
    } else if (text[1] == '-') {
      going = longOption(argument, text);
    } else {
      going = shortOptions(argument, text);
    }
    if (!going) return false;
  }
  return true;
}

}  // namespace

CommandLine readCommandLine(std::vector<std::filesystem::path> arguments) {
  CommandLine line;
  Reader reader(arguments, line);
  reader.take();
  // The inputs stay where they are: a command line may name thousands.
  arguments.resize(reader.kept());
  line.inputs = std::move(arguments);
  return line;
}

}  // namespace core
