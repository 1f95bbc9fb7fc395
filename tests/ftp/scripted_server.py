"""A scripted FTP server for the client's tests (standard library only).

A test talks to the admin port first: it sends one line of JSON, the
scenario, and gets back "PORT n" -- a fresh FTP listener on 127.0.0.1 that
plays that scenario for every control connection it accepts. When the test is
done it sends "LOG" (the commands received so far) or "LOGEND" (the same once
the control connection has ended, at most two seconds later); the answer is
one command per line and a last line "END".

Scenario keys (all optional; texts are sent as Latin-1 bytes, line ends as
written):
  greeting        text sent on connect (default "220 ready\r\n"); "" = silent
  replies         {"VERB": text or [texts, one per use, the last repeats]}
                  "" = no reply (stay silent), "<close>" = close the control
                  connection instead of replying. PASV texts may contain
                  {p1} and {p2}, filled with the passive listener's port.
  delay           {"VERB": seconds} before that reply
  data            text sent on the data connection of RETR and NLST
  data_size       instead of data: that many bytes of the test pattern
  data_mode       "send" (default), "never" (no data connection at all),
                  "hold" (send, then keep the data connection open for
                  hold_seconds before closing)
  hold_seconds    default 3
  chunk, chunk_delay   send the data in pieces of chunk bytes with a pause
  final           the reply after the data (default "226 Transfer complete\r\n");
                  "" = none, "<close>" = close the control connection
  final_first     send the final reply before closing the data connection
  trickle         send every reply one byte at a time
  no_active       never connect back for PORT (a client behind a router);
                  active_late: the text then sent after the RETR/NLST reply
  cut_after       send only that many bytes of the data, then close the data
                  and the control connection (a mirror that dies mid-transfer)
  REST            answered "350 Restarting at n" by default; when the reply
                  starts with 3 the next RETR sends the data from byte n on
  blackhole       the listener never accepts and its queue is full, so a
                  connect to it neither succeeds nor fails
"""

import json
import socket
import sys
import threading
import time

DEFAULT_REPLIES = {
    "USER": "331 Password required\r\n",
    "PASS": "230 Logged in\r\n",
    "QUIT": "221 Goodbye\r\n",
    "PORT": "200 PORT command successful\r\n",
    "PASV": "227 Entering Passive Mode (127,0,0,1,{p1},{p2}).\r\n",
    "RETR": "150 Opening BINARY mode data connection ({size} bytes)\r\n",
    "NLST": "150 Here comes the listing\r\n",
    "ABOR": "226 Abort successful\r\n",
    "TYPE": "200 Type set\r\n",
    "REST": "350 Restarting at {n}\r\n",
}


