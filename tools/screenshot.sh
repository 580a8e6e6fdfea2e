#!/usr/bin/env bash
# Shows Vantoro without a desktop: starts the program under a virtual X server on a fresh
# database that watches this machine (127.0.0.1 with one open and one closed TCP port, and
# 127.0.0.2), waits for its first check round and saves a picture of the main window.
#   tools/screenshot.sh [output.png]        (default build/vantoro-window.png)
# Needs the program built (./setup.sh) and the Debian package xvfb. Nothing leaves the
# loopback addresses; everything is kept in a temporary folder that is removed at the end.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$here/build/vantoro-window.png}")
prog=${VANTORO_PROGRAM:-$here/build/Vantoro/vantoro}
[ -x "$prog" ] || { echo "build the program first: ./setup.sh" >&2; exit 1; }
command -v xvfb-run >/dev/null || { echo "install the Debian package xvfb" >&2; exit 1; }

grab=$here/build/tools/grabscreen
if [ ! -x "$grab" ] || [ "$here/tools/grabscreen.cpp" -nt "$grab" ]; then
  mkdir -p "$(dirname "$grab")"
  # shellcheck disable=SC2046
  g++ -std=c++20 -fPIC -O1 "$here/tools/grabscreen.cpp" $(pkg-config --cflags --libs Qt6Gui) -o "$grab"
fi

work=$(mktemp -d)
listener=""
cleanup() {
  [ -n "$listener" ] && kill "$listener" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

export VANTORO_HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run
mkdir -p "$VANTORO_HOME" "$XDG_CONFIG_HOME/Vantoro" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
db=$VANTORO_HOME/Vantoro.MDB
cp "$(dirname "$prog")/Vantoro.MDB" "$db"
cp "$(dirname "$prog")/Siren.wav" "$VANTORO_HOME/" 2>/dev/null || true

free_port() {  # $1: tcp or udp
  /usr/bin/python3 - "$1" <<'PY'
import socket, sys
kind = socket.SOCK_STREAM if sys.argv[1] == "tcp" else socket.SOCK_DGRAM
s = socket.socket(socket.AF_INET, kind)
s.bind(("127.0.0.1", 0))
print(s.getsockname()[1])
PY
}
open_port=$(free_port tcp)
closed_port=$(free_port tcp)
messenger_port=$(free_port udp)

# A TCP service on the open port for the port check to find.
/usr/bin/python3 - "$open_port" <<'PY' &
import socket, sys
s = socket.socket()
s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(("127.0.0.1", int(sys.argv[1])))
s.listen(16)
while True:
    c, _ = s.accept()
    c.close()
PY
listener=$!

sqlite3 "$db" <<SQL
INSERT INTO TBL_Group (グループ, 表示名, 説明, 診断有無) VALUES ('LOCAL', 'この機械', 'ループバック', -1);
INSERT INTO TBL_Computer (アドレス, グループ, コンピュータ名, 種類, 表示名, 説明, 異常判断回数, タイムアウト)
  VALUES ('127.0.0.1', 'LOCAL', 'localhost', 'サーバ', 'ループバック1', '開いたポートと閉じたポート', 3, 1000),
         ('127.0.0.2', 'LOCAL', 'localhost2', 'PC', 'ループバック2', 'ping のみ', 3, 1000);
INSERT INTO TBL_PortCheck (アドレス, ポート番号, サービス名, 状況)
  VALUES ('127.0.0.1', $open_port, '開いたポート', 'SStart'),
         ('127.0.0.1', $closed_port, '閉じたポート', 'SStart');
SQL

cat > "$XDG_CONFIG_HOME/Vantoro/$(basename "$prog").ini" <<INI
[Local]
DatabasePath=$db
UserName=screenshot
Port=$messenger_port
TimerInterval=10
PingCheck=True
PortTimeOut=1
Sound=False
PatLamp=False
PopUp=False
SendMsg=False
FormTop=False
INI

export prog grab out VANTORO_HOME
xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
  "$prog" >/dev/null 2>&1 &
  pid=$!
  # The first round comes one check interval (10 s) after start; its failed port check
  # writes the day log. Wait for it, at most a minute.
  for _ in $(seq 1 60); do
    ls "$VANTORO_HOME"/Log/*.LOG >/dev/null 2>&1 && break
    sleep 1
  done
  sleep 2
  QT_QPA_PLATFORM=xcb "$grab" "$out"
  rc=$?
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  exit $rc'
echo "saved $out"
