#include "cli/cli11_russian.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <string_view>

#include "cli/text_columns.h"

namespace flashdisk::cli {

namespace {

constexpr std::string_view kOptionsGroup = "Параметры";
constexpr std::string_view kCommandsGroup = "Команды";

std::string Join(const std::vector<std::string>& texts) {
  std::string joined;
  for (const auto& text : texts) {
    joined += (joined.empty() ? "" : ", ") + text;
  }
  return joined;
}

// The part of `text` after `prefix`, when it starts with it.
std::optional<std::string> After(std::string_view text, std::string_view prefix) {
  if (text.substr(0, prefix.size()) != prefix) {
    return std::nullopt;
  }
  return std::string(text.substr(prefix.size()));
}

// The part of `text` before `suffix`, when it ends with it.
std::optional<std::string> Before(std::string_view text, std::string_view suffix) {
  if (text.size() < suffix.size() || text.substr(text.size() - suffix.size()) != suffix) {
    return std::nullopt;
  }
  return std::string(text.substr(0, text.size() - suffix.size()));
}

std::string RequiredText(std::string_view what) {
  if (what == "A subcommand is required") {
    return "не указана команда";
  }
  if (const auto name = Before(what, " is required")) {
    return "не указан обязательный аргумент " + *name;
  }
  return "не указаны обязательные аргументы";
}

std::string ExtrasText(std::string_view what) {
  for (const auto prefix : {"The following argument was not expected: ",
                            "The following arguments were not expected: "}) {
    if (const auto extras = After(what, prefix)) {
      return "лишние аргументы: " + *extras;
    }
  }
  return "лишние аргументы";
}

std::string ConversionText(std::string_view what) {
  if (const auto rest = After(what, "Could not convert: ")) {
    const auto equals = rest->find(" = ");
    if (equals != std::string::npos) {
      return "недопустимое значение " + rest->substr(equals + 3) + " для " +
             rest->substr(0, equals);
    }
  }
  return "недопустимое значение аргумента";
}

std::string ExcludesText(std::string_view what) {
  const auto at = what.find(" excludes ");
  if (at != std::string_view::npos) {
    return std::string(what.substr(0, at)) + " и " + std::string(what.substr(at + 10)) +
           " нельзя указывать вместе";
  }
  return "несовместимые параметры";
}

std::string RequiresText(std::string_view what) {
  const auto at = what.find(" requires ");
  if (at != std::string_view::npos) {
    return std::string(what.substr(0, at)) + " можно указать только вместе с " +
           std::string(what.substr(at + 10));
  }
  return "не хватает параметра";
}

// CLI11 pads the first column by bytes, which pushes Cyrillic names out of
// line; this one pads by characters.
class RussianHelpFormatter : public CLI::Formatter {
 public:
  std::string make_option(const CLI::Option* option, bool is_positional) const override {
    return Row(make_option_name(option, is_positional) + make_option_opts(option),
               make_option_desc(option));
  }
  std::string make_subcommand(const CLI::App* command) const override {
    return Row(command->get_display_name(true), command->get_description());
  }

 private:
  std::string Row(const std::string& name, const std::string& description) const {
    const std::string first = "  " + name;
    if (description.empty()) {
      return first + "\n";
    }
    const auto width = get_column_width();
    const bool fits = CharacterCount(first) < width;
    return (fits ? PadRight(first, width) : first + "\n" + std::string(width, ' ')) + description +
           "\n";
  }
};

}  // namespace

void UseRussianTexts(CLI::App& app) {
  auto formatter = std::make_shared<RussianHelpFormatter>();
  formatter->label("Usage", "Вызов");
  formatter->label("OPTIONS", "ПАРАМЕТРЫ");
  formatter->label("SUBCOMMAND", "КОМАНДА");
  formatter->label("SUBCOMMANDS", "КОМАНДЫ");
  formatter->label("Positionals", "Аргументы");
  formatter->label("REQUIRED", "обязательный");
  formatter->label("Needs", "требует");
  formatter->label("Excludes", "исключает");
  formatter->label("Env", "переменная окружения");
  formatter->label("TEXT", "ТЕКСТ");
  formatter->label("UINT", "ЧИСЛО");
  formatter->column_width(36);
  app.formatter(formatter);
  app.option_defaults()->group(std::string(kOptionsGroup));
  app.set_help_flag("-h,--help", "показать эту справку и выйти");
}

void MarkAsCommand(CLI::App& command) {
  command.group(std::string(kCommandsGroup));
  // A command makes its help flag before it copies the option defaults, which
  // would leave the flag in CLI11's English group.
  if (auto* help = command.get_help_ptr()) {
    help->group(std::string(kOptionsGroup));
  }
}

CLI::Validator OneOf(const std::vector<std::string>& allowed) {
  return CLI::Validator(
      [allowed](std::string& value) -> std::string {
        if (std::find(allowed.begin(), allowed.end(), value) != allowed.end()) {
          return {};
        }
        return "значение " + value + " недопустимо, допустимы: " + Join(allowed);
      },
      "");
}

std::string RussianUsageError(const CLI::Error& error, const CLI::App& app) {
  const std::string what = error.what();
  if (dynamic_cast<const CLI::RequiredError*>(&error) != nullptr) {
    const auto remaining = app.remaining();
    if (!app.get_subcommands().empty() || remaining.empty()) {
      return RequiredText(what);
    }
    // Words that named no command are left over.
    const auto& word = remaining.front();
    return (word.starts_with('-') ? "неизвестный параметр: " : "неизвестная команда: ") + word;
  }
  if (dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr) {
    return ExtrasText(what);
  }
  if (dynamic_cast<const CLI::ValidationError*>(&error) != nullptr) {
    return what;  // the option's name and the validator's Russian text
  }
  if (dynamic_cast<const CLI::ConversionError*>(&error) != nullptr) {
    return ConversionText(what);
  }
  if (dynamic_cast<const CLI::ExcludesError*>(&error) != nullptr) {
    return ExcludesText(what);
  }
  if (dynamic_cast<const CLI::RequiresError*>(&error) != nullptr) {
    return RequiresText(what);
  }
  if (dynamic_cast<const CLI::ArgumentMismatch*>(&error) != nullptr) {
    return "неверное число значений у " + what.substr(0, what.find(':'));
  }
  return "неверный вызов";
}

}  // namespace flashdisk::cli
