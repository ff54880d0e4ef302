#!/usr/bin/env bash
# The test suite's services, as CTest's fixture starts and stops them: the
# private MariaDB and the print queue of the test data folder (.rig/test/),
# on the address the build was configured with.
#
#   bash scripts/services.sh start|stop HOST
set -euo pipefail
# shellcheck source=lib/rig.sh
. "$(dirname "$0")/lib/rig.sh"
if [ $# != 2 ] || { [ "$1" != start ] && [ "$1" != stop ]; }; then
  echo "usage: services.sh start|stop HOST" >&2
  exit 2
fi
rig_services "$1" "$2" --test
