#!/bin/sh
# usage: verify_unit.sh SYSTEMD_ANALYZE UNIT
# The unit is clean when `systemd-analyze verify` says nothing at all (an unknown key or a bad
# value is only warned about, with status 0), and hardened while the exposure that
# `systemd-analyze security` gives it stays at most 2.0 (of 10).
analyze=$1
unit=$2
said=$("$analyze" verify --man=no "$unit" 2>&1)
status=$?
if [ $status -ne 0 ] || [ -n "$said" ]; then
  printf '%s\n' "$said"
  echo "verify_unit: systemd-analyze verify is not clean (status $status)"
  exit 1
fi
report=$("$analyze" security --offline=yes --threshold=20 --no-pager "$unit" 2>&1)
status=$?
if [ $status -ne 0 ]; then
  printf '%s\n' "$report"
  echo "verify_unit: the exposure is above 2.0 (status $status)"
  exit 1
fi
printf '%s\n' "$report" | grep 'Overall exposure'
