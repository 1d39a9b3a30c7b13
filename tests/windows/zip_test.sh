#!/usr/bin/env bash
# The Windows zip as a user gets it: packed from the build and unpacked into
# a fresh folder, it holds every file it must, its programs need no DLL but
# Windows' own, its manual names the project's version, and its
# flashdisk.exe gives the same bytes as the Linux one.
#   zip_test.sh SOURCE_ROOT BUILD_FOLDER LINUX_FLASHDISK SCRATCH_FOLDER VERSION
set -euo pipefail
root=$1
build=$2
linux=$3
scratch=$4
version=$5

rm -rf "$scratch"
mkdir -p "$scratch/unpacked"
zip=$("$root/scripts/pack-windows-zip" "$build" "$scratch")
(cd "$scratch/unpacked" && cmake -E tar xf "$zip")
folder=$(echo "$scratch"/unpacked/flashdisk-composer-*-windows-x64)

for file in flashdisk.exe flashdisk-composer.exe qt.conf translations/qtbase_ru.qm \
  flashdisk.html flashdisk-composer.html LICENSE.txt README.txt; do
  if [ ! -f "$folder/$file" ]; then
    echo "missing from the zip: $file"
    exit 1
  fi
done
# The manual as the user opens it: the version filled in, every placeholder
# gone.
if ! grep -q "flashdisk composer $version" "$folder/flashdisk.html" ||
  grep -q '@[A-Z_]*@' "$folder/flashdisk.html"; then
  echo "flashdisk.html does not show version $version:"
  grep -o 'flashdisk composer [^<]*' "$folder/flashdisk.html" | sort -u
  exit 1
fi
# The compiler's runtime and Qt are linked in: no DLL of theirs is wanted.
for program in "$folder"/*.exe; do
  if x86_64-w64-mingw32-objdump -p "$program" | grep -iE 'DLL Name: (lib|Qt6)'; then
    echo "$(basename "$program") needs a DLL that Windows does not have"
    exit 1
  fi
done
"$root/tests/windows/same_as_linux_test.sh" "$linux" "$folder/flashdisk.exe" "$scratch/same"
