#!/usr/bin/env bash
# Checks of an installation of the build in a scratch prefix. One check per
# call, named by the first argument; a check whose tool is not installed here
# is skipped with status 77.
set -euo pipefail

readonly kSkipped=77
readonly kIconSizes=(16 24 32 48 64 128 256)

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

skip_without() {
  if ! command -v "$1" > /dev/null; then
    echo "SKIP: $1 is not installed" >&2
    exit "$kSkipped"
  fi
}

expect_file() {
  [ -f "$1" ] || fail "not installed: $1"
}

expect_program() {
  if [ ! -f "$1" ] || [ ! -x "$1" ]; then
    fail "not installed as a program: $1"
  fi
}

# desktop_value FILE KEY: the value of KEY in the [Desktop Entry] group.
desktop_value() {
  sed -n "/^\[Desktop Entry\]/,/^\[/s/^$2=//p" "$1"
}

# Width and height from a PNG's IHDR chunk: two big-endian numbers at bytes 16 to 23.
png_size() {
  local b
  read -ra b < <(od -An -tu1 -j16 -N8 "$1")
  echo "$(((b[0] << 24) | (b[1] << 16) | (b[2] << 8) | b[3]))x$(((b[4] << 24) | (b[5] << 16) | (b[6] << 8) | b[7]))"
}

# install BUILD PREFIX CMAKE: a fresh install of BUILD into PREFIX.
install_into() {
  local build=$1 prefix=$2 cmake=$3
  rm -rf "$prefix"
  "$cmake" --install "$build" --prefix "$prefix" > "$prefix.log" || {
    cat "$prefix.log" >&2
    fail "cmake --install failed"
  }
}

check_window_files() {
  local prefix=$1
  local desktop=$prefix/share/applications/flashdisk-composer.desktop
  local metainfo=$prefix/share/metainfo/local.flashdisk.composer.metainfo.xml
  local icons=$prefix/share/icons/hicolor
  expect_program "$prefix/bin/flashdisk-composer"
  expect_file "$desktop"
  expect_file "$metainfo"
  expect_file "$icons/scalable/apps/flashdisk-composer.svg"
  for size in "${kIconSizes[@]}"; do
    local png=$icons/${size}x${size}/apps/flashdisk-composer.png
    expect_file "$png"
    [ "$(png_size "$png")" = "${size}x${size}" ] ||
      fail "$png is $(png_size "$png"), not ${size}x${size}"
  done
  # The menu entry starts an installed program and shows an installed icon,
  # and the metadata names the installed menu entry.
  # It passes one file, so that "Open with" of a file manager opens the image.
  [ "$(desktop_value "$desktop" Exec)" = "flashdisk-composer %f" ] ||
    fail "Exec is not 'flashdisk-composer %f'"
  expect_file "$prefix/share/man/man1/flashdisk-composer.1.gz"
  [ "$(desktop_value "$desktop" Icon)" = flashdisk-composer ] || fail "Icon is not flashdisk-composer"
  grep -q '<launchable type="desktop-id">flashdisk-composer.desktop</launchable>' "$metainfo" ||
    fail "the metadata does not launch flashdisk-composer.desktop"
}

# files PREFIX COMMAND_LINE WINDOW: each 1 when the build has that program.
check_files() {
  local prefix=$1 command_line=$2 window=$3
  if [ "$command_line" = 1 ]; then
    expect_program "$prefix/bin/flashdisk"
    expect_file "$prefix/share/man/man1/flashdisk.1.gz"
    gzip -t "$prefix/share/man/man1/flashdisk.1.gz" || fail "the manual page is not a gzip file"
  fi
  grep -q '^License: MIT$' "$prefix/share/doc/flashdisk-composer/copyright" ||
    fail "no MIT licence in share/doc/flashdisk-composer/copyright"
  # Debian's changelog of a native package, newest entry first.
  local changelog=$prefix/share/doc/flashdisk-composer/changelog.gz
  expect_file "$changelog"
  gzip -dc "$changelog" | head -1 | grep -q '^flashdisk-composer ([0-9.]*) unstable; urgency=' ||
    fail "the changelog does not start with an entry of flashdisk-composer"
  if [ "$window" = 1 ]; then
    check_window_files "$prefix"
  else
    # Without the window a menu entry would start nothing.
    for folder in applications metainfo icons; do
      [ ! -e "$prefix/share/$folder" ] || fail "share/$folder installed without the window"
    done
  fi
}

