#!/usr/bin/python3
"""An RFC 3161 time-stamping server on 127.0.0.1 for the signing test: each
POSTed query gets the reply of `openssl ts -reply`. Prints its port on the
first line, then serves until it is ended, for at most LIMIT seconds.

Usage: timestamp_server.py TS_CONFIG TSA_CERT TSA_KEY [LIMIT]
"""
import http.server
import subprocess
import sys
import tempfile
import threading

CONFIG, CERT, KEY = sys.argv[1:4]
LIMIT = float(sys.argv[4]) if len(sys.argv) > 4 else 600


class Handler(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        query = self.rfile.read(int(self.headers.get("Content-Length", 0)))
        with tempfile.NamedTemporaryFile() as file:
            file.write(query)
            file.flush()
            made = subprocess.run(["openssl", "ts", "-reply", "-config", CONFIG, "-queryfile", file.name,
                                   "-signer", CERT, "-inkey", KEY], capture_output=True)
        if made.returncode != 0:
            self.send_error(500, made.stderr.decode(errors="replace")[:200])
            return
        self.send_response(200)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(made.stdout)))
        self.end_headers()
        self.wfile.write(made.stdout)

    def log_message(self, format, *args):
        pass


server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
print(server.server_address[1], flush=True)
threading.Timer(LIMIT, server.shutdown).start()
server.serve_forever()