def pattern(size):
    """The test pattern: byte i is (i * 7 + i // 251) mod 256."""
    return bytes(((i * 7 + i // 251) & 0xFF) for i in range(size))


class Session:
    def __init__(self, scenario, log, conn):
        self.scenario = scenario
        self.log = log
        self.conn = conn
        self.uses = {}
        self.active_target = None
        self.passive_listener = None
        self.restart_at = 0

    def send(self, text):
        data = text.encode("latin-1")
        if self.scenario.get("trickle"):
            for i in range(len(data)):
                self.conn.sendall(data[i:i + 1])
                time.sleep(0.003)
        else:
            self.conn.sendall(data)

    def reply_for(self, verb):
        replies = self.scenario.get("replies", {})
        if verb in replies:
            value = replies[verb]
            if isinstance(value, list):
                n = self.uses.get(verb, 0)
                self.uses[verb] = n + 1
                return value[min(n, len(value) - 1)]
            return value
        return DEFAULT_REPLIES.get(verb, "500 Unknown command\r\n")

    def payload(self):
        if "data_size" in self.scenario:
            return pattern(int(self.scenario["data_size"]))
        return self.scenario.get("data", "").encode("latin-1")

    def rest_of_payload(self):
        payload = self.payload()[self.restart_at:]
        self.restart_at = 0
        return payload

    def open_data(self):
        if self.passive_listener is not None:
            self.passive_listener.settimeout(10)
            data, _ = self.passive_listener.accept()
            self.passive_listener.close()
            self.passive_listener = None
            return data
        if self.active_target is not None and not self.scenario.get("no_active"):
            return socket.create_connection(self.active_target, timeout=10)
        return None

    def transfer(self):
        """Sends the data and the final reply; False when the session ends."""
        mode = self.scenario.get("data_mode", "send")
        final = self.scenario.get("final", "226 Transfer complete\r\n")
        if mode == "never":
            return True
        try:
            data = self.open_data()
        except OSError:
            data = None
        if data is None:
            late = self.scenario.get("active_late", "")
            if late:
                self.send(late)
            return True
        payload = self.rest_of_payload()
        cut = self.scenario.get("cut_after")
        if cut is not None:
            try:
                data.sendall(payload[:int(cut)])
                time.sleep(0.2)
            except OSError:
                pass
            data.close()
            return False
        chunk = int(self.scenario.get("chunk", 0)) or max(len(payload), 1)
        pause = float(self.scenario.get("chunk_delay", 0))
        try:
            for i in range(0, len(payload), chunk):
                data.sendall(payload[i:i + chunk])
                if pause:
                    time.sleep(pause)
            if self.scenario.get("final_first") and final and final != "<close>":
                self.send(final)
                final = ""
                time.sleep(0.3)
            if mode == "hold":
                time.sleep(float(self.scenario.get("hold_seconds", 3)))
        except OSError:
            pass
        finally:
            data.close()
        if final == "<close>":
            return False
        if final:
            self.send(final)
        return True

    def run(self):
        greeting = self.scenario.get("greeting", "220 ready\r\n")
        if greeting == "<close>":
            return
        if greeting:
            self.send(greeting)
        buffer = b""
        while True:
            try:
                chunk = self.conn.recv(4096)
            except OSError:
                return
            if not chunk:
                return
            buffer += chunk
            while b"\n" in buffer:
                raw, buffer = buffer.split(b"\n", 1)
                line = raw.rstrip(b"\r").decode("latin-1")
                self.log.append(line)
                if not self.handle(line):
                    return

    def handle(self, line):
        verb = line.split(" ", 1)[0].upper()
        arg = line[len(verb) + 1:]
        delay = self.scenario.get("delay", {}).get(verb)
        if delay:
            time.sleep(float(delay))
        text = self.reply_for(verb)
        if verb == "PORT":
            try:
                n = [int(x) for x in arg.split(",")]
                self.active_target = ("127.0.0.1", n[4] * 256 + n[5])
            except (ValueError, IndexError):
                pass
        if verb == "PASV":
            listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
            listener.bind(("127.0.0.1", 0))
            listener.listen(1)
            self.passive_listener = listener
            port = listener.getsockname()[1]
            text = text.replace("{p1}", str(port // 256)).replace("{p2}", str(port % 256))
        if verb == "RETR":
            text = text.replace("{size}", str(len(self.payload())))
        if verb == "REST":
            text = text.replace("{n}", arg)
            if text.startswith("3"):
                try:
                    self.restart_at = int(arg)
                except ValueError:
                    pass
        if text == "<close>":
            return False
        if text:
            self.send(text)
        if verb in ("RETR", "NLST") and text and not text.startswith(("4", "5")):
            return self.transfer()
        return True


class Scenario:
    def __init__(self, scenario):
        self.scenario = scenario
        self.log = []
        self.ended = threading.Event()
        self.listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self.listener.bind(("127.0.0.1", 0))
        self.port = self.listener.getsockname()[1]
        self.fillers = []
        if scenario.get("blackhole"):
            # Never accepts, and its queue is full: a connect to it hangs.
            self.listener.listen(0)
            for _ in range(3):
                filler = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
                filler.setblocking(False)
                filler.connect_ex(("127.0.0.1", self.port))
                self.fillers.append(filler)
            time.sleep(0.2)
            return
        self.listener.listen(4)
        threading.Thread(target=self.serve, daemon=True).start()

    def serve(self):
        while True:
            try:
                conn, _ = self.listener.accept()
            except OSError:
                return
            self.ended.clear()
            threading.Thread(target=self.session, args=(conn,), daemon=True).start()

    def session(self, conn):
        try:
            Session(self.scenario, self.log, conn).run()
        except OSError:
            pass
        finally:
            try:
                conn.close()
            except OSError:
                pass
            self.ended.set()

    def close(self):
        self.listener.close()
        for filler in self.fillers:
            filler.close()


def admin(conn):
    scenario = None
    reader = conn.makefile("rb")
    try:
        for raw in reader:
            line = raw.decode("latin-1").strip()
            if line.startswith("{"):
                if scenario:
                    scenario.close()
                scenario = Scenario(json.loads(line))
                conn.sendall(b"PORT %d\n" % scenario.port)
            elif line in ("LOG", "LOGEND") and scenario:
                if line == "LOGEND":
                    scenario.ended.wait(2)
                text = "".join(entry + "\n" for entry in scenario.log) + "END\n"
                conn.sendall(text.encode("latin-1"))
    finally:
        if scenario:
            scenario.close()
        conn.close()


def start(port=0):
    """Starts the admin listener in a background thread; returns its port."""
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", port))
    listener.listen(16)

    def loop():
        while True:
            conn, _ = listener.accept()
            threading.Thread(target=admin, args=(conn,), daemon=True).start()

    threading.Thread(target=loop, daemon=True).start()
    return listener.getsockname()[1]


if __name__ == "__main__":
    print(start(int(sys.argv[1]) if len(sys.argv) > 1 else 0), flush=True)
    threading.Event().wait()
