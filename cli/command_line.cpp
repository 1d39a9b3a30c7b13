#include "cli/command_line.h"

#include <string>
#include <vector>

#include "cli/add_command.h"
#include "cli/attribute_names.h"
#include "cli/check_command.h"
#include "cli/cli11_russian.h"
#include "cli/console.h"
#include "cli/diff_command.h"
#include "cli/dump_command.h"
#include "cli/edit_commands.h"
#include "cli/extract_command.h"
#include "cli/move_command.h"
#include "cli/new_command.h"
#include "cli/pack_command.h"
#include "cli/remove_command.h"
#include "cli/replace_command.h"
#include "cli/show_commands.h"
#include "cli/unpack_command.h"
#include "image/image_format.h"
#include "image/utf8_path.h"

namespace flashdisk::cli {

namespace {

constexpr std::string_view kImageName = "ОБРАЗ";
constexpr std::string_view kIndexName = "НОМЕР";

// Every command's options; CLI11 writes into them while it parses.
struct CommandOptions {
  NewImageOptions new_image;
  ShowOptions info;
  ShowOptions list;
  AddOptions add;
  LabelOptions label;
  SetEntryOptions set_entry;
  ExtractOptions extract;
  ShowOptions check;
  RemoveOptions remove;
  ReplaceOptions replace;
  UnpackOptions unpack;
  PackOptions pack;
  MoveOptions move;
  DumpOptions dump;
  DiffOptions diff;
};

template <std::size_t kCount>
std::vector<std::string> TextsOf(const std::array<SizeChoice, kCount>& choices) {
  std::vector<std::string> texts;
  for (const auto& choice : choices) {
    texts.emplace_back(choice.text);
  }
  return texts;
}

std::vector<std::string> AttributeNameTexts() {
  std::vector<std::string> names;
  for (const auto& known : kAttributeNames) {
    names.emplace_back(known.name);
  }
  return names;
}

CLI::App* AddCommand(CLI::App& app, const std::string& name, const std::string& description) {
  auto* command = app.add_subcommand(name, description);
  MarkAsCommand(*command);
  return command;
}

// Paths are taken as UTF-8 text: CLI11 would make them from a narrow string,
// which on Windows means the ANSI code page and loses Cyrillic names.
CLI::Option* AddPathOption(CLI::App& command, const std::string& name, std::filesystem::path& path,
                           const std::string& description) {
  return command.add_option_function<std::string>(
      name, [&path](const std::string& text) { path = PathFromUtf8(text); }, description);
}

void AddImageArgument(CLI::App& command, std::filesystem::path& image) {
  AddPathOption(command, std::string(kImageName), image, "файл образа диска")
      ->required()
      ->type_name("");
}

void AddIndexArgument(CLI::App& command, std::uint32_t& index) {
  command.add_option(std::string(kIndexName), index, "номер записи, как его показывает list")
      ->required()
      ->type_name("");
}

// A pair of opposite flags that give a value only when one of them is used.
void AddFlagPair(CLI::App& command, const std::string& on_name, const std::string& off_name,
                 std::optional<bool>& value, const std::string& on_description,
                 const std::string& off_description) {
  auto* on = command.add_flag_callback(
      on_name, [&value] { value = true; }, on_description);
  auto* off = command.add_flag_callback(
      off_name, [&value] { value = false; }, off_description);
  on->excludes(off);
  off->excludes(on);
}

// How a source file is taken and whether its entry is Big: derived from the
// file unless one of these is given, alike for add and replace.
void AddSourceFlags(CLI::App& command, std::optional<bool>& rks, std::optional<bool>& big) {
  AddFlagPair(command, "--rks", "--plain", rks,
              "файл в формате RKS (по умолчанию так берётся файл *.rks короче 64 КиБ)",
              "простой файл, не RKS");
  AddFlagPair(command, "--big", "--no-big", big,
              "атрибут «Большой» (по умолчанию у файлов от 64 КиБ)", "без атрибута «Большой»");
}

void DefineNew(CLI::App& app, NewImageOptions& options) {
  auto* command = AddCommand(app, "new", "создать пустой образ диска");
  AddImageArgument(*command, options.image);
  command
      ->add_option("--size", options.disk_size,
                   "размер диска: 64k, 128k, 256k, 512k, 1024k или 2048k")
      ->type_name("РАЗМЕР")
      ->capture_default_str()
      ->check(OneOf(TextsOf(kDiskSizeChoices)));
  command->add_option("--sector", options.sector_size, "размер сектора: 1, 128, 256, 512 или 1024")
      ->type_name("БАЙТ")
      ->capture_default_str()
      ->check(OneOf(TextsOf(kSectorSizeChoices)));
  command->add_option("--label", options.label, "метка диска")->type_name("ТЕКСТ");
  command->add_flag("--force", options.force, "заменить существующий файл");
}

void DefineShow(CLI::App& app, const std::string& name, const std::string& description,
                ShowOptions& options) {
  auto* command = AddCommand(app, name, description);
  AddImageArgument(*command, options.image);
  command->add_flag("--json", options.json, "вывести в формате JSON");
}

// Host files named on the command line, in UTF-8 whatever the system.
CLI::Option* AddFilesArgument(CLI::App& command, std::vector<std::filesystem::path>& files,
                              const std::string& description) {
  return command
      .add_option_function<std::vector<std::string>>(
          "ФАЙЛ",
          [&files](const std::vector<std::string>& texts) {
            for (const auto& text : texts) {
              files.push_back(PathFromUtf8(text));
            }
          },
          description)
      ->required()
      ->type_name("");
}

void DefineAdd(CLI::App& app, AddOptions& options) {
  auto* command = AddCommand(app, "add", "добавить файлы в конец каталога");
  AddImageArgument(*command, options.image);
  AddFilesArgument(*command, options.files, "добавляемые файлы");
  command->add_option("--name", options.name, "имя в каталоге (только для одного файла)")
      ->type_name("ИМЯ");
  AddSourceFlags(*command, options.rks, options.big);
  AddFlagPair(*command, "--exec", "--no-exec", options.executable,
              "атрибут «Исполняемый» (по умолчанию у файлов RKS)", "без атрибута «Исполняемый»");
  command->add_flag("--aligned", options.aligned, "атрибут «Выровнен»");
  command
      ->add_option("--load", options.load_address,
                   "адрес загрузки, 1-4 шестнадцатеричные цифры (у файла RKS берётся из файла)")
      ->type_name("АДРЕС");
  command
      ->add_option("--reserve", options.reserved_minimum,
                   "зарезервировать не меньше стольких байт под запись")
      ->type_name("БАЙТ");
}

void DefineLabel(CLI::App& app, LabelOptions& options) {
  auto* command = AddCommand(app, "label", "задать метку диска");
  AddImageArgument(*command, options.image);
  command->add_option("МЕТКА", options.label, "новая метка, до 31 символа")
      ->required()
      ->type_name("");
}

void DefineSet(CLI::App& app, SetEntryOptions& options) {
  auto* command = AddCommand(app, "set", "изменить имя, адрес загрузки и атрибуты записи");
  AddImageArgument(*command, options.image);
  AddIndexArgument(*command, options.index);
  command->add_option("--name", options.name, "новое имя")->type_name("ИМЯ");
  command
      ->add_option("--load", options.load_address,
                   "новый адрес загрузки, 1-4 шестнадцатеричные цифры")
      ->type_name("АДРЕС");
  const auto names = AttributeNameTexts();
  const std::string list = "deleted, big, executable, aligned, readonly, bit2, bit1, bit0";
  command->add_option("--set", options.set_attributes, "установить атрибуты: " + list)
      ->type_name("АТРИБУТЫ")
      ->delimiter(',')
      ->check(OneOf(names));
  command->add_option("--clear", options.clear_attributes, "снять атрибуты")
      ->type_name("АТРИБУТЫ")
      ->delimiter(',')
      ->check(OneOf(names));
}

void DefineExtract(CLI::App& app, ExtractOptions& options) {
  auto* command = AddCommand(app, "extract", "записать данные записи в файл");
  AddImageArgument(*command, options.image);
  AddIndexArgument(*command, options.index);
  command
      ->add_option_function<std::string>(
          "-o,--output",
          [&options](const std::string& text) { options.output = PathFromUtf8(text); },
          "файл для данных (по умолчанию имя записи в текущей папке)")
      ->type_name("ФАЙЛ");
  command->add_flag("--force", options.force, "заменить существующий файл");
  command->add_flag(
      "--rks", options.rks,
      "записать файл RKS: адрес загрузки, конечный адрес, данные и контрольная сумма");
}

void DefineRemove(CLI::App& app, RemoveOptions& options) {
  auto* command =
      AddCommand(app, "remove", "удалить записи из каталога, сдвинув следующие на их место");
  AddImageArgument(*command, options.image);
  command
      ->add_option(std::string(kIndexName), options.indexes,
                   "номера записей, как их показывает list")
      ->required()
      ->type_name("");
}

void DefineReplace(CLI::App& app, ReplaceOptions& options) {
  auto* command = AddCommand(app, "replace", "заменить данные записи данными файла");
  AddImageArgument(*command, options.image);
  AddIndexArgument(*command, options.index);
  AddPathOption(*command, "ФАЙЛ", options.file, "файл с новыми данными")->required()->type_name("");
  AddSourceFlags(*command, options.rks, options.big);
  command
      ->add_option("--load", options.load_address,
                   "новый адрес загрузки простого файла, 1-4 шестнадцатеричные цифры "
                   "(без него адрес записи остаётся)")
      ->type_name("АДРЕС");
}

void DefineUnpack(CLI::App& app, UnpackOptions& options) {
  auto* command = AddCommand(
      app, "unpack", "записать образ в папку: описание disk.toml и по файлу на каждую запись");
  AddImageArgument(*command, options.image);
  AddPathOption(*command, "ПАПКА", options.folder, "папка, новая или пустая")
      ->required()
      ->type_name("");
  command->add_flag("--force", options.force,
                    "писать в непустую папку, заменяя только свои файлы; папку с disk.toml "
                    "обновить на месте");
}

void DefinePack(CLI::App& app, PackOptions& options) {
  auto* command = AddCommand(app, "pack", "собрать образ из папки с описанием disk.toml");
  AddPathOption(*command, "ПАПКА", options.source, "папка с disk.toml или сам файл описания")
      ->required()
      ->type_name("");
  AddImageArgument(*command, options.image);
  command->add_flag("--force", options.force, "заменить существующий файл");
  command
      ->add_option("--depfile", options.depfile,
                   "записать правило make: образ зависит от описания и всех его файлов")
      ->type_name("ФАЙЛ");
}

void DefineMove(CLI::App& app, MoveOptions& options) {
  auto* command = AddCommand(app, "move", "переставить запись на другое место в каталоге");
  AddImageArgument(*command, options.image);
  AddIndexArgument(*command, options.index);
  command->add_option("МЕСТО", options.to, "новое место записи, 1 — первое")
      ->required()
      ->type_name("");
}

void DefineDump(CLI::App& app, DumpOptions& options) {
  auto* command = AddCommand(app, "dump",
                             "показать данные записи: байты по 16 в строке или код 8080, "
                             "с адресами от адреса загрузки");
  AddImageArgument(*command, options.image);
  AddIndexArgument(*command, options.index);
  command->add_option("--charset", options.charset, "набор символов: 1251 или koi7 (КОИ-7 Н2)")
      ->type_name("НАБОР")
      ->capture_default_str()
      ->check(OneOf({"1251", "koi7"}));
  auto* disassemble =
      command->add_flag("--disasm", options.disassemble, "показать код 8080 вместо байтов");
  command->add_option("--from", options.from, "первый адрес, 1-4 шестнадцатеричные цифры")
      ->type_name("АДРЕС");
  command->add_option("--to", options.to, "последний адрес, 1-4 шестнадцатеричные цифры")
      ->type_name("АДРЕС");
  command->add_flag("--json", options.json, "вывести код в формате JSON")->needs(disassemble);
}

void DefineDiff(CLI::App& app, DiffOptions& options) {
  auto* command = AddCommand(
      app, "diff",
      "показать, чем различаются два образа или две папки с disk.toml, запись за записью");
  AddFilesArgument(*command, options.files,
                   "два образа или папки (папка с disk.toml или сам файл описания)")
      ->expected(2, 9);
  command->add_flag("--json", options.json, "вывести список изменений в формате JSON");
  command->add_flag("--git", options.git,
                    "принять аргументы внешней программы сравнения git (7 или 9) и выйти с "
                    "кодом 0 и при различиях");
  // Git gives seven arguments, or nine for a renamed file; a person gives two.
  command->parse_complete_callback([&options] {
    const auto count = options.files.size();
    if (options.git ? count != 7 && count != 9 : count != 2) {
      throw CLI::ValidationError(
          "ФАЙЛ", options.git ? "git передаёт 7 или 9 аргументов" : "нужно указать два файла");
    }
  });
}

int RunChosenCommand(const CLI::App& app, const CommandOptions& options, const Console& console) {
  if (app.got_subcommand("new")) {
    return RunNewImage(options.new_image, console);
  }
  if (app.got_subcommand("info")) {
    return RunInfo(options.info, console);
  }
  if (app.got_subcommand("list")) {
    return RunList(options.list, console);
  }
  if (app.got_subcommand("add")) {
    return RunAdd(options.add, console);
  }
  if (app.got_subcommand("label")) {
    return RunLabel(options.label, console);
  }
  if (app.got_subcommand("set")) {
    return RunSetEntry(options.set_entry, console);
  }
  if (app.got_subcommand("check")) {
    return RunCheck(options.check, console);
  }
  if (app.got_subcommand("remove")) {
    return RunRemove(options.remove, console);
  }
  if (app.got_subcommand("replace")) {
    return RunReplace(options.replace, console);
  }
  if (app.got_subcommand("unpack")) {
    return RunUnpack(options.unpack, console);
  }
  if (app.got_subcommand("pack")) {
    return RunPack(options.pack, console);
  }
  if (app.got_subcommand("move")) {
    return RunMove(options.move, console);
  }
  if (app.got_subcommand("dump")) {
    return RunDump(options.dump, console);
  }
  if (app.got_subcommand("diff")) {
    return RunDiff(options.diff, console);
  }
  return RunExtract(options.extract, console);
}

// How to ask for the help of the command that was being parsed.
std::string HelpCall(const CLI::App& app) {
  const auto chosen = app.get_subcommands();
  const std::string command = chosen.empty() ? "" : " " + chosen.front()->get_name();
  return std::string(kProgramName) + command + " --help";
}

}  // namespace

// The commands and the options that CLI11 writes into while it parses: made
// once, since making them costs more than most commands' work.
struct CommandLine::Parser {
  CLI::App app;
  CommandOptions options;

