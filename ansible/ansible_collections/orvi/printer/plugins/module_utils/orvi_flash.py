# -*- coding: utf-8 -*-
# Copyright: orvi-upgrade developers
# MIT License (see LICENSE or https://opensource.org/licenses/MIT)

"""What the collection's modules share: running orvi-flash on the managed
host with --json, reading its JSON lines (never its human output), and its
documented exit statuses."""

from __future__ import absolute_import, division, print_function
__metaclass__ = type

import json

EXIT_ALL_DONE = 0
EXIT_USAGE = 2
EXIT_PACKAGE_REFUSED = 3
EXIT_SOME_NOT_DONE = 4
EXIT_SOME_BROKEN = 5
EXIT_UNCONFIRMED = 6
EXIT_LEDGER_NOT_WRITTEN = 7

# The exit statuses after which a run counts as done: every printer reached
# its goal, or took the firmware where nothing can confirm it, or either
# with a ledger that lost a line (which the task returns as a warning).
DONE_STATUSES = (EXIT_ALL_DONE, EXIT_UNCONFIRMED, EXIT_LEDGER_NOT_WRITTEN)

TARGET_KINDS = ('tcp:', 'serial:', 'parallel:', 'dual:', 'queue:')

PROGRAM_OPTION = dict(type='path')

PACKAGE_DIGEST_OPTION = dict(type='str')

TARGET_OPTIONS = dict(
    targets=dict(type='list', elements='str', default=[]),
    targets_file=dict(type='path'),
    jobs=dict(type='int'),
    timeout=dict(type='float'),
    program=PROGRAM_OPTION,
)


def program_path(module):
    """The program the task names, or orvi-flash found on the PATH."""
    if module.params.get('program'):
        return module.params['program']
    return module.get_bin_path('orvi-flash', required=True)


def target_arguments(module):
    """The targets, the targets file, --jobs and --timeout as arguments."""
    params = module.params
    if not params['targets'] and not params.get('targets_file'):
        module.fail_json(msg='no printer given: set targets, targets_file or both')
    if params['jobs'] is not None and params['jobs'] < 1:
        module.fail_json(msg='jobs must be 1 or more')
    # A timeout of 0 is no timeout at all, never the default: refused.
    if params.get('timeout') is not None and not params['timeout'] >= 0.001:
        module.fail_json(msg='timeout must be at least 0.001 seconds, not %r' % params['timeout'])
    for target in params['targets']:
        # An entry is never taken for one of orvi-flash's options.
        if not target.startswith(TARGET_KINDS):
            module.fail_json(msg='bad target %r: it must begin with %s' % (target, ', '.join(TARGET_KINDS)))
    args = list(params['targets'])
    if params.get('targets_file'):
        args += ['--targets', params['targets_file']]
    if params['jobs'] is not None:
        args += ['--jobs', str(params['jobs'])]
    if params.get('timeout') is not None:
        args += ['--timeout', repr(float(params['timeout']))]
    return args


def package_arguments(module):
    """--package, and --expect-digest when the task pins the package."""
    args = ['--package', module.params['package']]
    if module.params.get('package_digest'):
        args += ['--expect-digest', module.params['package_digest']]
    return args


def text_of(value):
    """orvi-flash writes each byte above 0x7E of a string as \\u00XX: a
    name from a targets file in UTF-8 comes back as its bytes, decoded
    here."""
    if isinstance(value, dict):
        return dict((k, text_of(v)) for k, v in value.items())
    if isinstance(value, list):
        return [text_of(v) for v in value]
    if isinstance(value, str):
        try:
            return value.encode('latin-1').decode('utf-8')
        except (UnicodeEncodeError, UnicodeDecodeError):
            return value
    return value


def run_flash(module, args):
    """Runs orvi-flash ARGS --json. Returns the exit status, the JSON events
    in order, and standard error."""
    rc, out, err = module.run_command([program_path(module)] + args + ['--json'])
    events = []
    for line in out.splitlines():
        line = line.strip()
        if not line:
            continue
        try:
            events.append(text_of(json.loads(line)))
        except ValueError:
            module.fail_json(msg='orvi-flash wrote a line that is not JSON: %s' % line, rc=rc, stderr=err)
    return rc, events, err


def firmware_sent(printer):
    """Whether the printer was sent firmware: the whole package, or part of
    it (a DT header included) before a failure or an interruption."""
    return printer.get('firmware_sent') is True


def events_of(events, kind):
    return [e for e in events if e.get('event') == kind]


def warn_about(module, events):
    """orvi-flash's warnings (a ledger line that could not be written, a
    trace, --jobs cut to what fits) as the task's own."""
    for warning in events_of(events, 'warning'):
        who = warning.get('name')
        module.warn('orvi-flash: %s%s' % ('%s: ' % who if who else '', warning.get('message', '')))


def printer_results(events):
    """One dict per printer: its outcome event without the event name."""
    results = []
    for event in events_of(events, 'outcome'):
        result = dict(event)
        del result['event']
        results.append(result)
    return results


def summary_of(events):
    found = events_of(events, 'summary')
    if not found:
        return {}
    summary = dict(found[-1])
    del summary['event']
    return summary


def first_line(text):
    for line in (text or '').splitlines():
        if line.strip():
            return line.strip()
    return ''


def refusal(events, err):
    """The package's refusal message, from the JSON or standard error."""
    found = events_of(events, 'refused')
    return found[0].get('message', '') if found else first_line(err)


def failure_message(rc, events, err, good_outcomes):
    """Why a run failed: the arguments or the package refused, or each
    printer that did not reach a good outcome with its message."""
    if rc == EXIT_USAGE:
        return 'orvi-flash refused its arguments: %s' % first_line(err)
    if rc == EXIT_PACKAGE_REFUSED:
        return 'the package is refused, nothing was sent: %s' % refusal(events, err)
    failed = ['%s: %s%s: %s' % (p.get('name'), p.get('outcome'),
                                 ' (%s)' % p['reason'] if p.get('reason') else '', first_line(p.get('message')))
              for p in printer_results(events) if p.get('outcome') not in good_outcomes]
    if not failed:
        return 'orvi-flash ended with status %d: %s' % (rc, first_line(err))
    return 'orvi-flash ended with status %d; %s' % (rc, '; '.join(failed))
