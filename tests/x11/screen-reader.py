#!/usr/bin/python3
"""Reads the real program the way a screen reader does: over the accessibility bus (AT-SPI).

On the private display in DISPLAY, with a session bus and an accessibility bus of its own and a
reminder due today under a temporary data home, it finds the HP bar's value, opens the command
bar, presses its "Quest log" row through AT-SPI, finds the quest log's rows and the reminder's
check by their names and the quick bar's empty slots, completes the reminder by pressing the
check, and finds the equipment panel's controls. Usage: screen-reader.py <path to Vantle>
"""
import ctypes
import datetime
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

VANTLE = sys.argv[1]
REMINDER = 'Water the plants'
CHECK = 'Mark complete: ' + REMINDER


class Failure(Exception):
    pass


def wait_for(what, probe, seconds=20):
    """The first true answer of `probe` within the deadline; objects vanish under a live tree, so
    a probe that raises counts as not yet."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        pump()
        try:
            answer = probe()
        except Exception:  # a node went away while it was read
            answer = None
        if answer:
            return answer
        time.sleep(0.05)
    raise Failure('timed out waiting for ' + what)


def pump():
    pass  # replaced once the client library is loaded


def private_home(root):
    env = {k: v for k, v in os.environ.items()
           if k not in ('DBUS_SESSION_BUS_ADDRESS', 'AT_SPI_BUS_ADDRESS', 'SESSION_MANAGER')}
    for key, sub in [('HOME', 'home'), ('XDG_CONFIG_HOME', 'home/.config'),
                     ('XDG_DATA_HOME', 'home/.local/share'), ('XDG_CACHE_HOME', 'home/.cache'),
                     ('XDG_RUNTIME_DIR', 'run')]:
        env[key] = os.path.join(root, sub)
        os.makedirs(env[key], mode=0o700, exist_ok=True)
    os.makedirs(env['XDG_CONFIG_HOME'] + '/Vantle')
    with open(env['XDG_CONFIG_HOME'] + '/Vantle/defaults.json', 'w') as f:
        f.write('{"Vantle.setupSeen": true, "Vantle.readoutIdle": 0}')
    tasks = env['XDG_DATA_HOME'] + '/evolution/tasks/local'
    os.makedirs(tasks)
    today = datetime.date.today().strftime('%Y%m%d')
    with open(tasks + '/tasks.ics', 'w') as f:
        f.write('BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Kaidro//test//EN\r\n'
                'BEGIN:VTODO\r\nUID:plants\r\nDTSTAMP:20260101T000000Z\r\n'
                f'SUMMARY:{REMINDER}\r\nDUE;VALUE=DATE:{today}\r\n'
                'STATUS:NEEDS-ACTION\r\nEND:VTODO\r\nEND:VCALENDAR\r\n')
    return env, tasks + '/tasks.ics'


def start(started, args, env, **kw):
    # A process group of its own, so it ends with whatever it started (the bus launcher's
    # daemon and registry).
    p = subprocess.Popen(args, env=env, start_new_session=True, **kw)
    started.append(p)
    return p


def stop(started):
    for p in reversed(started):
        if p.poll() is None:
            os.killpg(p.pid, signal.SIGTERM)
            try:
                p.wait(10)
            except subprocess.TimeoutExpired:
                os.killpg(p.pid, signal.SIGKILL)
                p.wait()
    # The daemons the launcher started were handed to this process when it ended.
    try:
        while os.waitpid(-1, os.WNOHANG)[0]:
            pass
    except ChildProcessError:
        pass


def adopt_orphans():
    # PR_SET_CHILD_SUBREAPER: what the buses leave behind is reaped here, not left a zombie.
    ctypes.CDLL(None, use_errno=True).prctl(36, 1, 0, 0, 0)


def buses(root, env, started):
    """A session bus without service activation, then the accessibility bus on it."""
    quiet = {k: v for k, v in env.items() if k != 'DISPLAY'}
    with open(root + '/bus.conf', 'w') as f:
        f.write('<busconfig><type>session</type><listen>unix:path=%s/bus</listen>'
                '<policy context="default"><allow send_destination="*" eavesdrop="true"/>'
                '<allow eavesdrop="true"/><allow own="*"/></policy></busconfig>' % root)
    bus = start(started, ['dbus-daemon', '--config-file=' + root + '/bus.conf', '--nofork',
                          '--print-address=1'], quiet, stdout=subprocess.PIPE,
                stderr=subprocess.DEVNULL, text=True)
    env['DBUS_SESSION_BUS_ADDRESS'] = bus.stdout.readline().strip()
    if not env['DBUS_SESSION_BUS_ADDRESS']:
        raise Failure('dbus-daemon did not start')
    # Without DISPLAY the launcher leaves the root window alone: both sides find it on the bus.
    quiet['DBUS_SESSION_BUS_ADDRESS'] = env['DBUS_SESSION_BUS_ADDRESS']
    start(started, ['/usr/libexec/at-spi-bus-launcher', '--launch-immediately'], quiet,
          stderr=subprocess.DEVNULL)

    def address():
        r = subprocess.run(['dbus-send', '--session', '--print-reply=literal',
                            '--dest=org.a11y.Bus', '/org/a11y/bus', 'org.a11y.Bus.GetAddress'],
                           env=quiet, capture_output=True, text=True, timeout=5)
        return r.stdout.strip() if r.returncode == 0 else None
    return wait_for('the accessibility bus', address)


def nodes(root):
    stack = [root]
    while stack:
        node = stack.pop()
        if node is None:
            continue
        yield node
        stack.extend(reversed([node.getChildAtIndex(i) for i in range(node.childCount)]))


def find(app, name, role=None):
    for node in nodes(app):
        if node.name == name and (role is None or node.getRoleName() == role):
            return node
    return None


def press(node):
    action = node.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    if 'Press' not in names:
        raise Failure(f'{node.name!r} offers no press action: {names}')
    action.doAction(names.index('Press'))


def check(condition, message):
    if not condition:
        raise Failure(message)


def run(root):
    started = []
    app = None
    try:
        env, tasks = private_home(root)
        a11y = buses(root, env, started)
        os.environ['DBUS_SESSION_BUS_ADDRESS'] = env['DBUS_SESSION_BUS_ADDRESS']
        os.environ['AT_SPI_BUS_ADDRESS'] = a11y
        import pyatspi
        from gi.repository import Atspi, GLib

        global pump
        pump = lambda: GLib.MainContext.default().iteration(False)

        env.update(QT_LINUX_ACCESSIBILITY_ALWAYS_ON='1', QT_QPA_PLATFORM='xcb')
        vantle = start(started, [VANTLE], env)
        app = wait_for('Vantle on the accessibility bus', lambda: next(
            (a for a in pyatspi.Registry.getDesktop(0) if a and a.get_process_id() == vantle.pid),
            None))
        # Every question goes to the program: nothing read earlier is trusted.
        app.set_cache_mask(Atspi.Cache.NONE)

        def hp_bar():
            for node in nodes(app):
                m = re.fullmatch(r'HP (\d+) of (\d+)', node.name or '')
                if m and node.getRoleName() == 'progress bar':
                    return node, m
        bar, figures = wait_for('the HP bar', hp_bar)
        value = bar.queryValue()
        check(value.currentValue == float(figures[1]) and value.maximumValue == float(figures[2]),
              f'HP bar {bar.name!r} has the value {value.currentValue} of {value.maximumValue}')

        # The quick bar comes with the menu.
        subprocess.run([VANTLE, 'menu'], env=env, check=True, timeout=10)
        wait_for('an empty quick bar slot',
                 lambda: find(app, 'Empty skill slot. Opens Skills.', 'push button'))

        def run_row(query, title):
            # Opens the command bar, types `query` and presses the row `title` as a screen
            # reader does.
            subprocess.run([VANTLE, 'command-bar'], env=env, check=True, timeout=10)
            field = wait_for('the search field', lambda: find(app, 'Search', 'text'))
            wait_for('the search field focused',
                     lambda: field.getState().contains(pyatspi.STATE_FOCUSED))
            # The empty query's rows first: the command list by its titles.
            wait_for('the command bar row "Menu"', lambda: find(app, 'Menu', 'list item'))
            subprocess.run(['xdotool', 'type', '--delay', '40', query], check=True, timeout=10)
            press(wait_for(f'the command bar row {title!r}', lambda: find(app, title, 'list item')))

        run_row('quest', 'Quest log')

        row = wait_for('the reminder row', lambda: find(app, REMINDER))
        check(row.description.startswith('Quest'), f'reminder row described {row.description!r}')
        focus = wait_for('the focus row', lambda: find(app, 'Start a 25 minute focus session'))
        check(focus.getRoleName() == 'push button', 'the focus row cannot be pressed')
        box = wait_for('the reminder check', lambda: find(app, CHECK, 'push button'))
        check(box.description == 'Mark this reminder complete',
              f'the check is described {box.description!r}')

        press(box)
        wait_for('the reminder completed in its store',
                 lambda: 'STATUS:COMPLETED' in open(tasks).read())
        wait_for('the check to leave the tree', lambda: find(app, CHECK) is None)

        # The equipment panel's tiles and buttons, opened the same way.
        run_row('loadouts', 'Loadouts')
        for name in ('Left half', 'Fill the screen', 'Save this layout'):
            wait_for(f'the equipment button {name!r}', lambda: find(app, name, 'push button'))
    except Failure:
        if app is not None:
            print('screen-reader: the tree as read:', file=sys.stderr)
            for node in nodes(app):
                print(f'  [{node.getRoleName()}] {node.name!r}', file=sys.stderr)
        raise
    finally:
        stop(started)


def main():
    if not os.environ.get('DISPLAY'):
        print('screen-reader: needs a private X display in DISPLAY', file=sys.stderr)
        return 1
    root = tempfile.mkdtemp(prefix='kaidro-screen-reader-')
    adopt_orphans()
    try:
        run(root)
    except Failure as failure:
        print('screen-reader: FAILED:', failure, file=sys.stderr)
        return 1
    finally:
        shutil.rmtree(root, ignore_errors=True)
    print('screen-reader: passed')
    return 0


if __name__ == '__main__':
    sys.exit(main())
