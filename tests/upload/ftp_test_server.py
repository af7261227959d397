#!/usr/bin/python3
"""An FTP server on loopback for the upload tests: pyftpdlib with a command
transcript and a few fault modes.

Prints "PORT <n>" on stdout once it listens, then serves until killed.
Every command line the server receives is appended to --transcript.
"""
import argparse
import os
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer

FAULTS = (
    "none",
    "user-230",            # USER is answered by 230: no PASS needed
    "refuse-stor",         # every STOR gets 550
    "final-426",           # the transfer ends with 426 instead of 226
    "final-452",           # the transfer ends with 452 instead of 226
    "drop-mid-transfer",   # the server hangs up after the first data received
    "drop-data",           # the data connection is closed after the first data (426), the session goes on
    "drop-data-no-dele",   # as drop-data, and every DELE gets 550
    "rnto-no-overwrite",   # RNTO onto an existing file gets 550, as on servers that cannot replace
    "refuse-rnto",         # RNFR is accepted, every RNTO gets 550
    "slow-stor",           # STOR is never answered
    "multiline-greeting",  # a greeting of several lines, one without a code
    "mkd-ok-cwd-refused",  # MKD is answered by 257 (nothing made), every CWD by 550
    "silent-greeting",     # the connection is accepted, no greeting ever comes
    "silent-pass",         # PASS is never answered
    "hold-stor",           # STOR waits until the --release file exists
    "hold-later-stor",     # the first STOR goes through, later ones wait as with hold-stor
    "throttle",            # data is taken at --read-limit bytes per second
    "hold-final",          # the final reply of a STOR waits for an ABOR
    "greeting-120",        # a 120 comes before the 220 greeting
    "user-150",            # USER is answered by a 150 before its 331
    "greeting-no-code",    # the greeting is a line without a reply code
    "cwd-no-code",         # CWD changes the folder and answers without a reply code
    "final-no-code",       # the transfer ends with a line without a reply code
    "ascii-despite-type-i",  # TYPE I is accepted, files are stored as ASCII all the same
    "refuse-type",         # every TYPE gets 504
    "no-size",             # SIZE is unknown (502)
)


