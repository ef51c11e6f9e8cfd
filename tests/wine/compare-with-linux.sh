#!/bin/bash
# Runs one job with the Windows divuzo.exe (under Wine, the virtual device mapped to a COM port)
# and with the Linux divuzo (the virtual device on its pseudo-terminal), and checks that both did
# the same. For the device jobs: the same output, the same virtual-device log, and the same bytes
# on the wire in each direction, both as the device recorded them (--wire) and as each divuzo
# traced them (DIVUZO_TRACE); and
#   identify   the device identified
#   update     both flash dumps equal the image's payload
#   waypoints  the device received the file sent, byte for byte
#   tracklog   the file received is the device's track log, byte for byte
#   logger     the logger's memory, downloaded at 921600, gives the same files
# For the file jobs:
#   convert    the KML, GPX, NMEA and text files of a track are the same bytes
#   geotag     the photo KML and the GPS-tagged photo copies are the same bytes
# The file jobs work in a folder with a Japanese name, and their files are named in Japanese too;
# the image to flash lies in that folder as well.
#
#   compare-with-linux.sh FLOW WORKDIR WINE-RUN PREFIX COMn HOST-VDEV HOST-DIVUZO DIVUZO.EXE
#                         SAMPLE-IMAGE SAMPLE-PAYLOAD DATA-DIR
set -euo pipefail
# The same language on both sides (the program's own, Japanese).
export LANG=C
unset LC_ALL LC_MESSAGES LANGUAGE
flow=$1 work=$2 wine_run=$3 prefix=$4 com=$5 vdev=$6 linux_cli=$7 windows_cli=$8
sample=$9 payload=${10} data=${11}
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$work"
mkdir -p "$work/linux" "$work/windows"

fail() {
  echo "FAILED: $*" >&2
  exit 1
}

# A Windows path for a file of the build host, as Wine shows it (drive Z: is the root).
windows_path() { echo "Z:${1//\//\\}"; }

# The folder of the file jobs and of the image to flash ("photos").
japanese_folder=写真

# The Windows divuzo (wine-run.sh gives Wine a UTF-8 LC_CTYPE, so that it passes names outside
# ASCII on as they are; the language stays the C locale's, Japanese, as on the Linux side).
windows_divuzo() { "$wine_run" "$prefix" "$windows_cli" "$@"; }

# The virtual device's log without time stamps, the pseudo-terminal's name and the sides' folders.
log_text() { sed -E "s/^[0-9-]+ [0-9:.]+ //; s#ready on /dev/pts/[0-9]+#ready on PTY#; s#$work/(linux|windows)/#WORK/#" "$1"; }

# The bytes a trace saw on the line in one direction (">>" written, "<<" read), as one hex text.
wire_bytes() {
  grep -E "^$2 " "$1" | sed -E 's/^.. //; s/ \|.*$//' | tr -s ' \n' ' '
}

# Program output with Windows line ends, the port's name, the sides' own folders (a Windows path
# "Z:\work\...\windows\x" reads as "/work/.../windows/x" first) and the time a download took
# made neutral.
output_text() {
  tr -d '\r' <"$1" | sed -E 's#Z:(\\[^ ]*)#\1#g' | tr '\\' '/' |
    sed -E "s#/dev/pts/[0-9]+#PORT#g; s#$com#PORT#g; s#$work/(linux|windows)/#WORK/#g" |
    sed -E "s#Total mins: [0-9]+, secs: [0-9]+#Total mins: M, secs: S#"  # the logger's own clock
}

same_files() {
  cmp "$1" "$2" >/dev/null || fail "$1 and $2 differ"
}

# Runs one side: SIDE ("linux" or "windows") VDEV-OPTIONS -- divuzo ARGUMENTS (PORT stands for the
# port). Leaves out.txt (standard output), trace.txt (standard error: DIVUZO_TRACE) and vdev.log.
run_side() {
  local side=$1 options=$2
  shift 3
  local dir="$work/$side"
  local args=("${@//PORT/$([ "$side" = windows ] && echo "$com" || echo PTY)}")
  local status=0
  if [ "$side" = windows ]; then
    DIVUZO_TRACE=1 "$here/with-vdev.sh" "$prefix" "$vdev" "$dir/vdev" "$com" "$options --wire $dir/wire.txt" -- \
      "$wine_run" "$prefix" "$windows_cli" "${args[@]}" >"$dir/out.txt" 2>"$dir/trace.txt" || status=$?
    cp "$dir/vdev/$com.log" "$dir/vdev.log"
  else
    mkdir -p "$dir/vdev"
    # shellcheck disable=SC2086
    DIVUZO_VPORT_DIR="$dir/vdev" "$vdev" --log "$dir/vdev.log" --wire "$dir/wire.txt" $options \
      >"$dir/vdev.out" 2>&1 &
    local pid=$!
    for _ in $(seq 1 100); do [ -s "$dir/vdev.out" ] && break; sleep 0.05; done
    local pty
    pty=$(head -n 1 "$dir/vdev.out")
    args=("${args[@]//PTY/$pty}")
    DIVUZO_TRACE=1 "$linux_cli" "${args[@]}" >"$dir/out.txt" 2>"$dir/trace.txt" || status=$?
    kill "$pid"
    wait "$pid" || true
  fi
  [ "$status" -eq 0 ] || fail "divuzo on $side: exit status $status; $(tr -d '\r' <"$dir/out.txt" | tail -n 3)"
}

