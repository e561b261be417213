"""Wine prefixes, the X server and the processes a test starts.

One prefix is made per build (wineboot -i, under the build directory, guarded
by a lock so parallel tests wait for it) and copied fresh for every test.
Every Wine process of a test runs in that copy, so `wineserver -k` on the copy
ends exactly the test's processes.
"""

import fcntl
import hashlib
import os
import re
import shutil
import signal
import ssl
import struct
import subprocess
import tempfile
import time

OVERRIDES = "mscoree,mshtml=;winemenubuilder.exe=d"
LOCALE = "zh_CN.UTF-8"
USER_DIRS = ("Desktop", "Documents", "Downloads", "Music", "Pictures", "Videos", "Temp")


class HarnessError(RuntimeError):
    pass


def build_dir():
    d = os.environ.get("TQ_BUILD_DIR")
    if not d:
        raise HarnessError("TQ_BUILD_DIR is not set: run through ctest or export it")
    return d


def build_config(name, build=None):
    """A string the build was configured with, from its generated BuildConfig.h."""
    path = os.path.join(build or build_dir(), "generated", "BuildConfig.h")
    with open(path, encoding="utf-8") as f:
        found = re.search(r'#define %s "([^"]*)"' % name, f.read())
    if not found:
        raise HarnessError("%s has no %s" % (path, name))
    return found.group(1)


def wine_arch(build=None):
    """win32 for the shipped build, win64 for the 64-bit test build: the
    prefix and the loader follow the build's own kind of executable. A run
    whose TQ_BUILD_DIR is only a work folder (the benchmarks) names it in
    TQ_WINE_ARCH."""
    if build is None and os.environ.get("TQ_WINE_ARCH"):
        return os.environ["TQ_WINE_ARCH"]
    path = os.path.join(build or build_dir(), "generated", "BuildConfig.h")
    with open(path, encoding="utf-8") as f:
        found = re.search(r"#define TQ_IMAGE_AMD64 ([01])", f.read())
    return "win64" if found and found.group(1) == "1" else "win32"


# Debian's `wine` script always takes the 32-bit loader when wine32 is
# installed; a 64-bit prefix needs the 64-bit one, also for the processes
# Wine itself starts (WINELOADER).
WINE64 = "/usr/lib/wine/wine64"


def wine_command():
    return [WINE64] if wine_arch() == "win64" else ["wine"]


def helper_path(name, build=None):
    """Where the build puts a Win32 helper of the harness (tests/harness/helpers)."""
    return os.path.join(build or build_dir(), "harness", name)


def helper(name, build=None):
    """A Win32 helper of the harness, failing clearly when it was not built."""
    path = helper_path(name, build)
    if not os.path.exists(path):
        raise HarnessError("%s is not built: cmake --build %s" % (path, build or build_dir()))
    return path


def e2e_dir(*parts):
    path = os.path.join(build_dir(), "e2e", *parts)
    os.makedirs(path, exist_ok=True)
    return path


