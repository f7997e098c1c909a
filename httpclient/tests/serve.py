#!/usr/bin/env python3
"""Test bench of the HTTP client: a scripted origin server and, with --proxy,
tinyproxy with Basic authorization, both on 127.0.0.1 and free ports, around
one command:

    serve.py [--proxy] -- COMMAND [ARGS...]

The command finds the ports in KM_HTTP_ORIGIN_PORT and KM_HTTP_PROXY_PORT and
the proxy's credentials in KM_HTTP_PROXY_USER and KM_HTTP_PROXY_PASSWORD. The
servers stop with the command (tinyproxy also when this script dies), and the
script exits with the command's status.

Origin paths (a proxy-style target "http://host[:port]/path" is served as /path):
  /blob/N            200, Content-Length N, N bytes of the test pattern
  /slow/N            the same, with a pause of half a second after half the body
  /status/CODE       that status, empty body
  /http11            an HTTP/1.1 status line
  /chain/abs/N       302 to the absolute URL of /chain/abs/N-1; /chain/*/0 is /blob/16
  /chain/rel/N       302 to "/chain/rel/N-1"
  /chain/bare/N      302 to "chain/bare/N-1" (no leading slash)
  /loop              302 to itself, for ever
  /content-location  302 whose only location is a Content-Location line
  /content-location-first  Content-Location before the real Location (/blob/7)
  /bare-lf           header lines ending with bare line feeds, then close
  /no-length         200 without Content-Length
  /length-nospace    "Content-Length:1234"
  /close-mid-header  closes inside the header
  /close-mid-body    Content-Length 10000, closes after 3000 bytes
  /long-body         Content-Length 100, sends 5000 bytes
  /huge-header       a header of more than 4096 bytes
  /silent            reads the request and never answers
  /count/PATH        how many requests for /PATH arrived so far
  anything else      200, the request exactly as received as the body
"""
import ctypes
import os
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time

PROXY_USER = "kmuser"
PROXY_PASSWORD = "s3cret"
PERIOD = 251
BLOCK = bytes((i * 31 + 7) % PERIOD for i in range(PERIOD)) * 256  # 64256 bytes, whole periods


def pattern(start, n):
    """Bytes start..start+n of the endless test pattern."""
    out = bytearray()
    offset = start % PERIOD
    while n > 0:
        piece = BLOCK[offset:offset + n]
        out += piece
        n -= len(piece)
        offset = 0
    return bytes(out)


def die_with_parent():
    """Linux: this process gets SIGTERM when its parent dies."""
    try:
        ctypes.CDLL(None, use_errno=True).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG
    except (OSError, AttributeError):
        pass