# desktop FILE
check_desktop_entry() {
  skip_without desktop-file-validate
  local report
  report=$(desktop-file-validate "$1" 2>&1) || fail "desktop-file-validate: $report"
  # Warnings and hints leave the status at 0; they count as faults here.
  [ -z "$report" ] || fail "desktop-file-validate: $report"
  [ "$(desktop_value "$1" Name)" = "Составитель образов FLASH-диска" ] ||
    fail "Name is not the window's caption"
  [ -n "$(desktop_value "$1" 'Name\[en\]')" ] || fail "no English name"
  [ -n "$(desktop_value "$1" 'Comment\[en\]')" ] || fail "no English comment"
}

# metainfo FILE VERSION SOURCE WINDOW PREFIX
check_metainfo() {
  local metainfo=$1 version=$2 source=$3 window=$4 prefix=$5
  skip_without appstreamcli
  appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"
  # The newest release comes first and is the version being built.
  local newest
  newest=$(grep -o -m1 '<release version="[^"]*"' "$metainfo" | cut -d'"' -f2)
  [ "$newest" = "$version" ] || fail "newest release is '$newest', the build is $version"
  local images
  images=$(sed -n 's|.*<image>\(.*\)</image>.*|\1|p' "$metainfo")
  [ -n "$images" ] || fail "no screenshots"
  # Screenshots come with the window; each one named must be in the sources.
  if [ "$window" = 1 ]; then
    for image in $images; do
      expect_file "$source/docs/screenshots/$(basename "$image")"
    done
    # The installed metadata together with the menu entry and the icons.
    appstreamcli validate-tree --no-net "$prefix" || fail "appstreamcli validate-tree"
  fi
}

# The page renders without warnings, the index of manual pages (whatis,
# apropos) finds its name line, and it belongs to VERSION.
check_page_renders() {
  local page=$1 version=$2
  skip_without man
  local warnings
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 > /dev/null)
  [ -z "$warnings" ] || fail "man --warnings: $warnings"
  skip_without lexgrog
  lexgrog "$page" > /dev/null || fail "lexgrog finds no name line"
  grep -qF "flashdisk composer $version " <<< "$(page_text "$page")" ||
    fail "the page is not of version $version"
}

# The page's text on one line, as wide as it wants.
page_text() {
  LC_ALL=C.UTF-8 MANWIDTH=1000 man -l "$1" | tr -s ' \n' '  '
}

# manual PAGE PROGRAM SOURCE VERSION: the page renders cleanly, belongs to
# this version and names every command, option and fixed message of the program.
check_manual_page() {
  local page=$1 program=$2 source=$3 version=$4
  check_page_renders "$page" "$version"
  local text
  text=$(page_text "$page")
  for option in $("$program" --help | sed -n '/^Параметры:/,/^$/p' | grep -oE -- '--[a-z][a-z-]*'); do
    grep -qF -- "flashdisk $option" <<< "$text" || fail "option $option is not in the page"
  done
  local commands
  commands=$("$program" --help | sed -n '/^Команды:/,/^$/s/^  \([a-z]\+\) .*/\1/p')
  [ -n "$commands" ] || fail "no commands in flashdisk --help"
  for command in $commands; do
    grep -qF "flashdisk $command " <<< "$text" || fail "command '$command' is not in the page"
    for option in $("$program" "$command" --help | grep -oE -- '(^|[ ,])--?[a-z][a-z-]*' | tr -d ' ,'); do
      grep -qE -- "(^|[^-[:alnum:]])$option([^-[:alnum:]]|\$)" <<< "$text" ||
        fail "option $option of '$command' is not in the page"
    done
  done
  local messages
  messages=$(grep -hv '^#' "$source/image/user_messages.h" "$source/cli/command_messages.h" | grep -o '"[^"]*"')
  while read -r quoted; do
    grep -qF -- "${quoted:1:-1}" <<< "$text" || fail "message $quoted is not in the page"
  done <<< "$messages"
}

