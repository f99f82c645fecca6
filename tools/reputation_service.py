#!/usr/bin/env python3
"""Reference file-reputation service for development and tests.

GET /api.php?q=NAME answers in the service's plain-text form: CR LF lines, a header line,
then "NAME;<verdict marker>" for a known name, or "No results". Verdicts come from
tools/verdicts.txt.

For tests it also serves:
  GET /_control?mode=M   normal | 500 | close | empty | garbage | huge | slow:SECONDS | silent
                         and hostile answers: redirect (to itself, for ever) | long-length (claims
                         more than it sends, then closes) | short-length (sends more than it
                         claims, the rest left on the kept-alive connection) | line10m (one 10 MB
                         line) | zeros (a body of NUL bytes) | cut (closes in the middle of the body)
                         &count=N   the mode answers N lookups, then the service is normal again
  GET /_log              the decoded names received so far, one per line (UTF-8)
  GET /_connections      how many TCP connections have carried /api.php requests so far

Options: --port N (0 picks a free one), --host, --port-file F (the chosen port is written
there once listening), --log F (every received name is appended), --delay SECONDS.
"""
import argparse
import os
import socket
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

MARKERS = {
    "safe": ";This file is usually safe.",
    "infected": ";This is a trojan / virus.",
    "malware": ";This is malware/adware",
    "target": ";Known to be a target for infections.",
}
HEADER = "Vantorile reference reputation service 1.0"


def load_verdicts(path):
    table = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if not line or line.startswith("#") or "\t" not in line:
                continue
            name, verdict = line.split("\t", 1)
            table[name.strip().lower()] = verdict.strip()
    return table


def answer_for(name, table):
    verdict = table.get(name.lower())
    if verdict is None:
        return HEADER + "\r\nNo results\r\n"
    return HEADER + "\r\n" + name + MARKERS[verdict] + "\r\n"


class State:
    def __init__(self, table, log_path, delay):
        self.table = table
        self.log_path = log_path
        self.delay = delay
        self.mode = "normal"
        self.mode_count = 0  # answers left in this mode; 0: no limit
        self.queries = []
        self.connections = 0
        self.lock = threading.Lock()


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"  # keep-alive: one connection serves many lookups
    # Headers and body leave in separate writes; with Nagle on, each answer on a kept-alive
    # connection would wait for the client's delayed ACK (~40 ms).
    disable_nagle_algorithm = True

    def log_message(self, fmt, *args):
        pass

    def send_text(self, status, body):
        data = body.encode("utf-8") if isinstance(body, str) else body
        self.send_response(status)
        self.send_header("Content-Type", "text/plain; charset=utf-8")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def hang_up(self):
        """Closes the connection at once, with no more bytes, as a failing server does."""
        self.close_connection = True
        try:
            self.connection.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass

    def do_GET(self):
        st = self.server.state
        url = urllib.parse.urlsplit(self.path)
        query = urllib.parse.parse_qs(url.query, keep_blank_values=True)
        if url.path == "/_control":
            with st.lock:
                st.mode = query.get("mode", ["normal"])[0]
                st.mode_count = int(query.get("count", ["0"])[0])
            return self.send_text(200, "ok")
        if url.path == "/_log":
            with st.lock:
                body = "".join(q + "\n" for q in st.queries)
            return self.send_text(200, body)
        if url.path == "/_connections":
            with st.lock:
                body = str(st.connections)
            return self.send_text(200, body)
        if url.path != "/api.php":
            return self.send_text(404, "Not found")
        # One handler object lives as long as its connection: count each one once.
        if not getattr(self, "_counted", False):
            self._counted = True
            with st.lock:
                st.connections += 1

        # Decode the raw query ourselves so "+" stays a plus sign, as the client sent it.
        raw = ""
        for part in url.query.split("&"):
            if part.startswith("q="):
                raw = part[2:]
                break
        name = urllib.parse.unquote(raw, encoding="utf-8", errors="replace")
        with st.lock:
            st.queries.append(name)
            mode = st.mode
            # A redirect's hops belong to the lookup that was redirected: counted once.
            if st.mode_count > 0 and "&hop=" not in url.query:
                st.mode_count -= 1
                if st.mode_count == 0:
                    st.mode = "normal"
            if st.log_path:
                with open(st.log_path, "a", encoding="utf-8") as f:
                    f.write(name + "\n")
        if st.delay:
            time.sleep(st.delay)
        if mode.startswith("slow:"):
            time.sleep(float(mode.split(":", 1)[1]))
            mode = "normal"
        if mode == "500":
            return self.send_text(500, "Internal Server Error")
        if mode == "close":
            return self.hang_up()
        if mode == "silent":
            time.sleep(3600)
            return
        if mode == "empty":
            return self.send_text(200, "")
        if mode == "garbage":
            return self.send_text(200, b"\x00\xff\xfe garbage \r\r\n\n;;;\x01" * 10)
        # A redirected lookup goes round until the client gives up, whatever the mode is now.
        if mode == "redirect" or "&hop=" in url.query:
            self.send_response(302)
            hops = int(query.get("hop", ["0"])[0]) + 1
            self.send_header("Location", "/api.php?q=" + raw + "&hop=" + str(hops))
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        if mode in ("long-length", "short-length", "cut"):
            data = answer_for(name, st.table).encode("utf-8")
            claimed = {"long-length": len(data) + 1000, "short-length": len(HEADER) + 2, "cut": len(data)}[mode]
            if mode == "cut":
                data = data[: len(HEADER) + 2 + len(name) // 2]
            self.send_response(200)
            self.send_header("Content-Type", "text/plain; charset=utf-8")
            self.send_header("Content-Length", str(claimed))
            self.end_headers()
            self.wfile.write(data)
            self.wfile.flush()
            if mode != "short-length":
                self.hang_up()
            return
        if mode == "line10m":
            return self.send_text(200, HEADER + "\r\n" + "x" * (10 * 1024 * 1024))
        if mode == "zeros":
            return self.send_text(200, b"\x00" * 65536)
        if mode == "huge":
            line = "x" * 1022 + "\r\n"
            return self.send_text(200, HEADER + "\r\n" + name + MARKERS["safe"] + "\r\n" + line * 4096)
        return self.send_text(200, answer_for(name, st.table))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--host", default="127.0.0.1")
    ap.add_argument("--port", type=int, default=8399)
    ap.add_argument("--port-file")
    ap.add_argument("--log")
    ap.add_argument("--delay", type=float, default=0.0)
    ap.add_argument("--verdicts", default=os.path.join(here, "verdicts.txt"))
    args = ap.parse_args()

    server = ThreadingHTTPServer((args.host, args.port), Handler)
    server.daemon_threads = True
    server.state = State(load_verdicts(args.verdicts), args.log, args.delay)
    port = server.server_address[1]
    if args.port_file:
        tmp = args.port_file + ".tmp"
        with open(tmp, "w") as f:
            f.write(str(port))
        os.replace(tmp, args.port_file)
    print(f"listening on http://{args.host}:{port}", flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    sys.exit(main())
