# -*- coding: utf-8 -*-
# Writes every task result of a playbook run as one JSON line to the file
# ORVI_RESULTS names, so the tests read what each host returned rather
# than the default callback's human output.

from __future__ import absolute_import, division, print_function
__metaclass__ = type

import json
import os

from ansible.plugins.callback import CallbackBase

DOCUMENTATION = '''
name: record_results
type: aggregate
short_description: every task result as a JSON line
description: Writes each task result to the file ORVI_RESULTS names.
requirements: [ORVI_RESULTS set]
'''


class CallbackModule(CallbackBase):
    CALLBACK_VERSION = 2.0
    CALLBACK_TYPE = 'aggregate'
    CALLBACK_NAME = 'record_results'
    CALLBACK_NEEDS_ENABLED = True

    def __init__(self):
        super(CallbackModule, self).__init__()
        self._play = ''

    def _write(self, record):
        with open(os.environ['ORVI_RESULTS'], 'a') as out:
            out.write(json.dumps(record) + '\n')

    def v2_playbook_on_play_start(self, play):
        self._play = play.get_name()

    def _record(self, result, status):
        self._write(dict(play=self._play, task=result._task.get_name(), host=result._host.get_name(),
                         status=status, result=result._result))

    def v2_runner_on_ok(self, result):
        self._record(result, 'ok')

    def v2_runner_on_failed(self, result, ignore_errors=False):
        self._record(result, 'failed')

    def v2_runner_on_skipped(self, result):
        self._record(result, 'skipped')

    def v2_runner_on_unreachable(self, result):
        self._record(result, 'unreachable')
