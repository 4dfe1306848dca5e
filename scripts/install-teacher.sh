#!/usr/bin/env bash
# Prepares a teacher's machine: sudo bash install-teacher.sh SHARE_FOLDER (see install-machine.sh).
exec bash "$(dirname "$0")/install-machine.sh" teacher "$@"
