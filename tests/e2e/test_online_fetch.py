"""Fetching without a window ("/refresh") over HTTP and HTTPS: every answer a server can give, kept copies and
their state, 304s, the system proxy, exit codes; qv.ini and qv.dat are only read."""
import os
import subprocess
import tempfile
import urllib.parse

import harness
from feedserver import FeedServer, calendar, key, make_certificates

ROOTS = r"HKCU\Software\Microsoft\SystemCertificates\Root\Certificates"
CONNECTIONS = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings\Connections"


def subscriptions_ini(entries, minutes=60):
    lines = ["[Subscriptions]", "Count=%d" % len(entries), "RefreshMinutes=%d" % minutes]
    for i, (name, url, shown) in enumerate(entries, 1):
        lines += ["Name%d=%s" % (i, name), "Url%d=%s" % (i, url), "Color%d=-16776961" % i,
                  "Shown%d=%s" % (i, "Yes" if shown else "No")]
    return "\n".join(lines) + "\n"


def refresh(s, *args):
    p = subprocess.run([s.runner, s.exe, "/refresh"] + list(args), env=s.env, capture_output=True, timeout=300)
    return p.returncode, p.stdout.decode("utf-8", "replace").strip()


def state(s, url):
    path = os.path.join(s.dir, "qv.feeds", key(url) + ".state")
    return dict(line.split("=", 1) for line in open(path, encoding="utf-8").read().splitlines()) if os.path.exists(path) else {}


def kept(s, url):
    path = os.path.join(s.dir, "qv.feeds", key(url) + ".ics")
    return open(path, "rb").read() if os.path.exists(path) else None


def wine(s, *args):
    return subprocess.run(["wine"] + list(args), env=s.env, capture_output=True, timeout=60)


