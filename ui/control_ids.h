// The numeric ids of the windows' controls. Each control carries its id as
// its object name; ids are unique within a window, and some recur across
// windows for the same role.
#pragma once

namespace flashdisk::ids {

inline constexpr int kOk = 1;  // "Сохранить" in the main window and the properties dialog
inline constexpr int kCancel = 2;

// Main window.
inline constexpr int kNewImage = 1051;
inline constexpr int kOpenImage = 1050;
inline constexpr int kImageName = 1049;
inline constexpr int kDiskSizeList = 1011;
inline constexpr int kSectorSizeList = 1012;
inline constexpr int kSystemLoadAddress = 1015;
inline constexpr int kSystemSize = 1016;
inline constexpr int kDirectoryOffset = 1017;
inline constexpr int kDiskLabel = 1001;
inline constexpr int kApplyLabel = 1072;
inline constexpr int kDirectoryList = 1003;
inline constexpr int kAddEntry = 1004;
inline constexpr int kChangeEntry = 1069;
inline constexpr int kFreeSpace = 1043;

// An entry's fields, in the main window and both dialogs.
inline constexpr int kLoadAddress = 1058;
inline constexpr int kSize = 1059;
inline constexpr int kReserved = 1060;

// Add-file dialog.
inline constexpr int kSourcePath = 1101;
inline constexpr int kEntryName = 1054;
inline constexpr int kRks = 1056;
inline constexpr int kBig = 1033;
inline constexpr int kAligned = 1062;
inline constexpr int kExecutable = 1063;
inline constexpr int kRequiredSpace = 1073;
inline constexpr int kDiskFreeSpace = 1076;
inline constexpr int kRefresh = 1078;

// Entry properties dialog.
inline constexpr int kPropertiesName = 1101;

}  // namespace flashdisk::ids
