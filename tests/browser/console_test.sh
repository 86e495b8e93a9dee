#!/usr/bin/env bash
# The developer console in a real browser: a temporary device root served as by
# scripts/demo, the page loaded in headless Chromium, "/6100" sent, the disk list
# seen; then again with the program taken away, which must fail.
# Skipped (exit 77) only where chromium or node is missing: scripts/bootstrap,
# run by make test and make demo, installs both.
set -uo pipefail
source "$(dirname "$0")/../../scripts/webstack.sh"
chromium=${CHROMIUM:-$(command -v chromium || true)}
if [ -z "$chromium" ] || ! command -v node >/dev/null; then
  echo "console test: skipped: chromium or node is not installed (as root: scripts/bootstrap, or apt-get install chromium nodejs)"
  exit 77
fi
tmp=$(mktemp -d /tmp/nvrconsole.XXXXXX) || exit 1
cleanup() { ws_stop; rm -rf -- "$tmp"; }
trap cleanup EXIT
mkdir -p "$tmp/root"
WS_EXTRA_ENV=("NVR_TIME_SCALE=0.05")
ws_prepare_root "$tmp/root" admin123
for try in 1 2 3 0; do
  [ $try -gt 0 ] || exit 1
  ws_start "$tmp/root" "$(ws_free_port)" "$tmp/root/.web" && break
  ws_stop
done
page="http://127.0.0.1:$WS_PORT/"

node "$WS_TOP/tests/browser/console_check.mjs" "$page" "$chromium" "$tmp/profile1" || exit 1
# Without the program the same check must fail.
rm -f "$WS_STATE/cgi-bin/webcgi"
if node "$WS_TOP/tests/browser/console_check.mjs" "$page" "$chromium" "$tmp/profile2" 2>"$tmp/unreachable.err"; then
  echo "console test: the check passed although the page could not reach the program" >&2
  exit 1
fi
echo "console test: without the program the check fails as it should ($(head -c 120 "$tmp/unreachable.err"))"