def test_every_answer_of_a_server_over_http_and_https(s):
    folder = tempfile.mkdtemp(dir=s.dir)
    ca, thumbprint, trusted, untrusted = make_certificates(folder)
    http, https, selfsigned = FeedServer(), FeedServer(trusted), FeedServer(untrusted)
    try:
        assert s.probe("trust", harness.win(ca)) == "" and wine(s, "reg", "query", ROOTS + "\\" + thumbprint).returncode == 0
        good = calendar("会議", "出張")
        for server in (http, https, selfsigned):
            server.feeds.update(a=good, b=calendar("b"), html=b"<html><body>login</body></html>",
                                cut=good[:good.index(b"END:VEVENT")], stall=good)
        cases = {  # url -> the state's Result after the first refresh
            http.url("/feed/a.ics"): "ok",
            "webcal://localhost:%d/feed/b.ics" % https.port: "ok",
            https.url("/redirect/5/a.ics"): "ok",
            http.url("/gzip/a.ics"): "ok",
            http.url("/redirect/6/a.ics"): "redirects",
            http.url("/loop"): "redirects",
            https.url("/to/" + urllib.parse.quote(http.url("/feed/a.ics"), safe="")): "insecure-redirect",
            http.url("/status/404"): "http 404",
            http.url("/status/500"): "http 500",
            http.url("/raw/html"): "not-calendar 1",
            http.url("/raw/cut"): "not-calendar 4",
            http.url("/rawgzip/a.ics"): "not-calendar 1",
            http.url("/huge/declared"): "too-large",
            http.url("/huge/streamed"): "too-large",
            selfsigned.url("/feed/a.ics"): "certificate",
            "http://localhost:1/feed/a.ics": "connect 12029",
        }
        hidden = http.url("/feed/hidden.ics")
        s.write_ini(subscriptions_ini([("予定%d" % i, url, True) for i, url in enumerate(cases)] +
                                      [("隠す", hidden, False)]))
        ini = open(os.path.join(s.dir, "qv.ini"), "rb").read()
        code, line = refresh(s)
        assert code == 1 and line == "オンライン カレンダー 16 件のうち 12 件を更新できませんでした。", (code, line)
        # The system's error codes are kept where they tell more (Wine's here: refused 12029, timed out 10060).
        results = {url: state(s, url).get("Result", "")[:None if " " in cases[url] else len(cases[url])]
                   for url in cases}
        assert results == cases, results
        for url, result in cases.items():
            assert kept(s, url) == (good if result == "ok" and "/b.ics" not in url else
                                    calendar("b") if result == "ok" else None), url
            assert ("Refreshed" in state(s, url)) == (result == "ok"), url
        assert not any("hidden" in path for path, _, _ in http.requests)
        # WinHTTP under Wine cannot decompress, so nothing asked for gzip; the kept copy is the plain body.
        assert all("gzip" not in headers.get("Accept-Encoding", "") for _, headers, _ in http.requests)

        # Again, only what refreshed before: a 304 keeps the copy, a broken body is refused and the copy stays.
        ok = [url for url, result in cases.items() if result == "ok"]
        s.write_ini(subscriptions_ini([("予定%d" % i, url, True) for i, url in enumerate(ok)]))
        ini = open(os.path.join(s.dir, "qv.ini"), "rb").read()
        before = {url: state(s, url) for url in ok}
        http.requests.clear()
        https.feeds["b"] = b"BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nDTSTART;VALUE=DATE:20261208\r\n"
        code, line = refresh(s)
        assert code == 1 and line == "オンライン カレンダー 4 件のうち 1 件を更新できませんでした。", (code, line)
        assert [headers.get("If-None-Match") for path, headers, _ in http.requests if path == "/feed/a.ics"] == [
            before[ok[0]]["ETag"]]
        assert state(s, ok[0])["Result"] == "ok" and state(s, ok[0])["Refreshed"] >= before[ok[0]]["Refreshed"]
        assert state(s, ok[1])["Result"] == "not-calendar 2" and kept(s, ok[1]) == calendar("b")
        assert state(s, ok[1])["Refreshed"] == before[ok[1]]["Refreshed"]
        assert open(os.path.join(s.dir, "qv.ini"), "rb").read() == ini
        assert not os.path.exists(os.path.join(s.dir, "qv.dat")) and not s.windows("QVMainWnd")
        assert refresh(s, "extra")[0] == 2
    finally:
        for server in (http, https, selfsigned):
            server.close()
        wine(s, "reg", "delete", ROOTS + "\\" + thumbprint, "/f")
    assert wine(s, "reg", "query", ROOTS + "\\" + thumbprint).returncode != 0


def test_system_proxy_settings_are_honoured(s):
    """The user's proxy (Internet Settings) carries the request for a host only it knows; local names bypass it."""
    proxy = FeedServer()
    proxy.feeds["a"] = calendar("via proxy")
    proxied = "http://calendar.example.invalid/feed/a.ics"
    s.write_ini(subscriptions_ini([("proxy", proxied, True)]))
    server, bypass = b"127.0.0.1:%d" % proxy.port, b"<local>"
    settings = (b"\x46\0\0\0" + b"\x01\0\0\0" + b"\x02\0\0\0" + len(server).to_bytes(4, "little") + server +
                len(bypass).to_bytes(4, "little") + bypass + b"\0" * 32)
    try:
        assert wine(s, "reg", "add", CONNECTIONS, "/v", "DefaultConnectionSettings", "/t", "REG_BINARY", "/d",
                    settings.hex(), "/f").returncode == 0
        code, line = refresh(s)
        assert code == 0 and line == "オンライン カレンダー 1 件を更新しました。", (code, line)
        assert proxy.requests[0][0] == "/feed/a.ics" and proxy.requests[0][2], proxy.requests
        assert kept(s, proxied) == calendar("via proxy")
    finally:
        wine(s, "reg", "delete", CONNECTIONS, "/v", "DefaultConnectionSettings", "/f")
        proxy.close()


if __name__ == "__main__":
    harness.main([test_every_answer_of_a_server_over_http_and_https, test_system_proxy_settings_are_honoured])
