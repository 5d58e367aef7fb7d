#!/bin/bash
# A stand-in for pppd in the driver's tests: fake_pppd.sh <dir> <scenario> <pppd's arguments>.
# It notes its pid, its arguments and its option files (with their modes) in <dir>, writes the
# log lines pppd and chat write in that scenario to the descriptor given by "logfd", keeps an
# interface ppp0 with byte counters under <dir>/sys while the link is up, and ends with pppd's
# exit status for the scenario. While the link is up, the FIFO <dir>/control takes "tick" (the
# counters grow) and "hangup" (the modem hangs up).
dir=$1 scenario=$2
shift 2
echo $$ >"$dir/pid"
printf '%s\n' "$@" >"$dir/argv"
device=$1 logfd=1 prev=
for arg in "$@"; do
    case $prev in
    logfd) logfd=$arg ;;
    connect) chat=${arg##* } ;;
    file) account=$arg ;;
    esac
    prev=$arg
done
for file in chat account; do
    [ -n "${!file}" ] && stat -c %a "${!file}" >"$dir/$file.mode" && cp "${!file}" "$dir/$file"
done

log() { printf '%s\n' "$@" >&"$logfd"; }
net=$dir/sys/class/net/ppp0/statistics tx=100 rx=200
counters() {
    mkdir -p "$net"
    echo $tx >"$net/tx.new" && mv "$net/tx.new" "$net/tx_bytes"
    echo $rx >"$net/rx.new" && mv "$net/rx.new" "$net/rx_bytes"
}
down() { # pppd counts the link's last packets too
    log "Connection terminated." "Sent $((tx + 5)) bytes, received $((rx + 5)) bytes."
    rm -rf "$dir/sys/class/net/ppp0"
    exit "$1"
}
dial() { # chat's lines up to the modem's answer $1
    log "abort on (BUSY)" "abort on (NO CARRIER)" "send (AT^M)" "expect (OK)" "OK" " -- got it" \
        "send (ATD*99#^M)" "expect (CONNECT)" "^M" "$1"
}
if [ "$scenario" = ignore_term ]; then trap '' TERM; else trap 'log "Terminating on signal 15."; down 5' TERM; fi

log "pppd 2.4.9 started by root, uid 0"
case $scenario in
no_kernel) log "Couldn't open the /dev/ppp device: No such file or directory" && exit 4 ;;
no_kernel_fatal) log "Sorry - this system lacks PPP kernel support" && exit 1 ;;
not_root) log "pppd: must be root to run pppd, since it is not setuid-root" && exit 3 ;;
locked) log "Device ${device#/dev/} is locked by pid 4242" && exit 6 ;;
busy | no_carrier)
    answer=BUSY
    [ "$scenario" = no_carrier ] && answer="NO CARRIER"
    dial "$answer"
    log " -- failed" "Failed ($answer)" "Connect script failed"
    exit 8
    ;;
esac
dial CONNECT
log " -- got it" "Serial connection established." "Using interface ppp0" \
    "Connect: ppp0 <--> $device" "sent [LCP ConfReq id=0x1 <asyncmap 0x0> <magic 0x5f3c>]"
[ "$scenario" = auth_failed ] && log "PAP authentication failed" && down 19
log "PAP authentication succeeded"
counters
exec 3<>"$dir/control"
log "local  IP address 10.1.2.3" "remote IP address 10.64.64.64" \
    "primary   DNS address 8.8.8.8" "secondary DNS address 8.8.4.4"
# bash's read can miss a signal that comes just before it blocks; the timeout lets a missed
# SIGTERM's trap run at the next turn instead of never.
while :; do
    read -r -t 0.2 command <&3 || continue
    case $command in
    tick) tx=$((tx + 1000)) rx=$((rx + 2000)) && counters ;;
    hangup) log "Modem hangup" && down 16 ;;
    esac
done
