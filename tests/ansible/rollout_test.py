#!/usr/bin/env python3
"""The collection's example rollout, run by the real ansible-playbook
against three hosts that are all this machine, each reaching simulated
printers of its own on loopback addresses at port 2864.

    rollout_test.py SIM FLASH REPO [unittest arguments]
"""

import json
import os
import random
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import unittest

SIM, FLASH, REPO = sys.argv[1:4]
COLLECTION = os.path.join(REPO, 'ansible', 'ansible_collections', 'orvi', 'printer')
ROLLOUT = os.path.join(REPO, 'ansible', 'examples', 'rollout.yml')
CALLBACKS = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'callback_plugins')

# Guards against a hang; no case depends on its length.
PROMPT_S = 20
PLAYBOOK_S = 300

NO_SPACE = ('Insufficient space for upgrade files on CompactFlash card. Please insert a card with sufficient '
            'space and press the Retry button or Cancel to abort.')
NO_CONFIG = 'Configuration BLD file could not be found.'

# Sites and their printers' answers to SU: every printer ready (a test adds the one that is not).
SITES = {'site-a': ['0', '0'], 'site-b': ['0', '0'], 'site-c': ['0']}


def wait_for(predicate, what):
    deadline = time.monotonic() + PROMPT_S
    while not predicate():
        if time.monotonic() > deadline:
            raise AssertionError('gave up waiting for ' + what)
        time.sleep(0.02)


class Printer(object):
    """One simulated printer and the report of what it received."""

    def __init__(self, scratch, address, status):
        self.address = address
        self.out = os.path.join(scratch, 'received-' + address)
        self.report = os.path.join(scratch, 'report-' + address + '.jsonl')
        self.process = subprocess.Popen(
            [SIM, '--tcp', address + ':2864', '--out', self.out, '--report', self.report, '--status', status],
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, universal_newlines=True)
        start = self.process.stdout.readline()
        if not start.startswith('listening'):
            raise AssertionError('the simulated printer at %s did not start: %r' % (address, start))

    def events(self, kind):
        if not os.path.exists(self.report):
            return []
        with open(self.report) as f:
            events = [json.loads(line) for line in f if line.strip()]
        return [e for e in events if e.get('event') == kind]

    def settle(self):
        """Waits until every connection made before this call is served: a
        connection of our own goes last and leaves a mark in the report. A
        check that nothing happened looks after this."""
        before = len(self.events('protocol-error'))
        with socket.create_connection((self.address, 2864), timeout=PROMPT_S) as s:
            s.sendall(b'\x01QZ\r\n')
        wait_for(lambda: len(self.events('protocol-error')) > before, 'the mark at ' + self.address)

    def stop(self):
        self.process.terminate()
        self.process.wait(PROMPT_S)