compare_conversation() {
  [ "$(output_text "$work/linux/out.txt")" = "$(output_text "$work/windows/out.txt")" ] ||
    fail "the output differs: $(diff <(output_text "$work/linux/out.txt") <(output_text "$work/windows/out.txt") | head -n 5)"
  [ "$(log_text "$work/linux/vdev.log")" = "$(log_text "$work/windows/vdev.log")" ] ||
    fail "the virtual device's logs differ: $(diff <(log_text "$work/linux/vdev.log") <(log_text "$work/windows/vdev.log") | head -n 5)"
  for direction in ">>" "<<"; do
    local linux windows
    linux=$(wire_bytes "$work/linux/trace.txt" "$direction")
    windows=$(wire_bytes "$work/windows/trace.txt" "$direction")
    [ -n "$linux" ] || fail "no bytes traced in direction $direction"
    [ "$linux" = "$windows" ] || fail "the bytes divuzo traced differ in direction $direction"
  done
  # The device's own record, one direction at a time (their interleaving depends on timing).
  for direction in ">" "<"; do
    [ -s "$work/linux/wire.txt" ] && [ -s "$work/windows/wire.txt" ] || fail "no wire record"
    cmp <(grep -E "^$direction " "$work/linux/wire.txt") <(grep -E "^$direction " "$work/windows/wire.txt") \
      >/dev/null || fail "the device's wire records differ in direction $direction"
  done
  echo "same output, same device log ($(wc -l <"$work/linux/vdev.log") lines), same wire record" \
    "($(wc -l <"$work/linux/wire.txt") lines), same bytes traced" \
    "($(wire_bytes "$work/linux/trace.txt" ">>" | wc -w) written, $(wire_bytes "$work/linux/trace.txt" "<<" | wc -w) read)"
}

