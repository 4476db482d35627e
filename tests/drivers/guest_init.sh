#!/bin/busybox sh
# /init of the driver-test machine. Loads the real drivers, builds a USB
# printer gadget on dummy_hcd, runs every driver test once and powers off.
# Lines to the host on the console:
#   @@RESULT NAME PASS|FAIL|SKIP DETAIL   a verdict (the host adds its own)
#   @@HOST COMMAND ...                    the host's printer ends act (serial, parallel)
#   @@DONE                                all tests ran
/bin/busybox --install -s /bin
export PATH=/bin:/opt/printune/bin
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev
mkdir -p /dev/pts /tmp
mount -t devpts devpts /dev/pts
mount -t tmpfs tmp /tmp
echo 1 >/proc/sys/kernel/printk

CLI="printune-cli --lang en"
G=/sys/kernel/config/usb_gadget/g1

now_ms() { awk '{ printf "%d\n", $1 * 1000 }' /proc/uptime; }
result() { echo "@@RESULT $*"; }
# Asks the host to act and waits until it has (its answer comes on ttyS2).
host() {
    echo "@@HOST $*"
    read -r -t 30 answer <&4 || echo "the host did not answer: $*"
}
# Bytes the simulator received, in hex, from its capture file.
rx_count() { printune-vmcheck count "$1"; }
# Waits up to $2 tenths of a second for the path $1.
wait_for() {
    i=0
    while [ ! -e "$1" ]; do
        i=$((i + 1))
        [ $i -gt "$2" ] && return 1
        sleep 0.1
    done
}
wait_gone() {
    i=0
    while [ -e "$1" ]; do
        i=$((i + 1))
        [ $i -gt "$2" ] && return 1
        sleep 0.1
    done
}
# Waits until the capture $1 stops growing (a slow printer still reading).
settle() {
    last=-1
    i=0
    while [ $i -lt 50 ]; do
        n=$(rx_count "$1")
        [ "$n" = "$last" ] && return 0
        last=$n
        sleep 0.15
        i=$((i + 1))
    done
}

# Starts the simulator with its files in $1; the rest are its options.
sim_start() {
    local sd=$1
    shift
    rm -rf "$sd" "$sd.desc"
    mkdir -p "$sd"
    printune-sim --no-tcp --quiet --dir "$sd" --describe "$sd.desc" "$@" >"$sd.log" 2>&1 &
    SIM_PID=$!
    local i=0
    while [ ! -f "$sd.desc" ]; do
        i=$((i + 1))
        if [ $i -gt 100 ] || ! kill -0 $SIM_PID 2>/dev/null; then
            echo "simulator did not start: $(cat "$sd.log")"
            return 1
        fi
        sleep 0.1
    done
}
sim_stop() {
    kill $SIM_PID 2>/dev/null
    wait $SIM_PID 2>/dev/null
}

setup() {
    for m in usb-common usbcore usblp udc-core dummy_hcd configfs libcomposite \
        usb_f_printer parport parport_pc lp; do
        insmod /lib/modules/$m.ko || echo "insmod $m failed"
    done
    mount -t configfs none /sys/kernel/config
    mkdir $G $G/strings/0x409 $G/functions/printer.0 $G/configs/c.1
    echo 0x7a3e >$G/idVendor
    echo 0x5c19 >$G/idProduct
    echo Vortan >$G/strings/0x409/manufacturer
    echo KP-520 >$G/strings/0x409/product
    echo 0001 >$G/strings/0x409/serialnumber
    echo "MFG:Vortan;MDL:HT-740;CMD:ESC/POS;CLS:PRINTER;" >$G/functions/printer.0/pnp_string
    # Few requests queued at the printer's end, so a printer that stops
    # reading stalls the host soon.
    echo 2 >$G/functions/printer.0/q_len
    ln -s $G/functions/printer.0 $G/configs/c.1/
    UDC=$(ls /sys/class/udc)
    echo "$UDC" >$G/UDC
    wait_for /dev/usb/lp0 100 && wait_for /dev/g_printer0 50
}

