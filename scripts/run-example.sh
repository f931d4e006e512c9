#!/usr/bin/env bash
# Installs what is missing, builds, and runs the example scripts: one against an FTP server and
# one against an SMTP server, both started here on 127.0.0.1 and stopped at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
bin=build/bin
mkdir -p "$bin/Scripts"
cp examples/Scripts/*.ftp "$bin/Scripts/"

work=$(mktemp -d /tmp/trevask-example-XXXXXX)
mkdir -p "$work/ftp" "$work/mail"
printf 'Read me first.\n' >"$work/ftp/readme.txt"
printf 'Some notes.\n' >"$work/ftp/notes.txt"
head -c 65536 /dev/urandom >"$work/ftp/data.bin"

# The servers stop when their standard input (a pipe from this shell) closes.
coproc FTPD { exec /usr/bin/python3 tests/support/servers/ftpserver.py --root "$work/ftp" \
                --user tester --password s3cret 2>"$work/ftpd.log"; }
ftpd_pid=$FTPD_PID
read -r -t 20 -u "${FTPD[0]}" ftp_port
coproc SMTPD { exec /usr/bin/python3 tests/support/servers/smtpserver.py "$work/mail" 2>"$work/smtpd.log"; }
smtpd_pid=$SMTPD_PID
read -r -t 20 -u "${SMTPD[0]}" _ smtp_port
trap 'kill "$ftpd_pid" "$smtpd_pid" 2>/dev/null || true; rm -rf "$work"' EXIT

# Local names of the scripts resolve in the folder the runner starts in.
cd "$work"
echo "== FTP example against 127.0.0.1:$ftp_port"
"$OLDPWD/$bin/Trevask" "$OLDPWD/$bin/Scripts/FtpExample.ftp" 127.0.0.1 "$ftp_port" tester s3cret
echo "== Downloaded: $(ls ftp-example | tr '\n' ' ')"
echo "== Uploaded: $(ls ftp/uploads | tr '\n' ' ')"
echo "== Mail example against 127.0.0.1:$smtp_port (it mails the log of its previous run)"
"$OLDPWD/$bin/Trevask" "$OLDPWD/$bin/Scripts/MailExample.ftp" 127.0.0.1 "$smtp_port" >/dev/null
"$OLDPWD/$bin/Trevask" "$OLDPWD/$bin/Scripts/MailExample.ftp" 127.0.0.1 "$smtp_port"
echo "== Mail received: $(ls mail | grep -c '\.eml$') message(s)"
cd "$OLDPWD"
echo "History files: $bin/Scripts/FtpExample.History.txt, $bin/Scripts/MailExample.History.txt"
