"""nginx (Debian's package) serving a folder on a loopback port, as the
maker's static web host would: its own configuration, logs and temporary
files under the build folder, started by a test and stopped after it.

It answers the program's proxy-form requests ("GET http://host/path"): the
host of the absolute address picks the server block, and the one block is the
default for the port anyway. Given a certificate and key it speaks TLS only,
as the host of an https build does."""

import os
import shutil
import socket
import subprocess
import tempfile
import time

from .wine import HarnessError, e2e_dir

CONFIG = """daemon off;
master_process off;
worker_processes 1;
pid {root}/nginx.pid;
error_log {root}/error.log;
events {{ worker_connections 64; }}
http {{
    types {{ application/octet-stream exe sig; text/plain txt; text/html html; }}
    default_type application/octet-stream;
    log_format scheme '$scheme "$request" $status';
    access_log {root}/access.log scheme;
    client_body_temp_path {root}/tmp/body;
    proxy_temp_path {root}/tmp/proxy;
    fastcgi_temp_path {root}/tmp/fastcgi;
    uwsgi_temp_path {root}/tmp/uwsgi;
    scgi_temp_path {root}/tmp/scgi;
    server {{
        listen 127.0.0.1:{port}{ssl} default_server;
        server_name {host};{tls}
        root {www};
        # One uncached request per start: the manifest must never come from
        # a cache, the executable and its signature may.
        location = /tarnquill/update/update.txt {{ add_header Cache-Control "no-cache, no-store"; }}
        location = /tarnquill/ {{ default_type text/html; return 200 "<html>start page</html>"; }}
    }}
}}
"""

TLS = """
        ssl_certificate {0};
        ssl_certificate_key {1};"""


def _free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Nginx:
    def __init__(self, www, host, tls=None):
        """tls: (certificate, key) files, PEM."""
        if not shutil.which("nginx"):
            raise HarnessError("nginx is not installed: bash scripts/setup.sh")
        self.root = tempfile.mkdtemp(prefix="nginx-", dir=e2e_dir("nginx"))
        os.makedirs(os.path.join(self.root, "tmp"))
        self.port = _free_port()
        self.conf = os.path.join(self.root, "nginx.conf")
        with open(self.conf, "w") as f:
            f.write(CONFIG.format(root=self.root, port=self.port, host=host, www=www,
                                  ssl=" ssl" if tls else "", tls=TLS.format(*tls) if tls else ""))
        self.proc = subprocess.Popen(["nginx", "-p", self.root, "-c", self.conf, "-e",
                                      os.path.join(self.root, "error.log")],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self._wait_listening()

    def _wait_listening(self, timeout=10):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if self.proc.poll() is not None:
                raise HarnessError("nginx ended at start: see %s/error.log" % self.root)
            try:
                socket.create_connection(("127.0.0.1", self.port), timeout=0.5).close()
                return
            except OSError:
                time.sleep(0.1)
        self.stop()
        raise HarnessError("nginx did not listen on %d" % self.port)

    def access_log(self):
        """The requests nginx logged, in order, each its scheme and request
        line ("https GET /path HTTP/1.1")."""
        try:
            with open(os.path.join(self.root, "access.log")) as f:
                return ["%s %s" % (line.split('"')[0].strip(), line.split('"')[1]) for line in f if '"' in line]
        except OSError:
            return []

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
