#!/usr/bin/env bash
# Companion CGI of the developer console, for the demo only (scripts/webstack.sh
# links it beside webcgi; never part of the recorder). Its answers:
#   console?routes   the route reference (webcgi --routes), tab-separated text
#   console?rows     every database row, one line each (kvdbctl rows): the page
#                    diffs the rows before and after a request
#   console?log=N    coresim's request log from line N+1 on: {"next": M, "requests": [...]}
# The device root comes from NVR_ROOT and the programs from PATH, as for webcgi.
set -uo pipefail
state=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)  # cgi-bin/ lives in the server's state directory
log="$state/coresim.jsonl"

answer() { printf 'Content-Type: %s\r\nCache-Control: no-store\r\n\r\n' "$1"; }
refuse() { printf 'Status: 400 Bad Request\r\nContent-Type: text/plain\r\n\r\n%s\n' "$1"; exit 0; }

[ -n "${NVR_ROOT:-}" ] || refuse "no NVR_ROOT"
case "${QUERY_STRING:-}" in
  routes)
    answer text/plain
    env -u GATEWAY_INTERFACE webcgi --routes
    ;;
  rows)
    answer text/plain
    kvdbctl --root "$NVR_ROOT" rows
    ;;
  log=*)
    from=${QUERY_STRING#log=}
    [[ "$from" =~ ^[0-9]{1,9}$ ]] || refuse "log=N wants a line count"
    total=0
    [ -f "$log" ] && total=$(wc -l <"$log")
    answer application/json
    printf '{"next": %d, "requests": [' "$total"
    if [ "$total" -gt "$from" ]; then
      # Lines are whole JSON objects, written one call each by coresim.
      sed -n "$((from + 1)),${total}p" "$log" | paste -sd, -
    fi
    printf ']}\n'
    ;;
  *) refuse "ask for routes, rows or log=N" ;;
esac
