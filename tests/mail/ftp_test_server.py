#!/usr/bin/python3
"""FTP server for the mail tests: serves ROOT on a free loopback port, prints
"PORT <n>" once it listens, and appends "connect" and "login <user>" lines to
the events file so tests can count connections."""
import argparse
import logging
import warnings

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer

PERMISSIONS = "elradfmwMT"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("root")
    parser.add_argument("--user", default="")
    parser.add_argument("--password", default="")
    parser.add_argument("--rate", type=int, default=0, help="bytes per second each way, 0 = no limit")
    parser.add_argument("--events", default="")
    args = parser.parse_args()

    logging.basicConfig(level=logging.ERROR)  # the tests print enough
    warnings.simplefilter("ignore")  # write access for anonymous is what the tests want

    def note(line):
        if args.events:
            with open(args.events, "a") as events:
                events.write(line + "\n")

    authorizer = DummyAuthorizer()
    authorizer.add_anonymous(args.root, perm=PERMISSIONS)
    if args.user:
        authorizer.add_user(args.user, args.password, args.root, perm=PERMISSIONS)

    class Handler(FTPHandler):
        auth_failed_timeout = 0.05  # refusals at once, not after the usual pause

        def on_connect(self):
            note("connect")

        def on_login(self, username):
            note("login " + username)

    Handler.authorizer = authorizer
    if args.rate:
        class Throttled(ThrottledDTPHandler):
            read_limit = args.rate
            write_limit = args.rate
        Handler.dtp_handler = Throttled

    server = FTPServer(("127.0.0.1", 0), Handler)
    print("PORT", server.address[1], flush=True)
    server.serve_forever(handle_exit=False)


if __name__ == "__main__":
    main()