# window_manual PAGE SOURCE VERSION: the window's page renders cleanly,
# belongs to this version and names its argument, every item of the
# directory menu and every message the window shows.
check_window_manual_page() {
  local page=$1 source=$2 version=$3
  check_page_renders "$page" "$version"
  local text
  text=$(page_text "$page")
  grep -qF "flashdisk-composer [ОБРАЗ]" <<< "$text" || fail "the page shows no optional argument"
  local texts
  texts=$(grep -h 'inline constexpr' "$source/image/user_messages.h" "$source/ui/window_texts.h" |
    grep -v 'Caption\|Name\[\]\|ButtonText\|kRemoveQuestion' | grep -o '"[^"]*"')
  while read -r quoted; do
    grep -qF -- "${quoted:1:-1}" <<< "$text" || fail "text $quoted is not in the page"
  done <<< "$texts"
}

# run PREFIX SCRATCH VERSION: the installed command line at work.
check_installed_program() {
  local prefix=$1 scratch=$2 version=$3
  rm -rf "$scratch"
  mkdir -p "$scratch"
  # Only the installed program can be found, and no setting of this shell leaks in.
  run() { env -i PATH="$prefix/bin:/usr/bin:/bin" LC_ALL=C.UTF-8 flashdisk "$@"; }
  [ "$(env -i PATH="$prefix/bin:/usr/bin:/bin" sh -c 'command -v flashdisk')" = "$prefix/bin/flashdisk" ] ||
    fail "flashdisk is not found in $prefix/bin"
  run --help > "$scratch/help.txt" || fail "flashdisk --help failed"
  grep -q '^Вызов: flashdisk' "$scratch/help.txt" || fail "flashdisk --help shows no usage"
  grep -qF "flashdisk $version " "$scratch/help.txt" || fail "flashdisk --help shows no version"
  [ "$(run --version)" = "flashdisk $version" ] || fail "flashdisk --version is not 'flashdisk $version'"
  run new "$scratch/disk.rom" --size 64k || fail "flashdisk new failed"
  # A blank 64 KiB disk with 256-byte sectors: magic AA 55, disk size 65536,
  # sector size 256, an empty label, no system, the directory at 256; every
  # other byte erased.
  {
    printf '\xAA\x55\x00\x00\x01\x00\x00\x01\x00'
    head -c 31 /dev/zero | LC_ALL=C tr '\0' '\377'
    printf '\x00\x00\x00\x00\x00\x01\x00\x00'
    head -c $((65536 - 48)) /dev/zero | LC_ALL=C tr '\0' '\377'
  } > "$scratch/expected.rom"
  cmp "$scratch/expected.rom" "$scratch/disk.rom" || fail "the new image differs from a blank 64 KiB disk"
  # It refuses to replace the image, in Russian, with status 1.
  local status=0
  run new "$scratch/disk.rom" 2> "$scratch/refusal.txt" || status=$?
  [ "$status" = 1 ] || fail "flashdisk new over an image exited with $status"
  grep -qF 'Файл уже существует!' "$scratch/refusal.txt" || fail "no refusal message"
}

case "${1:-}" in
  install) install_into "$2" "$3" "$4" ;;
  files) check_files "$2" "$3" "$4" ;;
  desktop) check_desktop_entry "$2" ;;
  metainfo) check_metainfo "$2" "$3" "$4" "$5" "$6" ;;
  manual) check_manual_page "$2" "$3" "$4" "$5" ;;
  window_manual) check_window_manual_page "$2" "$3" "$4" ;;
  run) check_installed_program "$2" "$3" "$4" ;;
  *) fail "usage: $0 install|files|desktop|metainfo|manual|window_manual|run ARGUMENTS..." ;;
esac
