#include "ui/start_arguments.h"

#include "image/utf8_path.h"

namespace flashdisk {

StartRequest ReadStartArguments(const std::vector<std::string>& arguments,
                                const std::filesystem::path& start_folder) {
  if (arguments.size() < 2) {
    return {};
  }
  const std::string& first = arguments[1];
  if (first == "--help" || first == "-h") {
    return {StartAction::kPrintUsage, std::nullopt};
  }
  if (first == "--version") {
    return {StartAction::kPrintVersion, std::nullopt};
  }
  // An absolute name stays as it is: the folder is put before relative ones only.
  return {StartAction::kOpenWindow, start_folder / PathFromUtf8(first)};
}

std::string UsageText() {
  return "Вызов: flashdisk-composer [ОБРАЗ]\n"
         "Окно для создания и изменения образов FLASH-диска.\n"
         "ОБРАЗ открывается сразу после запуска, как кнопкой «Открыть»: файл образа,\n"
         "или папка диска с описанием disk.toml, или само описание.\n"
         "\n"
         "  -h, --help   показать эту справку и выйти\n"
         "  --version    показать версию и выйти\n";
}

std::string VersionText() {
  return std::string("flashdisk-composer ") + FLASHDISK_VERSION + "\n";
}

}  // namespace flashdisk
