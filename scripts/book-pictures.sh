#!/usr/bin/env bash
# The README's pictures of a hard-wrapped chapter in calibre's viewer, before and after the book
# rebuilds its paragraphs: docs/book-wrapped-lines.png (--paragraphs line) and
# docs/book-paragraphs.png (the default); and a page of a vertical book with a scene break,
# docs/book-vertical.png. Runs calibre's ebook-viewer under Xvfb.
# Usage: scripts/book-pictures.sh NOVEL.txt [build dir]   (a novel wrapped at a fixed width with a
# 第二章 heading, such as the corpus's duanhong_lingyanji; "" for the vertical page alone)
set -euo pipefail
cd "$(dirname "$0")/.."
novel=${1:-}
build=${2:-${PAGEWRIGHT_BUILD_DIR:-build}}
packages=(calibre xvfb xauth imagemagick xdotool)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
cmake --build "$build" --target pagewright-cli >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cli="$build/bin/pagewright-cli"
if [ -n "$novel" ]; then
    "$cli" epub "$novel" -q -o "$work/lines.epub" --paragraphs line --title 示例
    "$cli" epub "$novel" -q -o "$work/paragraphs.epub" --title 示例
fi
# The vertical page: commas, full stops and 一 in every paragraph, and a row of stars between
# two scenes.
{
    printf '第一章 夜雨\n'
    for i in 1 2 3; do
        printf '　　雨一直下到半夜，街上一个人也没有。他把灯移近一些，又读了一遍那封信，信上只有一行字。\n'
        printf '　　“明天一早就走。”她说，“一刻也不要等。”\n'
    done
    printf '☆☆☆\n'
    for i in 1 2 3; do
        printf '　　第二天一早，天晴了。院子里的积水映着一片蓝天，他站在门口，一句话也没有说。\n'
    done
    printf '第二章 晴\n　　完。\n'
} >"$work/vertical.txt"
"$cli" epub "$work/vertical.txt" -q -o "$work/vertical.epub" --vertical --title 示例
# The stylesheet names Noto CJK first: unpacked from Debian's package into the work folder and
# added to the fonts the viewer sees, so that the machine's own fonts stay as they are.
(cd "$work" && apt-get download fonts-noto-cjk >/dev/null 2>&1)
dpkg-deb -x "$work"/fonts-noto-cjk_*.deb "$work/noto"
cat >"$work/fonts.conf" <<FONTS
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
  <include ignore_missing="yes">/etc/fonts/fonts.conf</include>
  <dir>$work/noto/usr/share/fonts</dir>
  <cachedir>$work/fontcache</cachedir>
</fontconfig>
FONTS

# One picture: the viewer opened at 第二章, its window filling the screen, the welcome page
# clicked away, then the screen.
cat >"$work/shot.sh" <<'SHOT'
#!/usr/bin/env bash
set -u
export QTWEBENGINE_CHROMIUM_FLAGS="--no-sandbox --disable-gpu" QTWEBENGINE_DISABLE_SANDBOX=1
ebook-viewer --open-at "toc:$3" "$1" >/dev/null 2>&1 &
pid=$!
sleep 12
for w in $(xdotool search --pid $pid 2>/dev/null); do xdotool windowmove $w 0 0 windowsize $w 880 680 2>/dev/null; done
sleep 3
xdotool mousemove 440 600 click 1
sleep 6
import -window root "$2"
kill $pid 2>/dev/null; sleep 1; kill -9 $pid 2>/dev/null || true
SHOT
chmod +x "$work/shot.sh"
mkdir -p docs "$work/home"
if [ -n "$novel" ]; then
    for pair in "lines.epub:book-wrapped-lines.png" "paragraphs.epub:book-paragraphs.png"; do
        HOME="$work/home" xvfb-run -a -s "-screen 0 880x680x24" "$work/shot.sh" "$work/${pair%%:*}" \
            "$PWD/docs/${pair##*:}" 第二章
    done
    echo "docs/book-wrapped-lines.png docs/book-paragraphs.png"
fi
HOME="$work/home" FONTCONFIG_FILE="$work/fonts.conf" xvfb-run -a -s "-screen 0 880x680x24" "$work/shot.sh" \
    "$work/vertical.epub" "$PWD/docs/book-vertical.png" 第一章
echo docs/book-vertical.png
