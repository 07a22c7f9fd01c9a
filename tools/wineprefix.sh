#!/usr/bin/env bash
# Makes the Wine prefix of a build folder on first use: wineboot, CJK font
# substitutes. Safe to call from several processes at once.
#   tools/wineprefix.sh BUILD_DIR
set -euo pipefail
BUILD=$(cd "$1" && pwd)
. "$(dirname "$0")/wine-env.sh" "$BUILD"
STAMP="$WINEPREFIX/.corrin-ready"
[ -f "$STAMP" ] && exit 0
exec 9>"$BUILD/.wineprefix.lock"
flock 9
[ -f "$STAMP" ] && exit 0
echo "wine: making prefix $WINEPREFIX" >&2
"$CORRIN_WINE" wineboot -i >/dev/null 2>&1 || true
FS='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'
for name in "宋体" "SimSun" "新宋体" "NSimSun" "微软雅黑" "Microsoft YaHei" "黑体" "SimHei"; do
    "$CORRIN_WINE" reg add "$FS" /v "$name" /t REG_SZ /d "WenQuanYi Zen Hei" /f >/dev/null 2>&1 || true
done
wineserver -w || true
touch "$STAMP"
