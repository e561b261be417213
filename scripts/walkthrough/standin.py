"""The maker's web site as the walkthrough stands it in: a start page of our
own that says which version asked, the manifest, and the new executable."""

START_PAGE = "/tarnquill/?software="
MANIFEST = "/tarnquill/update/update.txt"
NEW_EXE = "/tarnquill/update/tarnquill.exe"

PAGE = """<!DOCTYPE html>
<html><head><meta charset="gbk"><title>Veltrano</title></head>
<body><h1>Veltrano</h1><p>stand-in start page: asked by tarnquill %s</p></body></html>
"""


def publish(server, announced, new_image, versions):
    """Routes of the stand-in server. `versions`: the versions whose start
    page is expected; any other asker still gets a page naming what it sent."""
    for version in versions:
        server.route(START_PAGE + version, body=(PAGE % version).encode("gbk"),
                     content_type="text/html; charset=gbk")
    server.route(START_PAGE + "*", body=(PAGE % "(another version)").encode("gbk"),
                 content_type="text/html; charset=gbk")
    server.route(MANIFEST, body=announced.encode("ascii"), content_type="text/plain")
    server.route(NEW_EXE, body=new_image)


def request_log(server):
    """One line per request the server saw, as it would log them."""
    lines = []
    start = server.requests[0].time if server.requests else 0
    for r in list(server.requests):
        lines.append("%+7.1fs  %s %s  (User-Agent: %s)"
                     % (r.time - start, r.method, r.target, r.headers.get("user-agent", "-")))
    return lines
