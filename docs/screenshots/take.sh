#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Takes the screenshots of this folder: the windowed program scans the test network's first /24
# from the lab's scanner namespace, on a virtual X display. Needs the lab up, xvfb, xdotool and
# ImageMagick's import. Run as root from the source tree:
#   ip netns exec vnl-scan xvfb-run -a -s "-screen 0 1280x800x24" \
#       docs/screenshots/take.sh build/gui/vistrel 1280 800 /tmp/shots/big
set -eu
PROGRAM=$1; W=$2; H=$3; OUT=$4
HOME=$(mktemp -d)
export HOME
mkdir -p "$HOME/.config/brenmark"
cat > "$HOME/.config/brenmark/vistrel.conf" <<CONF
[General]
show_unknown=false
scan_netbios=true
State\LastRangeUsed=198.18.0.0/24
State\MainWnd\Rect=@Rect(0 0 $W $H)
State\MainWnd\Maximized=false
CONF
QT_QPA_PLATFORM=xcb "$PROGRAM" > "$HOME/log.txt" 2>&1 &
PID=$!
sleep 3
WID=$(xdotool search --onlyvisible --name Vistrel | head -1)
import -window "$WID" "$OUT-idle.png"
xdotool mousemove 50 95 click 1          # the Scan button
xdotool mousemove 700 $((H - 150))        # out of the way of hover highlights
sleep 1.5
import -window "$WID" "$OUT-scanning.png"
sleep 45                                  # the /24 takes about half a minute
xdotool mousemove 214 10 click 1          # View
sleep 0.5
xdotool mousemove 240 34 click 1          # Expand all
xdotool mousemove 700 $((H - 150))
sleep 0.5
import -window "$WID" "$OUT-finished.png"
kill "$PID"
wait "$PID" || true
rm -rf "$HOME"
