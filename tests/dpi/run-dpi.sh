#!/usr/bin/env bash
# Runs the settings dialog's geometry, rescaling and hint tests again at 120 and 144 dpi,
# each with a wineserver of its own, and leaves the prefix at 96 dpi with a
# persistent server again, as the other tests expect.
# Usage: run-dpi.sh <wine loader> <unit_tests.exe>   (in the WINEPREFIX and DISPLAY of the test session)
set -euo pipefail
loader=$1 tests=$2
: "${WINEPREFIX:?run-dpi.sh needs the WINEPREFIX of the test session}"
# shellcheck source=scripts/wine-env.sh
source "$(dirname "$0")/../../scripts/wine-env.sh"
trap 'set_dpi 96' EXIT

status=0
for dpi in 120 144; do
  set_dpi "$dpi"
  SARVANE_EXPECT_DPI=$dpi "$loader" "$tests" \
    --gtest_filter='Configuration.GeometryFollowsTheDpiAndNoTextIsClipped:Configuration.FollowsAMoveToAMonitorOfAnotherScale:Configuration.HintStaysVisibleAfterEveryPreviewClick' ||
    status=1
done
exit $status
