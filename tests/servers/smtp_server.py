"""An SMTP server on 127.0.0.1 that delivers into a Maildir, for Quillmere's tests.

Usage: smtp_server.py PORT MAILDIR USER PASS
It accepts the program's dialogue: "helo", then "auth login" (lower case) with the one account,
then mail from, rcpt to and data. Each message is stored as received, with LF line ends, the way
a delivery agent leaves it for the POP3 server."""
import asyncio
import os
import signal
import socket
import sys
import time

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


class LenientSMTP(SMTP):
    # Stock aiosmtpd offers AUTH only after EHLO and wants the mechanism in upper case.
    async def smtp_HELO(self, hostname):
        await super().smtp_HELO(hostname)
        self.session.extended_smtp = True

    async def smtp_AUTH(self, arg):
        if arg:
            mechanism, *rest = arg.split(None, 1)
            arg = " ".join([mechanism.upper(), *rest])
        await super().smtp_AUTH(arg)


class MaildirDelivery:
    def __init__(self, maildir):
        self.maildir = maildir
        self.count = 0
        for sub in ("tmp", "new", "cur"):
            os.makedirs(os.path.join(maildir, sub), exist_ok=True)

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        name = "%d.%d_%d.%s" % (time.time(), os.getpid(), self.count, socket.gethostname())
        tmp = os.path.join(self.maildir, "tmp", name)
        with open(tmp, "wb") as f:
            f.write(envelope.original_content.replace(b"\r\n", b"\n"))
        os.rename(tmp, os.path.join(self.maildir, "new", name))
        return "250 OK queued"


class LenientController(Controller):
    def factory(self):
        return LenientSMTP(self.handler, **self.SMTP_kwargs)


def main():
    port, maildir, user, password = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4]

    def authenticate(server, session, envelope, mechanism, auth_data):
        ok = (isinstance(auth_data, LoginPassword) and auth_data.login == user.encode()
              and auth_data.password == password.encode())
        return AuthResult(success=ok, handled=False)

    controller = LenientController(
        MaildirDelivery(maildir), hostname="127.0.0.1", port=port,
        authenticator=authenticate, auth_required=True, auth_require_tls=False,
        data_size_limit=64 * 1024 * 1024)
    controller.start()
    stop = asyncio.Event()
    loop = asyncio.new_event_loop()
    for sig in (signal.SIGTERM, signal.SIGINT):
        loop.add_signal_handler(sig, stop.set)
    try:
        loop.run_until_complete(stop.wait())
    finally:
        controller.stop()


if __name__ == "__main__":
    main()
