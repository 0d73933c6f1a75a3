#!/usr/bin/env python3
"""A time-stamp server (RFC 3161) on the loopback interface, for the signing
test: each request posted to it is answered by `openssl ts -reply` with the
test's own time-stamping certificate.

  time_stamp_server.py DIR PORT_FILE
DIR holds tsa.pem, tsa.key and tsa.cnf (openssl's [tsa] section); the port
the system picked is written to PORT_FILE once the server listens.
"""
import http.server
import os
import subprocess
import sys
import tempfile

folder = os.path.abspath(sys.argv[1])


class Handler(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        query = self.rfile.read(int(self.headers.get("Content-Length", "0")))
        with tempfile.TemporaryDirectory(dir=folder) as scratch:
            query_file = os.path.join(scratch, "query.tsq")
            reply_file = os.path.join(scratch, "reply.tsr")
            with open(query_file, "wb") as f:
                f.write(query)
            done = subprocess.run(
                ["openssl", "ts", "-reply", "-config", "tsa.cnf", "-queryfile", query_file,
                 "-signer", "tsa.pem", "-inkey", "tsa.key", "-out", reply_file],
                cwd=folder, capture_output=True)
            if done.returncode != 0:
                self.send_error(500, done.stderr.decode(errors="replace")[:200])
                return
            with open(reply_file, "rb") as f:
                reply = f.read()
        self.send_response(200)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(reply)))
        self.end_headers()
        self.wfile.write(reply)

    def log_message(self, *args):
        pass


server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
with open(sys.argv[2] + ".new", "w") as f:
    f.write(str(server.server_port))
os.replace(sys.argv[2] + ".new", sys.argv[2])
server.serve_forever()
