#!/usr/bin/env python3
"""The publisher's update site and suggestion service of the demo, on the
loopback interface only.

    demo_update_server.py DIRECTORY PORT_FILE REQUEST_LOG

Serves the files of DIRECTORY at http://127.0.0.1:PORT/ on a port the system
picks, and writes PORT to PORT_FILE once it listens. /complete?q=TEXT answers
as a search provider's suggestion service: ["TEXT", ["TEXT news", ...]]. Each request is appended
to REQUEST_LOG as "METHOD PATH STATUS". Runs until it is stopped, and an hour
at most, so that a demo that was killed leaves no server behind for long."""
import functools
import http.server
import os
import sys
import threading
import json
import urllib.parse

LIFETIME_SECONDS = 3600
SUGGESTED_WORDS = ["news", "today", "near me"]


def main():
    directory, port_file, request_log = sys.argv[1:4]

    class Handler(http.server.SimpleHTTPRequestHandler):
        def log_request(self, code="-", size="-"):
            with open(request_log, "a", encoding="utf-8") as log:
                log.write(f"{self.command} {self.path} {code}\n")

        def log_message(self, format, *args):  # noqa: A002 - the base class's name
            pass

        def do_GET(self):  # noqa: N802 - the base class's name
            address = urllib.parse.urlsplit(self.path)
            if address.path != "/complete":
                return super().do_GET()
            text = urllib.parse.parse_qs(address.query).get("q", [""])[0]
            body = json.dumps(
                [text, [f"{text} {word}" for word in SUGGESTED_WORDS]]).encode("utf-8")
            self.send_response(200)
            self.send_header("Content-Type", "application/x-suggestions+json")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)

    server = http.server.ThreadingHTTPServer(
        ("127.0.0.1", 0), functools.partial(Handler, directory=directory))
    # Written whole in one step: the reader never sees half a number.
    with open(port_file + ".new", "w", encoding="utf-8") as out:
        out.write(f"{server.server_address[1]}\n")
    os.replace(port_file + ".new", port_file)
    lifetime = threading.Timer(LIFETIME_SECONDS, server.shutdown)
    lifetime.daemon = True
    lifetime.start()
    try:
        server.serve_forever()
    finally:
        server.server_close()


if __name__ == "__main__":
    main()
