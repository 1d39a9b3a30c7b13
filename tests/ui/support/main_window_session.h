// A main window over a scripted stand-in for the window services, shown for
// one test, with the steps most tests take.
#pragma once

#include <QComboBox>
#include <QListView>
#include <QStringList>
#include <QtTest>
#include <filesystem>

#include "tests/ui/support/scripted_window_services.h"
#include "tests/ui/support/shown_path.h"
#include "tests/ui/support/window_driving.h"
#include "ui/main_window.h"

namespace flashdisk::testing {

struct Session {
  ScriptedWindowServices services;
  MainWindow window{services};

  Session() {
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
      qFatal("The main window did not show");
    }
  }
  // Changes the test left unsaved are let go.
  ~Session() {
    services.save_changes_answers.assign(1, UnsavedChangesAnswer::kDiscard);
    window.close();
  }

  QComboBox& DiskSizes() const { return ById<QComboBox>(window, 1011); }
  QComboBox& SectorSizes() const { return ById<QComboBox>(window, 1012); }
  QListView& List() const { return ById<QListView>(window, 1003); }
  QStringList ListedNames() const {
    QStringList names;
    for (int row = 0; row < List().model()->rowCount(); ++row) {
      names << List().model()->index(row, 0).data().toString();
    }
    return names;
  }

  void New() {
    services.new_image_answers.push_back(true);
    Click(window, 1051);
  }
  // New with the given texts chosen in the two size lists.
  void NewDisk(const QString& disk_size, const QString& sector_size) {
    DiskSizes().setCurrentText(disk_size);
    SectorSizes().setCurrentText(sector_size);
    New();
  }
  void Open(const std::filesystem::path& file) {
    services.open_answers.push_back(Path(file));
    Click(window, 1050);
  }
  void Save(const std::filesystem::path& file) {
    services.save_answers.push_back(Path(file));
    Click(window, 1);
  }
};

}  // namespace flashdisk::testing
