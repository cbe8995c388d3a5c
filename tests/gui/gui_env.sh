# Environment of the Wine GUI tests; sourced with STATE set to the test state
# folder (prefix, locale, display number).
export WINEPREFIX="$STATE/wineprefix"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=d;mshtml=d;winemenubuilder.exe=d"
export LOCPATH="$STATE/locale"
export LANG=ja_JP.UTF-8
if [ -f "$STATE/display" ]; then export DISPLAY=":$(cat "$STATE/display")"; fi