def make_handler(args):
    transcript = open(args.transcript, "a", buffering=1) if args.transcript else None
    fault = args.fault
    stored = []  # the files whose STOR went through
    held_final = []  # hold-final: the reply that waits for ABOR

    class DroppingDTP(DTPHandler):
        def handle_read(self):
            DTPHandler.handle_read(self)
            if fault == "drop-mid-transfer" and self.tot_bytes_received > 0:
                self.cmd_channel.close()
            elif fault.startswith("drop-data") and self.tot_bytes_received > 0 and not self._closed:
                self._resp = ("426 Data connection closed by the test server; transfer aborted.", None)
                self.close()

        handle_read_event = handle_read  # the base class binds the event to its own method

    class SlowDTP(ThrottledDTPHandler):
        read_limit = args.read_limit

    class Handler(FTPHandler):
        dtp_handler = SlowDTP if fault == "throttle" else DroppingDTP

        def pre_process_command(self, line, cmd, arg):
            if transcript:
                transcript.write(line + "\n")
            return FTPHandler.pre_process_command(self, line, cmd, arg)

        def handle(self):
            if fault == "silent-greeting":
                return self.on_connect()
            if fault == "greeting-120":
                self.push("120 Ready in a moment.\r\n")
            if fault == "greeting-no-code":
                self.on_connect()
                return self.push("Welcome, no code here\r\n")
            if fault != "multiline-greeting":
                return FTPHandler.handle(self)
            self.on_connect()
            self.push("220-Welcome to the test server\r\n"
                      "This line carries no reply code\r\n"
                      "  and this one is indented\r\n"
                      "220 Ready\r\n")

        def ftp_USER(self, line):
            if fault == "user-150":
                self.push("150 Checking the user.\r\n")
            if fault == "user-230" and not self.authenticated:
                self.username = line
                return self.ftp_PASS(args.password)
            return FTPHandler.ftp_USER(self, line)

        def ftp_PASS(self, line):
            if fault == "silent-pass":
                return None
            return FTPHandler.ftp_PASS(self, line)

        def ftp_MKD(self, path):
            if fault == "mkd-ok-cwd-refused":
                self.respond('257 "%s" directory created.' % path)
                return path
            return FTPHandler.ftp_MKD(self, path)

        def ftp_CWD(self, path):
            if fault == "mkd-ok-cwd-refused":
                self.respond("550 No such file or directory.")
                return None
            if fault == "cwd-no-code":
                self.fs.chdir(path)
                self.push("Directory changed.\r\n")
                return path
            return FTPHandler.ftp_CWD(self, path)

        def ftp_TYPE(self, line):
            if fault == "refuse-type":
                return self.respond("504 Type not allowed here.")
            if fault == "ascii-despite-type-i":
                return self.respond("200 Type set to: Binary.")  # and stays ASCII
            return FTPHandler.ftp_TYPE(self, line)

        def ftp_SIZE(self, path):
            if fault == "no-size":
                return self.respond("502 Command not implemented.")
            kept = self._current_type
            self._current_type = "i"  # ascii-despite-type-i: the size as stored
            try:
                return FTPHandler.ftp_SIZE(self, path)
            finally:
                self._current_type = kept

        def ftp_DELE(self, path):
            if fault == "drop-data-no-dele":
                self.respond("550 Deleting is not allowed here.")
                return None
            return FTPHandler.ftp_DELE(self, path)

        def ftp_RNTO(self, path):
            if fault == "refuse-rnto":
                self._rnfr = None
                self.respond("550 Renaming is not allowed here.")
                return None
            if fault == "rnto-no-overwrite" and self._rnfr and os.path.exists(path):
                self._rnfr = None
                self.respond("550 Cannot rename: the file exists.")
                return None
            return FTPHandler.ftp_RNTO(self, path)

        def ftp_ABOR(self, line):
            while held_final:
                FTPHandler.respond(self, held_final.pop())
            return FTPHandler.ftp_ABOR(self, line)

        def ftp_STOR(self, file, mode="w"):
            if fault == "refuse-stor":
                self.respond("550 Permission denied.")
                return None
            if fault == "slow-stor":
                return None
            held = fault == "hold-stor" or (fault == "hold-later-stor" and stored)
            if held and not os.path.exists(args.release):
                self.ioloop.call_later(0.02, self.ftp_STOR, file, mode)
                return None
            stored.append(file)
            return FTPHandler.ftp_STOR(self, file, mode)

        def respond(self, resp, logfun=None):
            if resp.startswith("226 Transfer complete") and fault == "hold-final":
                held_final.append(resp)
                return None
            if resp.startswith("226") and fault == "final-426":
                resp = "426 Connection closed; transfer aborted."
            elif resp.startswith("226") and fault == "final-452":
                resp = "452 Insufficient storage space."
            elif resp.startswith("226") and fault == "final-no-code":
                resp = "Transfer complete."
            if logfun is None:
                return FTPHandler.respond(self, resp)
            return FTPHandler.respond(self, resp, logfun)

    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm="elradfmwMT")
    Handler.authorizer = authorizer
    Handler.banner = "test server ready"
    Handler.auth_failed_timeout = 0  # refuse a login at once, not after 3 seconds
    if args.masquerade:
        Handler.masquerade_address = args.masquerade
    return Handler


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--user", default="tav")
    parser.add_argument("--password", default="secret")
    parser.add_argument("--transcript")
    parser.add_argument("--fault", default="none", choices=FAULTS)
    parser.add_argument("--masquerade", help="address that PASV replies name")
    parser.add_argument("--release", help="hold-stor: the file whose existence lets STOR go on")
    parser.add_argument("--read-limit", type=int, default=1 << 20, help="throttle: bytes per second")
    parser.add_argument("--listen", default="127.0.0.1", help="the address to listen on (::1 for IPv6)")
    args = parser.parse_args()

    import logging
    logging.basicConfig(level=logging.CRITICAL)
    server = FTPServer((args.listen, 0), make_handler(args))
    print("PORT %d" % server.address[1], flush=True)
    server.serve_forever(timeout=0.5)


if __name__ == "__main__":
    sys.exit(main())
