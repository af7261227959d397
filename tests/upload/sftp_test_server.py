#!/usr/bin/python3
"""An SFTP server on loopback for the SFTP client tests: paramiko serving a
folder, with a transcript of what the client asked and a few fault modes.

Prints "HOSTKEY <type> <base64>" and then "PORT <n>" on stdout once it
listens, then serves until killed. Every login attempt and every request is
appended to --transcript before it is answered.
"""
import argparse
import os
import socket
import sys
import threading
import time

import paramiko
from paramiko import SFTPAttributes, SFTPHandle, SFTPServer, SFTPServerInterface
from paramiko.sftp import SFTP_FAILURE, SFTP_OK, SFTP_PERMISSION_DENIED

MODES = (
    "none",                # password logins
    "refuse-login",        # every password is refused
    "keyboard-interactive",  # only keyboard-interactive logins, one "Password:" question
    "drop-mid-transfer",   # the connection is cut on the first write of a file
    "refuse-mkdir",        # every mkdir is refused (permission denied)
    "refuse-rename",       # every rename is refused (permission denied)
    "hold-write",          # writes are never answered until the --release file exists
    "throttle",            # each write is answered after 20 ms, so a transfer can be cancelled
    "silent",              # connections are accepted, and nothing is ever said on them
)

# A held write gives up after this long, so that a server nobody releases
# still ends its threads.
HOLD_LIMIT = 60


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--user", default="tav")
    parser.add_argument("--password", default="secret")
    parser.add_argument("--transcript", required=True)
    parser.add_argument("--mode", default="none", choices=MODES)
    parser.add_argument("--release", help="hold-write: the file whose existence lets writes go on")
    args = parser.parse_args()

    transcript = open(args.transcript, "a", buffering=1)
    lock = threading.Lock()

    def log(line):
        with lock:
            transcript.write(line + "\n")

    root = os.path.realpath(args.root)

    def real(path):
        virtual = os.path.normpath("/" + path)
        return os.path.join(root, virtual.lstrip("/"))

    def errno_status(call, *a):
        try:
            call(*a)
        except OSError as e:
            return SFTPServer.convert_errno(e.errno)
        return SFTP_OK

    class Handle(SFTPHandle):
        connection = None  # the client's socket
        writes = 0

        def write(self, offset, data):
            self.writes += 1
            log("write %d %d" % (offset, len(data)))
            if args.mode == "drop-mid-transfer":
                self.connection.shutdown(socket.SHUT_RDWR)
                return SFTP_FAILURE
            if args.mode == "hold-write":
                deadline = time.time() + HOLD_LIMIT
                while not os.path.exists(args.release) and time.time() < deadline:
                    time.sleep(0.02)
            if args.mode == "throttle":
                time.sleep(0.02)
            return SFTPHandle.write(self, offset, data)

    class Files(SFTPServerInterface):
        def __init__(self, server, *a, **kw):
            SFTPServerInterface.__init__(self, server, *a, **kw)
            self.connection = server.connection

        def canonicalize(self, path):
            log("realpath " + path)
            # normpath keeps a leading "//" as it is: one slash, as a server answers
            return os.path.normpath("/" + path.lstrip("/"))

        def stat(self, path):
            log("stat " + path)
            try:
                return SFTPAttributes.from_stat(os.stat(real(path)))
            except OSError as e:
                return SFTPServer.convert_errno(e.errno)

        lstat = stat

        def open(self, path, flags, attr):
            log("open " + path)
            try:
                fd = os.open(real(path), flags, 0o644)
            except OSError as e:
                return SFTPServer.convert_errno(e.errno)
            handle = Handle(flags)
            handle.connection = self.connection
            handle.writefile = handle.readfile = os.fdopen(fd, "r+b" if flags & os.O_RDWR else "wb" if flags & os.O_WRONLY else "rb")
            return handle

        def mkdir(self, path, attr):
            log("mkdir " + path)
            if args.mode == "refuse-mkdir":
                return SFTP_PERMISSION_DENIED
            return errno_status(os.mkdir, real(path))

        def rename(self, oldpath, newpath):
            log("rename %s %s" % (oldpath, newpath))
            if args.mode == "refuse-rename":
                return SFTP_PERMISSION_DENIED
            if os.path.exists(real(newpath)):
                return SFTP_FAILURE  # as OpenSSH's server: a plain rename does not replace
            return errno_status(os.rename, real(oldpath), real(newpath))

        def remove(self, path):
            log("remove " + path)
            return errno_status(os.remove, real(path))

    host_key = paramiko.ECDSAKey.generate()

    class Server(paramiko.ServerInterface):
        def __init__(self, connection):
            self.connection = connection

        def get_allowed_auths(self, username):
            return "keyboard-interactive" if args.mode == "keyboard-interactive" else "password"

        def check_auth_none(self, username):
            log("auth none " + username)
            return paramiko.AUTH_FAILED

        def check_auth_password(self, username, password):
            log("auth password " + username)
            ok = args.mode not in ("refuse-login", "keyboard-interactive") \
                and (username, password) == (args.user, args.password)
            return paramiko.AUTH_SUCCESSFUL if ok else paramiko.AUTH_FAILED

        def check_auth_publickey(self, username, key):
            log("auth publickey " + username)
            return paramiko.AUTH_FAILED

        def check_auth_interactive(self, username, submethods):
            log("auth keyboard-interactive " + username)
            if args.mode != "keyboard-interactive":
                return paramiko.AUTH_FAILED
            self.username = username
            return paramiko.InteractiveQuery("", "", ("Password: ", False))

        def check_auth_interactive_response(self, responses):
            ok = (self.username, list(responses)) == (args.user, [args.password])
            return paramiko.AUTH_SUCCESSFUL if ok else paramiko.AUTH_FAILED

        def check_channel_request(self, kind, chanid):
            return paramiko.OPEN_SUCCEEDED if kind == "session" else paramiko.OPEN_FAILED_ADMINISTRATIVELY_PROHIBITED

    def serve(connection):
        transport = paramiko.Transport(connection)
        transport.add_server_key(host_key)
        transport.set_subsystem_handler("sftp", SFTPServer, Files)
        try:
            transport.start_server(server=Server(connection))
        except (paramiko.SSHException, EOFError, OSError):
            pass

    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.bind(("127.0.0.1", 0))
    listener.listen(8)
    print("HOSTKEY %s %s" % (host_key.get_name(), host_key.get_base64()), flush=True)
    print("PORT %d" % listener.getsockname()[1], flush=True)
    silent = []
    while True:
        connection, _ = listener.accept()
        if args.mode == "silent":
            silent.append(connection)  # kept open, never answered
            continue
        threading.Thread(target=serve, args=(connection,), daemon=True).start()


if __name__ == "__main__":
    sys.exit(main())
