#!/usr/bin/env bash
# The README's pictures of a hard-wrapped chapter in calibre's viewer, before and after the book
# rebuilds its paragraphs: docs/book-wrapped-lines.png (--paragraphs line) and
# docs/book-paragraphs.png (the default). Runs calibre's ebook-viewer under Xvfb.
# Usage: scripts/book-pictures.sh NOVEL.txt [build dir]   (a novel wrapped at a fixed width with a
# 第二章 heading, such as the corpus's duanhong_lingyanji)
set -euo pipefail
cd "$(dirname "$0")/.."
novel=$1
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
"$cli" epub "$novel" -q -o "$work/lines.epub" --paragraphs line --title 示例
"$cli" epub "$novel" -q -o "$work/paragraphs.epub" --title 示例

# One picture: the viewer opened at 第二章, its window filling the screen, the welcome page
# clicked away, then the screen.
cat >"$work/shot.sh" <<'SHOT'
#!/usr/bin/env bash
set -u
export QTWEBENGINE_CHROMIUM_FLAGS="--no-sandbox --disable-gpu" QTWEBENGINE_DISABLE_SANDBOX=1
ebook-viewer --open-at "toc:第二章" "$1" >/dev/null 2>&1 &
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
for pair in "lines.epub:book-wrapped-lines.png" "paragraphs.epub:book-paragraphs.png"; do
    HOME="$work/home" xvfb-run -a -s "-screen 0 880x680x24" "$work/shot.sh" "$work/${pair%%:*}" "$PWD/docs/${pair##*:}"
done
echo "docs/book-wrapped-lines.png docs/book-paragraphs.png"
