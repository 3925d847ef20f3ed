"""An FTP server on 127.0.0.1 for Quillmere's tests and demo.

Usage: ftp_server.py PORT ROOT LOG USER:PASS[:FOLDER] ...
Each account gets its own writable home ROOT/USER; FOLDER, when given, is created in it.
Commands are logged (active mode shows as PORT in the log)."""
import logging
import os
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    port, root, log = int(sys.argv[1]), sys.argv[2], sys.argv[3]
    logging.basicConfig(filename=log, level=logging.DEBUG,
                        format="%(asctime)s %(message)s")
    authorizer = DummyAuthorizer()
    for account in sys.argv[4:]:
        user, password, *folder = account.split(":", 2)
        home = os.path.join(root, user)
        os.makedirs(os.path.join(home, *folder), exist_ok=True)
        authorizer.add_user(user, password, home, perm="elradfmwMT")
    handler = FTPHandler
    handler.authorizer = authorizer
    # A refused login is answered at once: the tests wait for nothing.
    handler.auth_failed_timeout = 0
    handler.timeout = 60
    server = FTPServer(("127.0.0.1", port), handler)
    server.max_cons = 16
    server.serve_forever(handle_exit=True)


if __name__ == "__main__":
    main()
