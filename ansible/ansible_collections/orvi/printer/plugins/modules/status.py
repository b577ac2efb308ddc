#!/usr/bin/python
# -*- coding: utf-8 -*-
# Copyright: orvi-upgrade developers
# MIT License (see LICENSE or https://opensource.org/licenses/MIT)

from __future__ import absolute_import, division, print_function
__metaclass__ = type

DOCUMENTATION = r'''
---
module: status
short_description: Ask Orvi label printers whether they are ready for a firmware upgrade
version_added: "1.1.0"
description:
  - Runs C(orvi-flash status) on the managed host. Each printer is put into its upgrade state, asked for its
    status and told to leave the upgrade state again, so it is left as it was. No firmware is sent.
  - A printer queue cannot answer; its status is C(unknown) and no job is made.
  - For reports - the task fails only when C(orvi-flash) refuses its arguments or cannot run. Printers that are
    not ready or cannot be reached are listed in C(not_ready) and C(unreachable).
options:
  reach_only:
    description: Only open and close each printer's connection; send nothing. Check mode always does this.
    type: bool
    default: false
notes:
  - Supports check mode, which sends nothing to any printer (as I(reach_only)).
extends_documentation_fragment:
  - orvi.printer.orvi_flash
  - orvi.printer.orvi_flash.targets
author:
  - orvi-upgrade developers
'''

EXAMPLES = r'''
- name: Which printers of this site are ready
  orvi.printer.status:
    targets_file: /etc/orvi/printers.txt
  register: printer_status

- name: Report the printers that are not ready
  ansible.builtin.debug:
    msg: "{{ printer_status.not_ready }}"
'''

RETURN = r'''
printers:
  description: One entry per printer - target, name, outcome (ready, not-ready, unreachable,
    failed-before-firmware, unknown; with reach_only reachable or unreachable), message, status.
  returned: always
  type: list
  elements: dict
ready:
  description: The names of the printers that are ready (or, with reach_only, reachable).
  returned: always
  type: list
  elements: str
not_ready:
  description: The names of the printers that answered they are not ready, or whose answer failed.
  returned: always
  type: list
  elements: str
unreachable:
  description: The names of the printers whose connection did not open.
  returned: always
  type: list
  elements: str
summary:
  description: The number of printers with each outcome, and orvi-flash's exit status.
  returned: always
  type: dict
rc:
  description: orvi-flash's exit status.
  returned: always
  type: int
'''

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.orvi.printer.plugins.module_utils.orvi_flash import (
    EXIT_USAGE, TARGET_OPTIONS, failure_message, printer_results, run_flash, summary_of, target_arguments, warn_about)


def main():
    argument_spec = dict(TARGET_OPTIONS)
    argument_spec.update(reach_only=dict(type='bool', default=False))
    module = AnsibleModule(argument_spec=argument_spec, supports_check_mode=True)

    args = ['status'] + target_arguments(module)
    if module.params['reach_only'] or module.check_mode:
        args.append('--reach-only')
    rc, events, err = run_flash(module, args)
    warn_about(module, events)
    printers = printer_results(events)

    def names(outcomes):
        return [p.get('name') for p in printers if p.get('outcome') in outcomes]

    result = dict(changed=False, printers=printers, summary=summary_of(events), rc=rc,
                  ready=names(('ready', 'reachable')),
                  not_ready=names(('not-ready', 'failed-before-firmware')),
                  unreachable=names(('unreachable',)))
    if rc == EXIT_USAGE or not events:
        module.fail_json(msg=failure_message(rc, events, err, ()), stderr=err, **result)
    module.exit_json(**result)


if __name__ == '__main__':
    main()
