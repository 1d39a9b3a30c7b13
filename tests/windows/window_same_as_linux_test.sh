#!/usr/bin/env bash
# The window of the Linux build and the window of the Windows build under
# Wine, given the same clicks and the same files (a new 512k disk, an RKS
# program, a plain file, a Big one, a Cyrillic label), save the same image,
# byte for byte.
#   window_same_as_linux_test.sh LINUX_TOOL WINDOWS_TOOL_EXE SCRATCH_FOLDER
# Both tools are the screenshot program, which drives the real windows.
set -euo pipefail
linux=$1
windows=$2
scratch=$3
wine_run="$(cd "$(dirname "$0")/../.." && pwd)/scripts/wine-run"

rm -rf "$scratch"
mkdir -p "$scratch/linux" "$scratch/windows"
QT_QPA_PLATFORM=offscreen "$linux" "$scratch/linux" "$scratch/linux/Образ.rom" >/dev/null
QT_QPA_PLATFORM=offscreen "$wine_run" "$windows" "$scratch/windows" \
  "$scratch/windows/Образ.rom" >/dev/null
[ "$(stat -c %s "$scratch/linux/Образ.rom")" = $((512 * 1024)) ] ||
  { echo "the Linux window saved no 512k image" >&2; exit 1; }
cmp "$scratch/linux/Образ.rom" "$scratch/windows/Образ.rom"
