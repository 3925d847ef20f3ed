#!/usr/bin/env bash
# Starts and stops the real servers of the transfer tests, on 127.0.0.1 (Dovecot also on
# 127.0.0.2, where a client on 127.0.0.1 counts as one on another host):
#   scripts/test-servers.sh start DIR USER PASS TEST_USER TEST_PASS PORT x9
#   scripts/test-servers.sh stop DIR
# The ports, in order:
#   1 pyftpdlib serving the built-in test account TEST_USER/TEST_PASS with its "Quillmere" folder
#   2 vsftpd offering TLS, 3 vsftpd requiring it, 4 vsftpd in plain text refusing active mode;
#     all three serve the system account "quillmere-ftp" with the password PASS
#   5 Postfix as on port 25 (TLS offered), 6 as on 587 (STARTTLS required), 7 as on 465 (TLS
#     from the first byte), with Dovecot's SASL; mail to USER@localhost lands in a Maildir
#   8 Dovecot POP3 (STLS offered), 9 Dovecot POP3 over TLS, serving that Maildir to USER/PASS,
#     with Debian's defaults: ssl = yes, disable_plaintext_auth = yes, auth_mechanisms = plain
# Every TLS server shows the self-signed certificate DIR/tls/cert.pem. Everything lives in DIR
# (state, logs, pids). start waits until every port answers; it exits 77 when a server program
# is missing or it does not run as root (Postfix, Dovecot and vsftpd need root). With
# QUILLMERE_SERVERS_OWNER set to a process id, the servers stop when that process ends.
set -uo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
python=/usr/bin/python3
action=${1:-}
dir=${2:-}
[ -n "$action" ] && [ -n "$dir" ] || { echo "usage: $0 start|stop DIR ..." >&2; exit 2; }

