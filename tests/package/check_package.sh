#!/usr/bin/env bash
# Checks a built Debian package of Kelvara: lintian (no errors, no
# warnings), the AppStream metadata, the desktop entry and the manual pages
# with Debian's validators; then unpacks it into a temporary root, runs the
# unpacked kelvara-design and starts the unpacked window under Xvfb until
# its main window is shown.
#
#   tests/package/check_package.sh build/package/kelvara_2.0.0_amd64.deb
set -euo pipefail
deb="$(realpath "$1")"
fail() { echo "package check FAILED: $*" >&2; exit 1; }

root=$(mktemp -d /tmp/kelvara-package-XXXXXX)
xvfb_pid=""
cleanup() {
  [[ -n "${app_pid:-}" ]] && kill "$app_pid" 2>/dev/null || true
  [[ -n "${wm_pid:-}" ]] && kill "$wm_pid" 2>/dev/null || true
  [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$root"
}
trap cleanup EXIT

echo "== lintian"
# lintian warns when run as root; that line is not about the package.
lintian_out=$(lintian --display-level '>=warning' "$deb" 2>&1 | grep -v 'running with root privileges' || true)
[[ -n "$lintian_out" ]] && { echo "$lintian_out"; fail "lintian reported errors or warnings"; }
lintian --display-level '>=pedantic' --display-experimental "$deb" 2>&1 | grep -v 'running with root privileges' || true

echo "== unpack"
dpkg-deb -x "$deb" "$root"
dpkg-deb -c "$deb" | awk '{print $6, $7, $8}'

echo "== appstreamcli validate"
appstreamcli validate --no-net --pedantic "$root"/usr/share/metainfo/*.metainfo.xml

echo "== desktop-file-validate"
desktop-file-validate "$root/usr/share/applications/kelvara.desktop"

echo "== man --warnings"
for page in "$root"/usr/share/man/man1/*.1.gz; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
  [[ -n "$warnings" ]] && { echo "$warnings"; fail "man reported warnings for $(basename "$page")"; }
  echo "$(basename "$page"): no warnings"
done

echo "== every option of kelvara-design is in its manual page"
design="$root/usr/bin/kelvara-design"
page=$(zcat "$root/usr/share/man/man1/kelvara-design.1.gz" | sed 's/\\-/-/g')
for option in $("$design" --help | grep -o -- '--[a-z][a-z0-9-]*' | sort -u); do
  grep -q -- "$option" <<<"$page" || fail "kelvara-design $option is missing from kelvara-design(1)"
done
options=$("$design" --help | grep -o -- '--[a-z][a-z0-9-]*' | sort -u)
for option in $(grep -o -- '--[a-z][a-z0-9-]*' <<<"$page" | sort -u); do
  grep -qx -- "$option" <<<"$options" || fail "kelvara-design(1) lists $option, which kelvara-design lacks"
done
echo "all documented"

echo "== the bash completion of kelvara-design"
completion="$root/usr/share/bash-completion/completions/kelvara-design"
[[ -f "$completion" ]] || fail "no bash completion at /usr/share/bash-completion/completions/kelvara-design"
offered=$(PATH="$root/usr/bin:$PATH" bash --norc -c "source '$completion' && COMP_WORDS=(kelvara-design --response '') &&
  COMP_CWORD=2 && _kelvara_design && echo \"\${COMPREPLY[*]}\"")
[[ "$offered" == "butterworth bessel chebyshev legendre linkwitz-riley" ]] || fail "the completion of --response offers '$offered'"
echo "--response: $offered"

echo "== the unpacked kelvara-design"
"$design" --version | grep -qx "kelvara-design [0-9.]*" || fail "kelvara-design --version"
json=$("$design" --cutoff 1k --json)
echo "$json"
grep -q '"valid": *true' <<<"$json" || fail "kelvara-design --cutoff 1k --json did not give a valid design"

echo "== the unpacked window"
[[ -L "$root/usr/lib/kelvara/pict" && -f "$root/usr/lib/kelvara/pict/LPF_2.jpg" ]] || fail "pictures not found beside the program"
[[ -f "$root/usr/lib/kelvara/HowToUse/Vornix_HowToUse_Top.html" ]] || fail "manual not found beside the program"
# Xvfb picks a free display and writes its number to fd 3 (a display
# chosen here could be one another program's Xvfb already holds).
exec 3>"$root/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 100); do [[ -s "$root/display" ]] && break; sleep 0.1; done
[[ -s "$root/display" ]] || fail "Xvfb did not start"
export DISPLAY=":$(head -1 "$root/display")"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
xdpyinfo >/dev/null 2>&1 || fail "Xvfb did not start"
openbox >/dev/null 2>&1 &
wm_pid=$!
# Only once the window manager runs: a window mapped while it takes over the
# screen can stay unmapped (seen on a loaded machine). A loaded machine may
# also take many seconds to start it.
for _ in $(seq 600); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.1
done
xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' || fail "openbox did not start"
home=$(mktemp -d "$root/home-XXXXXX")
HOME="$home" XDG_CONFIG_HOME="$home/.config" LANG=ja_JP.UTF-8 "$root/usr/bin/kelvara" >"$root/app.log" 2>&1 &
app_pid=$!
timeout 90 xdotool search --sync --onlyvisible --name '^Kelvara 2$' >/dev/null || {
  cat "$root/app.log"
  fail "the main window of the unpacked program did not appear"
}
sleep 1
windows=$(xdotool search --onlyvisible --name '.' getwindowname %@ 2>/dev/null | sort -u)
echo "windows: $(tr '\n' '|' <<<"$windows")"
# An error box is titled with the program's name; the pictures are read at start.
grep -qx 'Kelvara' <<<"$windows" && fail "the unpacked program shows an error box"
kill -0 "$app_pid" 2>/dev/null || fail "the unpacked program ended"
if [[ -n "${KELVARA_PACKAGE_SCREENSHOT:-}" ]] && command -v import >/dev/null; then
  import -window root "$KELVARA_PACKAGE_SCREENSHOT"
fi
echo "package check passed"
