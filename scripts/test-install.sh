#!/usr/bin/env bash
# The installed product: builds the .deb from build/ (as scripts/test.sh left it), checks it
# with lintian, installs it through apt, runs what it put in place, and removes it again, so
# the machine's packages end as they began. Needs root or sudo, like the set-up.
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$PWD
build_dir=$(realpath "${PAGEWRIGHT_BUILD_DIR:-build}")
app_id=invalid.pagewright.Pagewright

if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
apt=("${sudo[@]}" apt-get -o DPkg::Lock::Timeout=600 -y -qq --no-install-recommends)

step() { printf '\n== %s\n' "$*"; }
fail() {
    echo "FAILED: $*" >&2
    exit 1
}

tools=(dpkg-dev desktop-file-utils appstream man-db lintian help2man)
missing=()
for p in "${tools[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    step "Installing the tools: ${missing[*]}"
    "${apt[@]}" update
    "${apt[@]}" install "${missing[@]}"
fi

# Someone's own Pagewright would be replaced and then removed: refuse rather than lose it.
if dpkg-query -W -f='${Status}' pagewright 2>/dev/null | grep -q "install ok installed"; then
    fail "pagewright $(dpkg-query -W -f='${Version}' pagewright) is already installed on this machine;" \
        "this test installs and removes its own. Remove it first (apt-get remove pagewright)."
fi

