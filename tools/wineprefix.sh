#!/usr/bin/env bash
# Makes the Wine prefix of a build folder on first use: wineboot, CJK font
# substitutes, then the test settings. Safe to call from several processes at once.
#   tools/wineprefix.sh BUILD_DIR
set -euo pipefail
BUILD=$(cd "$1" && pwd)
. "$(dirname "$0")/wine-env.sh" "$BUILD"
STAMP="$WINEPREFIX/.corrin-ready"
# Bump the number when the settings below change: existing prefixes take them.
SETTINGS="$WINEPREFIX/.corrin-settings-4"
[ -f "$STAMP" ] && [ -f "$SETTINGS" ] && exit 0
exec 9>"$BUILD/.wineprefix.lock"
flock 9
reg_add() { "$CORRIN_WINE" reg add "$@" /f >/dev/null 2>&1 || true; }
if [ ! -f "$STAMP" ]; then
    echo "wine: making prefix $WINEPREFIX" >&2
    "$CORRIN_WINE" wineboot -i >/dev/null 2>&1 || true
    FS='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'
    for name in "宋体" "SimSun" "新宋体" "NSimSun" "微软雅黑" "Microsoft YaHei" "黑体" "SimHei"; do
        reg_add "$FS" /v "$name" /t REG_SZ /d "WenQuanYi Zen Hei"
    done
fi
if [ ! -f "$SETTINGS" ]; then
    # No sound driver: no test may reach the host's sound device or mixer.
    reg_add 'HKCU\Software\Wine\Drivers' /v Audio /t REG_SZ /d ""
    # A program that crashes ends at once: no crash dialog waits on the test display.
    reg_add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0
    # The sound-hook tests run as on Windows XP (the hook branch of the mute).
    xp=winxp; [ "$WINEARCH" = win64 ] && xp=winxp64
    for program in mute_hook_tests.exe bench_mute.exe; do
        reg_add "HKCU\\Software\\Wine\\AppDefaults\\$program" /v Version /t REG_SZ /d "$xp"
    done
    # Web addresses the programs hand to the shell go to the URL recorder
    # (tests/harness), never to a browser on the host.
    recorder="Z:${BUILD//\//\\}\\tests\\url_recorder.exe"
    for scheme in http https; do
        "$CORRIN_WINE" reg delete "HKCR\\$scheme\\shell\\open\\ddeexec" /f >/dev/null 2>&1 || true
        reg_add "HKCR\\$scheme\\shell\\open\\command" /ve /t REG_SZ /d "\"$recorder\" \"%1\""
    done
    # So do folders the programs ask the shell to open or explore: no file manager starts.
    for verb in open explore; do
        "$CORRIN_WINE" reg delete "HKCR\\Folder\\shell\\$verb\\ddeexec" /f >/dev/null 2>&1 || true
        reg_add "HKCR\\Folder\\shell\\$verb\\command" /ve /t REG_SZ /d "\"$recorder\" \"%1\""
    done
fi
wineserver -w || true
touch "$STAMP" "$SETTINGS"
