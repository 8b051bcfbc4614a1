# Helpers for tests and benchmarks that check mail on a real POP3 server
# (dovecot) started on loopback with a generated configuration. Source it from
# a script already inside a private network namespace, with $work set.
#
#   dovecot_user <name> <password>     adds a passwd-file user with its Maildir
#   dovecot_message <name> <n> <from> <subject> [message-id] [extra header]
#   dovecot_start <port> [setting=value ...]
#                                      starts dovecot and waits for its ports
#   dovecot_stop                       stops every instance started
#
# Settings of dovecot_start (all optional):
#   name=N          a further instance with its files under $work/N; several
#                   may run at once on other addresses or ports. Without it
#                   the one instance keeps its files in $work itself.
#   listen=ADDR     the address of its listeners (127.0.0.1)
#   ssl=MODE        no (the default), yes (STLS offered, clear text allowed)
#                   or required (no login before TLS)
#   cert=FILE key=FILE   the server's certificate (chain) and key, PEM
#   min_protocol=P  the oldest TLS version accepted (TLSv1.2)
#   pop3s=PORT[,PORT...]  POP3S listeners too: TLS from the first byte
#   debug=1         every login and authentication attempt is logged
# The log of an instance is dovecot.log in its folder.

dovecot_pid=""
dovecot_pids=()
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
    local port=$1 name="" listen=127.0.0.1 ssl=no cert="" key="" min_protocol=TLSv1.2
    local pop3s="" debug="" setting
    shift
    for setting in "$@"; do
        case $setting in
        name=*) name=${setting#name=} ;;
        listen=*) listen=${setting#listen=} ;;
        ssl=no | ssl=yes | ssl=required) ssl=${setting#ssl=} ;;
        cert=*) cert=${setting#cert=} ;;
        key=*) key=${setting#key=} ;;
        min_protocol=*) min_protocol=${setting#min_protocol=} ;;
        pop3s=*) pop3s=${setting#pop3s=} ;;
        debug=*) debug=${setting#debug=} ;;
        *)
            echo "dovecot_start: unknown setting $setting" >&2
            return 1
            ;;
        esac
    done
    local dir=$work
    [ -n "$name" ] && dir=$work/$name
    mkdir -p "$dir/run" "$dir/state" "$work/mail"
    chmod 755 "$work" "$work/mail"
    chown -R "$dovecot_uid:$dovecot_gid" "$work/mail"
    {
        cat <<EOF
base_dir = $dir/run
state_dir = $dir/state
log_path = $dir/dovecot.log
protocols = pop3
listen = $listen
ssl = $ssl
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
service anvil {
  chroot =
}
EOF
        if [ "$ssl" != no ]; then
            printf 'ssl_cert = <%s\nssl_key = <%s\nssl_min_protocol = %s\n' \
                "$cert" "$key" "$min_protocol"
        fi
        if [ -n "$debug" ]; then
            printf 'auth_verbose = yes\nauth_debug = yes\nverbose_ssl = yes\n'
        fi
        printf 'service pop3-login {\n  inet_listener pop3 {\n    port = %s\n  }\n' "$port"
        local p suffix=""
        for p in ${pop3s//,/ }; do
            printf '  inet_listener pop3s%s {\n    port = %s\n    ssl = yes\n  }\n' "$suffix" "$p"
            suffix=$((${suffix:-1} + 1))
        done
        printf '}\n'
    } >"$dir/dovecot.conf"
    dovecot -F -c "$dir/dovecot.conf" </dev/null >"$dir/dovecot.out" 2>&1 &
    local pid=$!
    dovecot_pids+=("$pid")
    [ -z "$name" ] && dovecot_pid=$pid
    local i
    for p in "$port" ${pop3s//,/ }; do
        for i in $(seq 1 100); do
            if (exec 3<>"/dev/tcp/$listen/$p") 2>/dev/null; then
                continue 2
            fi
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        echo "dovecot${name:+ $name} did not start:" >&2
        cat "$dir/dovecot.out" "$dir/dovecot.log" >&2 2>/dev/null
        return 1
    done
    return 0
}

dovecot_stop() {
    local pid
    for pid in "${dovecot_pids[@]}"; do
        kill -TERM "$pid" 2>/dev/null
    done
    for pid in "${dovecot_pids[@]}"; do
        wait "$pid" 2>/dev/null
    done
    dovecot_pids=()
    dovecot_pid=""
}

# Certificates made with the openssl command line, for tests only (P-256 keys,
# valid for two days).
#   dovecot_ca <dir>                   a CA: <dir>/ca.pem and <dir>/ca.key
#   dovecot_cert <dir> <name> <host> [self]
#                                      <dir>/<name>.pem and <name>.key: a server
#                                      certificate for <host> (also its
#                                      subjectAltName) signed by that CA, or
#                                      self-signed when the last word is "self"
dovecot_ca() {
    local dir=$1
    mkdir -p "$dir"
    openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 \
        -subj "/CN=Pontavi Test CA" -keyout "$dir/ca.key" -out "$dir/ca.pem" 2>"$dir/ca.err"
}

dovecot_cert() {
    local dir=$1 name=$2 host=$3 self=${4:-}
    if [ "$self" = self ]; then
        openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 \
            -subj "/CN=$host" -addext "subjectAltName=DNS:$host" \
            -keyout "$dir/$name.key" -out "$dir/$name.pem" 2>"$dir/$name.err"
        return
    fi
    printf 'basicConstraints=CA:FALSE\nkeyUsage=digitalSignature\nextendedKeyUsage=serverAuth\nsubjectAltName=DNS:%s\n' \
        "$host" >"$dir/$name.ext"
    openssl req -new -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -subj "/CN=$host" \
        -keyout "$dir/$name.key" -out "$dir/$name.csr" 2>"$dir/$name.err" &&
        openssl x509 -req -in "$dir/$name.csr" -CA "$dir/ca.pem" -CAkey "$dir/ca.key" \
            -CAcreateserial -days 2 -extfile "$dir/$name.ext" -out "$dir/$name.pem" \
            2>>"$dir/$name.err"
}

# Maps host names to addresses for this mount namespace only: a copy of
# /etc/hosts with the lines added, bound over /etc/hosts (the machine's own
# names keep resolving). Run inside `unshare -m`.
#   dovecot_hosts "<address> <name>" ...
dovecot_hosts() {
    {
        cat /etc/hosts
        printf '%s\n' "$@"
    } >"$work/hosts"
    mount --bind "$work/hosts" /etc/hosts
}

# What a client sent in clear on one connection recorded by tcp_relay.py: the
# lines before the first TLS record, lowercased, one a line.
#   dovecot_clear_commands <file.sent>
dovecot_clear_commands() {
    /usr/bin/python3 -c '
import sys
data = open(sys.argv[1], "rb").read()
tls = data.find(b"\x16\x03")
clear = data if tls < 0 else data[:tls]
for line in clear.split(b"\r\n"):
    if line:
        print(line.decode("latin-1").lower())
' "$1"
}
