#!/usr/bin/env bash
# Prints the Windows architecture the tests can run here: i686 when this
# kernel runs 32-bit code (wine32), else x86_64 (wine64). The shipped
# programs are 32-bit; a 64-bit build of the same sources stands in for them
# only where the machine cannot execute 32-bit code at all.
if [ -n "${CORRIN_ARCH:-}" ]; then echo "$CORRIN_ARCH"; exit 0; fi
if [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo i686
else
    echo x86_64
fi