  explicit Parser(const std::string& version)
      : app(version +
                " — составитель образов FLASH-диска: создание и изменение образов из "
                "командной строки.",
            std::string(kProgramName)) {
    UseRussianTexts(app);
    app.set_version_flag("--version", version, "показать версию программы и выйти");
    app.require_subcommand(1);
    DefineNew(app, options.new_image);
    DefineShow(app, "info", "показать заголовок диска", options.info);
    DefineShow(app, "list", "показать каталог диска", options.list);
    DefineAdd(app, options.add);
    DefineLabel(app, options.label);
    DefineSet(app, options.set_entry);
    DefineExtract(app, options.extract);
    DefineShow(app, "check", "проверить образ и показать найденные проблемы", options.check);
    DefineRemove(app, options.remove);
    DefineReplace(app, options.replace);
    DefineUnpack(app, options.unpack);
    DefinePack(app, options.pack);
    DefineMove(app, options.move);
    DefineDump(app, options.dump);
    DefineDiff(app, options.diff);
    // Set after the commands are made, so that they do not inherit it.
    app.footer("Справка по команде: flashdisk КОМАНДА --help");
  }
};

CommandLine::CommandLine()
    : parser_(std::make_unique<Parser>(std::string(kProgramName) + " " + FLASHDISK_VERSION)) {}

CommandLine::~CommandLine() = default;

int CommandLine::Run(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  auto& app = parser_->app;
  // No value of an earlier command line is left in the options; what CLI11
  // saw of it, parse clears by itself.
  parser_->options = CommandOptions{};
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& success) {
    return app.exit(success, out, err);
  } catch (const CLI::ParseError& error) {
    err << kProgramName << ": " << RussianUsageError(error, app) << '\n'
        << "Справка: " << HelpCall(app) << '\n';
    return kExitUsage;
  }
  return RunChosenCommand(app, parser_->options, Console{out, err});
}

int RunCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  return CommandLine().Run(argc, argv, out, err);
}

}  // namespace flashdisk::cli
