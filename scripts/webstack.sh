# Shared by scripts/demo and scripts/bench (sourced, not run): prepares a device
# root and runs the daemon simulator and lighttpd with the request program on it.
#
# Settings read from the environment:
#   NVR_BUILD   build directory whose bin/ holds webcgi, coresim, kvdbctl (default: build)
# State kept by the functions (so that ws_stop can end exactly what was started):
#   WS_ROOT, WS_PORT, WS_STATE, WS_LIGHTTPD_PID, WS_CORESIM_PID

WS_TOP=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
WS_BUILD=${NVR_BUILD:-build}
case "$WS_BUILD" in /*) ;; *) WS_BUILD="$WS_TOP/$WS_BUILD" ;; esac
WS_BIN="$WS_BUILD/bin"
WS_LIGHTTPD=${LIGHTTPD:-$(command -v lighttpd || echo /usr/sbin/lighttpd)}
WS_LIGHTTPD_PID=
WS_CORESIM_PID=
WS_EXTRA_ENV=()   # NAME=VALUE pairs handed to the request program besides NVR_ROOT and PATH

ws_die() { echo "${0##*/}: $*" >&2; exit 1; }
ws_have() { [ -x "$WS_BIN/$1" ]; }

# The path is pasted into the server configuration between double quotes.
ws_check_path() {
  case "$1" in
    /*) ;;
    *) ws_die "not an absolute path: $1" ;;
  esac
  [[ "$1" =~ ^[A-Za-z0-9_./+@,:=-]+$ ]] || ws_die "path has characters the server configuration cannot carry: $1"
}

# True when something accepts connections on 127.0.0.1:PORT.
ws_port_busy() {
  (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

# Refuses (status 2, with a message) a port that is not a number or is taken.
ws_port_usable() {
  [[ "$1" =~ ^[0-9]+$ ]] && [ "$1" -ge 1 ] && [ "$1" -le 65535 ] || ws_die "not a port number: $1"
  if ws_port_busy "$1"; then
    echo "${0##*/}: port $1 on 127.0.0.1 is already in use; choose another with --port N or PORT=N" >&2
    return 2
  fi
}

ws_free_port() {
  local p tries
  for tries in $(seq 1 50); do
    p=$((20000 + RANDOM % 30000))
    ws_port_busy "$p" || { echo "$p"; return 0; }
  done
  ws_die "no free port found"
}