step "Building the package"
# Configure again: help2man may have come just now, and the manual pages need it.
cmake "$build_dir" >/dev/null
cmake --build "$build_dir" --parallel "$(nproc)"
rm -rf "$build_dir/package"
(cd "$build_dir" && cpack -G DEB >/dev/null)
debs=("$build_dir"/package/pagewright_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "cpack made no single pagewright_*.deb"
deb=${debs[0]}
version=$(dpkg-deb -f "$deb" Version)
echo "$deb (version $version)"
dpkg-deb -f "$deb" Depends Section Maintainer

# The description names every input encoding, the UTF-8 output and the EPUB book.
description=$(dpkg-deb -f "$deb" Description)
for word in GBK GB18030 UTF-8 UTF-16 Big5 "converted to UTF-8" EPUB; do
    grep -qF "$word" <<<"$description" || fail "the package description does not name $word"
done

step "lintian"
lintian --fail-on error --display-info "$deb" 2>&1 | grep -v "running with root privileges" | tee "$build_dir/lintian.txt" || true
lintian --fail-on error "$deb" >/dev/null 2>&1 || fail "lintian reports errors"
# Built with Debian's hardening flags: not one hardening note, at any level.
! grep -q 'hardening-' "$build_dir/lintian.txt" || fail "lintian has hardening notes: $(grep 'hardening-' "$build_dir/lintian.txt")"
! grep -qE 'copyright|license' "$build_dir/lintian.txt" || fail "lintian has notes on the copyright file"

work=$(mktemp -d)
before=$(dpkg-query -W -f='${Package}\n' | sort)
installed=()
cleanup() {
    local status=$?
    if [ ${#installed[@]} -gt 0 ]; then
        step "Removing ${installed[*]}"
        "${apt[@]}" purge "${installed[@]}" >/dev/null || status=1
        if [ "$(dpkg-query -W -f='${Package}\n' | sort)" != "$before" ]; then
            echo "FAILED: the installed packages differ from before the test" >&2
            status=1
        fi
        for f in /usr/bin/pagewright /usr/bin/pagewright-cli "/usr/share/applications/$app_id.desktop"; do
            [ ! -e "$f" ] || { echo "FAILED: $f is still there" >&2; status=1; }
        done
    fi
    "${sudo[@]}" rm -rf "$work"
    [ $status -eq 0 ] && echo "Installed-product test passed; the machine's packages are as before."
    exit $status
}
trap cleanup EXIT

step "Installing it"
"${apt[@]}" install "$deb" >/dev/null
# The package and whatever apt brought along for it, to be removed again.
mapfile -t installed < <(comm -13 <(echo "$before") <(dpkg-query -W -f='${Package}\n' | sort))
echo "installed: ${installed[*]}"
[ "$(command -v pagewright-cli)" = /usr/bin/pagewright-cli ] || fail "pagewright-cli is not /usr/bin/pagewright-cli"

step "The command line"
[ "$(pagewright-cli --version)" = "pagewright-cli $version" ] || fail "pagewright-cli --version: $(pagewright-cli --version)"
# A small novel: something before the first chapter, three chapters, one blank line.
printf '序言\n第一章 起\n甲\n\n第二章 承\n乙\n第三章 转\n丙\n' >"$work/小说.txt"
(cd "$work" && pagewright-cli scan 小说.txt -q) >"$work/scan.out"
diff <(printf '[1] 第一章 起\n[2] 第二章 承\n[3] 第三章 转\n') <(head -3 "$work/scan.out") || fail "scan lists other headings"
# With the window's pattern, the window's files (with none, split would choose a rule, and take
# 序言 for a chapter of its own).
(cd "$work" && pagewright-cli split 小说.txt -p '第(.){1,10}章' -c 2 -n 分卷01 -o 出 --create-dir -q) >/dev/null
# The files end their lines with CR LF, as the window writes them; the blank line is left out.
diff <(printf '第一章 起\r\n甲\r\n第二章 承\r\n乙\r\n') "$work/出/分卷01.txt" || fail "split: 分卷01.txt"
diff <(printf '第三章 转\r\n丙\r\n') "$work/出/分卷02.txt" || fail "split: 分卷02.txt"

step "The window"
# Without a screen first: --help and --version answer, a start says why it cannot.
bash "$source_dir/tests/install/check-no-display.sh" /usr/bin/pagewright || fail "pagewright without a display"
export QT_QPA_PLATFORM=offscreen
[ "$(pagewright --version 2>/dev/null)" = "pagewright $version" ] || fail "pagewright --version"
# The installed program, run as installed; Qt's own plugin loading adds a probe that reports
# what txtFile holds once the window is up (tests/install/window_probe.cpp).
probe() {
    (cd "$work" && QT_PLUGIN_PATH="$build_dir/probe-plugins" QT_QPA_GENERIC_PLUGINS=pwprobe \
        timeout 60 pagewright "$@" 2>/dev/null)
}
[ -f "$build_dir/probe-plugins/generic/libwindow_probe.so" ] || fail "the window probe was not built"
# Run as installed, from /usr/bin, the window starts in the user's documents folder (the home
# folder when there is none), never in /usr/bin: as root the output landed among the system's
# programs, as a user it could not be written at all.
home=$work/home
mkdir -p "$home"
export HOME=$home XDG_CONFIG_HOME=$home/.config
diff <(printf 'txtFile=%s\ncolour=#ffffff\ntxtOut=%s/\n' "$work/小说.txt" "$home") <(probe 小说.txt) ||
    fail "pagewright FILE"
mkdir "$home/Documents"
diff <(printf 'txtFile=\ncolour=#ffffff\ntxtOut=%s/\n' "$home/Documents") <(probe) || fail "pagewright without a file"
# The open dialog starts there too, then where the file chosen last lies.
diff <(printf 'openIn=%s\nopenIn=%s\ntxtFile=%s\ncolour=#ffffff\ntxtOut=%s/\n' "$home/Documents" "$work" \
    "$work/小说.txt" "$home/Documents") <(PWPROBE_PICK="$work/小说.txt" probe) || fail "the open dialog's folder"
# The About box points to the README the package put in its documents folder.
about=$(PWPROBE_ABOUT=1 probe | tr -d '\r' | sed -n 's/^使用说明：//p')
[ "$about" = /usr/share/doc/pagewright/README.md ] && cmp -s "$about" "$source_dir/README.md" ||
    fail "the About box points to '$about', not the installed README"
# The same as a user who may not write to /usr/bin: the output goes where the window starts.
user=$work/user
chmod 711 "$work"
# The probe goes along where the user can read it: the build may lie in a folder only its
# owner may enter (a clone inside mktemp -d).
plugins=$work/probe-plugins
cp -r "$build_dir/probe-plugins" "$plugins"
chmod -R a+rX "$plugins"
mkdir -p "$user/home/Documents"
cp "$work/小说.txt" "$user/home/Documents/"
"${sudo[@]}" chown -R 65534:65534 "$user/home"
as_user() {
    (cd "$user/home" && timeout 60 "${sudo[@]}" env HOME="$user/home" XDG_CONFIG_HOME="$user/home/.config" \
        XDG_RUNTIME_DIR= QT_QPA_PLATFORM=offscreen QT_PLUGIN_PATH="$plugins" \
        QT_QPA_GENERIC_PLUGINS=pwprobe setpriv --reuid=65534 --regid=65534 --clear-groups pagewright "$@" 2>/dev/null)
}
diff <(printf 'txtFile=%s\ncolour=#ffffff\ntxtOut=%s/\n' "$user/home/Documents/小说.txt" "$user/home/Documents") \
    <(as_user Documents/小说.txt) || fail "pagewright as a user"

step "Licence"
copyright=/usr/share/doc/pagewright/copyright
head -1 "$copyright" | grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
    fail "$copyright is not in the machine-readable format"
grep -qx 'License: Expat' "$copyright" || fail "$copyright names no licence"
cmp -s <(sed -n '/^Permission/,$p' "$source_dir/LICENSE") \
    <(sed -n '/^License: Expat$/,$p' "$copyright" | sed -n '/Permission/,$p' | sed 's/^ //; s/^\.$//') ||
    fail "the licence in $copyright is not the one in LICENSE"
grep -q '<project_license>MIT</project_license>' "/usr/share/metainfo/$app_id.metainfo.xml" ||
    fail "the AppStream data names no licence"

step "Menu entry, icons, AppStream data"
desktop-file-validate "/usr/share/applications/$app_id.desktop" || fail "desktop-file-validate"
grep -qx 'Exec=pagewright %f' "/usr/share/applications/$app_id.desktop" || fail "Exec line"
icon=$(sed -n 's/^Icon=//p' "/usr/share/applications/$app_id.desktop")
for size in 16x16 32x32 48x48; do
    [ -f "/usr/share/icons/hicolor/$size/apps/$icon.png" ] || fail "no $size icon named $icon"
done
[ -f "/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no scalable icon named $icon"
appstreamcli validate --no-net "/usr/share/metainfo/$app_id.metainfo.xml" || fail "appstreamcli validate"

step "Manual pages and completion"
for page in pagewright-cli pagewright; do
    man -w "$page" || fail "man -w $page"
done
MANWIDTH=200 man pagewright-cli 2>/dev/null | grep -q -- '--existing' || fail "man pagewright-cli"
for page in pagewright-cli pagewright; do
    warnings=$(man --warnings "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "man $page warns: $warnings"
done
# Values are shown by their kind, as the help names them: a number as 数, not as 文本.
LC_ALL=C.UTF-8 MANWIDTH=200 man pagewright-cli 2>/dev/null | grep -qE -- '--chapters <数>( |$)' || fail "man pagewright-cli: --chapters <数>"
LC_ALL=C.UTF-8 MANWIDTH=200 man pagewright-cli 2>/dev/null | grep -qE -- '--exclude <编号>( |$)' || fail "man pagewright-cli: --exclude <编号>"
bash "$source_dir/tests/install/check-completion.sh" /usr/bin/pagewright-cli \
    /usr/share/bash-completion/completions/pagewright-cli || fail "bash completion"
