#!/usr/bin/python3
# The NetworkManager dial-up backend in a private network and mount
# namespace with a private system bus, against
#  mock: python3-dbusmock's stand-in NetworkManager (a tun device plays a
#        pppd started by hand);
#  real: the real NetworkManager with keyfile profiles of the test's own.
# Usage: nm_dialup.py PROBE mock|real
#        nm_dialup.py LOG standin   (for program_nm_dial.sh, inside its namespaces)
# standin: the stand-in NetworkManager with someone else's Ethernet link up,
# and a modem that gives a dialled connection an address; writes the bus's
# address and its own pids, then "dial", "up", "hangup" or "wired-gone" with
# times (ms) to LOG.
import itertools
import os
import queue
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

if not os.environ.get('PONTAVI_NM_NETNS'):
    if subprocess.run(['unshare', '-n', '-m', 'true'], capture_output=True, check=False).returncode:
        sys.exit(77)
    os.environ['PONTAVI_NM_NETNS'] = '1'
    os.execvp('timeout', ['timeout', '100', 'unshare', '-n', '-m', sys.executable] + sys.argv)
try:
    import dbus
    import dbusmock
except ImportError:
    sys.exit(77)

NM, NM_PATH = 'org.freedesktop.NetworkManager', '/org/freedesktop/NetworkManager'
AC_IFACE = NM + '.Connection.Active'
PROFILES = [('Mobile', 'gsm', {'gsm': {'apn': 'internet'}}),
            ('Mobile', 'gsm', {'gsm': {'apn': 'second'}}),
            ('Cdma', 'cdma', {'cdma': {'number': '#777'}}),
            ('Dsl', 'pppoe', {'pppoe': {'username': 'user'}}),
            ('Phone', 'bluetooth', {'bluetooth': {'type': 'dun', 'bdaddr': dbus.ByteArray(b'\1' * 6)}}),
            ('Pan', 'bluetooth', {'bluetooth': {'type': 'panu', 'bdaddr': dbus.ByteArray(b'\2' * 6)}}),
            ('Home', '802-11-wireless', {'802-11-wireless': {'ssid': dbus.ByteArray(b'home')}}),
            ('Wired', '802-3-ethernet', {})]
ENTRIES = 'entries Cdma,Dsl,Mobile,Phone'
CONFIGS = itertools.count()
STARTED = []  # what the end kills
WORK = tempfile.TemporaryDirectory()  # pylint: disable=consider-using-with


def fail(text):
    print('FAIL: ' + text, file=sys.stderr)
    sys.exit(1)


