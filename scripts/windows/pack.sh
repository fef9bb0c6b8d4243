#!/usr/bin/env bash
# Gathers the Windows program into one portable folder and zips it: the two executables, the Qt DLLs and
# plugins they load (JPEG pictures for the thumbnails), Qt's Japanese texts for its dialogs and buttons
# (translations/qtbase_ja.qm, from Debian's qt6-translations-l10n, the same Qt version), the compiler's runtime
# DLLs that Qt needs, the readme, Celshift's licence (LICENSE.txt), the licences of the third-party works
# that the folder carries (licenses\, from packaging/licenses/, with the Debian versions of Qt's sources filled in),
# and the empty folder Scena, the window's default output folder (a run into a missing one is refused).
# Usage: pack.sh BIN_FOLDER QT_PREFIX OUT_FOLDER     (makes OUT_FOLDER and OUT_FOLDER.zip)
set -euo pipefail
bin=$1 qt=$2 out=$3
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
# The Debian versions of the sources: qt6-base as build-qt.sh takes it (the one of the host's Qt tools), and the
# translations of the package the .qm file is copied from.
qt_version=$(dpkg-query -W -f='${Version}' qt6-base-dev-tools)
translations_version=$(dpkg-query -W -f='${Version}' qt6-translations-l10n)
runtime=(
  /usr/lib/gcc/x86_64-w64-mingw32/12-posix/libstdc++-6.dll
  /usr/lib/gcc/x86_64-w64-mingw32/12-posix/libgcc_s_seh-1.dll
  /usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll
)
rm -rf "$out" "$out.zip"
mkdir -p "$out/platforms" "$out/styles" "$out/imageformats" "$out/translations" "$out/licenses" "$out/Scena"
cp "$bin/celshift.exe" "$bin/celshift-cli.exe" "$out/"
cp "$qt/bin/Qt6Core.dll" "$qt/bin/Qt6Gui.dll" "$qt/bin/Qt6Widgets.dll" "$out/"
cp "$qt/plugins/platforms/qwindows.dll" "$out/platforms/"
cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$out/styles/"
cp "$qt/plugins/imageformats/qjpeg.dll" "$out/imageformats/"
cp /usr/share/qt6/translations/qtbase_ja.qm "$out/translations/"
cp "${runtime[@]}" "$out/"
# Windows line ends, so that Notepad of any age shows the lines. The patch keeps its own, so that it applies.
sed 's/$/\r/' "$here/readme.txt" >"$out/readme.txt"
sed 's/$/\r/' "$root/LICENSE" >"$out/LICENSE.txt"
for text in "$root"/packaging/licenses/*.txt; do
  sed "s/@QT_DEBIAN_VERSION@/$qt_version/g; s/@QT_TRANSLATIONS_DEBIAN_VERSION@/$translations_version/g; s/\$/\r/" \
    "$text" >"$out/licenses/$(basename "$text")"
done
cp "$here/qt-no-opengl.patch" "$out/licenses/"
x86_64-w64-mingw32-strip --strip-unneeded "$out"/*.dll "$out"/*/*.dll "$out"/*.exe

# Every DLL that a file of the folder imports must be in the folder or be part of Windows (Wine's own copies
# of the system DLLs stand for that list; the API sets are resolved by the system).
system=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows
missing=$(for f in "$out"/*.exe "$out"/*.dll "$out"/*/*.dll; do
  x86_64-w64-mingw32-objdump -p "$f" | sed -n 's/^\s*DLL Name: //p'
done | sort -u | while read -r dll; do
  [[ -e $out/$dll || -e $system/${dll,,} || ${dll,,} == api-ms-win-* ]] || echo "$dll"
done)
if [[ -n $missing ]]; then
  echo "pack.sh: DLLs that the folder lacks: $missing" >&2
  exit 1
fi
(cd "$(dirname "$out")" && zip -qr9 "$(basename "$out").zip" "$(basename "$out")")
# zip -r stores each folder's own entry, so the empty Scena unzips as a folder: checked, as without it the
# first run is refused.
unzip -Z1 "$out.zip" | grep -x "$(basename "$out")/Scena/" >/dev/null || { echo "pack.sh: the zip holds no Scena folder" >&2; exit 1; }
echo "$out.zip: $(du -k "$out.zip" | cut -f1) KiB"
