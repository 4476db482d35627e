#!/usr/bin/env python3
"""Runs the driver tests: boots a stock Debian kernel under qemu once, with
the project's programs in an initramfs, and plays the printer's end of the
serial and parallel ports on the host.

  vm_run.py run --bin-dir DIR --work DIR --results FILE
      boots and writes one "NAME STATUS DETAIL" line per test to FILE;
      exits 0 when it could run or skip, 1 when it could not run under CI=true
  vm_run.py result FILE NAME
      exits 0 (passed), 1 (failed) or 77 (skipped) for one test

The kernel and busybox packages are fetched with `apt-get download` (nothing
is installed) and kept in WORK/cache between runs.
"""
import argparse
import glob
import os
import random
import select
import shutil
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
MODULES = ["usb-common", "usbcore", "usblp", "udc-core", "dummy_hcd", "configfs",
           "libcomposite", "usb_f_printer", "parport", "parport_pc", "lp"]
PROGRAMS = ["printune-cli", "printune-sim", "printune-vmcheck"]
XON, XOFF = b"\x11", b"\x13"
SKIP_EXIT = 77
BOOT_TIMEOUT_S = 120  # TCG on two busy cores boots in 13-22 s


class Unavailable(Exception):
    """The machine cannot run the driver tests (no qemu, no kernel)."""


def log(*args):
    print("[drivers]", *args, flush=True)


def test_names():
    names = []
    with open(os.path.join(HERE, "tests.list")) as f:
        for line in f:
            line = line.strip()
            if line and not line.startswith("#"):
                names.append(line.split()[0])
    return names


# --- packages ---------------------------------------------------------------

def fetch(cache, pattern, package):
    found = sorted(glob.glob(os.path.join(cache, pattern)))
    if found:
        return found[-1]
    if not shutil.which("apt-get"):
        raise Unavailable("apt-get is missing, cannot fetch " + package)
    r = subprocess.run(["apt-get", "download", package], cwd=cache,
                       capture_output=True, text=True)
    if r.returncode != 0 and apt_update_once():
        r = subprocess.run(["apt-get", "download", package], cwd=cache,
                           capture_output=True, text=True)
    found = sorted(glob.glob(os.path.join(cache, pattern)))
    if r.returncode != 0 or not found:
        raise Unavailable("apt-get download %s failed: %s" % (package, r.stderr.strip()))
    return found[-1]


def apt_update_once(done=[]):
    """A machine that never ran apt-get update knows no package yet."""
    if not done and os.geteuid() == 0:
        done.append(True)
        log("apt-get update")
        subprocess.run(["apt-get", "update", "-qq"], capture_output=True)
        return True
    return False


def kernel_package():
    # linux-image-amd64 depends on the current ABI's image package.
    for _ in range(2):
        r = subprocess.run(["apt-cache", "depends", "linux-image-amd64"],
                           capture_output=True, text=True)
        if "Depends: linux-image-" in r.stdout or not apt_update_once():
            break
    for line in r.stdout.splitlines():
        line = line.strip()
        if line.startswith("Depends: linux-image-"):
            return line.split()[1]
    raise Unavailable("apt-cache knows no linux-image-amd64 (run apt-get update)")


def unpack(deb, dest):
    stamp = os.path.join(dest, ".from")
    if os.path.exists(stamp) and open(stamp).read() == deb:
        return
    shutil.rmtree(dest, ignore_errors=True)
    os.makedirs(dest)
    subprocess.run(["dpkg-deb", "-x", deb, dest], check=True)
    with open(stamp, "w") as f:
        f.write(deb)