class Probe:
    def __init__(self, path):
        self.proc = subprocess.Popen([path], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        STARTED.append(self.proc)
        self.lines, self.errors = queue.Queue(), queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.proc.stdout:
            (self.errors if line.startswith('later-error') else self.lines).put(line.strip())

    def ask(self, command, expected):
        """Asks until the answer is the expected one, for at most 15 s."""
        answer = None
        for _ in range(150):
            self.proc.stdin.write(command + '\n')
            self.proc.stdin.flush()
            answer = self.lines.get(timeout=15)
            if answer == expected:
                return
            time.sleep(0.1)
        fail(f'{command}: expected [{expected}], got [{answer}]')

    def later_error(self, expected):
        got = self.errors.get(timeout=15)
        if got != 'later-error ' + expected:
            fail(f'expected later error [{expected}], got [{got}]')

    def close(self):
        self.proc.stdin.close()
        if self.proc.wait(timeout=10) != 0:
            fail('the probe failed')
        print('ok')


def start_nm():
    server, _ = dbusmock.DBusTestCase.spawn_server_template('networkmanager', {}, stdout=subprocess.DEVNULL)
    STARTED.append(server)
    bus = dbusmock.DBusTestCase.get_dbus(system_bus=True)
    mock = dbus.Interface(bus.get_object(NM, NM_PATH), dbusmock.MOCK_IFACE)
    settings = dbus.Interface(bus.get_object(NM, NM_PATH + '/Settings'), NM + '.Settings')
    paths = {}
    for name, kind, extra in PROFILES:
        paths.setdefault(name, settings.AddConnection(dbus.Dictionary(
            dict(extra, connection={'id': name, 'type': kind}), signature='sa{sv}')))
    devices = {d: mock.AddEthernetDevice(d, d, 30) for d in ('wwan0', 'ppp0', 'wlan0')}
    return server, bus, mock, paths, devices


def active_paths(bus):
    return set(bus.get_object(NM, NM_PATH).Get(NM, 'ActiveConnections', dbus_interface=dbus.PROPERTIES_IFACE))


def give_address(bus, active, address):
    config = NM_PATH + '/IP4Config/' + str(next(CONFIGS))
    props = {'AddressData': dbus.Array([{'address': address, 'prefix': dbus.UInt32(32)}], signature='a{sv}')}
    root = dbus.Interface(bus.get_object(NM, '/org/freedesktop'), dbusmock.MOCK_IFACE)
    root.AddObject(config, NM + '.IP4Config', props, [])
    root.EmitSignal('org.freedesktop.DBus.ObjectManager', 'InterfacesAdded', 'oa{sa{sv}}',
                    [dbus.ObjectPath(config), {NM + '.IP4Config': props}])
    obj = bus.get_object(NM, active)
    dbus.Interface(obj, dbusmock.MOCK_IFACE).AddProperty(AC_IFACE, 'Ip4Config', dbus.ObjectPath('/'))
    dbus.Interface(obj, dbus.PROPERTIES_IFACE).Set(AC_IFACE, 'Ip4Config', dbus.ObjectPath(config))


def set_state(bus, active, state, reason):
    obj = bus.get_object(NM, active)
    dbus.Interface(obj, dbusmock.MOCK_IFACE).EmitSignal(AC_IFACE, 'StateChanged', 'uu', [state, reason])
    dbus.Interface(obj, dbus.PROPERTIES_IFACE).Set(AC_IFACE, 'State', dbus.UInt32(state))


def main_mock():
    subprocess.run(['ip', 'tuntap', 'add', 'ppp0', 'mode', 'tun'], check=True)  # a hand-dialled pppd
    server, bus, mock, paths, devices = start_nm()
    probe = Probe(sys.argv[1])
    probe.ask('entries', ENTRIES)
    # Someone else's links: (device, profile, state, address, what the probe sees)
    for device, profile, state, address, expected in [
            ('wwan0', 'Mobile', 1, None, 'links nm:waiting ppp0:waiting'),
            ('wwan0', 'Mobile', 2, None, 'links nm:waiting ppp0:waiting'),
            ('wwan0', 'Mobile', 2, '10.64.0.7', 'links nm:connected:10.64.0.7 ppp0:waiting'),
            ('ppp0', 'Dsl', 2, '192.0.2.9', 'links nm:connected:192.0.2.9'),
            ('wlan0', 'Home', 2, '192.168.1.5', 'links ppp0:waiting')]:
        active = mock.AddActiveConnection([devices[device]], paths[profile], '/', 'x', state)
        if address:
            give_address(bus, active, address)
        probe.ask('links', expected)
        mock.RemoveActiveConnection(devices[device], active)
        probe.ask('links', 'links ppp0:waiting')
    mock.AddActiveConnection([devices['wlan0']], paths['Cdma'], '/', 'other', 2)  # stays up
    # Dials, and how each ends: (profile, what happens to it, the later error)
    actions = {'hang up': lambda a: probe.ask('hangup', 'hung up'),
               'fail': lambda a: set_state(bus, a, 4, 10),
               'someone else': lambda a: mock.RemoveActiveConnection(devices['wlan0'], a)}
    for profile, action, error in [('Mobile', 'hang up', None), ('Dsl', 'fail', 'the login failed'),
                                   ('Phone', 'someone else', 'NetworkManager ended the connection')]:
        before = active_paths(bus)
        probe.ask('dial ' + profile, 'dial started')
        probe.ask('links', 'links nm:waiting nm:waiting ppp0:waiting')
        ours = (active_paths(bus) - before).pop()
        give_address(bus, ours, '10.9.9.9')
        probe.ask('links', 'links nm:waiting nm:connected:10.9.9.9 ppp0:waiting')
        actions[action](ours)
        probe.ask('links', 'links nm:waiting ppp0:waiting')  # only the dialled one went
        if error:
            probe.later_error(error)
    probe.ask('dial Nothing', 'dial error The NetworkManager profile does not exist.')
    # NetworkManager leaving mid-dial, and coming back
    probe.ask('dial Cdma', 'dial started')
    server.terminate()
    server.wait()
    probe.later_error('NetworkManager stopped')
    probe.ask('entries', 'entries failed')
    probe.ask('links', 'links ppp0:waiting')
    server, bus, mock, paths, devices = start_nm()
    probe.ask('entries', ENTRIES)
    if not probe.errors.empty():
        fail('a second later error: ' + probe.errors.get())
    probe.close()


REAL_CONF = '''[main]
plugins=keyfile
dns=none
rc-manager=unmanaged
hostname-mode=none
auth-polkit=false
[keyfile]
path={0}/profiles
'''
REAL_PROFILES = {'pppoe': '[pppoe]\nparent=dsl0\nusername=user\npassword=secret\n',
                 'gsm': '[gsm]\napn=internet\n',
                 '802-3-ethernet': '[ethernet]\n'}


def main_real():
    # NetworkManager's state and run folders, and its config, are the test's.
    nm = shutil.which('NetworkManager') or shutil.which('/usr/sbin/NetworkManager')
    if nm is None or os.geteuid() != 0:
        sys.exit(77)
    work = WORK.name
    for folder in ('/run/NetworkManager', '/var/lib/NetworkManager'):
        os.makedirs(folder, exist_ok=True)
        subprocess.run(['mount', '-t', 'tmpfs', 'tmpfs', folder], check=True)
    os.makedirs(work + '/profiles')
    with open(work + '/nm.conf', 'w', encoding='utf-8') as conf:
        conf.write(REAL_CONF.format(work))
    for n, (kind, body) in enumerate(REAL_PROFILES.items()):
        path = f'{work}/profiles/{kind}.nmconnection'
        with open(path, 'w', encoding='utf-8') as profile:
            profile.write(f'[connection]\nid=P-{kind}\nuuid=00000000-0000-4000-8000-00000000000{n}\n'
                          f'type={kind}\nautoconnect=false\n' + body)
        os.chmod(path, 0o600)
    STARTED.append(subprocess.Popen(
        [nm, '--no-daemon', '--config=' + work + '/nm.conf', '--config-dir=' + work, '--system-config-dir=' + work,
         '--intern-config=' + work + '/intern.conf', '--state-file=' + work + '/state', '--pid-file=' + work + '/pid'],
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
    probe = Probe(sys.argv[1])
    probe.ask('entries', 'entries P-gsm,P-pppoe')
    probe.ask('dial P-pppoe', 'dial started')
    probe.later_error('failed to determine interface name: error determine name for pppoe')
    probe.close()


def main_standin():
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))  # the end below still runs
    server, bus, mock, paths, devices = start_nm()
    wired = mock.AddActiveConnection([devices['wlan0']], paths['Wired'], '/', 'wired', 2)
    seen = set()

    def log(text):
        with open(sys.argv[1], 'a', encoding='utf-8') as out:
            out.write(f'{time.time_ns() // 1000000} {text}\n')

    log(os.environ['DBUS_SYSTEM_BUS_ADDRESS'])
    log(f'pids {server.pid} {dbusmock.DBusTestCase.system_bus_pid}')  # for the test's own end
    for _ in range(3000):  # bounded: the test's own limit is shorter
        current = active_paths(bus)
        for active in current - seen - {wired}:
            log('dial')
            give_address(bus, active, '10.64.0.9')
            log('up')
        for _ in (seen - current) - {wired}:
            log('hangup')
        if wired not in current:
            log('wired-gone')
        seen = current
        time.sleep(0.1)


dbusmock.DBusTestCase.start_system_bus()
try:
    {'mock': main_mock, 'real': main_real, 'standin': main_standin}[sys.argv[2]]()
finally:
    for process in STARTED:
        process.kill()
    dbusmock.DBusTestCase.stop_dbus(dbusmock.DBusTestCase.system_bus_pid)
    # The bus's configuration folder, which dbusmock's own tear-down leaves.
    shutil.rmtree(dbusmock.DBusTestCase._DBusTestCase__datadir, ignore_errors=True)
