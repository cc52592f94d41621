"""A loopback web server for the online calendars, over HTTP and HTTPS (a throwaway certificate authority that a
Wine prefix trusts only while a test runs); what each path answers is said at its branch."""
import gzip
import hashlib
import http.server
import os
import socketserver
import ssl
import subprocess
import threading
import urllib.parse

HUGE = 30 * 1024 * 1024


def calendar(*summaries, day=20261207):
    events = "".join("BEGIN:VEVENT\r\nUID:%d@test\r\nDTSTART;VALUE=DATE:%d\r\nSUMMARY:%s\r\nEND:VEVENT\r\n"
                     % (i, day + i, text) for i, text in enumerate(summaries))
    return ("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//\r\n%sEND:VCALENDAR\r\n" % events).encode()


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    log_message = lambda *args: None

    def send(self, status, body=b"", headers=()):
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        server = self.server.owner
        url = urllib.parse.urlsplit(self.path)  # a proxy client sends the whole address
        parts = url.path.strip("/").split("/")
        server.requests.append((url.path, dict(self.headers), bool(url.netloc)))
        kind, name = parts[0], parts[-1]
        body = server.feeds.get(name.removesuffix(".ics"), b"")
        if kind == "feed":
            tag = '"%s"' % hashlib.sha1(body).hexdigest()
            if self.headers.get("If-None-Match") == tag:
                return self.send(304, headers=[("ETag", tag)])
            return self.send(200, body, [("ETag", tag), ("Last-Modified", "Mon, 07 Dec 2026 01:15:00 GMT"),
                                         ("Content-Type", "text/calendar")])
        if kind == "status":
            return self.send(int(name), b"<html>no</html>")
        if kind == "redirect":  # /redirect/<n>/<name>: n relative redirects, then the feed
            n = int(parts[1])
            where = "/feed/" + name if n == 1 else "/redirect/%d/%s" % (n - 1, name)
            return self.send(302, headers=[("Location", where)])
        if kind == "loop":
            return self.send(301, headers=[("Location", self.path)])
        if kind == "to":  # /to/<address>: a redirect anywhere, e.g. from https down to http
            return self.send(302, headers=[("Location", urllib.parse.unquote(name))])
        if kind == "gzip":  # compressed only when asked for, as a correct server does
            asked = "gzip" in self.headers.get("Accept-Encoding", "")
            return self.send(200, gzip.compress(body) if asked else body,
                             [("Content-Encoding", "gzip")] if asked else [])
        if kind == "rawgzip":  # compressed although nobody asked
            return self.send(200, gzip.compress(body), [("Content-Encoding", "gzip")])
        if kind == "huge":  # 30 MB, with its length declared or streamed until the connection closes
            declared = name == "declared"
            self.send_response(200)
            self.send_header("Content-Length" if declared else "Connection", str(HUGE) if declared else "close")
            self.end_headers()
            try:
                self.wfile.write((b"BEGIN:VCALENDAR\r\n" + b"X-FILLER:" + b"x" * HUGE)[:HUGE])
            except OSError:  # the client gave up, as it should
                pass
            self.close_connection = True
            return
        if kind == "stall" and server.stalling:  # half the body, then nothing until released
            self.send_response(200)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body[:len(body) // 2])
            self.wfile.flush()
            server.stalled.set()
            server.release.wait(120)
            self.close_connection = True
            return
        return self.send(200, body, [("Content-Type", "text/calendar")])  # /raw/<name>: as it is, no validators


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True


class FeedServer:
    """Serves `feeds` (name -> bytes) on a free loopback port; `tls` is (certificate chain file, key file)."""

    def __init__(self, tls=None):
        self.feeds, self.requests = {}, []
        self.stalled, self.release, self.stalling = threading.Event(), threading.Event(), True
        self.httpd = Server(("127.0.0.1", 0), Handler)
        self.httpd.owner = self
        if tls:
            context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
            context.load_cert_chain(*tls)
            self.httpd.socket = context.wrap_socket(self.httpd.socket, server_side=True)
        self.scheme = "https" if tls else "http"
        self.port = self.httpd.server_address[1]
        threading.Thread(target=self.httpd.serve_forever, daemon=True).start()

    def url(self, path):
        return "%s://localhost:%d%s" % (self.scheme, self.port, path)

    def close(self):
        self.release.set()
        self.httpd.shutdown()
        self.httpd.server_close()


def openssl(*args):
    subprocess.run(["openssl"] + list(args), check=True, capture_output=True)


def make_certificates(folder):
    """A CA and a certificate for localhost signed by it; a self-signed one nobody trusts. Returns the CA's DER
    file and its SHA-1 thumbprint, and the (chain, key) pairs of the trusted and the untrusted server."""
    p = lambda name: os.path.join(folder, name)
    subject = ["-subj", "/CN=localhost", "-addext", "subjectAltName=DNS:localhost"]
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj", "/CN=Mosaryn Test CA",
            "-keyout", p("ca.key"), "-out", p("ca.pem"))
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-CA", p("ca.pem"), "-CAkey", p("ca.key"),
            "-keyout", p("server.key"), "-out", p("server.pem"), *subject)
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-keyout", p("self.key"),
            "-out", p("self.pem"), *subject)
    openssl("x509", "-in", p("ca.pem"), "-outform", "DER", "-out", p("ca.der"))
    der = open(p("ca.der"), "rb").read()
    return p("ca.der"), hashlib.sha1(der).hexdigest().upper(), (p("server.pem"), p("server.key")), \
        (p("self.pem"), p("self.key"))


def key(url):
    """The name of a subscription's kept files: FNV-1a over the address's UTF-16 code units, low byte first."""
    h = 14695981039346656037
    for byte in url.strip(" \t").encode("utf-16-le"):
        h = ((h ^ byte) * 1099511628211) & 0xFFFFFFFFFFFFFFFF
    return "%016x" % h
