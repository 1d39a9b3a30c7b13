// The entry viewer over the largest entry a disk can hold: a Big entry that
// fills a 2048k disk with 1-byte sectors, almost 2 MiB. Opening it with F3
// must draw its first screen within 100 ms; a step through it a page at a
// time must not pause.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QListView>
#include <QTest>
#include <random>

#include "image/image_format.h"
#include "image/little_endian.h"
#include "tests/support/temporary_folder.h"
#include "tests/ui/support/scripted_window_services.h"
#include "ui/entry_viewer.h"
#include "ui/field_text.h"
#include "ui/main_window.h"

namespace {

using flashdisk::testing::ScriptedWindowServices;

constexpr std::uint32_t kDiskSize = 2 * 1024 * 1024;
constexpr std::uint32_t kDirectory = flashdisk::kHeaderSize;

std::vector<std::uint8_t> DiskWithLargestEntry() {
  std::vector<std::uint8_t> disk(kDiskSize, flashdisk::kErasedByte);
  flashdisk::FormatDisk(disk, 1);
  flashdisk::WriteLe32(disk, flashdisk::kDiskSizeOffset, kDiskSize);
  flashdisk::WriteLe16(disk, flashdisk::kSectorSizeOffset, 1);
  const std::uint32_t total = kDiskSize - kDirectory;
  disk[kDirectory] = flashdisk::kEntryMarker;
  disk[kDirectory + flashdisk::kEntryAttributesOffset] =
      static_cast<std::uint8_t>(0xFF & ~flashdisk::kAttributeBig);  // stored inverted
  const std::string name = "LARGEST";
  std::copy(name.begin(), name.end(), disk.begin() + kDirectory + flashdisk::kEntryNameOffset);
  disk[kDirectory + flashdisk::kEntryNameOffset + name.size()] = 0;
  flashdisk::WriteLe16(disk, kDirectory + flashdisk::kEntryLoadAddressOffset, 0x0100);
  flashdisk::WriteLe32(disk, kDirectory + flashdisk::kEntryDataSizeOffset,
                       total - flashdisk::kEntryHeaderSize);
  flashdisk::WriteLe32(disk, kDirectory + flashdisk::kEntryTotalLengthOffset, total);
  std::mt19937 random(2);
  for (auto at = kDirectory + flashdisk::kEntryHeaderSize; at < kDiskSize; ++at) {
    disk[at] = static_cast<std::uint8_t>(random());
  }
  return disk;
}

struct OpenedLargestEntry {
  flashdisk::testing::TemporaryFolder folder;
  ScriptedWindowServices services;
  flashdisk::MainWindow window{services};
  QListView* list = window.findChild<QListView*>("1003");

  OpenedLargestEntry() {
    services.open_answers.push_back(
        flashdisk::PathText(folder.Write("largest.rom", DiskWithLargestEntry())));
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
      qFatal("The main window did not show");
    }
    QMetaObject::invokeMethod(window.findChild<QWidget*>("1050"), "click");
    list->setFocus();
  }

  // The viewer F3 opens, drawn; nothing when none opened.
  flashdisk::EntryViewer* OpenViewer() const {
    QTest::keyClick(list, Qt::Key_F3);
    const auto viewers = window.findChildren<flashdisk::EntryViewer*>();
    if (viewers.isEmpty()) {
      return nullptr;
    }
    viewers.constLast()->repaint();
    return viewers.constLast();
  }
};

void OpenTheLargestEntry(benchmark::State& state) {
  OpenedLargestEntry opened;
  for (auto _ : state) {
    auto* viewer = opened.OpenViewer();
    if (viewer == nullptr) {
      state.SkipWithError("F3 opened no viewer");
      break;
    }
    state.PauseTiming();
    delete viewer;
    state.ResumeTiming();
  }
}
BENCHMARK(OpenTheLargestEntry)->Unit(benchmark::kMillisecond);

void PageThroughTheCode(benchmark::State& state) {
  OpenedLargestEntry opened;
  auto* viewer = opened.OpenViewer();
  if (viewer == nullptr) {
    state.SkipWithError("F3 opened no viewer");
    return;
  }
  viewer->tabs().setCurrentIndex(1);
  auto& code = viewer->CodeView();
  code.setFocus();
  for (auto _ : state) {
    QTest::keyClick(&code, Qt::Key_PageDown);
    code.viewport()->repaint();
  }
  // Where the pages led: far into the entry, not stuck at its start.
  state.counters["last_row"] = code.currentIndex().row();
}
BENCHMARK(PageThroughTheCode)->Unit(benchmark::kMillisecond);

}  // namespace
