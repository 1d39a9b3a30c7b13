#!/usr/bin/env bash
# The same steps through the Linux flashdisk and through flashdisk.exe under
# Wine, each in a folder of its own: the images, the extracted files and
# everything both print (the JSON listings among it) must be byte for byte
# the same.
#   same_as_linux_test.sh LINUX_FLASHDISK WINDOWS_FLASHDISK_EXE SCRATCH_FOLDER
set -euo pipefail
linux=$1
windows=$2
scratch=$3
PATH=$PATH:/usr/lib/wine
# Wine passes names on by the locale's character set (see scripts/wine-run).
export LC_ALL=C.UTF-8

rm -rf "$scratch"
mkdir -p "$scratch/linux/Диск" "$scratch/windows/Диск"
for side in linux windows; do
  folder="$scratch/$side/Диск"
  # An RKS program: load address 0x3000, two spare bytes, the data, two more.
  printf '\x00\x30\x11\x22' >"$folder/Игра.rks"
  seq 1 200 >>"$folder/Игра.rks"
  printf '\x33\x44' >>"$folder/Игра.rks"
  seq 1 3000 >"$folder/data.bin"
  # A link to the image: a save through it writes the image and keeps the link.
  ln -s "Диск/Образ.rom" "$scratch/$side/Ссылка.rom"
done

# Each step's output and status go to files named after the step.
steps=(
  "new|Диск/Образ.rom --size 64k --sector 512 --label Мой_диск"
  "add|Диск/Образ.rom Диск/Игра.rks Диск/data.bin"
  "set|Диск/Образ.rom 2 --name Данные --load 4000 --set readonly"
  "label|Ссылка.rom Новая_метка"
  "info|Диск/Образ.rom --json"
  "list|Диск/Образ.rom --json"
  "list|Диск/Образ.rom"
  "extract|Диск/Образ.rom 1 -o Диск/Копия.rks"
  "add|Диск/Образ.rom Диск/Нет.bin"
)
run_steps() {
  local side=$1
  shift
  local number=0
  for step in "${steps[@]}"; do
    number=$((number + 1))
    read -r -a words <<<"${step#*|}"
    (cd "$scratch/$side" && set +e && "$@" "${step%%|*}" "${words[@]}" \
      >"out.$number" 2>"err.$number"; echo $? >"status.$number")
  done
}
run_steps linux "$linux"
run_steps windows wine64 "$windows"

status=0
for file in $(cd "$scratch/linux" && find . -type f | sort); do
  if ! cmp "$scratch/linux/$file" "$scratch/windows/$file"; then
    diff <(od -c "$scratch/linux/$file") <(od -c "$scratch/windows/$file") | head -20 || true
    status=1
  fi
done
# By name and kind, so that a link replaced by a file shows.
if [ "$(cd "$scratch/linux" && find . -printf '%y %p\n' | sort)" != \
  "$(cd "$scratch/windows" && find . -printf '%y %p\n' | sort)" ]; then
  echo "the two runs left different files"
  status=1
fi
[ $status -eq 0 ] && echo "the same bytes on Linux and on Windows: $(cd "$scratch/linux" && find . -type f | wc -l) files"
exit $status