def prepare_kernel(cache):
    os.makedirs(cache, exist_ok=True)
    kdeb = glob.glob(os.path.join(cache, "linux-image-*-amd64_*.deb"))
    kdeb = sorted(kdeb)[-1] if kdeb else fetch(cache, "linux-image-*-amd64_*.deb",
                                               kernel_package())
    bdeb = fetch(cache, "busybox-static_*.deb", "busybox-static")
    unpack(kdeb, os.path.join(cache, "kernel"))
    unpack(bdeb, os.path.join(cache, "busybox"))
    kroot = os.path.join(cache, "kernel")
    vmlinuz = sorted(glob.glob(os.path.join(kroot, "boot", "vmlinuz-*")))
    if not vmlinuz:
        raise Unavailable("no vmlinuz in " + kdeb)
    modules = {}
    for path in glob.glob(os.path.join(kroot, "lib", "modules", "*", "kernel", "**", "*.ko"),
                          recursive=True):
        modules[os.path.basename(path)[:-3].replace("-", "_")] = path
    paths = {}
    for m in MODULES:
        key = m.replace("-", "_")
        if key not in modules:
            raise Unavailable("module %s missing from %s" % (m, kdeb))
        paths[m] = modules[key]
    return vmlinuz[-1], paths, os.path.join(cache, "busybox", "bin", "busybox")


# --- initramfs ----------------------------------------------------------------

class Cpio:
    """Writes a newc archive, which the kernel unpacks as its first root."""

    def __init__(self, path):
        self.f = open(path, "wb")
        self.ino = 1
        self.dirs = set()

    def _entry(self, name, mode, data=b"", rdev=(0, 0)):
        fields = [self.ino, mode, 0, 0, 1, 0, len(data), 0, 0, rdev[0], rdev[1],
                  len(name) + 1, 0]
        self.ino += 1
        head = b"070701" + b"".join(b"%08X" % v for v in fields)
        self.f.write(head + name.encode() + b"\0")
        self.f.write(b"\0" * (-(len(head) + len(name) + 1) % 4))
        self.f.write(data + b"\0" * (-len(data) % 4))

    def dir(self, name):
        parts = name.strip("/").split("/")
        for i in range(1, len(parts) + 1):
            d = "/".join(parts[:i])
            if d not in self.dirs:
                self.dirs.add(d)
                self._entry(d, 0o040755)

    def file(self, name, data, mode=0o644):
        self.dir(os.path.dirname(name))
        self._entry(name.strip("/"), 0o100000 | mode, data)

    def copy(self, name, source, mode=0o755, strip=False):
        if strip and shutil.which("strip"):
            # Debug information only slows the unpacking in the guest.
            stripped = self.f.name + ".strip"
            subprocess.run(["strip", "-o", stripped, source], check=True)
            with open(stripped, "rb") as f:
                data = f.read()
            os.unlink(stripped)
        else:
            with open(source, "rb") as f:
                data = f.read()
        self.file(name, data, mode)

    def node(self, name, major, minor):
        self.dir(os.path.dirname(name))
        self._entry(name.strip("/"), 0o020600, rdev=(major, minor))

    def close(self):
        self._entry("TRAILER!!!", 0)
        self.f.close()


def shared_libraries(binary):
    """The libraries and the loader a host binary needs, as absolute paths."""
    r = subprocess.run(["ldd", binary], capture_output=True, text=True)
    libs = []
    for line in r.stdout.splitlines():
        words = line.split()
        if "=>" in words and len(words) > words.index("=>") + 1:
            path = words[words.index("=>") + 1]
            if path.startswith("/"):
                libs.append(path)
        elif words and words[0].startswith("/"):
            libs.append(words[0])
    return libs


def test_data():
    """Files the tests send, with all 256 byte values, the same on every run."""
    rng = random.Random(24)

    def pattern(n):
        return bytes(rng.getrandbits(8) for _ in range(n))

    return {
        "send256k.bin": pattern(256 * 1024),
        "send64k.bin": pattern(64 * 1024),
        "lpt32k.bin": pattern(32 * 1024),
        "lpt128k.bin": pattern(128 * 1024),
        "ser16k.bin": pattern(16 * 1024),
        "ser4k.bin": pattern(4 * 1024),
        "ser100.bin": pattern(100),
        "kp.bin": pattern(20000),
        "printer.fw": pattern(20000),
    }


def usb_ops():
    ops = []
    with open(os.path.join(HERE, "usb_ops.list")) as f:
        for line in f:
            line = line.strip()
            if line and not line.startswith("#"):
                name, model, args = line.split("|", 2)
                ops.append((name, model, args.split()))
    return ops


