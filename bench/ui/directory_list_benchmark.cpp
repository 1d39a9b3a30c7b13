// Listing the largest directory a disk can hold: a 2048k disk with 1-byte
// sectors full of empty entries, 47,661 of them, listed by the main window
// and drawn.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QListView>
#include <QTest>

#include "image/image_format.h"
#include "image/little_endian.h"
#include "tests/support/temporary_folder.h"
#include "tests/ui/support/scripted_window_services.h"
#include "ui/field_text.h"
#include "ui/main_window.h"
#include "ui/program_resources.h"
#include "ui/qt_window_services.h"
#include "ui/russian_translations.h"

namespace {

using flashdisk::testing::ScriptedWindowServices;

constexpr std::uint32_t kDiskSize = 2 * 1024 * 1024;

std::vector<std::uint8_t> FullestDirectory() {
  std::vector<std::uint8_t> disk(kDiskSize, flashdisk::kErasedByte);
  flashdisk::FormatDisk(disk, 1);
  flashdisk::WriteLe32(disk, flashdisk::kDiskSizeOffset, kDiskSize);
  flashdisk::WriteLe16(disk, flashdisk::kSectorSizeOffset, 1);
  std::uint32_t position = 48;
  for (int index = 0; position + flashdisk::kEntryHeaderSize <= kDiskSize; ++index) {
    disk[position] = flashdisk::kEntryMarker;
    const std::string name = "FILE" + std::to_string(index);
    std::copy(name.begin(), name.end(), disk.begin() + position + flashdisk::kEntryNameOffset);
    disk[position + flashdisk::kEntryNameOffset + name.size()] = 0;
    flashdisk::WriteLe32(disk, position + flashdisk::kEntryDataSizeOffset, 0);
    flashdisk::WriteLe32(disk, position + flashdisk::kEntryTotalLengthOffset,
                         flashdisk::kEntryHeaderSize);
    position += flashdisk::kEntryHeaderSize;
  }
  return disk;
}

struct OpenedFullestDirectory {
  flashdisk::testing::TemporaryFolder folder;
  ScriptedWindowServices services;
  flashdisk::MainWindow window{services};

  OpenedFullestDirectory() {
    services.open_answers.push_back(
        flashdisk::PathText(folder.Write("full.rom", FullestDirectory())));
    window.show();
    QMetaObject::invokeMethod(window.findChild<QWidget*>("1050"), "click");
  }
};

void ListTheFullestDirectory(benchmark::State& state) {
  OpenedFullestDirectory opened;
  for (auto _ : state) {
    opened.window.List();
  }
  state.counters["entries"] = static_cast<double>(opened.window.directory().rowCount());
}
BENCHMARK(ListTheFullestDirectory)->Unit(benchmark::kMillisecond);

void ListAndDrawTheFullestDirectory(benchmark::State& state) {
  OpenedFullestDirectory opened;
  for (auto _ : state) {
    opened.window.List();
    opened.window.repaint();
  }
}
BENCHMARK(ListAndDrawTheFullestDirectory)->Unit(benchmark::kMillisecond);

// What start-up does after the application object exists: Qt's Russian
// texts, the icon, the window built from its layout, until it is on screen.
void StartUpToMainWindowShown(benchmark::State& state) {
  for (auto _ : state) {
    flashdisk::InstallRussianTranslations(*QApplication::instance());
    QApplication::setWindowIcon(flashdisk::ProgramIcon());
    flashdisk::QtWindowServices services;
    flashdisk::MainWindow window(services);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
      state.SkipWithError("the window was never shown");
      break;
    }
  }
}
BENCHMARK(StartUpToMainWindowShown)->Unit(benchmark::kMillisecond);

}  // namespace
