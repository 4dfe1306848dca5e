#!/usr/bin/env bash
# Prepares a student's machine: sudo bash install-student.sh SHARE_FOLDER (see install-machine.sh).
exec bash "$(dirname "$0")/install-machine.sh" student "$@"