device="--model ZID310 --firmware 123 --bt-address 00:1B:C1:02:03:04"
case "$flow" in
  identify)
    for side in linux windows; do
      run_side "$side" "$device" -- identify --port PORT
    done
    grep -q "Model: ZID310" "$work/windows/out.txt" || fail "divuzo.exe did not identify the device"
    compare_conversation
    ;;
  update)
    for side in linux windows; do
      # Each side flashes its own copy: the payload file is written beside the image, in a folder
      # named in Japanese.
      mkdir -p "$work/$side/$japanese_folder"
      cp "$sample" "$work/$side/$japanese_folder/"
      image="$work/$side/$japanese_folder/$(basename "$sample")"
      [ "$side" = windows ] && image=$(windows_path "$image")
      run_side "$side" "$device --flash-dump $work/$side/flash.bin" -- update --port PORT "$image"
      same_files "$work/$side/flash.bin" "$payload"
      [ ! -e "$work/$side/$japanese_folder/Raded_FW_Temp.bin" ] || fail "the payload file was left on $side"
    done
    echo "both flash dumps equal the payload ($(stat -c %s "$payload") bytes)"
    compare_conversation
    ;;
  waypoints)
    for side in linux windows; do
      cp "$data/walk.trl" "$work/$side/map.mpt"
      file="$work/$side/map.mpt"
      [ "$side" = windows ] && file=$(windows_path "$file")
      run_side "$side" "--model ZID310 --block-transfer --received $work/$side/received.bin" -- \
        waypoints send "$file" --port PORT
      same_files "$work/$side/received.bin" "$data/walk.trl"
    done
    echo "the device received the file on both sides ($(stat -c %s "$data/walk.trl") bytes)"
    compare_conversation
    ;;
  tracklog)
    for side in linux windows; do
      out="$work/$side/received.trl"
      [ "$side" = windows ] && out=$(windows_path "$out")
      run_side "$side" "--model ZID310 --block-transfer --tracklog $data/walk.trl" -- \
        tracklog receive "$out" --port PORT
      same_files "$work/$side/received.trl" "$data/walk.trl"
    done
    echo "the track log was received whole on both sides ($(stat -c %s "$data/walk.trl") bytes)"
    compare_conversation
    ;;
  logger)
    for side in linux windows; do
      out="$work/$side/download"
      [ "$side" = windows ] && out=$(windows_path "$out")
      run_side "$side" "--model TR410 --memory-time 1333360800" -- \
        logger download --port PORT --out "$out" --total --tz 9 --speed 921600
    done
    count=0
    [ "$(ls "$work/linux/download")" = "$(ls "$work/windows/download")" ] || fail "different files downloaded"
    for file in "$work"/linux/download/*; do
      same_files "$file" "$work/windows/download/$(basename "$file")"
      count=$((count + 1))
    done
    [ "$count" -ge 2 ] || fail "only $count files downloaded"
    echo "the download wrote the same $count files on both sides"
    compare_conversation
    ;;
  convert)
    track=散歩  # "walk"
    for side in linux windows; do
      mkdir -p "$work/$side/$japanese_folder"
      cp "$data/walk.trl" "$work/$side/$japanese_folder/$track.trl"
      if [ "$side" = windows ]; then
        windows_divuzo convert "$(windows_path "$work/$side/$japanese_folder/$track.trl")" \
          --kml --gpx --nmea --text --tz 9 >"$work/$side/out.txt"
      else
        "$linux_cli" convert "$work/$side/$japanese_folder/$track.trl" --kml --gpx --nmea --text --tz 9 \
          >"$work/$side/out.txt"
      fi
    done
    # Both name the files they wrote, in the Japanese folder.
    [ "$(output_text "$work/linux/out.txt")" = "$(output_text "$work/windows/out.txt")" ] ||
      fail "the outputs differ: $(output_text "$work/windows/out.txt")"
    count=0
    for file in "$work/linux/$japanese_folder/$track"*; do
      [ "$(basename "$file")" = "$track.trl" ] && continue
      same_files "$file" "$work/windows/$japanese_folder/$(basename "$file")"
      count=$((count + 1))
    done
    [ "$count" -ge 4 ] || fail "only $count output files"
    echo "$count output files in $japanese_folder are the same bytes"
    ;;
  geotag)
    for side in linux windows; do
      photos="$work/$side/$japanese_folder"
      mkdir -p "$photos"
      cp "$data/walk.trl" "$work/$side/散歩.trl"
      for photo in canon_ii canon_mm fuji sony_ii sony_mm_jfif; do
        cp "$data/../../fuzz/corpus/fuzz_exif_reader/$photo.jpg" "$photos/${photo}_写真.jpg"
      done
      if [ "$side" = windows ]; then
        windows_divuzo geotag --track "$(windows_path "$work/$side/散歩.trl")" \
          --photos "$(windows_path "$photos")" --kml "$(windows_path "$work/$side/写真.kml")" \
          --tz 9 --write-gps >"$work/$side/out.txt"
      else
        "$linux_cli" geotag --track "$work/$side/散歩.trl" --photos "$photos" --kml "$work/$side/写真.kml" \
          --tz 9 --write-gps >"$work/$side/out.txt"
      fi
    done
    # The KML names each photo by its path: compare with the sides' own folders made neutral.
    kml_text() { iconv -f UTF-16 -t UTF-8 "$1" | sed -E "s#Z:[^<\"]*\\\\$japanese_folder\\\\#PHOTOS/#g; s#$work/linux/$japanese_folder/#PHOTOS/#g"; }
    [ "$(kml_text "$work/linux/写真.kml" | grep -c "PHOTOS/canon_ii_写真.jpg")" -ge 1 ] ||
      fail "the photo KML does not name the photos in $japanese_folder"
    diff <(kml_text "$work/linux/写真.kml") <(kml_text "$work/windows/写真.kml") >/dev/null ||
      fail "the photo KML files differ"
    # Fujifilm photos get no copy; the others do, on both sides.
    [ "$(ls "$work/linux/$japanese_folder/GPS")" = "$(ls "$work/windows/$japanese_folder/GPS")" ] ||
      fail "different GPS-tagged copies"
    count=0
    for file in "$work/linux/$japanese_folder"/GPS/*_写真.jpg; do
      same_files "$file" "$work/windows/$japanese_folder/GPS/$(basename "$file")"
      count=$((count + 1))
    done
    [ "$count" -eq 4 ] || fail "$count GPS-tagged copies instead of 4"
    echo "the photo KML and $count GPS-tagged copies in $japanese_folder are the same"
    ;;
  *)
    fail "unknown flow $flow"
    ;;
esac
