#!/usr/bin/python3
"""A local SMTP server for the wizard's e-mail test. Prints its port on the first line,
then stores every message it receives in the folder given as msgN.eml with msgN.json
(envelope sender, recipients and the user that logged in), until stdin closes.
With --auth it offers LOGIN/PLAIN without TLS and accepts any password."""
import asyncio
import json
import os
import socket
import sys

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult


class Sink:
    def __init__(self, folder):
        self.folder = folder
        self.count = 0

    async def handle_DATA(self, server, session, envelope):
        base = os.path.join(self.folder, "msg%d" % self.count)
        self.count += 1
        with open(base + ".eml", "wb") as f:
            f.write(envelope.original_content or envelope.content)
        login = session.auth_data if session.authenticated else None
        if isinstance(login, bytes):
            login = login.decode()
        with open(base + ".json.tmp", "w") as f:
            json.dump({"from": envelope.mail_from, "rcpt": envelope.rcpt_tos, "login": login}, f)
        os.rename(base + ".json.tmp", base + ".json")
        return "250 Message accepted"


def authenticate(server, session, envelope, mechanism, auth_data):
    return AuthResult(success=True, auth_data=auth_data.login)


def main():
    folder = sys.argv[1]
    auth = "--auth" in sys.argv
    probe = socket.socket()
    probe.bind(("127.0.0.1", 0))
    port = probe.getsockname()[1]
    probe.close()
    kwargs = {"auth_require_tls": False, "authenticator": authenticate} if auth else {}
    controller = Controller(Sink(folder), hostname="127.0.0.1", port=port, **kwargs)
    controller.start()
    print(port, flush=True)
    sys.stdin.read()
    controller.stop()


main()
