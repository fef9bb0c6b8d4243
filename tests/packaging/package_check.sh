#!/usr/bin/env bash
# The installed layout and the Debian package, checked without installing anything on this machine:
# cmake --install into a scratch prefix must give both programs, a valid desktop entry, the icon, the manual pages
# and the copyright; cpack -G DEB must give a package with those files under /usr, the dependencies the window
# needs at run time, and nothing that lintian calls an error or a warning.
#
#   bash tests/packaging/package_check.sh [BUILD_DIR]      (default: build, already built)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(realpath "${1:-build}")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
problems=0
problem() { echo "package_check: FAIL: $*"; problems=$((problems + 1)); }

# The manual pages and the changelog are made by a target of their own (part of "all"; cheap when the programs are
# built).
cmake --build "$build" --target celshift-docs >/dev/null
cmake --install "$build" --prefix "$scratch/prefix" >/dev/null
installed=(bin/celshift bin/celshift-cli share/applications/celshift.desktop
  share/icons/hicolor/scalable/apps/celshift.svg share/man/man1/celshift.1.gz share/man/man1/celshift-cli.1.gz
  share/doc/celshift/copyright share/doc/celshift/changelog.gz)
for file in "${installed[@]}"; do
  [[ -f $scratch/prefix/$file ]] || problem "cmake --install gives no $file"
done
for program in celshift celshift-cli; do
  [[ -x $scratch/prefix/bin/$program ]] || problem "bin/$program is not executable"
done
"$scratch/prefix/bin/celshift-cli" --help >/dev/null || problem "the installed celshift-cli --help fails"

entry=$scratch/prefix/share/applications/celshift.desktop
desktop-file-validate "$entry" >"$scratch/validate.txt" 2>&1 || problem "desktop-file-validate: $(cat "$scratch/validate.txt")"
for key in 'Name=Celshift' 'Name\[ja\]=' 'Comment=' 'Comment\[ja\]=' 'Categories=' 'Exec=celshift$' 'Icon=celshift$'; do
  grep -q "^$key" "$entry" || problem "the desktop entry has no line ^$key"
done
# The manual pages must format without a complaint from groff, each under its name; celshift-cli's is made from
# its own --help and --version.
for page in celshift celshift-cli; do
  file=$scratch/prefix/share/man/man1/$page.1.gz
  [[ -f $file ]] || continue
  LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$file" >"$scratch/man.txt" 2>"$scratch/man-warnings.txt" \
    || problem "man cannot format $page.1.gz"
  if [[ -s $scratch/man-warnings.txt ]]; then problem "$page.1.gz: $(cat "$scratch/man-warnings.txt")"; fi
  grep -q "^ *$page  *- " "$scratch/man.txt" || problem "$page.1.gz has no NAME line for $page"
done
if [[ -f $scratch/prefix/share/man/man1/celshift-cli.1.gz ]]; then
  version=$("$scratch/prefix/bin/celshift-cli" --version | cut -d' ' -f2) || problem "the installed celshift-cli --version fails"
  LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$scratch/prefix/share/man/man1/celshift-cli.1.gz" >"$scratch/man.txt" 2>/dev/null || true
  for part in "celshift-cli --unused" "--rows FILE" "--version" "Exit status" "∅" "celshift-cli $version"; do
    grep -qF -- "$part" "$scratch/man.txt" || problem "celshift-cli.1.gz lacks \"$part\""
  done
fi
copyright=$scratch/prefix/share/doc/celshift/copyright
if [[ -f $copyright ]]; then
  head -n 1 "$copyright" | grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' \
    || problem "the copyright file is not in the machine-readable format"
  grep -q '^License: Expat$' "$copyright" || problem "the copyright file names no Expat (MIT) licence"
fi

# The icon must be a drawing that a renderer accepts, not only a file of that name.
if command -v rsvg-convert >/dev/null; then
  rsvg-convert -w 48 -h 48 "$scratch/prefix/share/icons/hicolor/scalable/apps/celshift.svg" -o "$scratch/icon.png" \
    || problem "the icon does not render"
else
  python3 -c 'import sys, xml.etree.ElementTree as t; r = t.parse(sys.argv[1]).getroot(); sys.exit(r.tag != "{http://www.w3.org/2000/svg}svg")' \
    "$scratch/prefix/share/icons/hicolor/scalable/apps/celshift.svg" || problem "the icon is not an SVG drawing"
fi

(cd "$build" && cpack -G DEB -B "$scratch/deb" >"$scratch/cpack.txt" 2>&1) || { cat "$scratch/cpack.txt"; problem "cpack -G DEB failed"; }
deb=$(find "$scratch/deb" -maxdepth 1 -name 'celshift_*.deb' | head -n 1)
if [[ -z $deb ]]; then
  problem "cpack made no celshift_*.deb"
else
  contents=$(dpkg-deb -c "$deb")
  for file in "${installed[@]}"; do
    grep -q " ./usr/$file\$" <<<"$contents" || problem "the package lacks ./usr/$file"
  done
  depends=$(dpkg-deb -f "$deb" Depends)
  # From dpkg-shlibdeps (the libraries) and from the CMake list (what is loaded at run time, and the font).
  for package in libqt6widgets6 libicu72 libstdc++6 qt6-qpa-plugins fonts-ipafont-gothic; do
    grep -q "\\b$package\\b" <<<"$depends" || problem "the package's Depends lacks $package: $depends"
  done
  [[ -n $(dpkg-deb -f "$deb" Maintainer) ]] || problem "the package names no maintainer"
  echo "package_check: $(basename "$deb"), Depends: $depends"
  # lintian refuses to run as root unless told; its info and pedantic notes are let pass.
  if ! command -v lintian >/dev/null; then
    problem "lintian is not installed (scripts/install-deps.sh installs it)"
  elif ! lintian --allow-root --display-info --fail-on none --tag-display-limit 0 "$deb" >"$scratch/lintian.txt" 2>&1; then
    problem "lintian did not run: $(cat "$scratch/lintian.txt")"
  elif grep -E '^[EW]: ' "$scratch/lintian.txt"; then
    problem "lintian finds the errors and warnings above"
  else
    echo "package_check: lintian: no error or warning; $(grep -c "^[IPX]: " "$scratch/lintian.txt") notes"
  fi
fi
((problems == 0)) || exit 1
echo "package_check: passed"
