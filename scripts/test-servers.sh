#!/usr/bin/env bash
# Starts and stops the real servers of the transfer tests, all on 127.0.0.1:
#   scripts/test-servers.sh start DIR FTP_PORT SMTP_PORT POP3_PORT USER PASS [TEST_USER TEST_PASS]
#   scripts/test-servers.sh stop DIR
# An FTP server (pyftpdlib) with the account USER/PASS and, when given, the built-in test account
# with its "Quillmere" folder; an SMTP server (aiosmtpd) that delivers USER's mail into a Maildir;
# Dovecot serving that Maildir over POP3 to USER/PASS. Everything lives in DIR (state, logs,
# pids). start waits until every port answers; it exits 77 when a server program is missing.
# With QUILLMERE_SERVERS_OWNER set to a process id, the servers stop when that process ends.
# Runs as root (Dovecot reads the mailbox as nobody) or as an ordinary user.
set -uo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
python=/usr/bin/python3
action=${1:-}
dir=${2:-}
[ -n "$action" ] && [ -n "$dir" ] || { echo "usage: $0 start|stop DIR ..." >&2; exit 2; }

stop_pid() {  # TERM, up to 5 s, then KILL
  local pid=$1
  kill -TERM "$pid" 2>/dev/null || return 0
  for _ in $(seq 50); do
    kill -0 "$pid" 2>/dev/null || return 0
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null || true
}

if [ "$action" = stop ]; then
  for f in "$dir"/run/*.pid; do
    [ -f "$f" ] || continue
    stop_pid "$(cat "$f")" &
  done
  wait
  rm -f "$dir"/run/*.pid
  exit 0
fi
[ "$action" = start ] || { echo "usage: $0 start|stop DIR ..." >&2; exit 2; }

ftp_port=$3 smtp_port=$4 pop3_port=$5 user=$6 pass=$7
test_user=${8:-} test_pass=${9:-}

missing=()
$python -c 'import pyftpdlib' 2>/dev/null || missing+=(python3-pyftpdlib)
$python -c 'import aiosmtpd' 2>/dev/null || missing+=(python3-aiosmtpd)
dovecot=$(command -v dovecot || echo /usr/sbin/dovecot)
[ -x "$dovecot" ] && [ -x /usr/lib/dovecot/pop3 ] || missing+=(dovecot-pop3d)
if ((${#missing[@]})); then
  echo "not installed: ${missing[*]} (scripts/setup.sh installs them)" >&2
  exit 77
fi

mkdir -p "$dir/run" "$dir/log" "$dir/ftp" "$dir/mail"
# Dovecot and the mail server work as nobody: the mail folder is theirs, and the folders above it
# must let them through.
chmod 755 "$dir" "$dir/run" "$dir/log"
as_mail_user=()
uid_line="uid=$(id -u) gid=$(id -g)"
if [ "$(id -u)" = 0 ]; then
  chown nobody:nogroup "$dir/mail"
  touch "$dir/log/smtp.log" && chown nobody:nogroup "$dir/log/smtp.log"
  as_mail_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  uid_line="uid=nobody gid=nogroup"
fi

accounts=("$user:$pass")
[ -n "$test_user" ] && accounts+=("$test_user:$test_pass:Quillmere")
cd "$dir"
$python "$here/tests/servers/ftp_server.py" "$ftp_port" "$dir/ftp" "$dir/log/ftp.log" \
  "${accounts[@]}" >/dev/null 2>&1 &
echo $! >"$dir/run/ftp.pid"

"${as_mail_user[@]}" $python "$here/tests/servers/smtp_server.py" "$smtp_port" \
  "$dir/mail/Maildir" "$user" "$pass" >>"$dir/log/smtp.log" 2>&1 &
echo $! >"$dir/run/smtp.pid"

printf '%s:{PLAIN}%s\n' "$user" "$pass" >"$dir/run/dovecot.passwd"
cat >"$dir/run/dovecot.conf" <<CONF
protocols = pop3
listen = 127.0.0.1
base_dir = $dir/run/dovecot
state_dir = $dir/run/dovecot-state
log_path = $dir/log/dovecot.log
ssl = no
disable_plaintext_auth = no
auth_mechanisms = plain login
auth_failure_delay = 0
service anvil {
  unix_listener anvil-auth-penalty {
    mode = 0
  }
}
mail_location = maildir:$dir/mail/Maildir
passdb {
  driver = passwd-file
  args = scheme=PLAIN username_format=%u $dir/run/dovecot.passwd
}
userdb {
  driver = static
  args = $uid_line home=$dir/mail
}
service pop3-login {
  inet_listener pop3 {
    address = 127.0.0.1
    port = $pop3_port
  }
}
CONF
"$dovecot" -F -c "$dir/run/dovecot.conf" >>"$dir/log/dovecot.log" 2>&1 &
echo $! >"$dir/run/dovecot.pid"

# A watchdog stops everything when the process that asked for the servers is gone (a test that
# crashed), and after 15 minutes in any case.
owner=${QUILLMERE_SERVERS_OWNER:-}
if [ -n "$owner" ]; then
  (
    for _ in $(seq 900); do
      kill -0 "$owner" 2>/dev/null || break
      sleep 1
    done
    rm -f "$dir/run/watchdog.pid"
    "$here/scripts/test-servers.sh" stop "$dir"
  ) </dev/null >/dev/null 2>&1 &
  echo $! >"$dir/run/watchdog.pid"
fi

# Up within 10 s, or stopped again.
for port in "$ftp_port" "$smtp_port" "$pop3_port"; do
  up=0
  for _ in $(seq 100); do
    if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then up=1; break; fi
    sleep 0.1
  done
  if [ $up = 0 ]; then
    echo "a server did not come up on port $port; logs in $dir/log" >&2
    "$0" stop "$dir"
    exit 1
  fi
done
exit 0