class Origin:
    def __init__(self):
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self.sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.sock.bind(("127.0.0.1", 0))
        self.sock.listen(64)
        self.port = self.sock.getsockname()[1]
        self.counts = {}
        self.lock = threading.Lock()
        self.stopping = False
        threading.Thread(target=self.accept_loop, daemon=True).start()

    def accept_loop(self):
        while not self.stopping:
            try:
                conn, _ = self.sock.accept()
            except OSError:
                return
            threading.Thread(target=self.serve, args=(conn,), daemon=True).start()

    @staticmethod
    def read_request(conn):
        data = b""
        while b"\r\n\r\n" not in data and len(data) < 65536:
            chunk = conn.recv(4096)
            if not chunk:
                break
            data += chunk
        return data

    def serve(self, conn):
        try:
            conn.settimeout(60)
            request = self.read_request(conn)
            line = request.split(b"\r\n", 1)[0].decode("latin-1")
            parts = line.split(" ")
            target = parts[1] if len(parts) > 1 else "/"
            if target.startswith("http://"):
                slash = target.find("/", 7)
                target = target[slash:] if slash >= 0 else "/"
            with self.lock:
                self.counts[target] = self.counts.get(target, 0) + 1
            self.respond(conn, target, request)
        except OSError:
            pass
        finally:
            try:
                conn.close()
            except OSError:
                pass

    @staticmethod
    def send_pattern(conn, start, end):
        while start < end:
            step = min(len(BLOCK), end - start)
            conn.sendall(pattern(start, step))
            start += step

    def respond(self, conn, path, request):
        def header(status, *lines):
            return ("HTTP/1.0 %s\r\n" % status + "".join(l + "\r\n" for l in lines) + "\r\n").encode()

        def redirect(location, status="302 Found"):
            conn.sendall(header(status, "Location: " + location, "Content-Length: 0"))

        segs = path.split("/")
        if path.startswith("/blob/") or path.startswith("/slow/"):
            n = int(segs[2])
            conn.sendall(header("200 OK", "Content-Length: %d" % n))
            if path.startswith("/slow/"):
                self.send_pattern(conn, 0, n // 2)
                time.sleep(0.5)
                self.send_pattern(conn, n // 2, n)
            else:
                self.send_pattern(conn, 0, n)
        elif path.startswith("/status/"):
            conn.sendall(header(segs[2] + " Status", "Content-Length: 0"))
        elif path == "/http11":
            conn.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok")
        elif path.startswith("/chain/"):
            kind, n = segs[2], int(segs[3])
            if n == 0:
                conn.sendall(header("200 OK", "Content-Length: 16") + pattern(0, 16))
            elif kind == "abs":
                redirect("http://127.0.0.1:%d/chain/abs/%d" % (self.port, n - 1))
            elif kind == "rel":
                redirect("/chain/rel/%d" % (n - 1), "301 Moved Permanently")
            else:
                redirect("chain/bare/%d" % (n - 1), "307 Temporary Redirect")
        elif path == "/loop":
            redirect("/loop")
        elif path == "/content-location":
            conn.sendall(header("302 Found", "Content-Location: /blob/5", "Content-Length: 0"))
        elif path == "/content-location-first":
            conn.sendall(header("302 Found", "Content-Location: /nowhere", "Location: /blob/7"))
        elif path == "/bare-lf":
            conn.sendall(b"HTTP/1.0 200 OK\nContent-Length: 5\n\nhello")
        elif path == "/no-length":
            conn.sendall(header("200 OK") + pattern(0, 100))
        elif path == "/length-nospace":
            conn.sendall(b"HTTP/1.0 200 OK\r\nContent-Length:1234\r\n\r\n" + pattern(0, 1234))
        elif path == "/close-mid-header":
            conn.sendall(b"HTTP/1.0 200 OK\r\nContent-Le")
        elif path == "/close-mid-body":
            conn.sendall(header("200 OK", "Content-Length: 10000") + pattern(0, 3000))
        elif path == "/long-body":
            conn.sendall(header("200 OK", "Content-Length: 100") + pattern(0, 5000))
        elif path == "/huge-header":
            conn.sendall(header("200 OK", "X-Padding: " + "a" * 5000, "Content-Length: 2") + b"ok")
        elif path == "/silent":
            while conn.recv(4096):  # until the client gives up
                pass
        elif path.startswith("/count/"):
            key = path[len("/count"):]
            with self.lock:
                body = str(self.counts.get(key, 0)).encode()
            conn.sendall(header("200 OK", "Content-Length: %d" % len(body)) + body)
        else:
            conn.sendall(header("200 OK", "Content-Length: %d" % len(request)) + request)

    def stop(self):
        self.stopping = True
        self.sock.close()


def free_port():
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def listening(port):
    try:
        with socket.create_connection(("127.0.0.1", port), timeout=0.2):
            return True
    except OSError:
        return False


def start_tinyproxy(workdir):
    """tinyproxy in the foreground on a free port; (process, port)."""
    for attempt in range(5):
        port = free_port()
        conf = os.path.join(workdir, "tinyproxy.conf")
        with open(conf, "w") as f:
            f.write("Port %d\nListen 127.0.0.1\nAllow 127.0.0.1\nTimeout 30\nMaxClients 20\n"
                    "BasicAuth %s %s\nDisableViaHeader Yes\nLogLevel Info\nLogFile \"%s\"\n"
                    % (port, PROXY_USER, PROXY_PASSWORD, os.path.join(workdir, "tinyproxy.log")))
        proc = subprocess.Popen(["tinyproxy", "-d", "-c", conf], stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                preexec_fn=die_with_parent)
        for _ in range(100):
            if proc.poll() is not None:
                break
            if listening(port):
                return proc, port
            time.sleep(0.05)
        stop_process(proc)
    raise RuntimeError("tinyproxy did not start")


def stop_process(proc):
    if proc.poll() is None:
        proc.terminate()
        try:
            proc.wait(5)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()


def main(argv):
    with_proxy = False
    while argv and argv[0] != "--":
        if argv[0] == "--proxy":
            with_proxy = True
        else:
            print("serve.py: unknown option " + argv[0], file=sys.stderr)
            return 2
        argv = argv[1:]
    command = argv[1:]
    if not command:
        print("usage: serve.py [--proxy] -- COMMAND [ARGS...]", file=sys.stderr)
        return 2

    die_with_parent()
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    origin = Origin()
    env = dict(os.environ, KM_HTTP_ORIGIN_PORT=str(origin.port),
               KM_HTTP_PROXY_USER=PROXY_USER, KM_HTTP_PROXY_PASSWORD=PROXY_PASSWORD)
    proxy = None
    child = None
    with tempfile.TemporaryDirectory(prefix="km-http-") as workdir:
        try:
            if with_proxy:
                proxy, port = start_tinyproxy(workdir)
                env["KM_HTTP_PROXY_PORT"] = str(port)
            child = subprocess.Popen(command, env=env)
            return child.wait()
        finally:
            if child is not None:
                stop_process(child)
            if proxy is not None:
                stop_process(proxy)
            origin.stop()


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
