#!/usr/bin/python3
# FTP server for the mail tests: serves ROOT on a free loopback port, prints
# "PORT <n>" once it listens, and appends "connect" and
# "login <user>" lines to the events file so tests can count connections.
import argparse
import logging
import warnings

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer

parser = argparse.ArgumentParser()
parser.add_argument("root")
for option in ("--user", "--password", "--events"):
    parser.add_argument(option, default="")
parser.add_argument("--rate", type=int, default=0)  # bytes per second each way, 0 = no limit
args = parser.parse_args()
logging.basicConfig(level=logging.ERROR)
warnings.simplefilter("ignore")  # write access for anonymous is what the tests want

authorizer = DummyAuthorizer()
authorizer.add_anonymous(args.root, perm="elradfmwMT")
if args.user:
    authorizer.add_user(args.user, args.password, args.root, perm="elradfmwMT")


def note(line):
    with open(args.events, "a") as events:
        events.write(line + "\n")


class Throttled(ThrottledDTPHandler):
    read_limit = write_limit = args.rate


class Handler(FTPHandler):
    auth_failed_timeout = 0.05  # refusals at once, not after the usual pause
    dtp_handler = Throttled if args.rate else FTPHandler.dtp_handler

    def on_connect(self):
        note("connect")

    def on_login(self, username):
        note("login " + username)


Handler.authorizer = authorizer
server = FTPServer(("127.0.0.1", 0), Handler)
print("PORT", server.address[1], flush=True)
server.serve_forever(handle_exit=False)
