# Sourced by the scripts: the Wine environment of one build folder.
#   . tools/wine-env.sh BUILD_DIR
# One prefix per build folder, never the user's ~/.wine. The build folder
# says which architecture it holds (file corrin-arch, written by CMake).
_corrin_build=$(cd "$1" && pwd)
_corrin_arch=$(cat "$_corrin_build/corrin-arch" 2>/dev/null || echo i686)
if [ "$_corrin_arch" = x86_64 ]; then
    export WINEARCH=win64 CORRIN_WINE=/usr/lib/wine/wine64
else
    export WINEARCH=win32 CORRIN_WINE=/usr/lib/wine/wine
fi
export WINEPREFIX="$_corrin_build/wineprefix"
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
export HOME="$_corrin_build/winehome"
# Test programs find the shipped DLLs (sqlite3.dll ...) in the program folder.
export WINEPATH="Z:${_corrin_build//\//\\}\\bin"
mkdir -p "$HOME"
unset _corrin_build _corrin_arch
