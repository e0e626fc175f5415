#!/usr/bin/env bash
# "Imprimir" on a queue that rejects jobs, through a print scheduler of the test's own: the user
# confirms the printer dialog and is told that nothing was printed.
source "$(dirname "$0")/common.bash" "$@"

PPD=/usr/share/ppd/cups-pdf/CUPS-PDF_noopt.ppd
export PATH=$PATH:/usr/sbin:/sbin
if [ "$(id -u)" != 0 ] || ! command -v cupsd lpadmin cupsreject >/dev/null || [ ! -f $PPD ]; then
    echo "FAIL: needs root, cupsd, lpadmin and the cups-pdf queue"
    exit 1
fi

# The scheduler: its configuration, state, spool and socket in a folder of its own.
CUPS=$E2E_TMP/cups
mkdir -p "$CUPS/spool" && mkdir -m 1777 "$CUPS/tmp"
printf 'Listen %s/sock\n<Policy default>\n<Limit All>\n</Limit>\n</Policy>\n' "$CUPS" >"$CUPS/cupsd.conf"
printf '%s\n' "ServerRoot $CUPS" "StateDir $CUPS" "CacheDir $CUPS" "RequestRoot $CUPS/spool" \
    "TempDir $CUPS/tmp" "PageLog $CUPS/page_log" "Printcap $CUPS/printcap" \
    "AccessLog $CUPS/access_log" "ErrorLog $CUPS/error_log" 'User lp' 'Group lp' >"$CUPS/files.conf"
cupsd -f -c "$CUPS/cupsd.conf" -s "$CUPS/files.conf" &
started $!
export CUPS_SERVER=$CUPS/sock
within 10 test -S "$CUPS_SERVER" &&
    lpadmin -p Escritorio -E -v cups-pdf:/ -P $PPD && lpadmin -d Escritorio && cupsreject Escritorio ||
    { echo "FAIL: the print scheduler did not start"; exit 1; }

start_x
start_wm
new_home printing
mkdir -p "$DATA"
printf '%s\r\n' '[Indice]' 'TotalForms=1' '[1]' 'Top=1500' 'Left=1500' 'Titulo=Compras' \
    'Visivel=True' >"$DATA/Indice.cfg"
printf ',1,\r\n' >"$DATA/indice.dat"
printf '{\\rtf1\\ansi leite\\par}\r\n' >"$DATA/notavex1.arl"
start_notavex
wait_ready "$NV_PID" && wait_windows "$NV_PID" 1

shown() { xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }
# The note at 100,100: its menu from a right click in its text, then "Imprimir".
xdotool mousemove 190 220 click 3 sleep 0.5 key Down Down Down Down Down Down Return
check "the printer dialog opens" within 5 shown '^Imprimir$'
xdotool search --onlyvisible --name '^Imprimir$' windowactivate --sync key Return
check "a rejected job is reported" within 10 shown '^imprimir$'
check "no job was queued" eval '[ -z "$(lpstat -W all -o Escritorio)" ]'
finish