# Re-plugs the gadget as another product: label models are never sent to a
# receipt printer's product, so each model group gets its own.
gadget_product() {
    [ "$(cat $G/idProduct)" = "$1" ] && return 0
    echo "" >$G/UDC
    wait_gone /dev/usb/lp0 50
    echo "$1" >$G/idProduct
    echo "$UDC" >$G/UDC
    wait_for /dev/usb/lp0 100 && wait_for /dev/g_printer0 50
}

# Every USB operation of the command line through usblp to the gadget. The
# host ran each against the simulator's pty node (/expect): exit code, output
# and the bytes each step added at the printer's end must agree.
test_usb_ops() {
    d=/tmp/ops
    model=
    while IFS='|' read -r name m args; do
        case "$name" in "" | "#"*) continue ;; esac
        if [ "$m" != "$model" ]; then
            [ -n "$model" ] && sim_stop
            model=$m
            rm -f $d/seen
            case "$model" in HT-740) gadget_product 0x3d71 ;; *) gadget_product 0x5c19 ;; esac
            sim_start $d/sim --gadget "/dev/g_printer0=$model" || return 1
            cap=$d/sim/capture/gadget0.txt
            # A folder of its own per model, as on the host.
            cwd=$d/cwd-$model
            mkdir -p "$cwd"
            ln -s /data/* "$cwd/"
        fi
        t0=$(now_ms)
        # shellcheck disable=SC2086 # the arguments are words
        (cd "$cwd" && timeout 60 $CLI --port usb --model "$model" $args >"$d/$name.out" \
            2>"$d/$name.err" </dev/null)
        rc=$?
        ms=$(($(now_ms) - t0))
        settle "$cap"
        # What this step added at the printer's end.
        printune-vmcheck rx "$cap" >$d/all.rx
        awk -v skip="$(cat $d/seen 2>/dev/null || echo 0)" '{ print substr($0, skip + 1) }' \
            $d/all.rx | tr -d '\n' >"$d/$name.rx"
        wc -c <$d/all.rx >$d/seen
        got=$(($(wc -c <"$d/$name.rx") / 2))
        want=$(($(wc -c <"/expect/$name.rx") / 2))
        if [ "$(cat "/expect/$name.rc")" != 0 ]; then
            result "$name" FAIL "the reference run on the host failed"
        elif [ $rc != 0 ]; then
            result "$name" FAIL "exit $rc through usblp: $(tail -n 1 "$d/$name.err")"
        elif ! cmp -s "/expect/$name.out" "$d/$name.out"; then
            result "$name" FAIL "output differs: $(head -c 200 "$d/$name.out")"
        elif ! cmp -s "/expect/$name.rx" "$d/$name.rx"; then
            result "$name" FAIL "success reported, but $got of $want bytes arrived"
        else
            result "$name" PASS "$got bytes arrived, output agrees ($ms ms)"
        fi
    done </data/usb_ops.list
    sim_stop
    gadget_product 0x5c19
}

test_usb_listing() {
    out=$(printune-vmcheck usb-list)
    case "$out" in
    "/dev/usb/lp0 "*VID_7A3E*PID_5C19*) ;;
    *)
        result usb_listing FAIL "listing: $out"
        return
        ;;
    esac
    # The model filter against the real tree: HT-750 is another product.
    timeout 30 $CLI --port usb --model HT-750 send hex 0A >/tmp/l.out 2>/tmp/l.err
    rc=$?
    if [ $rc = 3 ] && grep -q 8006 /tmp/l.err; then
        result usb_listing PASS "$out; HT-750 filter: $(cat /tmp/l.err)"
    else
        result usb_listing FAIL "HT-750 filter: exit $rc $(cat /tmp/l.err)"
    fi
}

# send file through usblp; $1 name, $2 file, $3 "strict" when success is required,
# further arguments for the simulator.
test_usb_send() {
    name=$1
    file=$2
    strict=$3
    shift 3
    d=/tmp/$name
    sim_start "$d" --gadget /dev/g_printer0=silent "$@" || {
        result "$name" FAIL "no simulator"
        return
    }
    t0=$(now_ms)
    timeout 120 $CLI --port usb --model KP-520 send file "$file" >"$d.out" 2>"$d.err"
    rc=$?
    ms=$(($(now_ms) - t0))
    settle "$d/capture/gadget0.txt"
    sim_stop
    size=$(wc -c <"$file")
    got=$(rx_count "$d/capture/gadget0.txt")
    detail="exit $rc after $ms ms, $got of $size bytes arrived"
    if [ $rc = 0 ] && printune-vmcheck same "$d/capture/gadget0.txt" "$file" >/dev/null; then
        result "$name" PASS "$detail"
    elif [ $rc = 0 ]; then
        result "$name" FAIL "success reported but $detail"
    elif [ "$strict" != strict ] && [ $rc != 124 ]; then
        result "$name" PASS "$detail (the send failed: $(tail -n 1 "$d.err"))"
    else
        result "$name" FAIL "$detail: $(tail -n 1 "$d.err")"
    fi
}

test_usb_paper_out() {
    d=/tmp/paper
    sim_start $d --gadget /dev/g_printer0=silent --gadget-status 38 --read-limit 0 || {
        result usb_paper_out FAIL "no simulator"
        return
    }
    t0=$(now_ms)
    timeout 60 $CLI --port usb --model KP-520 send file /data/send64k.bin >$d.out 2>$d.err
    rc=$?
    ms=$(($(now_ms) - t0))
    sim_stop
    # The write gives up when the printer takes nothing for 10 s.
    if [ $rc = 3 ] && grep -q "Unable to send file to port." $d.err && [ $ms -le 15000 ]; then
        result usb_paper_out PASS "after $ms ms: $(tail -n 1 $d.err)"
    else
        result usb_paper_out FAIL "exit $rc after $ms ms: $(tail -n 1 $d.err)"
    fi
}

test_usb_unplug() {
    d=/tmp/unplug
    sim_start $d --gadget /dev/g_printer0=silent --slow-read 1024:20 || {
        result usb_unplug FAIL "no simulator"
        return
    }
    timeout 60 $CLI --port usb --model KP-520 send file /data/send256k.bin >$d.out 2>$d.err &
    pid=$!
    sleep 1.5
    t0=$(now_ms)
    echo "" >$G/UDC
    wait $pid
    rc=$?
    ms=$(($(now_ms) - t0))
    sim_stop
    if [ $rc = 3 ] && grep -q -e 8003 -e 8004 $d.err && [ $ms -le 12000 ]; then
        result usb_unplug PASS "ended $ms ms after the unplug: $(tail -n 1 $d.err)"
    else
        result usb_unplug FAIL "exit $rc $ms ms after the unplug: $(tail -n 1 $d.err)"
    fi
    echo "$UDC" >$G/UDC
    wait_for /dev/usb/lp0 100
}

test_lpt() {
    host lpt-begin lpt_data
    $CLI --port lpt:/dev/lp0 send file /data/lpt32k.bin >/tmp/lpt.out 2>/tmp/lpt.err
    rc=$?
    host lpt-end lpt_data /data/lpt32k.bin $rc
    [ $rc = 0 ] || result lpt_data FAIL "exit $rc: $(tail -n 1 /tmp/lpt.err)"

    # The host stops reading for 12 s; qemu then stalls the whole machine,
    # so the send may succeed late, but only with every byte delivered.
    host lpt-begin lpt_stalled
    host lpt-stall 12000
    t0=$(now_ms)
    timeout 90 $CLI --port lpt:/dev/lp0 send file /data/lpt128k.bin >/tmp/lpt.out 2>/tmp/lpt.err
    rc=$?
    ms=$(($(now_ms) - t0))
    host lpt-end lpt_stalled /data/lpt128k.bin $rc
    if [ $rc = 0 ] || { [ $rc = 3 ] && grep -q "Unable to send file to port." /tmp/lpt.err; }; then
        [ $ms -le 40000 ] && result lpt_stalled PASS "exit $rc after $ms ms" ||
            result lpt_stalled FAIL "exit $rc only after $ms ms"
    else
        result lpt_stalled FAIL "exit $rc after $ms ms: $(tail -n 1 /tmp/lpt.err)"
    fi
}

serial_rx() { sed -n 's/^0:.* rx:\([0-9]*\).*/\1/p' /proc/tty/driver/serial; }

