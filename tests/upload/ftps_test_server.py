#!/usr/bin/python3
"""ftp_test_server.py with explicit TLS: pyftpdlib's TLS handler, TLS required
on the control and data connections, and a few TLS fault modes on top of the
plain server's.

Takes every argument of ftp_test_server.py, plus --cert, --key and --tls-fault.
"""
import argparse
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import ftp_test_server as base  # noqa: E402
from pyftpdlib.handlers import TLS_DTPHandler, TLS_FTPHandler  # noqa: E402

TLS_FAULTS = (
    "none",
    "plain-after-234",  # AUTH TLS is answered by 234, then a reply line comes in clear
    "injected-after-234",  # 234 and a clear "230" in one write, then the handshake
    "refuse-prot",      # PROT P is refused
)


def main():
    parser = argparse.ArgumentParser(add_help=False)
    parser.add_argument("--cert", required=True)
    parser.add_argument("--key", required=True)
    parser.add_argument("--tls-fault", default="none", choices=TLS_FAULTS)
    tls, rest = parser.parse_known_args()

    # The plain server's handlers take their bases from its module at call time.
    base.FTPHandler = TLS_FTPHandler
    base.DTPHandler = TLS_DTPHandler
    plain_make_handler = base.make_handler

    def make_handler(args):
        handler = plain_make_handler(args)

        class Handler(handler):
            certfile = tls.cert
            keyfile = tls.key
            tls_control_required = True
            tls_data_required = True

            def ftp_AUTH(self, line):
                if tls.tls_fault == "plain-after-234":
                    self.cleartext_reply_due = True
                    return self.respond("234 AUTH TLS successful.")
                if tls.tls_fault == "injected-after-234":
                    self.respond("234 AUTH TLS successful.\r\n230 injected")
                    return self.secure_connection(self.ssl_context)
                return handler.ftp_AUTH(self, line)

            def collect_incoming_data(self, data):
                # The answer to the client's first TLS record is a line in clear.
                if getattr(self, "cleartext_reply_due", False):
                    self.cleartext_reply_due = False
                    self.push("500 This is no TLS record.\r\n")
                return handler.collect_incoming_data(self, data)

            def ftp_PROT(self, line):
                if tls.tls_fault == "refuse-prot":
                    return self.respond("534 Request denied for policy reasons.")
                return handler.ftp_PROT(self, line)

        return Handler

    base.make_handler = make_handler
    sys.argv = [sys.argv[0]] + rest
    return base.main()


if __name__ == "__main__":
    sys.exit(main())
