#!/usr/bin/python3
# Mail servers on the loopback address for the e-mail sending tests. Prints
# "PORT <n>" once it listens (on --port, else a free port), then serves until killed. The well-behaved modes
# run aiosmtpd and store each message as <folder>/<n>.eml (as received, dots
# unstuffed), its parts decoded by Python's mail parser as <n>.part<i>, and
# <n>.json (envelope, login, TLS, parts, the From and To headers and file
# names as both parser policies read them); logins go to auth.log with whether
# they came encrypted. The TLS modes make a fresh self-signed certificate for
# mail.test in the folder. The misbehaving modes speak just enough SMTP by hand.
import argparse
import asyncio
import email
import email.header
import email.policy
import json
import os
import ssl
import subprocess

from aiosmtpd.smtp import SMTP, AuthResult


class Capture:
    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if args.reject_rcpt:
            return "550 5.1.1 No such user here"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        stem = os.path.join(args.folder, str(len([f for f in os.listdir(args.folder) if f.endswith(".json")])))
        with open(stem + ".eml", "wb") as out:
            out.write(envelope.content)
        message = email.message_from_bytes(envelope.content)
        modern = email.message_from_bytes(envelope.content, policy=email.policy.default)
        parts = []
        for part, modern_part in zip(message.walk(), modern.walk()):
            if not part.is_multipart():
                with open(f"{stem}.part{len(parts)}", "wb") as out:
                    out.write(part.get_payload(decode=True))
                parts.append({"type": part.get_content_type(), "charset": part.get_content_charset(),
                              "filename": part.get_filename(), "filename_default": modern_part.get_filename()})
        subject = str(email.header.make_header(email.header.decode_header(message.get("Subject", ""))))
        login = session.auth_data.login.decode() if session.auth_data else None
        tls = server.transport.get_extra_info("ssl_object") is not None
        with open(stem + ".json", "w", encoding="utf-8") as out:
            json.dump({"from": envelope.mail_from, "to": envelope.rcpt_tos, "subject": subject, "login": login,
                       "tls": tls, "esmtp": session.extended_smtp, "smtputf8": envelope.smtp_utf8,
                       "from_header": str(modern["From"]), "to_header": str(modern["To"]), "parts": parts},
                      out, ensure_ascii=False)
        return "250 2.0.0 Message accepted"


class RefusingTls(SMTP):
    async def smtp_STARTTLS(self, arg):
        await self.push("454 4.7.0 TLS not available now")


def check_login(server, session, envelope, mechanism, auth_data):
    user, password = args.auth.split(":", 1)
    ok = auth_data.login.decode() == user and auth_data.password.decode() == password
    with open(os.path.join(args.folder, "auth.log"), "a") as log:
        log.write(f"{mechanism} {auth_data.login.decode()} tls={session.ssl is not None} ok={ok}\n")
    return AuthResult(success=ok, handled=False, auth_data=auth_data if ok else None)


async def hand_made(reader, writer):
    if args.mode == "slow":  # one byte a second
        for byte in b"220 slow server ready\r\n":
            writer.write(bytes([byte]))
            await writer.drain()
            await asyncio.sleep(1)
    elif args.mode == "flood":  # a greeting that never ends
        writer.write(b"220 ")
        while True:
            writer.write(b"x" * 4096)
            await writer.drain()
    writer.write(b"220 ready\r\n")  # drop: hangs up in the middle of DATA
    while line := await reader.readline():
        if line[:4].upper() == b"DATA":
            writer.write(b"354 go ahead\r\n")
            await writer.drain()
            await reader.read(64)
            writer.transport.abort()
            return
        writer.write(b"250 ok\r\n")
        await writer.drain()


async def main():
    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    if args.mode in ("starttls", "tls"):
        cert, key = os.path.join(args.folder, "cert.pem"), os.path.join(args.folder, "key.pem")
        subprocess.run(["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
                        "-days", "2", "-subj", "/CN=mail.test", "-keyout", key, "-out", cert], check=True,
                       capture_output=True)
        context.load_cert_chain(cert, key)
    if args.mode in ("drop", "slow", "flood"):
        server = await asyncio.start_server(hand_made, "127.0.0.1", args.port)
    else:
        options = {"hostname": "mail.test", "decode_data": False, "auth_require_tls": args.mode != "plain",
                   "auth_exclude_mechanism": args.exclude or [], "enable_SMTPUTF8": args.smtputf8}
        if args.mode == "starttls":
            options["tls_context"] = context
        if args.auth:
            options["authenticator"] = check_login
        implicit = context if args.mode == "tls" else None
        server = await asyncio.get_running_loop().create_server(
            lambda: (RefusingTls if args.refuse_tls else SMTP)(Capture(), **options), "127.0.0.1", args.port, ssl=implicit)
    print("PORT", server.sockets[0].getsockname()[1], flush=True)
    async with server:
        await server.serve_forever()


parser = argparse.ArgumentParser()
parser.add_argument("--mode", choices=["plain", "starttls", "tls", "drop", "slow", "flood"], default="plain")
parser.add_argument("--folder", default=".")
parser.add_argument("--port", type=int, default=0)
parser.add_argument("--auth", help="USER:PASSWORD")
parser.add_argument("--exclude", action="append", help="an AUTH mechanism not to offer")
parser.add_argument("--reject-rcpt", action="store_true")
parser.add_argument("--refuse-tls", action="store_true", help="offer STARTTLS, then refuse it")
parser.add_argument("--smtputf8", action="store_true", help="offer SMTPUTF8")
args = parser.parse_args()
asyncio.run(main())