class RolloutTest(unittest.TestCase):

    def setUp(self):
        self.scratch = tempfile.mkdtemp(prefix='orvi-ansible-')
        self.addCleanup(shutil.rmtree, self.scratch, True)
        self.env = dict(os.environ)
        self.env.update(
            HOME=self.scratch,
            ANSIBLE_HOME=os.path.join(self.scratch, 'ansible-home'),
            ANSIBLE_LOCAL_TEMP=os.path.join(self.scratch, 'ansible-tmp'),
            ANSIBLE_COLLECTIONS_PATH=os.path.join(self.scratch, 'collections'),
            ANSIBLE_CALLBACK_PLUGINS=CALLBACKS,
            ANSIBLE_CALLBACKS_ENABLED='record_results',
            ANSIBLE_NOCOLOR='1',
            ANSIBLE_RETRY_FILES_ENABLED='0',
            # orvi-flash is found on the PATH, as on a site's server.
            PATH=os.path.dirname(os.path.abspath(FLASH)) + os.pathsep + os.environ.get('PATH', ''))
        self.run_checked(['ansible-galaxy', 'collection', 'install', COLLECTION,
                          '-p', self.env['ANSIBLE_COLLECTIONS_PATH']])
        self.package = os.path.join(self.scratch, 'package')
        self.files = self.write_package(self.package)
        self.network = '127.%d.%d.' % (random.randint(1, 250), random.randint(0, 249))
        self.printers = {}
        octet = 1
        for site, statuses in sorted(SITES.items()):
            self.printers[site] = []
            for status in statuses:
                self.printers[site].append(self.start_printer(self.network + str(octet), status))
                octet += 1

    def start_printer(self, address, status):
        printer = Printer(self.scratch, address, status)
        self.addCleanup(printer.stop)
        return printer

    @staticmethod
    def write_package(folder):
        os.makedirs(folder)
        main = bytes(((i * 131) ^ (i >> 8)) & 0xff for i in range(200000))
        files = [('boot.bin', b'\x01SR\r\n\x01KK\r\n'), ('main.bin', main), ('iosubsys.bin', b'\xff' * 4000),
                 ('l11config.bld', b'2\r\n*boot.bin:*x:\r\n*main.bin:*x:\r\n*end:\r\n')]
        for name, data in files:
            with open(os.path.join(folder, name), 'wb') as f:
                f.write(data)
        return files

    def run_checked(self, args):
        done = subprocess.run(args, env=self.env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                              universal_newlines=True, timeout=PLAYBOOK_S)
        self.assertEqual(done.returncode, 0, done.stdout)
        return done

    def inventory(self, package):
        hosts = {}
        for site, printers in self.printers.items():
            hosts[site] = dict(
                ansible_connection='local', ansible_python_interpreter=sys.executable,
                orvi_printers=['tcp:' + p.address for p in printers],
                orvi_ledger=os.path.join(self.scratch, 'ledger-' + site + '.jsonl'))
        path = os.path.join(self.scratch, 'sites.json')
        with open(path, 'w') as f:
            json.dump({'printer_sites': {'hosts': hosts, 'vars': {'orvi_package': package}}}, f)
        return path

    def rollout(self, *extra, package=None):
        """Runs the example rollout; gives ansible-playbook's exit status,
        its output and every task result."""
        results = os.path.join(self.scratch, 'results.jsonl')
        if os.path.exists(results):
            os.remove(results)
        env = dict(self.env, ORVI_RESULTS=results)
        done = subprocess.run(['ansible-playbook', '-i', self.inventory(package or self.package), ROLLOUT] +
                              list(extra), env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                              universal_newlines=True, timeout=PLAYBOOK_S)
        records = []
        if os.path.exists(results):
            with open(results) as f:
                records = [json.loads(line) for line in f]
        return done.returncode, done.stdout, records

    @staticmethod
    def upgrades(records):
        return {r['host']: r for r in records if r['task'] == "Upgrade this site's printers"}

    def all_printers(self):
        return [p for printers in self.printers.values() for p in printers]

    def assert_received_whole(self, printer):
        for name, data in self.files:
            with open(os.path.join(printer.out, name), 'rb') as f:
                self.assertEqual(f.read(), data, '%s at %s' % (name, printer.address))
        self.assertEqual([e['files'] for e in printer.events('upgrade')],
                         [[name for name, _ in self.files]], printer.address)

    def assert_untouched(self, printer):
        printer.settle()
        self.assertEqual(printer.events('command'), [], printer.address)
        # The mark's own connection is the only one.
        self.assertEqual(len(printer.events('connect')), 1, printer.address)

    def test_rollout_sends_every_byte_and_a_rerun_changes_nothing(self):
        rc, out, records = self.rollout()
        self.assertEqual(rc, 0, out)
        upgrades = self.upgrades(records)
        self.assertEqual(sorted(upgrades), sorted(SITES), out)
        for site, record in upgrades.items():
            self.assertEqual(record['status'], 'ok', out)
            self.assertTrue(record['result']['changed'], site)
            self.assertEqual([p['outcome'] for p in record['result']['printers']],
                             ['upgraded'] * len(SITES[site]), site)
        for printer in self.all_printers():
            self.assert_received_whole(printer)

        commands = {p.address: len(p.events('command')) for p in self.all_printers()}
        rc, out, records = self.rollout()
        self.assertEqual(rc, 0, out)
        for site, record in self.upgrades(records).items():
            self.assertFalse(record['result']['changed'], site)
            self.assertEqual({p['outcome'] for p in record['result']['printers']}, {'skipped'}, site)
        for printer in self.all_printers():
            printer.settle()
            self.assertEqual(len(printer.events('command')), commands[printer.address], printer.address)

    def test_check_mode_sends_no_byte(self):
        rc, out, records = self.rollout('--check')
        self.assertEqual(rc, 0, out)
        for site, record in self.upgrades(records).items():
            result = record['result']
            self.assertTrue(result['changed'], site)
            self.assertEqual([f['name'] for f in result['plan']['files']], [name for name, _ in self.files])
            self.assertEqual({p['outcome'] for p in result['printers']}, {'reachable'}, site)
        for printer in self.all_printers():
            printer.settle()
            self.assertEqual(printer.events('command'), [], printer.address)
            self.assertGreaterEqual(len(printer.events('connect')), 2, printer.address)
        # Nothing was recorded, so the real rollout still sends everything.
        for site in SITES:
            self.assertFalse(os.path.exists(os.path.join(self.scratch, 'ledger-' + site + '.jsonl')), site)

    def test_a_full_card_fails_its_site_and_stops_the_next_batch(self):
        full = self.start_printer(self.network + '99', '3')
        self.printers['site-b'].append(full)
        # Batches of two: site-a and site-b, then site-c. Without the failure
        # ceiling site-c would still be upgraded after site-b failed.
        rc, out, records = self.rollout('-e', 'orvi_batch=2')
        self.assertNotEqual(rc, 0, out)
        upgrades = self.upgrades(records)
        self.assertEqual(sorted(upgrades), ['site-a', 'site-b'], out)
        self.assertEqual(upgrades['site-a']['status'], 'ok', out)
        failed = upgrades['site-b']
        self.assertEqual(failed['status'], 'failed', out)
        self.assertIn(NO_SPACE, failed['result']['msg'])
        self.assertEqual(failed['result']['rc'], 4)
        self.assertTrue(failed['result']['changed'])
        outcomes = {p['target']: p['outcome'] for p in failed['result']['printers']}
        self.assertEqual(outcomes['tcp:%s:2864' % full.address], 'not-ready')
        for printer in self.printers['site-a'] + self.printers['site-b'][:2]:
            self.assert_received_whole(printer)
        full.settle()
        self.assertEqual([e['name'] for e in full.events('command')], ['KU', 'SU', 'KK'])
        for printer in self.printers['site-c']:
            self.assert_untouched(printer)

    def test_a_refused_package_fails_every_site_before_any_printer(self):
        empty = os.path.join(self.scratch, 'empty-package')
        os.makedirs(empty)
        # A folder without a package, and the package pinned to another digest.
        for extra, package, message in (((), empty, NO_CONFIG),
                                        (('-e', 'orvi_package_digest=' + '0' * 64), None, 'not the expected ')):
            rc, out, records = self.rollout(*extra, package=package)
            self.assertNotEqual(rc, 0, out)
            failed = [r for r in records if r['task'] == 'Read the package as the upgrade sends it' and
                      r['status'] == 'failed']
            self.assertEqual(sorted(r['host'] for r in failed), sorted(SITES), out)
            for record in failed:
                self.assertIn(message, record['result']['msg'])
            self.assertEqual(self.upgrades(records), {}, out)
        for printer in self.all_printers():
            self.assert_untouched(printer)


