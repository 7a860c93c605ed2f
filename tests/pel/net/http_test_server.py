#!/usr/bin/env python3
"""The local HTTP server of the HTTP client tests.

Listens on 127.0.0.1 on a port the system picks, writes the port into the file named by its
argument, and ends when the test's lease request is cut (the test process closed it or ended),
or when no lease arrives within a minute.
"""
import email.parser
import email.policy
import http.server
import os
import socket
import sys
import threading
import urllib.parse

LONG_BOUNDARY = "b" * 1000


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def reply(self, status, body, content_type="text/plain; charset=utf-8"):
        data = body.encode("utf-8") if isinstance(body, str) else body
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def do_GET(self):
        self.dispatch(b"")

    def do_POST(self):
        if "Transfer-Encoding" in self.headers:
            return self.reply(400, "a body of known length was expected")
        self.dispatch(self.rfile.read(int(self.headers.get("Content-Length", "0"))))

    def dispatch(self, body):
        path = self.path.partition("?")[0]
        route = getattr(self, "route_" + path.strip("/").replace("/", "_").replace("-", "_"), None)
        if route is None:
            return self.reply(404, "no such page")
        route(body)

    def route_echo(self, body):
        lines = [self.command + " " + self.path, "X-Test: " + self.headers.get("X-Test", "")]
        self.reply(200, "\n".join(lines) + "\n" + body.decode("utf-8"))

    def route_form(self, body):
        if self.headers.get("Content-Type") != "application/x-www-form-urlencoded":
            return self.reply(400, "not a URL-encoded form")
        fields = urllib.parse.parse_qsl(body.decode("ascii"), keep_blank_values=True, strict_parsing=True)
        self.reply(200, "".join("%s=%s\n" % field for field in fields))

    def route_multipart(self, body):
        head = b"Content-Type: " + self.headers.get("Content-Type", "").encode("ascii") + b"\r\n\r\n"
        message = email.parser.BytesParser(policy=email.policy.HTTP).parsebytes(head + body)
        if not message.is_multipart() or message.defects or not body.endswith(b"--\r\n"):
            return self.reply(400, "not a well-formed multipart body")
        lines = []
        for part in message.iter_parts():
            name = part.get_param("name", header="content-disposition")
            content = part.get_payload(decode=True).decode("utf-8")
            lines.append("%s|%s|%s|%s" % (name, part.get_filename() or "", part.get_content_type(), content))
        self.reply(200, "\n".join(lines))

    def route_sized(self, body):
        self.reply(200, "".join("%05d\n" % i for i in range(2000)))

    def route_chunked(self, body):
        self.send_response(200)
        self.send_header("Transfer-Encoding", "chunked")
        self.end_headers()
        for piece in (b"first ", b"x" * 5000, b" last"):
            self.wfile.write(b"%x\r\n%s\r\n" % (len(piece), piece))
        self.wfile.write(b"0\r\n\r\n")

    def route_status_404(self, body):
        self.reply(404, "missing")

    def route_status_500(self, body):
        self.reply(500, "failed")

    def route_cut(self, body):
        self.send_response(200)
        self.send_header("Content-Length", "100")
        self.end_headers()
        self.wfile.write(b"x" * 40)
        self.wfile.flush()
        self.close_connection = True

    def route_closed_port(self, body):
        probe = socket.socket()
        probe.bind(("127.0.0.1", 0))
        port = probe.getsockname()[1]
        probe.close()
        self.reply(200, str(port))

    def route_long_boundary(self, body):
        data = "--%s\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\n1\r\n--%s--\r\n" % (LONG_BOUNDARY, LONG_BOUNDARY)
        self.reply(200, data, "multipart/form-data")

    def route_lease(self, body):
        self.send_response(200)
        self.send_header("Content-Length", "1")
        self.end_headers()
        self.wfile.flush()
        self.server.leased.set()
        while self.rfile.read(1):
            pass
        threading.Thread(target=self.server.shutdown, daemon=True).start()


def main():
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    server.leased = threading.Event()
    port_file = sys.argv[1]
    with open(port_file + ".part", "w") as out:
        out.write(str(server.server_address[1]))
    os.replace(port_file + ".part", port_file)
    guard = threading.Timer(60, lambda: server.leased.is_set() or server.shutdown())
    guard.daemon = True
    guard.start()
    server.serve_forever()


if __name__ == "__main__":
    main()