# ws_prepare_root ROOT PASSWORD: the directories of the device, a factory-default
# database with an administrator "admin" of that password, the language list and
# the words of the log codes and of the web pages.
ws_prepare_root() {
  local root=$1 password=$2 d
  ws_check_path "$root"
  [ "$root" != / ] || ws_die "the device root must not be /"
  for d in tmp var/run mnt/nand/app mnt/nand/ssl/tmp mnt/nand2 opt/app/bin opt/app/lang opt/app/www/webfile/json; do
    mkdir -p "$root/$d" || ws_die "cannot create $root/$d"
  done
  if ws_have kvdbctl; then
    rm -f "$root/mnt/nand/app/kvdb.db" "$root/mnt/nand/app"/kvdb-*.db "$root/mnt/nand/app/anpr.db" \
      "$root/mnt/nand2/oem.db"
    "$WS_BIN/kvdbctl" --root "$root" init --admin-password "$password" >/dev/null \
      || ws_die "kvdbctl init failed"
  else
    echo "${0##*/}: no kvdbctl in $WS_BIN yet: the program creates the database on first use" >&2
  fi
  ws_write_languages "$root/opt/app/www/webfile/json/languages.json"
  cp "$WS_TOP"/data/lang/*.lang "$root/opt/app/lang/" || ws_die "cannot copy the log words"
  cp "$WS_TOP"/data/webfile/*.json "$root/opt/app/www/webfile/json/" || ws_die "cannot copy the page words"
}

ws_write_languages() {
  cat >"$1" <<'JSON'
{"defaultLan":"en-US","list":[
{"value":"en-US","name":"English","isDefault":true},
{"value":"zh-CN","name":"简体中文","isDefault":false},
{"value":"zh-TW","name":"繁體中文","isDefault":false},
{"value":"ja-JP","name":"日本語","isDefault":false},
{"value":"ko-KR","name":"한국어","isDefault":false},
{"value":"de-DE","name":"Deutsch","isDefault":false},
{"value":"fr-FR","name":"Français","isDefault":false},
{"value":"es-ES","name":"Español","isDefault":false},
{"value":"it-IT","name":"Italiano","isDefault":false},
{"value":"pt-PT","name":"Português","isDefault":false},
{"value":"pt-BR","name":"Português (Brasil)","isDefault":false},
{"value":"ru-RU","name":"Русский","isDefault":false},
{"value":"pl-PL","name":"Polski","isDefault":false},
{"value":"cs-CZ","name":"Čeština","isDefault":false},
{"value":"nl-NL","name":"Nederlands","isDefault":false},
{"value":"tr-TR","name":"Türkçe","isDefault":false},
{"value":"hu-HU","name":"Magyar","isDefault":false},
{"value":"vi-VN","name":"Tiếng Việt","isDefault":false},
{"value":"th-TH","name":"ไทย","isDefault":false},
{"value":"ar-SA","name":"العربية","isDefault":false},
{"value":"he-IL","name":"עברית","isDefault":false}
]}
JSON
}

# ws_start ROOT PORT STATE_DIR: starts coresim (when built) and lighttpd; returns
# once the server answers. CGI programs are served from STATE_DIR/cgi-bin.
ws_start() {
  WS_ROOT=$1 WS_PORT=$2 WS_STATE=$3
  ws_check_path "$WS_ROOT"
  ws_check_path "$WS_STATE"
  ws_check_path "$WS_BIN"
  [ -x "$WS_BIN/webcgi" ] || ws_die "no $WS_BIN/webcgi: run 'make build' first (or set NVR_BUILD)"
  [ -x "$WS_LIGHTTPD" ] || ws_die "lighttpd is not installed: run 'make bootstrap'"
  ws_port_usable "$WS_PORT" || return 2

  mkdir -p "$WS_STATE/cgi-bin"
  ln -sfn "$WS_BIN/webcgi" "$WS_STATE/cgi-bin/webcgi"
  # The developer console: its page at the server's root, its companion CGI.
  ln -sfn "$WS_TOP/scripts/console.cgi" "$WS_STATE/cgi-bin/console"
  cp "$WS_TOP/web/console.html" "$WS_ROOT/opt/app/www/index.html" || ws_die "cannot copy the console page"
  : >"$WS_STATE/coresim.jsonl"

  if ws_have coresim; then
    rm -f "$WS_ROOT/var/run/kvsocket"
    "$WS_BIN/coresim" --root "$WS_ROOT" --log "$WS_STATE/coresim.log" --json-log "$WS_STATE/coresim.jsonl" \
      2>>"$WS_STATE/coresim.log" &
    WS_CORESIM_PID=$!
    local i
    for i in $(seq 1 100); do
      [ -S "$WS_ROOT/var/run/kvsocket" ] && break
      kill -0 "$WS_CORESIM_PID" 2>/dev/null || break
      sleep 0.05
    done
    [ -S "$WS_ROOT/var/run/kvsocket" ] || { tail -n 5 "$WS_STATE/coresim.log" >&2; ws_die "coresim did not start"; }
  else
    echo "${0##*/}: no coresim in $WS_BIN yet: routes that ask the core daemon answer CGI ERROR" >&2
  fi

  local extra="" kv
  for kv in "${WS_EXTRA_ENV[@]}"; do
    [[ "$kv" =~ ^[A-Z_]+=[A-Za-z0-9_./:-]*$ ]] || ws_die "bad environment setting: $kv"
    extra+=", \"${kv%%=*}\" => \"${kv#*=}\""
  done
  local conf
  conf=$(<"$WS_TOP/scripts/lighttpd.conf.in")
  conf=${conf//@PORT@/$WS_PORT}
  conf=${conf//@DOCROOT@/$WS_ROOT/opt/app/www}
  conf=${conf//@STATE@/$WS_STATE}
  conf=${conf//@CGIDIR@/$WS_STATE/cgi-bin}
  conf=${conf//@ROOT@/$WS_ROOT}
  conf=${conf//@PATH@/$WS_BIN:/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin}
  conf=${conf//@EXTRA_ENV@/$extra}
  printf '%s\n' "$conf" >"$WS_STATE/lighttpd.conf"
  "$WS_LIGHTTPD" -tt -f "$WS_STATE/lighttpd.conf" >"$WS_STATE/lighttpd.out" 2>&1 \
    || { cat "$WS_STATE/lighttpd.out" >&2; ws_die "lighttpd refused the generated configuration"; }

  : >"$WS_STATE/error.log"
  "$WS_LIGHTTPD" -D -f "$WS_STATE/lighttpd.conf" >>"$WS_STATE/lighttpd.out" 2>&1 &
  WS_LIGHTTPD_PID=$!
  local i
  for i in $(seq 1 100); do
    if ! kill -0 "$WS_LIGHTTPD_PID" 2>/dev/null; then
      wait "$WS_LIGHTTPD_PID" 2>/dev/null
      WS_LIGHTTPD_PID=
      cat "$WS_STATE/lighttpd.out" "$WS_STATE/error.log" >&2
      if grep -qi 'address already in use' "$WS_STATE/lighttpd.out" "$WS_STATE/error.log"; then
        echo "${0##*/}: port $WS_PORT on 127.0.0.1 is already in use" >&2
        return 2
      fi
      ws_die "lighttpd did not start"
    fi
    curl -s -o /dev/null --max-time 1 "http://127.0.0.1:$WS_PORT/webfile/json/languages.json" && return 0
    sleep 0.05
  done
  ws_die "lighttpd did not answer on port $WS_PORT"
}

# Ends the two servers this shell started (by their process ids) and waits for them.
ws_stop() {
  local pid n
  for pid in $WS_LIGHTTPD_PID $WS_CORESIM_PID; do
    kill -TERM "$pid" 2>/dev/null || continue
    for n in $(seq 1 60); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.05
    done
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  WS_LIGHTTPD_PID=
  WS_CORESIM_PID=
}

ws_url() { echo "http://127.0.0.1:$WS_PORT/cgi-bin/webcgi"; }