class CollectionTest(unittest.TestCase):
    """What ansible-test sanity can check on a machine without network
    access (the rest needs packages from the Python package index), and
    the documentation every module shows."""

    def test_sanity_and_documentation(self):
        scratch = tempfile.mkdtemp(prefix='orvi-ansible-sanity-')
        self.addCleanup(shutil.rmtree, scratch, True)
        # ansible-test wants the collection under ansible_collections/NS/NAME
        # and writes beside it; a copy keeps the source tree clean.
        copy = os.path.join(scratch, 'ansible_collections', 'orvi', 'printer')
        shutil.copytree(COLLECTION, copy)
        env = dict(os.environ, HOME=scratch, ANSIBLE_HOME=os.path.join(scratch, 'ansible-home'),
                   ANSIBLE_COLLECTIONS_PATH=scratch)
        needs_index = ['ansible-doc', 'import', 'pep8', 'pylint', 'runtime-metadata', 'validate-modules',
                       'yamllint']
        args = ['ansible-test', 'sanity', '--local', '--python', '%d.%d' % sys.version_info[:2]]
        for test in needs_index:
            args += ['--skip-test', test]
        done = subprocess.run(args, cwd=copy, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                              universal_newlines=True, timeout=PLAYBOOK_S)
        self.assertEqual(done.returncode, 0, done.stdout)

        for module in ('upgrade', 'status', 'package_info'):
            done = subprocess.run(['ansible-doc', '--json', 'orvi.printer.' + module], env=env,
                                  stdout=subprocess.PIPE, stderr=subprocess.PIPE, universal_newlines=True,
                                  timeout=PLAYBOOK_S)
            self.assertEqual(done.returncode, 0, done.stderr)
            doc = json.loads(done.stdout)['orvi.printer.' + module]
            self.assertTrue(doc['doc']['options'], module)
            self.assertTrue(doc['examples'].strip(), module)
            self.assertTrue(doc['return'], module)
            self.assertNotIn('WARNING', done.stderr, module)

        # The collection carries the project's version, as orvi-flash does.
        flash_version = subprocess.run([FLASH, '--version'], stdout=subprocess.PIPE, universal_newlines=True,
                                       timeout=PROMPT_S).stdout.split()[-1]
        with open(os.path.join(COLLECTION, 'galaxy.yml')) as f:
            galaxy_version = [line.split(':', 1)[1].strip() for line in f if line.startswith('version:')][0]
        parts = flash_version.split('.')
        self.assertEqual(galaxy_version, '.'.join(parts + ['0'] * (3 - len(parts))))

        done = subprocess.run(['ansible-playbook', '--syntax-check', '-i',
                               os.path.join(REPO, 'ansible', 'examples', 'sites.yml'), ROLLOUT], env=env,
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT, universal_newlines=True,
                              timeout=PLAYBOOK_S)
        self.assertEqual(done.returncode, 0, done.stdout)


if __name__ == '__main__':
    unittest.main(argv=[sys.argv[0]] + sys.argv[4:])
