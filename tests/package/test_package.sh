#!/usr/bin/env bash
# The Debian package as a user gets it: unpacked with dpkg-deb into a temporary root, its own
# divuzo-vdev plays the device, and its own divuzo identifies it and flashes the packaged sample
# image, taking the download agents from usr/share/divuzovuzov (none lie beside the programs).
#   tests/package/test_package.sh PACKAGE.deb
set -euo pipefail
deb=${1:?usage: $0 PACKAGE.deb}
root=$(mktemp -d)
vdev_pid=
cleanup() {
  if [ -n "$vdev_pid" ]; then
    kill "$vdev_pid" 2>/dev/null || true
    wait "$vdev_pid" 2>/dev/null || true
  fi
  rm -rf "$root"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

dpkg-deb -x "$deb" "$root"
bin=$root/usr/bin
share=$root/usr/share/divuzovuzov

# What the package must hold.
for file in "$bin/divuzovuzov" "$bin/divuzo" "$bin/divuzo-vdev" "$share/scat.txt" \
  "$share/sample/ZID310_V124_PLM.bin" "$share/translations/divuzovuzov_en.qm" \
  "$root/usr/share/applications/org.divuzovuzov.DIVUZOvuzov.desktop" \
  "$root/usr/share/metainfo/org.divuzovuzov.DIVUZOvuzov.metainfo.xml" \
  "$root/usr/share/icons/hicolor/scalable/apps/org.divuzovuzov.DIVUZOvuzov.svg" \
  "$root/usr/share/icons/hicolor/48x48/apps/org.divuzovuzov.DIVUZOvuzov.png" \
  "$root/usr/lib/udev/rules.d/60-divuzovuzov.rules" \
  "$root/usr/share/man/man1/divuzo.1.gz" "$root/usr/share/doc/divuzovuzov/copyright"; do
  [ -f "$file" ] || fail "missing ${file#"$root"}"
done
compgen -G "$share/DA_MT3329_*.bin" >/dev/null || fail "no download agent in usr/share/divuzovuzov"
! compgen -G "$bin/*.bin" >/dev/null || fail "download agents beside the programs: the test would not show the share folder works"
grep -q 'TAG+="uaccess"' "$root/usr/lib/udev/rules.d/60-divuzovuzov.rules" || fail "udev rules without uaccess"

# Every program starts from the unpacked root (its libraries resolve; the window offscreen).
export XDG_RUNTIME_DIR=$root/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
QT_QPA_PLATFORM=offscreen "$bin/divuzovuzov" --version >/dev/null || fail "divuzovuzov --version"
"$bin/divuzo" --version >/dev/null || fail "divuzo --version"

# The packaged virtual device, on a private announcement folder.
export DIVUZO_VPORT_DIR=$root/ports XDG_CONFIG_HOME=$root/config LANG=C
unset LC_ALL LC_MESSAGES LANGUAGE
mkdir -p "$root/work"
"$bin/divuzo-vdev" --model ZID310 --firmware 123 --bt-address 00:1B:C1:31:00:01 \
  --flash-dump "$root/flash.bin" >"$root/vdev.out" 2>"$root/vdev.err" &
vdev_pid=$!
for _ in $(seq 100); do
  [ -s "$root/vdev.out" ] && break
  sleep 0.1
done
port=$(head -n 1 "$root/vdev.out")
[ -n "$port" ] || fail "divuzo-vdev reported no port: $(cat "$root/vdev.err")"

identify=$("$bin/divuzo" identify --json --lang en) || fail "identify: $identify"
case $identify in
  *'"ok":true,"model":"ZID310","firmware":"V1.23"'*'"status":"The device has been read."'*) ;;
  *) fail "identify said: $identify" ;;
esac

# The update, on a copy of the sample image (the payload file is written beside the image).
cp "$share/sample/ZID310_V124_PLM.bin" "$root/work/"
"$bin/divuzo" update --port "$port" "$root/work/ZID310_V124_PLM.bin" >"$root/update.log" 2>&1 \
  || fail "divuzo update: $(cat "$root/update.log")"
grep -q '更新が完了しました。' "$root/update.log" || fail "no completion text: $(cat "$root/update.log")"
# The flash holds the sample's payload, made again by the packaged tool as the build made it.
"$bin/divuzo" image payload --size 204800 --seed 310124 "$root/payload.bin"
cmp -s "$root/payload.bin" "$root/flash.bin" || fail "the flash does not hold the sample image's payload"
[ ! -e "$root/work/Raded_FW_Temp.bin" ] || fail "the payload file was left behind"
echo "package test: passed ($(basename "$deb"))"