# Sends FILE with Xon/Xoff on a port the printer stopped (XOFF) for HOLD ms;
# sets rc and ms. ttyS0 is held open with output flow control on while the
# host sends XOFF, so the port is stopped before the command line writes a
# byte; then the command line's descriptor is left the last one open.
serial_held_send() { # HOLD FILE
    exec 3<>/dev/ttyS0
    stty -F /dev/ttyS0 raw -echo ixon -ixany
    rx0=$(serial_rx)
    host ser-hold "$1"
    i=0
    while [ "$(serial_rx)" = "$rx0" ] && [ $i -lt 50 ]; do
        sleep 0.1
        i=$((i + 1))
    done
    t0=$(now_ms)
    timeout 90 $CLI $ser --flow Xon/Xoff send file "$2" >/tmp/ser.out 2>/tmp/ser.err 3<&- &
    pid=$!
    sleep 0.5
    exec 3<&-
    wait $pid
    rc=$?
    ms=$(($(now_ms) - t0))
}

test_serial() {
    ser="--port com:/dev/ttyS0 --baud 115200"
    host ser-begin serial_data
    $CLI $ser send file /data/ser16k.bin >/tmp/ser.out 2>/tmp/ser.err
    rc=$?
    host ser-end serial_data /data/ser16k.bin $rc
    [ $rc = 0 ] || result serial_data FAIL "exit $rc: $(tail -n 1 /tmp/ser.err)"

    host ser-begin serial_xoff_holds
    serial_held_send 3000 /data/ser4k.bin
    host ser-end serial_xoff_holds /data/ser4k.bin $rc
    if [ $rc = 0 ] && [ $ms -ge 1500 ]; then
        result serial_xoff_holds PASS "sent after $ms ms"
    else
        result serial_xoff_holds FAIL "exit $rc after $ms ms: $(tail -n 1 /tmp/ser.err)"
    fi

    # XOFF for good: the write fails after 3 ms per byte + 10 s, and the
    # close must not wait for the kernel's closing_wait (30 s).
    host ser-begin serial_stuck_close
    serial_held_send 60000 /data/ser100.bin
    host ser-release
    if [ $rc = 3 ] && grep -q "Unable to send file to port." /tmp/ser.err && [ $ms -le 12800 ]; then
        result serial_stuck_close PASS "failed and closed after $ms ms (deadline 10300 ms)"
    else
        result serial_stuck_close FAIL "exit $rc after $ms ms (deadline 10300 ms): $(tail -n 1 /tmp/ser.err)"
    fi
}

exec 4<>/dev/ttyS2
stty -F /dev/ttyS2 raw -echo
T0=$(now_ms)
if [ -z "$T0" ]; then
    echo "no clock in /proc/uptime: no test can be timed"
    poweroff -f
fi
echo "@@BOOTED $T0"
paper=
if setup; then
    echo "@@READY $(now_ms)"
    test_usb_listing
    test_usb_ops
    test_usb_send usb_send_file /data/send256k.bin strict
    test_usb_send usb_send_file_slow /data/send64k.bin lenient --slow-read 1024:20
    test_usb_unplug
    # Its 10 s of waiting overlap the serial tests.
    test_usb_paper_out &
    paper=$!
else
    echo "gadget setup failed: $(ls /dev/usb /sys/class/udc 2>&1)"
fi
test_serial
[ -n "$paper" ] && wait $paper
# Last: a stalled parallel port stops the whole machine for a while.
[ -e /dev/lp0 ] && test_lpt
echo "@@DONE $(now_ms)"
poweroff -f
