#!/usr/bin/env bash
# A folder of 50 notes comes back with every title, position, colour, text and flag; after
# "uninstall" the files hold what was on screen.
source "$(dirname "$0")/common.bash" "$@"

start_x

set_key() { # note, key, value
    sed -i "/^\[$1\]\r\$/,/^\[/ s/^$2=.*/$2=$3\r/" "$DATA/Indice.cfg"
}

new_home fifty
make_folder small 50
# Every spelling of the flags; note 7 below the screen and note 50 beyond its right edge are
# brought back; the list not in number order.
for v in 3:False 9:false 12:0 15:verdadeiro 18:; do set_key "${v%%:*}" Visivel "${v#*:}"; done
for v in 4:True 5:false 6:True; do set_key "${v%%:*}" OnTop "${v#*:}"; done
set_key 7 Top 20000
set_key 8 Color1 '\&H52E9FE'
printf ',11,%s,1,%s,\r\n' "$(seq -s, 2 10)" "$(seq -s, 12 50)" >"$DATA/indice.dat"
cp -r "$DATA" "$E2E_TMP/before"
start_ready
# Hidden: 3 (False), 9 (false), 12 (0); every other note is shown.
check "47 note windows are mapped" wait_windows "$NV_PID" 47
positions=$(note_windows "$NV_PID")
check "note 2 where it was stored (Left 450, Top 2100 twips)" grep -qx "30,140" <<<"$positions"
check "note 11 listed first is where it was stored" grep -qx "210,80" <<<"$positions"

on_top=$(for w in $(note_window_ids "$NV_PID"); do pinned "$w" && echo "$w"; done | wc -l)
check "notes 4, 5 (lower-case false) and 6 stay on top ($on_top)" [ "$on_top" -eq 3 ]

check "uninstall ends the program" uninstall_ends

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
    for key in ("Titulo", "Tag", "Color1", "Color2", "OnTop"):
        was, now = (num(x[s][key]) if key.startswith("Color") else x[s][key] for x in (b, a))
        if was != now:
            bad.append("%d %s %r != %r" % (n, key, now, was))
    want_visible = b[s]["Visivel"].lower() in ("true", "1", "verdadeiro", "")
    if a[s]["Visivel"] != ("True" if want_visible else "False"):
        bad.append("%d Visivel %r" % (n, a[s]["Visivel"]))
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
