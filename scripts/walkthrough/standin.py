"""The maker's web site as the walkthrough stands it in: a start page of our
own that says which version asked, and the update directory that the maker's
release step wrote: the manifest, the new executable and its signature."""

import os

START_PAGE = "/tarnquill/?software="
MANIFEST = "/tarnquill/update/update.txt"
NEW_EXE = "/tarnquill/update/tarnquill.exe"
NEW_SIG = NEW_EXE + ".sig"

PAGE = """<!DOCTYPE html>
<html><head><meta charset="gbk"><title>Veltrano</title></head>
<body><h1>Veltrano</h1><p>stand-in start page: asked by tarnquill %s</p></body></html>
"""


def _read(update_dir, name):
    with open(os.path.join(update_dir, name), "rb") as f:
        return f.read()


def publish(server, announced, update_dir, versions):
    """Routes of the stand-in server. `update_dir`: what the release step
    wrote; `announced`, when given, replaces its manifest. `versions`: the
    versions whose start page is expected; any other asker still gets a page
    naming what it sent."""
    for version in versions:
        server.route(START_PAGE + version, body=(PAGE % version).encode("gbk"),
                     content_type="text/html; charset=gbk")
    server.route(START_PAGE + "*", body=(PAGE % "(another version)").encode("gbk"),
                 content_type="text/html; charset=gbk")
    manifest = announced.encode("ascii") if announced else _read(update_dir, "update.txt")
    server.route(MANIFEST, body=manifest, content_type="text/plain")
    server.route(NEW_SIG, body=_read(update_dir, "tarnquill.exe.sig"))
    server.route(NEW_EXE, body=_read(update_dir, "tarnquill.exe"))


def request_log(server):
    """One line per request the server saw, as it would log them."""
    lines = []
    start = server.requests[0].time if server.requests else 0
    for r in list(server.requests):
        lines.append("%+7.1fs  %s %s  (User-Agent: %s)"
                     % (r.time - start, r.method, r.target, r.headers.get("user-agent", "-")))
    return lines
