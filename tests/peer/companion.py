#!/usr/bin/python3
"""The companion for tests: an FTP server on 127.0.0.1 that answers as the
phone application does.

  companion.py --root DIR [--version 4.0] [--password PW] [--refuse CMD ...]
               [--drop-after CMD] [--extra-entry HEX ...]

Prints "PORT <n> PID <pid>" on standard output once it listens, then serves
until it is terminated (or its parent goes away).

What it keeps of the phone's behaviour:
- the greeting "220 Dossiva companion 4.0 ready", whose version sits at
  byte 22 (--version gives another one, such as 3.5);
- any user name, with the fixed password;
- passive data connections only: PORT and EPRT are refused, and EPSV too,
  so that clients fall back to PASV;
- LIST output that always begins with a "total N" line;
- RMD removes a directory with everything inside it.
--refuse answers the named commands with 550, for tests of failures.
--drop-after answers the command after the first one named with 421 and
closes the connection, as a phone that goes away does.
--extra-entry lists a folder of this name (given as hex bytes, so that it
may hold any byte) in the root's listing beside what is really there, as a
hostile phone could.
"""

import argparse
import logging
import os
import shutil
import sys

from pyftpdlib.authorizers import AuthenticationFailed
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

FIXED_PASSWORD = "7Catalo9g"


class AnyUserAuthorizer:
    """Every user name is welcome with the one password; all share the root."""

    def __init__(self, root, password):
        self.root = root
        self.password = password

    def validate_authentication(self, username, password, handler):
        if password != self.password:
            raise AuthenticationFailed("Authentication failed.")

    def get_home_dir(self, username):
        return self.root

    def has_user(self, username):
        return True

    def has_perm(self, username, perm, path=None):
        return True

    def get_perms(self, username):
        return "elradfmwMT"

    def get_msg_login(self, username):
        return "Welcome."

    def get_msg_quit(self, username):
        return "Goodbye."

    def impersonate_user(self, username, password):
        pass

    def terminate_impersonation(self, username):
        pass


class CompanionFS(AbstractedFS):
    extra_entries = []

    def format_list(self, basedir, listing, ignore_err=True):
        lines = list(super().format_list(basedir, listing, ignore_err))
        if os.path.realpath(basedir) == os.path.realpath(self.root):
            lines += [b"drwxr-xr-x   1 owner    group           0 Mar 03 10:12 %s\r\n" % name
                      for name in self.extra_entries]
        yield b"total %d\r\n" % len(lines)
        yield from lines

    def rmdir(self, path):
        shutil.rmtree(path)


class CompanionHandler(FTPHandler):
    abstracted_fs = CompanionFS
    auth_failed_timeout = 0.1
    refused = frozenset()
    drop_after = None
    # Once per server: the command named by --drop-after was answered.
    dropping = False

    def ftp_PORT(self, line):
        self.respond("502 Passive mode only.")

    def ftp_EPRT(self, line):
        self.respond("502 Passive mode only.")

    def ftp_EPSV(self, line):
        self.respond("502 Use PASV.")

    def pre_process_command(self, line, cmd, arg):
        if CompanionHandler.dropping:
            CompanionHandler.dropping = False
            CompanionHandler.drop_after = None
            self.respond("421 Service not available, closing control connection.")
            self.close_when_done()
            return
        if cmd in self.refused:
            self.respond("550 Refused by the test.")
            return
        super().pre_process_command(line, cmd, arg)
        if cmd == CompanionHandler.drop_after:
            CompanionHandler.dropping = True


def watch_parent(server, parent):
    # A test that dies must not leave its server behind.
    def check():
        if os.getppid() != parent:
            server.close_all()
            os._exit(0)

    server.ioloop.call_every(1.0, check)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--version", default="4.0")
    parser.add_argument("--password", default=FIXED_PASSWORD)
    parser.add_argument("--refuse", action="append", default=[])
    parser.add_argument("--drop-after")
    parser.add_argument("--extra-entry", action="append", default=[])
    args = parser.parse_args()

    logging.basicConfig(level=logging.WARNING)
    logging.getLogger("pyftpdlib").setLevel(logging.WARNING)
    # Clients killed mid-transfer make pyftpdlib format a closed transfer;
    # the failure of that log line is no failure of the companion.
    logging.raiseExceptions = False

    root = os.path.realpath(args.root)
    CompanionHandler.authorizer = AnyUserAuthorizer(root, args.password)
    CompanionHandler.banner = "Dossiva companion %s ready" % args.version
    CompanionHandler.refused = frozenset(cmd.upper() for cmd in args.refuse)
    CompanionHandler.drop_after = args.drop_after.upper() if args.drop_after else None
    CompanionFS.extra_entries = [bytes.fromhex(name) for name in args.extra_entry]

    server = FTPServer(("127.0.0.1", 0), CompanionHandler)
    watch_parent(server, os.getppid())
    print("PORT %d PID %d" % (server.address[1], os.getpid()), flush=True)
    try:
        server.serve_forever(handle_exit=True)
    finally:
        server.close_all()


if __name__ == "__main__":
    sys.exit(main())