def base_env(prefix, display, home):
    env = dict(os.environ)
    for name in ("http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "no_proxy", "NO_PROXY"):
        env.pop(name, None)
    env.update({
        "WINEPREFIX": prefix,
        "WINEARCH": wine_arch(),
        "WINEDEBUG": "-all",
        "WINEDLLOVERRIDES": OVERRIDES,
        "LANG": LOCALE,
        "LC_ALL": LOCALE,
        "DISPLAY": display or "",
        # Nothing of Wine's lands in the real home: it is a path that does
        # not exist, so the shell folders stay plain folders in the prefix.
        "HOME": home,
        "XDG_CONFIG_HOME": os.path.join(home, ".config"),
        "XDG_DATA_HOME": os.path.join(home, ".local", "share"),
        "XDG_CACHE_HOME": os.path.join(home, ".cache"),
    })
    if env["WINEARCH"] == "win64":
        env["WINELOADER"] = WINE64
    return env


def prefix_processes(prefix_path):
    """{pid: command line} of every process running in the prefix (Wine
    shows a Windows process's own command line in /proc)."""
    found = {}
    marker = ("WINEPREFIX=" + prefix_path).encode()
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/environ" % pid, "rb") as f:
                if marker not in f.read().split(b"\0"):
                    continue
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                found[int(pid)] = f.read().replace(b"\0", b" ").decode("utf-8", "replace").strip()
        except OSError:
            continue
    return found


def check_locale():
    out = subprocess.run(["locale", "-a"], capture_output=True, text=True).stdout.lower()
    if "zh_cn.utf8" not in out and "zh_cn.utf-8" not in out:
        raise HarnessError("locale zh_CN.UTF-8 is missing (scripts/setup.sh generates it): "
                           "Wine would hand arguments and file names over garbled")


def kill_prefix(prefix, env):
    """End every Wine process of the prefix and its wineserver."""
    e = dict(env, WINEPREFIX=prefix)
    try:
        subprocess.run(["wineserver", "-k"], env=e, timeout=15,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-w"], env=e, timeout=15,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    except subprocess.TimeoutExpired:
        pass


def _make_template(path):
    tmp = path + ".new"
    shutil.rmtree(tmp, ignore_errors=True)
    home = os.path.join(os.path.dirname(path), "no-home")
    env = base_env(tmp, "", home)
    started = time.monotonic()
    r = subprocess.run(wine_command() + ["wineboot", "-i"], env=env, timeout=180,
                       stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    subprocess.run(["wineserver", "-w"], env=env, timeout=60)
    if r.returncode != 0 or not os.path.isdir(os.path.join(tmp, "drive_c")):
        raise HarnessError("wineboot failed: %s" % r.stdout.decode(errors="replace")[-2000:])
    users = os.path.join(tmp, "drive_c", "users", "root")
    for name in USER_DIRS:
        p = os.path.join(users, name)
        if os.path.islink(p):
            os.unlink(p)
        os.makedirs(p, exist_ok=True)
    with open(os.path.join(tmp, "harness-boot-seconds"), "w") as f:
        f.write("%.1f\n" % (time.monotonic() - started))
    os.rename(tmp, path)


def template_prefix():
    """The build's pristine prefix, made on first use."""
    root = e2e_dir()
    path = os.path.join(root, "prefix-template")
    with open(os.path.join(root, "prefix-template.lock"), "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if not os.path.isdir(path):
            check_locale()
            _make_template(path)
    return path


# Wine only maps these, never writes them: the copies share them with the
# template (hard links), which makes a fresh prefix cost a fraction of a second.
SHARED_SUFFIXES = (".dll", ".exe", ".drv", ".sys", ".ocx", ".acm", ".cpl", ".tlb", ".nls",
                   ".ttf", ".ttc", ".fon", ".msstyles")


def clone_prefix(template, dest):
    """A private copy of the template: everything Wine or a test may write is
    copied; the system binaries are hard links."""
    for root, dirs, files in os.walk(template):
        rel = os.path.relpath(root, template)
        target_root = os.path.normpath(os.path.join(dest, rel))
        os.makedirs(target_root, exist_ok=True)
        shutil.copystat(root, target_root)
        for name in dirs + files:
            src = os.path.join(root, name)
            dst = os.path.join(target_root, name)
            if os.path.islink(src):
                os.symlink(os.readlink(src), dst)
                if name in dirs:
                    dirs.remove(name)  # a link to a folder is not walked into
            elif name in files:
                if name.lower().endswith(SHARED_SUFFIXES) and "drive_c/windows" in src:
                    os.link(src, dst)
                else:
                    shutil.copy2(src, dst)


class Xvfb:
    """An X server on a free display, when the caller has none."""

    def __init__(self):
        self.proc = None
        self.display = os.environ.get("DISPLAY") or ""
        if self.display:
            return
        r, w = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(w), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
            pass_fds=(w,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            start_new_session=True)
        os.close(w)
        number = b""
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline and not number.endswith(b"\n"):
            chunk = os.read(r, 16)
            if not chunk:
                break
            number += chunk
        os.close(r)
        if not number.strip():
            self.stop()
            raise HarnessError("Xvfb did not start")
        self.display = ":" + number.decode().strip()

    def stop(self):
        if self.proc is not None and self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        self.proc = None


class Proc:
    """A process started in the prefix (the wine loader's Popen)."""

    def __init__(self, popen, out_path):
        self.popen = popen
        self._out_path = out_path

    @property
    def pid(self):
        return self.popen.pid

    def running(self):
        return self.popen.poll() is None

    def wait(self, timeout):
        return self.popen.wait(timeout=timeout)

    def output(self):
        with open(self._out_path, "rb") as f:
            return f.read()

    def kill(self):
        if self.popen.poll() is None:
            try:
                os.killpg(self.popen.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            self.popen.wait()


class Prefix:
    """A fresh copy of the template prefix with its display and environment."""

    def __init__(self, name="run", display=None, proxy_port=None):
        template = template_prefix()
        self.root = tempfile.mkdtemp(prefix=name + "-", dir=e2e_dir("runs"))
        self.path = os.path.join(self.root, "prefix")
        clone_prefix(template, self.path)
        self.env = base_env(self.path, display, os.path.join(self.root, "no-home"))
        if proxy_port is not None:
            self.env["http_proxy"] = "http://127.0.0.1:%d" % proxy_port
        self.procs = []
        self.ended = False  # set once kill_all has ended the prefix's processes
        self._seq = 0

    def native_first(self, *dlls):
        """Windows' search order for these DLLs, which are not known system
        DLLs: the program's folder before the system folder (Wine otherwise
        prefers its builtins)."""
        self.env["WINEDLLOVERRIDES"] = "%s;%s=n,b" % (OVERRIDES, ",".join(dlls))

    def trust_root(self, cert_pem):
        """Adds a certificate authority to the prefix's system Root store,
        where Wine's crypt32 looks when a TLS server's chain is checked: the
        key is the certificate's SHA-1 thumbprint, its Blob one serialized
        property (CERT_CERT_PROP_ID 0x20, encoding 1, length, DER)."""
        with open(cert_pem) as f:
            der = ssl.PEM_cert_to_DER_cert(f.read())
        blob = struct.pack("<III", 0x20, 1, len(der)) + der
        key = "HKLM\\Software\\Microsoft\\SystemCertificates\\Root\\Certificates\\"
        code, out = self.run("reg", "add", key + hashlib.sha1(der).hexdigest().upper(), "/v", "Blob",
                             "/t", "REG_BINARY", "/d", blob.hex(), "/f", timeout=30)
        if code != 0:
            raise HarnessError("reg add of the root certificate failed: %r" % out)

    # -- paths --------------------------------------------------------------
    @property
    def drive_c(self):
        return os.path.join(self.path, "drive_c")

    def unix(self, dos_path):
        """C:\\a\\b -> <prefix>/drive_c/a/b; Z:\\x -> /x."""
        if len(dos_path) < 2 or dos_path[1] != ":":
            raise ValueError("not a DOS path: %r" % dos_path)
        drive = dos_path[0].lower()
        rest = dos_path[2:].replace("\\", "/").lstrip("/")
        if drive == "c":
            return os.path.join(self.drive_c, rest)
        if drive == "z":
            return "/" + rest
        raise ValueError("no such drive in the prefix: %r" % dos_path)

    def dos(self, unix_path):
        p = os.path.abspath(unix_path)
        if p == self.drive_c or p.startswith(self.drive_c + os.sep):
            return "C:\\" + os.path.relpath(p, self.drive_c).replace("/", "\\").lstrip(".")
        return "Z:" + p.replace("/", "\\")

    # -- processes ---------------------------------------------------------
    def start(self, program, *args, cwd=None, env=None):
        """Start `wine program args`; a DOS program path is used as is."""
        self._seq += 1
        out_path = os.path.join(self.root, "out-%d.txt" % self._seq)
        e = dict(self.env)
        e.update(env or {})
        with open(out_path, "wb") as out:
            popen = subprocess.Popen(wine_command() + [program] + [str(a) for a in args],
                                     env=e, cwd=cwd or self.drive_c, stdin=subprocess.DEVNULL,
                                     stdout=out, stderr=subprocess.STDOUT,
                                     start_new_session=True)
        proc = Proc(popen, out_path)
        self.procs.append(proc)
        return proc

    def run(self, program, *args, timeout=60, cwd=None):
        proc = self.start(program, *args, cwd=cwd)
        try:
            code = proc.wait(timeout)
        except subprocess.TimeoutExpired:
            proc.kill()
            raise
        return code, proc.output()

    def registry_value(self, key, name):
        """A value as reg.exe reads it, None when there is none."""
        code, out = self.run("reg", "query", key, "/v", name, timeout=30)
        if code != 0:
            return None
        match = re.search(r"%s\s+REG_\w+\s+(.*)" % re.escape(name), out.decode("latin-1"))
        return match.group(1).strip() if match else None

    def kill_all(self):
        self.ended = True
        kill_prefix(self.path, self.env)
        for p in self.procs:
            p.kill()

    def remove(self):
        shutil.rmtree(self.root, ignore_errors=True)