# shellcheck source=scripts/server-processes.sh
. "$here/scripts/server-processes.sh"

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
[ $# -eq 15 ] || { echo "usage: $0 start DIR USER PASS TEST_USER TEST_PASS PORT x9" >&2; exit 2; }

user=$3 pass=$4 test_user=$5 test_pass=$6
shift 6
test_ftp=$1 ftp_tls=$2 ftp_tls_only=$3 ftp_no_port=$4 smtp=$5 submission=$6 smtps=$7 pop3=$8 pop3s=$9
ftp_user=quillmere-ftp

missing=()
$python -c 'import pyftpdlib' 2>/dev/null || missing+=(python3-pyftpdlib)
[ -x /usr/sbin/dovecot ] && [ -x /usr/lib/dovecot/pop3 ] || missing+=(dovecot-pop3d)
[ -x /usr/sbin/postfix ] || missing+=(postfix)
[ -x /usr/sbin/vsftpd ] || missing+=(vsftpd)
if ((${#missing[@]})); then
  echo "not installed: ${missing[*]} (scripts/setup.sh installs them)" >&2
  exit 77
fi
if [ "$(id -u)" != 0 ]; then
  echo "the test servers run as root only" >&2
  exit 77
fi

mkdir -p "$dir/run" "$dir/log" "$dir/ftp" "$dir/mail" "$dir/tls" "$dir/postfix"
# Dovecot, Postfix's delivery and vsftpd's account work as other users: the folders above theirs
# must let them through.
chmod 755 "$dir" "$dir/run" "$dir/log" "$dir/tls" "$dir/postfix"
chown nobody:nogroup "$dir/mail"

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=localhost \
  -addext subjectAltName=DNS:localhost,IP:127.0.0.1,IP:127.0.0.2 \
  -keyout "$dir/tls/key.pem" -out "$dir/tls/cert.pem" >/dev/null 2>&1
chmod 644 "$dir/tls/cert.pem" "$dir/tls/key.pem"

# The test account, as the demo serves it.
cd "$dir"
$python "$here/tests/servers/ftp_server.py" "$test_ftp" "$dir/ftp" "$dir/log/ftp.log" \
  "$test_user:$test_pass:Quillmere" >/dev/null 2>&1 &
echo $! >"$dir/run/ftp.pid"

# vsftpd logs in system accounts only: one without a shell, with its own PAM service (Debian's
# asks for a login shell).
id "$ftp_user" >/dev/null 2>&1 ||
  useradd --system --no-create-home --home-dir "$dir/ftp/home" --shell /usr/sbin/nologin "$ftp_user"
echo "$ftp_user:$pass" | chpasswd
printf 'auth required pam_unix.so\naccount required pam_unix.so\nsession required pam_permit.so\n' \
  >/etc/pam.d/quillmere-test-ftp
mkdir -p "$dir/ftp/home" /var/run/vsftpd/empty
chown "$ftp_user" "$dir/ftp/home"
vsftpd_conf() {  # NAME PORT EXTRA...
  local name=$1 port=$2
  shift 2
  {
    cat <<CONF
listen=YES
listen_ipv6=NO
listen_address=127.0.0.1
listen_port=$port
background=NO
anonymous_enable=NO
local_enable=YES
write_enable=YES
local_umask=022
local_root=$dir/ftp/home
pam_service_name=quillmere-test-ftp
secure_chroot_dir=/var/run/vsftpd/empty
seccomp_sandbox=NO
log_ftp_protocol=YES
xferlog_enable=YES
xferlog_std_format=NO
vsftpd_log_file=$dir/log/vsftpd-$name.log
rsa_cert_file=$dir/tls/cert.pem
rsa_private_key_file=$dir/tls/key.pem
ssl_ciphers=HIGH
require_ssl_reuse=NO
allow_anon_ssl=NO
CONF
    printf '%s\n' "$@"
  } >"$dir/run/vsftpd-$name.conf"
  /usr/sbin/vsftpd "$dir/run/vsftpd-$name.conf" >>"$dir/log/vsftpd-$name.log" 2>&1 &
  echo $! >"$dir/run/vsftpd-$name.pid"
}
vsftpd_conf tls "$ftp_tls" ssl_enable=YES force_local_logins_ssl=NO force_local_data_ssl=NO
vsftpd_conf tls-only "$ftp_tls_only" ssl_enable=YES force_local_logins_ssl=YES force_local_data_ssl=YES
vsftpd_conf no-port "$ftp_no_port" ssl_enable=NO port_enable=NO

# Postfix, delivering to a virtual mailbox as nobody, asking Dovecot whether a login is good.
pf=$dir/postfix
mkdir -p "$pf/conf" "$pf/queue" "$pf/data"
printf '%s@localhost %s/Maildir/\n' "$user" "$user" >"$pf/vmailbox"
cat >"$pf/conf/main.cf" <<CONF
compatibility_level = 3.6
queue_directory = $pf/queue
data_directory = $pf/data
mail_owner = postfix
setgid_group = postdrop
inet_interfaces = 127.0.0.1
inet_protocols = ipv4
myhostname = mail.quillmere.test
mydestination =
mynetworks = 127.0.0.1/32
alias_maps =
alias_database =
local_recipient_maps =
maillog_file = $dir/log/postfix.log
maillog_file_prefixes = $dir/log
virtual_mailbox_domains = localhost
virtual_mailbox_base = $dir/mail
virtual_mailbox_maps = texthash:$pf/vmailbox
virtual_uid_maps = static:65534
virtual_gid_maps = static:65534
virtual_mailbox_limit = 0
message_size_limit = 209715200
smtpd_sasl_type = dovecot
smtpd_sasl_path = private/auth
smtpd_sasl_auth_enable = yes
smtpd_relay_restrictions = permit_sasl_authenticated, reject_unauth_destination
smtpd_tls_cert_file = $dir/tls/cert.pem
smtpd_tls_key_file = $dir/tls/key.pem
smtpd_tls_security_level = may
CONF
cat >"$pf/conf/master.cf" <<CONF
127.0.0.1:$smtp inet n - n - - smtpd
127.0.0.1:$submission inet n - n - - smtpd -o smtpd_tls_security_level=encrypt -o smtpd_tls_auth_only=yes
127.0.0.1:$smtps inet n - n - - smtpd -o smtpd_tls_wrappermode=yes -o smtpd_tls_security_level=encrypt
pickup unix n - n 60 1 pickup
cleanup unix n - n - 0 cleanup
qmgr unix n - n 300 1 qmgr
tlsmgr unix - - n 1000? 1 tlsmgr
rewrite unix - - n - - trivial-rewrite
bounce unix - - n - 0 bounce
defer unix - - n - 0 bounce
trace unix - - n - 0 bounce
verify unix - - n - 1 verify
flush unix n - n 1000? 0 flush
proxymap unix - - n - - proxymap
showq unix n - n - - showq
error unix - - n - - error
retry unix - - n - - error
discard unix - - n - - discard
virtual unix - n n - - virtual
anvil unix - - n - 1 anvil
scache unix - - n - 1 scache
postlog unix-dgram n - n - 1 postlogd
CONF
postfix -c "$pf/conf" set-permissions >/dev/null 2>&1
# Postfix's master runs in the background by itself and says where.
rm -f "$pf/queue/pid/master.pid"
postfix -c "$pf/conf" start >>"$dir/log/postfix-start.log" 2>&1
for _ in $(seq 50); do [ -s "$pf/queue/pid/master.pid" ] && break; sleep 0.1; done
tr -d ' ' <"$pf/queue/pid/master.pid" >"$dir/run/postfix.pid" 2>/dev/null

printf '%s:{PLAIN}%s\n' "$user" "$pass" >"$dir/run/dovecot.passwd"
cat >"$dir/run/dovecot.conf" <<CONF
protocols = pop3
listen = 127.0.0.1 127.0.0.2
base_dir = $dir/run/dovecot
state_dir = $dir/run/dovecot-state
log_path = $dir/log/dovecot.log
ssl = yes
ssl_cert = <$dir/tls/cert.pem
ssl_key = <$dir/tls/key.pem
disable_plaintext_auth = yes
auth_mechanisms = plain
auth_failure_delay = 0
service anvil {
  unix_listener anvil-auth-penalty {
    mode = 0
  }
}
service auth {
  unix_listener $pf/queue/private/auth {
    mode = 0660
    user = postfix
    group = postfix
  }
}
mail_location = maildir:~/Maildir
passdb {
  driver = passwd-file
  args = scheme=PLAIN username_format=%n $dir/run/dovecot.passwd
}
userdb {
  driver = static
  args = uid=nobody gid=nogroup home=$dir/mail/%n
}
service pop3-login {
  inet_listener pop3 {
    port = $pop3
  }
  inet_listener pop3s {
    port = $pop3s
    ssl = yes
  }
}
CONF
/usr/sbin/dovecot -F -c "$dir/run/dovecot.conf" >>"$dir/log/dovecot.log" 2>&1 &
echo $! >"$dir/run/dovecot.pid"

# A watchdog stops everything when the process that asked for the servers is gone (a test that
# crashed), and after 15 minutes in any case.
watch_owner "$dir/run/watchdog.pid" "$here/scripts/test-servers.sh" stop "$dir"

# Up within 10 s, or stopped again.
for port in "$test_ftp" "$ftp_tls" "$ftp_tls_only" "$ftp_no_port" "$smtp" "$submission" "$smtps" \
  "$pop3" "$pop3s"; do
  up=0
  for _ in $(seq 100); do
    if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then up=1; break; fi
    sleep 0.1
  done
  if [ $up = 0 ]; then
    echo "a server did not come up on port $port; logs in $dir/log" >&2
    "$here/scripts/test-servers.sh" stop "$dir"
    exit 1
  fi
done
exit 0