def captured_rx(path):
    out = bytearray()
    with open(path) as f:
        for line in f:
            words = line.split()
            if len(words) > 2 and words[1] == "rx":
                out.extend(bytes.fromhex("".join(words[2:])))
    return bytes(out)


def settled_rx(path, quiet_s=0.1, limit_s=10):
    """The capture once it stops growing."""
    end = time.monotonic() + limit_s
    last = None
    while time.monotonic() < end:
        rx = captured_rx(path)
        if rx == last:
            return rx
        last = rx
        time.sleep(quiet_s)
    return last


def reference_runs(bin_dir, work, data):
    """Runs every USB operation against the simulator's pty node on the host.
    What each printed and each added to the printer's bytes is what the same
    operation through usblp must give: {path in the initramfs: content}."""
    expect = {}
    root = os.path.join(work, "reference")
    shutil.rmtree(root, ignore_errors=True)
    groups = []
    for name, model, args in usb_ops():
        if not groups or groups[-1][0] != model:
            groups.append((model, []))
        groups[-1][1].append((name, args))
    for i, (model, ops) in enumerate(groups):
        d = os.path.join(root, str(i))
        cwd = os.path.join(d, "cwd")
        os.makedirs(cwd)
        for fname, content in data.items():
            with open(os.path.join(cwd, fname), "wb") as f:
                f.write(content)
        desc = os.path.join(d, "desc")
        sim = subprocess.Popen([os.path.join(bin_dir, "printune-sim"), "--no-tcp", "--quiet",
                                "--dir", os.path.join(d, "sim"), "--describe", desc,
                                "--usb", ("7A3E:3D71=" if model == "HT-740" else "7A3E:5C19=") + model],
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            for _ in range(100):
                if os.path.exists(desc) or sim.poll() is not None:
                    break
                time.sleep(0.1)
            if not os.path.exists(desc):
                raise Unavailable("the simulator did not start on the host")
            env = dict(os.environ, PRINTUNE_SYSFS_ROOT=os.path.join(d, "sim", "sys"),
                       PRINTUNE_DEV_ROOT=os.path.join(d, "sim", "dev"))
            capture = os.path.join(d, "sim", "capture", "usb0.txt")
            seen = 0
            for name, args in ops:
                r = subprocess.run([os.path.join(bin_dir, "printune-cli"), "--lang", "en",
                                    "--port", "usb", "--model", model] + args,
                                   cwd=cwd, env=env, capture_output=True, timeout=60)
                rx = settled_rx(capture)
                expect["expect/%s.rc" % name] = b"%d\n" % r.returncode
                expect["expect/%s.out" % name] = r.stdout
                expect["expect/%s.rx" % name] = rx[seen:].hex().upper().encode()
                seen = len(rx)
        finally:
            sim.terminate()
            sim.wait()
    return expect


def build_initramfs(path, bin_dir, modules, busybox, data, expect):
    c = Cpio(path)
    for d in ("proc", "sys", "tmp", "dev"):
        c.dir(d)
    c.node("dev/console", 5, 1)
    c.copy("init", os.path.join(HERE, "guest_init.sh"))
    c.copy("bin/busybox", busybox)
    for name, source in modules.items():
        c.copy("lib/modules/%s.ko" % name, source, 0o644)
    libs = set()
    for p in PROGRAMS:
        binary = os.path.join(bin_dir, p)
        c.copy("opt/printune/bin/" + p, binary, strip=True)
        libs.update(shared_libraries(binary))
    for lib in sorted(libs):
        c.copy(lib, os.path.realpath(lib))
    for name, content in data.items():
        c.file("data/" + name, content)
    for name, content in expect.items():
        c.file(name, content)
    c.copy("data/usb_ops.list", os.path.join(HERE, "usb_ops.list"), 0o644)
    c.close()


# --- the machine and the printer ends ----------------------------------------

def kvm_usable():
    # /dev/kvm may open where the processor lacks the extensions (a nested
    # guest), and such a machine hangs while booting: ask for both.
    try:
        with open("/proc/cpuinfo") as f:
            flags = f.read()
        if " vmx" not in flags and " svm" not in flags:
            return False
        fd = os.open("/dev/kvm", os.O_RDWR)
        os.close(fd)
        return True
    except OSError:
        return False


class Harness:
    def __init__(self, work, data, names):
        self.work = work
        self.data = data
        self.names = names
        self.verdicts = {}  # name -> [(status, detail)]
        self.ser = bytearray()
        self.ser_hold_until = None  # monotonic time of the XON, or 0 for "until released"
        self.ser_held = 0  # bytes that arrived while XOFF was in force
        self.ser_holding = False
        self.lpt = bytearray()
        self.lpt_stall_until = 0.0
        self.timings = {}

    def verdict(self, name, status, detail):
        self.verdicts.setdefault(name, []).append((status, detail))

    def fifo(self, name):
        base = os.path.join(self.work, name)
        for end in (".in", ".out"):
            if os.path.exists(base + end):
                os.unlink(base + end)
            os.mkfifo(base + end)
        return base

    def drain(self, fd, buf, quiet_s=0.5, limit_s=5.0):
        """Reads what is still on its way, until the line is quiet."""
        end = time.monotonic() + limit_s
        while time.monotonic() < end:
            r, _, _ = select.select([fd], [], [], quiet_s)
            if not r:
                return
            buf.extend(os.read(fd, 65536))

    def check(self, name, buf, file, rc, held=None):
        want = self.data[os.path.basename(file)]
        got = bytes(buf)
        with open(os.path.join(self.work, name + ".received"), "wb") as f:
            f.write(got)
        if held:
            self.verdict(name, "FAIL", "%d bytes passed while XOFF was in force" % held)
        if got == want:
            self.verdict(name, "PASS", "all %d bytes arrived" % len(want))
        elif rc != "0" and want.startswith(got):
            self.verdict(name, "PASS", "%d of %d bytes arrived and the send failed"
                         % (len(got), len(want)))
        else:
            first = next((i for i in range(min(len(got), len(want))) if got[i] != want[i]),
                         min(len(got), len(want)))
            self.verdict(name, "FAIL", "exit %s; %d of %d bytes arrived, first difference at %d"
                         % (rc, len(got), len(want), first))

    def command(self, words, ser_w, ser_r, par_r):
        """Acts on a request of the guest; the caller then acknowledges it."""
        cmd = words[0]
        if cmd == "ser-begin":
            self.drain(ser_r, bytearray(), 0.2, 1)
            self.ser = bytearray()
            self.ser_held = 0
        elif cmd == "ser-end":
            self.drain(ser_r, self.ser)
            self.check(words[1], self.ser, words[2], words[3], self.ser_held)
        elif cmd == "ser-hold":
            os.write(ser_w, XOFF)
            self.ser_holding = True
            ms = int(words[1])
            self.ser_hold_until = time.monotonic() + ms / 1000.0
        elif cmd == "ser-release":
            self.ser_hold_until = time.monotonic()
        elif cmd == "lpt-begin":
            self.drain(par_r, bytearray(), 0.2, 1)
            self.lpt = bytearray()
        elif cmd == "lpt-end":
            self.drain(par_r, self.lpt)
            self.check(words[1], self.lpt, words[2], words[3])
        elif cmd == "lpt-stall":
            self.lpt_stall_until = time.monotonic() + int(words[1]) / 1000.0

    def boot(self, vmlinuz, initrd, timeout):
        con = self.fifo("console")
        ser = self.fifo("serial")
        par = self.fifo("parallel")
        ctl = self.fifo("control")
        accel = os.environ.get("PRINTUNE_VM_ACCEL") or ("kvm" if kvm_usable() else "tcg")
        cmd = ["qemu-system-x86_64", "-nodefaults", "-no-user-config", "-display", "none",
               "-vga", "none", "-no-reboot", "-machine", "pc,accel=%s" % accel,
               "-smp", "1", "-m", "512", "-kernel", vmlinuz, "-initrd", initrd,
               "-append", "console=ttyS1 quiet panic=-1",
               "-chardev", "pipe,id=ser,path=" + ser, "-serial", "chardev:ser",
               "-chardev", "pipe,id=con,path=" + con, "-serial", "chardev:con",
               "-chardev", "pipe,id=ctl,path=" + ctl, "-serial", "chardev:ctl",
               "-chardev", "pipe,id=par,path=" + par, "-device", "isa-parallel,chardev=par"]
        log("booting (%s):" % accel, " ".join(cmd))
        # Our ends, opened read-write so that neither side waits for the other.
        con_r = os.open(con + ".out", os.O_RDWR | os.O_NONBLOCK)
        ser_r = os.open(ser + ".out", os.O_RDWR | os.O_NONBLOCK)
        ser_w = os.open(ser + ".in", os.O_RDWR | os.O_NONBLOCK)
        par_r = os.open(par + ".out", os.O_RDWR | os.O_NONBLOCK)
        # ttyS2 tells the guest that a request has been carried out.
        ctl_w = os.open(ctl + ".in", os.O_RDWR | os.O_NONBLOCK)
        qemu_log = open(os.path.join(self.work, "qemu.log"), "wb")
        console_log = open(os.path.join(self.work, "console.log"), "w")
        start = time.monotonic()
        proc = subprocess.Popen(cmd, stdin=subprocess.DEVNULL, stdout=qemu_log,
                                stderr=subprocess.STDOUT)
        line = b""
        done = False
        try:
            while not done:
                now = time.monotonic()
                if now - start > timeout:
                    log("timed out after %d s" % timeout)
                    break
                if "booted" not in self.timings and now - start > BOOT_TIMEOUT_S:
                    log("no boot within %d s" % BOOT_TIMEOUT_S)
                    break
                if proc.poll() is not None:
                    break
                if self.ser_holding and now >= self.ser_hold_until:
                    os.write(ser_w, XON)
                    self.ser_holding = False
                watch = [con_r, ser_r]
                if now >= self.lpt_stall_until:
                    watch.append(par_r)
                r, _, _ = select.select(watch, [], [], 0.1)
                if ser_r in r:
                    chunk = os.read(ser_r, 65536)
                    self.ser.extend(chunk)
                    if self.ser_holding:
                        self.ser_held += len(chunk)
                if par_r in r:
                    self.lpt.extend(os.read(par_r, 65536))
                if con_r not in r:
                    continue
                line += os.read(con_r, 65536)
                while b"\n" in line:
                    text, line = line.split(b"\n", 1)
                    text = text.decode("utf-8", "replace").rstrip("\r")
                    console_log.write(text + "\n")
                    console_log.flush()
                    at = time.monotonic() - start
                    words = text.split()
                    if not words:
                        continue
                    if words[0] == "@@RESULT" and len(words) >= 3:
                        self.verdict(words[1], words[2], " ".join(words[3:]))
                        log("%6.1fs %s %s %s" % (at, words[2], words[1], " ".join(words[3:])))
                    elif words[0] == "@@HOST" and len(words) >= 2:
                        self.command(words[1:], ser_w, ser_r, par_r)
                        os.write(ctl_w, b"ok\n")
                    elif words[0] in ("@@BOOTED", "@@READY", "@@DONE"):
                        self.timings[words[0][2:].lower()] = at
                        log("%6.1fs %s (guest clock %s ms)" % (at, words[0][2:].lower(),
                                                              words[1] if len(words) > 1 else "?"))
                        done = words[0] == "@@DONE"
                    else:
                        log("guest:", text)
        finally:
            self.timings["total"] = time.monotonic() - start
            if proc.poll() is None:
                try:
                    proc.wait(10 if done else 0.1)
                except subprocess.TimeoutExpired:
                    proc.kill()
                    proc.wait()
            for fd in (con_r, ser_r, ser_w, par_r, ctl_w):
                os.close(fd)
            qemu_log.close()
            console_log.close()
        return accel

    def write_results(self, path, missing):
        with open(path + ".tmp", "w") as f:
            for name in self.names:
                parts = self.verdicts.get(name)
                if not parts:
                    status, detail = "FAIL", missing
                elif any(s == "FAIL" for s, _ in parts):
                    status = "FAIL"
                    detail = "; ".join(d for s, d in parts if s == "FAIL")
                elif all(s == "SKIP" for s, _ in parts):
                    status, detail = "SKIP", "; ".join(d for _, d in parts)
                else:
                    status, detail = "PASS", "; ".join(d for s, d in parts if s == "PASS")
                f.write("%s %s %s\n" % (name, status, detail))
        os.replace(path + ".tmp", path)


def write_skipped(path, names, reason):
    with open(path + ".tmp", "w") as f:
        for name in names:
            f.write("%s SKIP %s\n" % (name, reason))
    os.replace(path + ".tmp", path)


def run(args):
    args.bin_dir = os.path.abspath(args.bin_dir)
    args.work = os.path.abspath(args.work)
    names = test_names()
    os.makedirs(args.work, exist_ok=True)
    ci = os.environ.get("CI", "").lower() == "true"
    try:
        if not shutil.which("qemu-system-x86_64"):
            raise Unavailable("qemu-system-x86_64 is not installed (scripts/deps.sh installs it)")
        t = time.monotonic()
        vmlinuz, modules, busybox = prepare_kernel(os.path.join(args.work, "cache"))
        data = test_data()
        initrd = os.path.join(args.work, "initrd.cpio")
        log("kernel ready in %.1f s" % (time.monotonic() - t))
        expect = reference_runs(args.bin_dir, args.work, data)
        build_initramfs(initrd, args.bin_dir, modules, busybox, data, expect)
        log("kernel and initramfs ready in %.1f s" % (time.monotonic() - t))
    except Unavailable as e:
        log("cannot run the driver tests:", e)
        write_skipped(args.results, names, "not run: %s" % e)
        if ci:
            log("CI=true: the driver tests must run")
            return 1
        return 0
    h = Harness(args.work, data, names)
    accel = h.boot(vmlinuz, initrd, args.timeout)
    t = h.timings
    if "booted" not in t:
        # qemu itself could not run here (or the kernel never started).
        with open(os.path.join(args.work, "qemu.log"), errors="replace") as f:
            why = " ".join(f.read().split()[-30:]) or "no output"
        log("the machine never started:", why)
        write_skipped(args.results, names, "not run: the machine never started: " + why)
        return 1 if ci else 0
    missing = "no result: the machine stopped early (see %s/console.log)" % args.work
    h.write_results(args.results, missing)
    log("timings (%s): booted %.1f s, drivers ready %.1f s, tests done %.1f s, total %.1f s"
        % (accel, t.get("booted", -1), t.get("ready", -1), t.get("done", -1), t["total"]))
    with open(args.results) as f:
        counts = {}
        for line in f:
            counts[line.split()[1]] = counts.get(line.split()[1], 0) + 1
    log(", ".join("%d %s" % (n, s.lower()) for s, n in sorted(counts.items())))
    return 0


def result(args):
    try:
        with open(args.results) as f:
            for line in f:
                name, status, detail = (line.rstrip("\n").split(" ", 2) + ["", ""])[:3]
                if name == args.name:
                    print("%s: %s" % (status, detail))
                    return {"PASS": 0, "SKIP": SKIP_EXIT}.get(status, 1)
    except OSError as e:
        print("no results: %s" % e)
        return 1
    print("no result for %s" % args.name)
    return 1


def main():
    p = argparse.ArgumentParser()
    sub = p.add_subparsers(dest="what", required=True)
    r = sub.add_parser("run")
    r.add_argument("--bin-dir", required=True)
    r.add_argument("--work", required=True)
    r.add_argument("--results", required=True)
    r.add_argument("--timeout", type=int, default=300)
    q = sub.add_parser("result")
    q.add_argument("results")
    q.add_argument("name")
    args = p.parse_args()
    return run(args) if args.what == "run" else result(args)


if __name__ == "__main__":
    sys.exit(main())
