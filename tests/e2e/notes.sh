#!/usr/bin/env bash
# Notes come back: the welcome note on a first start, and a prepared folder of 50 notes with every
# title, position, colour, text and flag; after "uninstall" the files hold what was on screen.
source "$(dirname "$0")/common.bash" "$@"
RTFDUMP="$BUILD_DIR/tools/rtfdump"

start_x
start_wm

echo "-- the welcome note appears where its files put it"
new_home welcome
start_notavex
pid=$NV_PID
check "program becomes ready" wait_ready "$pid"
check "one note window is mapped" wait_windows "$pid" 1
# Top 5236 and Left 8533 twips, at 15 twips to a pixel.
check "at 569,349 (got $(note_windows "$pid" | tr '\n' ' '))" [ "$(note_windows "$pid")" = "569,349" ]
"$BIN" uninstall >/dev/null 2>&1
ended_within "$pid" 5
check "the welcome note was saved with its text" \
    grep -q 'gerenciar os seus recados' <("$RTFDUMP" "$DATA/notavex1.arl")

echo "-- a folder of 50 notes"
new_home fifty
mkdir -p "$DATA"
python3 - "$DATA" <<'PY'
import os, sys
data = sys.argv[1]
cfg = ["[Indice]", "TotalForms=50", "Coloridos=False"]
ids = list(range(1, 51))
ids[0], ids[10] = 11, 1      # not in number order
for n in ids:
    top, left = 300 + (n % 10) * 900, 450 + (n // 10) * 2700
    if n == 7:
        top = 20000          # below the screen: brought back (note 50 is beyond the right edge)
    visivel = {3: "False", 9: "false", 12: "0", 15: "verdadeiro", 18: ""}.get(n, "True")
    ontop = {4: "True", 5: "false", 6: "True"}.get(n, "False")
    color1 = "&H52E9FE" if n == 8 else str(1000 * n)
    cfg += ["[%d]" % n, "Top=%d" % top, "Left=%d" % left, "Tag=%d" % n,
            "Titulo=Nota %d ação" % n, "Visivel=" + visivel, "Color1=" + color1,
            "Color2=%d" % (8912895 - n), "OnTop=" + ontop]
    rtf = ("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}}\r\n"
           "{\\colortbl ;\\red200\\green0\\blue0;}\r\n"
           "\\viewkind4\\uc1\\pard\\f0\\fs20 Nota %d: caf\\'e9 com \\b p\\'e3o\\b0  e \\cf1 "
           "\\i leite\\i0\\cf0\\par\r\nsegunda linha \\u8364?\\par\r\n}\r\n" % n)
    with open(os.path.join(data, "notavex%d.arl" % n), "w", newline="") as f:
        f.write(rtf)
with open(os.path.join(data, "Indice.cfg"), "w", encoding="cp1252", newline="") as f:
    f.write("\r\n".join(cfg) + "\r\n")
with open(os.path.join(data, "indice.dat"), "w", newline="") as f:
    f.write("," + ",".join(map(str, ids)) + ",\r\n")
PY
cp -r "$DATA" "$E2E_TMP/before"
start_notavex
pid=$NV_PID
check "program becomes ready" wait_ready "$pid"
# Hidden: 3 (False), 9 (false), 12 (0); every other note is shown.
check "47 note windows are mapped" wait_windows "$pid" 47
positions=$(note_windows "$pid")
check "note 2 where it was stored (Left 450, Top 2100 twips)" grep -qx "30,140" <<<"$positions"
check "note 11 listed first is where it was stored" grep -qx "210,80" <<<"$positions"

pinned_windows() {
    local w n=0
    for w in $(xdotool search --onlyvisible --pid "$pid" 2>/dev/null); do
        xprop -id "$w" _NET_WM_STATE 2>/dev/null | grep -q _NET_WM_STATE_ABOVE && n=$((n + 1))
    done
    echo "$n"
}
check "notes 4, 5 (lower-case false) and 6 stay on top ($(pinned_windows))" [ "$(pinned_windows)" -eq 3 ]

"$BIN" uninstall >/dev/null 2>&1
check "uninstall ends the program" ended_within "$pid" 10

check "TotalForms is 50" [ "$(ini_value "$DATA/Indice.cfg" TotalForms)" = 50 ]
python3 - "$E2E_TMP/before" "$DATA" "$RTFDUMP" <<'PY' >"$E2E_TMP/compare.txt" 2>&1
import configparser, subprocess, sys
before, after, rtfdump = sys.argv[1:]
def load(folder):
    p = configparser.RawConfigParser(strict=False)
    p.optionxform = str
    p.read_file(open(folder + "/Indice.cfg", encoding="cp1252", newline=""))
    return p
b, a = load(before), load(after)
bad = []
def num(t):
    return int(t[2:], 16) if t.startswith("&H") else int(t)
line = open(after + "/indice.dat", newline="").read()
if sorted(int(x) for x in line.strip().strip(",").split(",")) != list(range(1, 51)) or not line.endswith("\r\n"):
    bad.append("list " + repr(line))
for n in range(1, 51):
    s = str(n)
    for key in ("Titulo", "Tag"):
        if b[s][key] != a[s][key]:
            bad.append("%d %s %r != %r" % (n, key, b[s][key], a[s][key]))
    for key in ("Color1", "Color2"):
        if num(b[s][key]) != num(a[s][key]):
            bad.append("%d %s" % (n, key))
    want_visible = b[s]["Visivel"].lower() in ("true", "1", "verdadeiro", "")
    if a[s]["Visivel"] != ("True" if want_visible else "False"):
        bad.append("%d Visivel %r" % (n, a[s]["Visivel"]))
    if a[s]["OnTop"] != b[s]["OnTop"]:
        bad.append("%d OnTop changed" % n)
    # 1024x768 is 15360x11520 twips: a note beyond 2000 twips from the right or bottom edge is
    # brought back to a random place; every other note stays where it was.
    for key, size, span in (("Top", 11520, 3000), ("Left", 15360, 2700)):
        was, now = int(b[s][key]), int(a[s][key])
        if was > size - 2000:
            if not 0 <= now < size - span:
                bad.append("%d %s not brought back: %d" % (n, key, now))
        elif was != now:
            bad.append("%d %s %d != %d" % (n, key, now, was))
    t0 = subprocess.run([rtfdump, "%s/notavex%d.arl" % (before, n)], capture_output=True).stdout
    t1 = subprocess.run([rtfdump, "%s/notavex%d.arl" % (after, n)], capture_output=True).stdout
    if t0 != t1 or b"caf\xc3\xa9" not in t1 or "€".encode() not in t1:
        bad.append("%d text %r != %r" % (n, t0, t1))
print("\n".join(bad) if bad else "same")
PY
check "every title, position, colour, flag and text came back ($(head -c 300 "$E2E_TMP/compare.txt"))" \
    [ "$(cat "$E2E_TMP/compare.txt")" = same ]

finish
