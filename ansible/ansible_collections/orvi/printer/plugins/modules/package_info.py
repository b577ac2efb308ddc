#!/usr/bin/python
# -*- coding: utf-8 -*-
# Copyright: orvi-upgrade developers
# MIT License (see LICENSE or https://opensource.org/licenses/MIT)

from __future__ import absolute_import, division, print_function
__metaclass__ = type

DOCUMENTATION = r'''
---
module: package_info
short_description: Read an Orvi firmware package as the upgrade would send it
version_added: "1.1.0"
description:
  - Runs C(orvi-flash plan) on the managed host. It reads the package folder exactly as the upgrade does and
    returns each file in sending order with its size and SHA-256, the package's digest, and the time the
    transfer takes at each line rate. Nothing is sent and no port is opened.
  - Fails with the wizard's own message for a package the upgrade would refuse (no C(l11config.bld), a corrupt
    one, a listed file missing or not inside the folder), so a rollout can check every site's package before any
    printer is touched.
options:
  package:
    description: The folder on the managed host with C(l11config.bld) and the firmware files.
    type: path
    required: true
  package_digest:
    description:
      - The digest the package must have (its C(digest), 64 hexadecimal digits). A package whose digest is another
        fails the task with both digests named, so that every site is held to the package that was approved.
    type: str
notes:
  - Supports check mode; it changes nothing in either mode.
extends_documentation_fragment:
  - orvi.printer.orvi_flash
author:
  - orvi-upgrade developers
'''

EXAMPLES = r'''
- name: Check the firmware package on every site before the rollout
  orvi.printer.package_info:
    package: /srv/orvi/firmware/l11-2.4
  register: firmware

- name: Check that every site holds the approved package
  orvi.printer.package_info:
    package: /srv/orvi/firmware/l11-2.4
    package_digest: "{{ approved_digest }}"
'''

RETURN = r'''
package:
  description: The package as the upgrade sends it.
  returned: success
  type: dict
  contains:
    digest:
      description: SHA-256 over each file's name and digest, in sending order - what the ledger calls this package.
      type: str
    files:
      description: Each file's name, size and sha256, in sending order (the configuration file last).
      type: list
      elements: dict
    data_bytes:
      description: The files' bytes.
      type: int
    wire_bytes:
      description: Every byte the transfer puts on the wire (DT headers, files, SR).
      type: int
    seconds:
      description: The transfer's time at 4800, 9600, 19200 and 38400 baud and over a 10 and a 100 Mbit/s network.
      type: dict
'''

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.orvi.printer.plugins.module_utils.orvi_flash import (
    PACKAGE_DIGEST_OPTION, PROGRAM_OPTION, events_of, failure_message, package_arguments, run_flash)


def main():
    module = AnsibleModule(argument_spec=dict(package=dict(type='path', required=True),
                                              package_digest=PACKAGE_DIGEST_OPTION, program=PROGRAM_OPTION),
                           supports_check_mode=True)
    rc, events, err = run_flash(module, ['plan'] + package_arguments(module))
    plans = events_of(events, 'plan')
    if rc != 0 or not plans:
        module.fail_json(msg=failure_message(rc, events, err, ()), rc=rc, stderr=err)
    package = dict(plans[0])
    del package['event']
    module.exit_json(changed=False, package=package)


if __name__ == '__main__':
    main()
