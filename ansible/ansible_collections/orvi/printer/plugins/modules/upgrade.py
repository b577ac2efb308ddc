#!/usr/bin/python
# -*- coding: utf-8 -*-
# Copyright: orvi-upgrade developers
# MIT License (see LICENSE or https://opensource.org/licenses/MIT)

from __future__ import absolute_import, division, print_function
__metaclass__ = type

DOCUMENTATION = r'''
---
module: upgrade
short_description: Upgrade the firmware of Orvi label printers with orvi-flash
version_added: "1.1.0"
description:
  - Runs C(orvi-flash upgrade) on the managed host, the computer that reaches the printers (a site's server
    for network printers, the PC a serial or parallel printer hangs on).
  - Each printer is prepared; a ready printer gets the whole package, one that is not ready is told to leave its
    upgrade state. Printers run at the same time, at most I(jobs) at once.
  - Printers that the ledger on the managed host shows already upgraded with this same package are skipped
    without being opened, so running a finished rollout again changes nothing. Printer queues cannot confirm
    that the printer took the firmware, so they are sent it again on every run.
  - The task fails when C(orvi-flash) ends with a status other than 0 (every printer upgraded or skipped), 6
    (printers took the firmware where nothing can confirm it - printer queues, TCP under Wine) or 7 (as 0 or 6,
    but the ledger could not record every printer - returned as a warning, since a rerun will not know them). The
    message names each printer that did not get there, with its outcome, the reason the link gave, and the
    printer's own message.
options:
  package:
    description:
      - The folder on the managed host with C(l11config.bld) and the firmware files.
    type: path
    required: true
  package_digest:
    description:
      - The digest the package must have (its C(digest) as M(orvi.printer.package_info) returns it, 64 hexadecimal
        digits). A package whose digest is another is refused with both digests named, before any printer is
        opened, so that every site sends the package that was approved, not whatever copy it holds.
    type: str
  force:
    description: Send the package also to printers the ledger shows already upgraded with it.
    type: bool
    default: false
  ledger:
    description:
      - The ledger file on the managed host. By default C(orvi-flash)'s own, in the user's state folder.
    type: path
notes:
  - Check mode changes nothing on any printer. It reads the package (C(orvi-flash plan)) and returns what would
    be sent, then opens and closes the connection of each printer the ledger does not skip
    (C(orvi-flash upgrade --dry-run)) without sending a byte. C(changed) then says whether some printer would
    be sent firmware; whether each is ready can only be learnt by asking it, which check mode does not do.
extends_documentation_fragment:
  - orvi.printer.orvi_flash
  - orvi.printer.orvi_flash.targets
author:
  - orvi-upgrade developers
'''

EXAMPLES = r'''
- name: Upgrade the printers of this site
  orvi.printer.upgrade:
    targets:
      - tcp:10.20.0.31
      - serial:/dev/ttyUSB0@38400
    package: /srv/orvi/firmware/l11-2.4
    package_digest: "{{ approved_digest }}"
    jobs: 16

- name: Upgrade the printers listed on the site server
  orvi.printer.upgrade:
    targets_file: /etc/orvi/printers.txt
    package: /srv/orvi/firmware/l11-2.4
'''

RETURN = r'''
printers:
  description: One entry per printer, in the order they ended.
  returned: always
  type: list
  elements: dict
  contains:
    target:
      description: The target in one spelling, as the ledger keeps it.
      type: str
      sample: tcp:10.20.0.31:2864
    name:
      description: The printer's name from the targets file, or its target.
      type: str
    outcome:
      description:
        - upgraded, sent-unconfirmed, not-ready, unreachable, failed-before-firmware, failed-during-transfer,
          interrupted, skipped or busy (another run has the printer); in check mode reachable, unreachable,
          skipped or busy.
      type: str
      sample: upgraded
    message:
      description: The printer's message, as the wizard shows it.
      type: str
    reason:
      description:
        - Why the step that ended the printer failed, as the link says it - refused, timed-out, no-route,
          host-not-found, no-such-device, no-permission, device-busy, reset-by-printer, closed-by-printer,
          local-resource, stopped or other; with I(system_error), the system's error code.
      type: str
      returned: when a step failed
      sample: refused
    firmware_sent:
      description: Whether anything of the firmware (a DT header included) went to the printer.
      type: bool
    status:
      description: The first byte of the printer's status line, when one was read.
      type: str
      returned: when the printer answered
      sample: "0"
    bytes_sent:
      description: Firmware bytes sent to the printer.
      type: int
    bytes_total:
      description: Firmware bytes in the package.
      type: int
    seconds:
      description: How long the printer took.
      type: float
summary:
  description: The number of printers with each outcome, and orvi-flash's exit status.
  returned: always
  type: dict
  sample: {"command": "upgrade", "printers": 2, "outcomes": {"upgraded": 2}, "exit_status": 0}
plan:
  description: What would be sent - each file's name, size and SHA-256 in sending order, the package's digest, the
    bytes and the time at each line rate.
  returned: in check mode
  type: dict
rc:
  description: orvi-flash's exit status.
  returned: always
  type: int
'''

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.orvi.printer.plugins.module_utils.orvi_flash import (
    DONE_STATUSES, PACKAGE_DIGEST_OPTION, TARGET_OPTIONS, events_of, failure_message, firmware_sent,
    package_arguments, printer_results, run_flash, summary_of, target_arguments, warn_about)

GOOD_OUTCOMES = ('upgraded', 'skipped', 'sent-unconfirmed', 'reachable')


def main():
    argument_spec = dict(TARGET_OPTIONS)
    argument_spec.update(
        package=dict(type='path', required=True),
        package_digest=PACKAGE_DIGEST_OPTION,
        force=dict(type='bool', default=False),
        ledger=dict(type='path'),
    )
    module = AnsibleModule(argument_spec=argument_spec, supports_check_mode=True)
    params = module.params

    args = ['upgrade'] + target_arguments(module) + package_arguments(module)
    if params['force']:
        args.append('--force')
    if params['ledger']:
        args += ['--ledger', params['ledger']]

    result = dict(changed=False)
    if module.check_mode:
        rc, events, err = run_flash(module, ['plan'] + package_arguments(module))
        if rc != 0:
            module.fail_json(msg=failure_message(rc, events, err, GOOD_OUTCOMES), rc=rc, printers=[])
        plan = dict(events_of(events, 'plan')[0])
        del plan['event']
        result['plan'] = plan
        args.append('--dry-run')

    rc, events, err = run_flash(module, args)
    warn_about(module, events)
    printers = printer_results(events)
    if module.check_mode:
        result['changed'] = any(p.get('outcome') == 'reachable' for p in printers)
    else:
        result['changed'] = any(firmware_sent(p) for p in printers)
    result.update(printers=printers, summary=summary_of(events), rc=rc)
    if rc not in DONE_STATUSES:
        module.fail_json(msg=failure_message(rc, events, err, GOOD_OUTCOMES), stderr=err, **result)
    module.exit_json(**result)


if __name__ == '__main__':
    main()
