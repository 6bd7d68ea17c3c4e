#!/usr/bin/python3
"""Mail servers on the loopback address for the e-mail sending tests.

Prints "PORT <n>" once it listens, then serves until killed. Well-behaved
modes run aiosmtpd and store each message as <folder>/<n>.eml (the content
as received, dot-stuffing removed) and <n>.json (envelope, login, TLS,
and the parts as Python's mail parser sees them, each decoded into
<n>.part<i>);
the misbehaving modes speak just enough SMTP by hand.
"""
import argparse
import asyncio
import email
import json
import os
import ssl
import sys

from aiosmtpd.smtp import SMTP, AuthResult


class Capture:
    def __init__(self, folder, reject_rcpt):
        self.folder = folder
        self.reject_rcpt = reject_rcpt

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if self.reject_rcpt:
            return "550 5.1.1 No such user here"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        n = len([f for f in os.listdir(self.folder) if f.endswith(".json")])
        with open(os.path.join(self.folder, f"{n}.eml"), "wb") as out:
            out.write(envelope.content)
        login = session.auth_data.login.decode() if session.auth_data else None
        parts = []
        for part in email.message_from_bytes(envelope.content).walk():
            if part.is_multipart():
                continue
            with open(os.path.join(self.folder, f"{n}.part{len(parts)}"), "wb") as out:
                out.write(part.get_payload(decode=True))
            parts.append({"type": part.get_content_type(), "filename": part.get_filename()})
        info = {"from": envelope.mail_from, "to": envelope.rcpt_tos, "login": login,
                "tls": server.transport.get_extra_info("ssl_object") is not None, "helo": session.host_name,
                "esmtp": session.extended_smtp, "parts": parts}
        with open(os.path.join(self.folder, f"{n}.json"), "w") as out:
            json.dump(info, out)
        return "250 2.0.0 Message accepted"


def authenticator(user, password):
    def check(server, session, envelope, mechanism, auth_data):
        ok = auth_data.login.decode() == user and auth_data.password.decode() == password
        # Where the credentials travelled, for the test to check.
        with open(os.path.join(args.folder, "auth.log"), "a") as log:
            log.write(f"{mechanism} {auth_data.login.decode()} tls={session.ssl is not None} ok={ok}\n")
        return AuthResult(success=ok, handled=False, auth_data=auth_data if ok else None)
    return check


async def hand_made(reader, writer):
    """drop: hangs up in the middle of DATA; slow: one byte a second;
    flood: a greeting that never ends."""
    if args.mode == "slow":
        for byte in b"220 slow server ready\r\n":
            writer.write(bytes([byte]))
            await writer.drain()
            await asyncio.sleep(1)
        return
    if args.mode == "flood":
        writer.write(b"220 ")
        while True:
            writer.write(b"x" * 4096)
            await writer.drain()
    writer.write(b"220 ready\r\n")
    while line := await reader.readline():
        verb = line[:4].upper()
        if verb == b"DATA":
            writer.write(b"354 go ahead\r\n")
            await writer.drain()
            await reader.read(64)
            writer.transport.abort()
            return
        writer.write(b"221 bye\r\n" if verb == b"QUIT" else b"250 ok\r\n")
        await writer.drain()


def tls_context():
    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    context.load_cert_chain(args.cert, args.key)
    return context


async def main():
    loop = asyncio.get_running_loop()
    if args.mode in ("drop", "slow", "flood"):
        server = await asyncio.start_server(hand_made, "127.0.0.1", 0)
    else:
        options = {"hostname": "mail.test", "decode_data": False}
        if args.mode == "starttls":
            options["tls_context"] = tls_context()
        if args.auth:
            user, password = args.auth.split(":", 1)
            options["authenticator"] = authenticator(user, password)
            options["auth_require_tls"] = args.mode != "plain"
            options["auth_exclude_mechanism"] = args.exclude or []
        handler = Capture(args.folder, args.reject_rcpt)
        implicit = tls_context() if args.mode == "tls" else None
        server = await loop.create_server(lambda: SMTP(handler, **options), "127.0.0.1", 0,
                                          ssl=implicit)
    print("PORT", server.sockets[0].getsockname()[1], flush=True)
    async with server:
        await server.serve_forever()


parser = argparse.ArgumentParser()
parser.add_argument("--mode", choices=["plain", "starttls", "tls", "drop", "slow", "flood"],
                    default="plain")
parser.add_argument("--folder", default=".")
parser.add_argument("--cert")
parser.add_argument("--key")
parser.add_argument("--auth", help="USER:PASSWORD")
parser.add_argument("--exclude", action="append", help="an AUTH mechanism not to offer")
parser.add_argument("--reject-rcpt", action="store_true")
args = parser.parse_args()
try:
    asyncio.run(main())
except KeyboardInterrupt:
    sys.exit(0)
