# Helpers for tests and benchmarks that check mail on a real POP3 server
# (dovecot) started on loopback with a generated configuration. Source it from
# a script already inside a private network namespace, with $work set.
#
#   dovecot_user <name> <password>     adds a passwd-file user with its Maildir
#   dovecot_message <name> <n> <from> <subject> [message-id] [extra header]
#   dovecot_start <port>               starts dovecot and waits for its port
#   dovecot_stop

dovecot_pid=""
dovecot_uid=$(id -u nobody)
dovecot_gid=$(id -g nobody)

dovecot_user() {
    local name=$1 password=$2 home="$work/mail/$1"
    mkdir -p "$home/Maildir/new" "$home/Maildir/cur" "$home/Maildir/tmp"
    echo "$name:{PLAIN}$password:$dovecot_uid:$dovecot_gid::$home::" >>"$work/passwd"
}

# One message file in the user's Maildir/new; CR LF line ends, as on the wire.
dovecot_message() {
    local name=$1 n=$2 from=$3 subject=$4 id=${5:-} extra=${6:-}
    local file="$work/mail/$name/Maildir/new/$(printf '1700000000.M%06dP1.pontavi' "$n")"
    {
        printf 'Return-Path: <%s>\r\n' "$from"
        printf 'From: %s\r\n' "$from"
        printf 'To: %s@example.test\r\n' "$name"
        printf 'Subject: %s\r\n' "$subject"
        [ -n "$id" ] && printf 'Message-ID: %s\r\n' "$id"
        [ -n "$extra" ] && printf '%s\r\n' "$extra"
        printf 'Date: Tue, 8 Dec 2026 07:00:00 +0000\r\n'
        printf '\r\nBody of message %s.\r\n' "$n"
    } >"$file"
}

dovecot_start() {
    local port=$1
    mkdir -p "$work/run" "$work/state"
    chmod 755 "$work" "$work/mail"
    chown -R "$dovecot_uid:$dovecot_gid" "$work/mail"
    cat >"$work/dovecot.conf" <<EOF
base_dir = $work/run
state_dir = $work/state
log_path = $work/dovecot.log
protocols = pop3
listen = 127.0.0.1
ssl = no
disable_plaintext_auth = no
auth_mechanisms = plain
default_internal_user = dovecot
default_login_user = dovenull
first_valid_uid = 1
mail_location = maildir:~/Maildir
pop3_uidl_format = %08Xu%08Xv
passdb {
  driver = passwd-file
  args = scheme=PLAIN username_format=%u $work/passwd
}
userdb {
  driver = passwd-file
  args = username_format=%u $work/passwd
}
service pop3-login {
  inet_listener pop3 {
    port = $port
  }
}
service anvil {
  chroot =
}
EOF
    dovecot -F -c "$work/dovecot.conf" </dev/null >"$work/dovecot.out" 2>&1 &
    dovecot_pid=$!
    local i
    for i in $(seq 1 100); do
        if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
            return 0
        fi
        kill -0 "$dovecot_pid" 2>/dev/null || break
        sleep 0.1
    done
    echo "dovecot did not start:" >&2
    cat "$work/dovecot.out" "$work/dovecot.log" >&2 2>/dev/null
    return 1
}

dovecot_stop() {
    if [ -n "$dovecot_pid" ]; then
        kill -TERM "$dovecot_pid" 2>/dev/null
        wait "$dovecot_pid" 2>/dev/null
        dovecot_pid=""
    fi
}
