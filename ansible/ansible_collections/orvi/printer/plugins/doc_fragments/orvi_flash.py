# -*- coding: utf-8 -*-
# Copyright: orvi-upgrade developers
# MIT License (see LICENSE or https://opensource.org/licenses/MIT)

from __future__ import absolute_import, division, print_function
__metaclass__ = type


class ModuleDocFragment(object):
    # Every module runs orvi-flash.
    DOCUMENTATION = r'''
options:
  program:
    description: The path of C(orvi-flash) on the managed host. By default it is looked for on the C(PATH).
    type: path
notes:
  - The managed host runs Linux; C(orvi-flash) must be installed there.
'''

    # The modules that reach printers.
    TARGETS = r'''
options:
  targets:
    description:
      - The printers, as C(orvi-flash) targets - C(tcp:HOST[:PORT]), C(serial:DEVICE[@BAUD]),
        C(parallel:DEVICE), C(dual:SERIAL[@BAUD]+PARALLEL), C(queue:NAME).
    type: list
    elements: str
    default: []
  targets_file:
    description:
      - A file on the managed host with one target a line, optionally followed by a name; C(#) begins a comment,
        and double quotes keep spaces (C(queue:"Shipping L11" "dock 3")).
    type: path
  jobs:
    description:
      - How many printers are handled at once. By default every printer, up to 64, and never more than the
        managed host lets C(orvi-flash) open files for.
    type: int
  timeout:
    description:
      - Seconds a printer may keep the link waiting (a connect, a byte of its answer, a write), at least 0.001;
        C(0) is refused, not taken as the default. By default the link's own limits (ten seconds).
    type: float
'''
