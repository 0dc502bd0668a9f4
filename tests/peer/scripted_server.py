#!/usr/bin/python3
"""A scripted FTP server for tests: it plays a fixed list of steps to the one
client that connects on 127.0.0.1 and writes everything the client sends to a
transcript, one line per command.

  scripted_server.py SCRIPT.json TRANSCRIPT

Prints "PORT <n> PID <pid>" once it listens. The script is a JSON list of
steps; texts are sent byte for byte (each character is one byte, 0 to 255):

  ["send", text]          send text on the control connection
  ["recv"]                read one command line (recorded)
  ["reply", text]         read one command line, then send text
  ["pasv", "h1,h2,h3,h4"] read one command, open a data listener on
                          127.0.0.1 and answer 227 with this address and the
                          listener's port
  ["accept"]              take the data connection ("DATA-CONNECT <ip>")
  ["data", text]          send text on the data connection
  ["data_repeat", text, n]  send text n times
  ["data_drip", text, seconds, n]  send text n times, pausing between them
  ["data_drain"]          read the data connection to its end
                          ("DATA-RECEIVED <bytes>")
  ["data_close"]          close the data connection
  ["sleep", seconds]      stay silent
  ["close"]               close the control connection

After the last step it keeps recording commands until the client closes.
Control characters in recorded lines are written as \\xNN.
"""

import json
import os
import socket
import sys
import time

ACCEPT_TIMEOUT = 10.0
IDLE_TIMEOUT = 30.0


class Session:
    def __init__(self, control, transcript):
        self.control = control
        self.transcript = transcript
        self.pending = b""
        self.listener = None
        self.data = None

    def record(self, text):
        self.transcript.write(text + "\n")
        self.transcript.flush()

    def recv_line(self):
        while b"\n" not in self.pending:
            chunk = self.control.recv(65536)
            if not chunk:
                return None
            self.pending += chunk
        line, self.pending = self.pending.split(b"\n", 1)
        if line.endswith(b"\r"):
            line = line[:-1]
        shown = "".join(
            "\\x%02x" % b if b < 0x20 or b == 0x7F else ("\\\\" if b == 0x5C else chr(b))
            for b in line
        )
        self.record(shown)
        return line

    def send(self, text):
        self.control.sendall(text.encode("latin-1"))

    def open_listener(self, address):
        self.listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self.listener.bind(("127.0.0.1", 0))
        self.listener.listen(1)
        port = self.listener.getsockname()[1]
        self.send("227 Entering Passive Mode (%s,%d,%d).\r\n" % (address, port // 256, port % 256))

    def accept(self):
        self.listener.settimeout(ACCEPT_TIMEOUT)
        self.data, peer = self.listener.accept()
        self.record("DATA-CONNECT %s" % peer[0])

    def drain(self):
        total = 0
        while True:
            chunk = self.data.recv(65536)
            if not chunk:
                break
            total += len(chunk)
        self.record("DATA-RECEIVED %d" % total)

    def run(self, steps):
        for step in steps:
            action = step[0]
            if action == "send":
                self.send(step[1])
            elif action == "recv":
                if self.recv_line() is None:
                    return
            elif action == "reply":
                if self.recv_line() is None:
                    return
                self.send(step[1])
            elif action == "pasv":
                if self.recv_line() is None:
                    return
                self.open_listener(step[1])
            elif action == "accept":
                self.accept()
            elif action == "data":
                self.data.sendall(step[1].encode("latin-1"))
            elif action == "data_repeat":
                block = step[1].encode("latin-1")
                for _ in range(step[2]):
                    self.data.sendall(block)
            elif action == "data_drip":
                block = step[1].encode("latin-1")
                for _ in range(step[3]):
                    self.data.sendall(block)
                    time.sleep(step[2])
            elif action == "data_drain":
                self.drain()
            elif action == "data_close":
                self.data.close()
                self.data = None
            elif action == "sleep":
                time.sleep(step[1])
            elif action == "close":
                self.control.close()
                return
            else:
                raise ValueError("unknown step %r" % action)
        self.control.settimeout(IDLE_TIMEOUT)
        while self.recv_line() is not None:
            pass


def main():
    with open(sys.argv[1], encoding="utf-8") as script:
        steps = json.load(script)
    server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(("127.0.0.1", 0))
    server.listen(1)
    print("PORT %d PID %d" % (server.getsockname()[1], os.getpid()), flush=True)
    server.settimeout(IDLE_TIMEOUT)
    control, _ = server.accept()
    with open(sys.argv[2], "w", encoding="latin-1") as transcript:
        try:
            Session(control, transcript).run(steps)
        except (OSError, socket.timeout) as error:
            transcript.write("SERVER-ERROR %s\n" % error)
    return 0


if __name__ == "__main__":
    sys.exit(main())
