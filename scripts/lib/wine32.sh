# shellcheck shell=bash
# How this machine runs Wine's 32-bit programs, menu.exe among them (sourced by wine.sh).
#
# Some kernels run 64-bit programs only (IA-32 emulation off): Wine's 32-bit loader then fails
# with "Exec format error". There QEMU's user-mode emulator, registered with the kernel's
# binfmt_misc for 32-bit x86 programs while the calling script runs, runs them. Any other failure
# of the loader is an error, and a handler already registered is used and left. Everything Wine
# runs in 32 bits is then emulated and slow, so the programs that only serve the tests (the window
# lister, the stand-ins) and the bench come from the 64-bit build, while every test of the menu
# still runs the 32-bit menu.exe that ships.
#
# choose_wine, called once the packages are in, exports
#   QUIN_WINE32    native or emulated
#   QUIN_TOOL_DIR  the build whose programs run at this machine's own speed: the 32-bit one
#                  where it runs natively, else the 64-bit one

QUIN_BINFMT=/proc/sys/fs/binfmt_misc
# Wine's 32-bit loader allocates its address space piece by piece where no preloader comes with
# it (Debian's Wine has none). Bookworm's QEMU 7.2 refuses every such piece and each program
# then takes a minute to start; QEMU 10 from bookworm-backports starts it in under a second.
QUIN_QEMU_SUITE=bookworm-backports
QUIN_QEMU=/usr/bin/qemu-i386
QUIN_BACKPORTS_SOURCE=/etc/apt/sources.list.d/quintaral-bookworm-backports.sources

quin_runs_wine32() { /usr/lib/wine/wine --version >/dev/null 2>&1; }
# Whether the kernel refuses Wine's 32-bit loader as a program it cannot run at all.
quin_kernel_refuses_wine32() { [[ $(/usr/lib/wine/wine --version 2>&1) == *"Exec format error"* ]]; }

# The handler the kernel would hand a 32-bit program to, if one of that name is registered.
quin_qemu_handler() { [[ -f $QUIN_BINFMT/qemu-i386 ]] && grep -q '^enabled' "$QUIN_BINFMT/qemu-i386"; }

choose_wine() {
    [[ -z ${QUIN_WINE32:-} ]] || return 0
    if quin_runs_wine32 && ! quin_qemu_handler; then
        QUIN_WINE32=native
        quin_log "Wine: this kernel runs 32-bit programs; menu.exe and the tools run natively"
    else
        if quin_qemu_handler; then
            quin_log "Wine: 32-bit programs go to the qemu-i386 handler already registered ($(
                sed -n 's/^interpreter //p' "$QUIN_BINFMT/qemu-i386")); it is left as it is"
        elif quin_kernel_refuses_wine32; then
            quin_log "Wine: this kernel runs 64-bit programs only; setting up QEMU's user-mode emulation for 32-bit ones"
            ensure_emulation || return 1
        else
            quin_log "error: Wine's 32-bit loader fails: $(/usr/lib/wine/wine --version 2>&1 | tail -n 1)"
            return 1
        fi
        quin_runs_wine32 || { quin_log "error: Wine's 32-bit loader does not run, even emulated"; return 1; }
        QUIN_WINE32=emulated
        # 64-bit programs, Wine's own tools among them, go to the 64-bit loader at once;
        # the 32-bit ones it hands on to the 32-bit loader, emulated.
        mkdir -p "$QUIN_BUILD/wine/bin"
        local name
        for name in wine wine-stable; do
            printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$QUIN_BUILD/wine/bin/$name"
            chmod +x "$QUIN_BUILD/wine/bin/$name"
        done
        [[ :$PATH: == *":$QUIN_BUILD/wine/bin:"* ]] || export PATH=$QUIN_BUILD/wine/bin:$PATH
        quin_log "Wine: menu.exe and the Windows-side tests run emulated in 32 bits; the tools and the bench in 64"
    fi
    export QUIN_WINE32
    export QUIN_TOOL_DIR=$QUIN_BUILD/$([[ $QUIN_WINE32 == native ]] && echo windows || echo windows64)
}

# QEMU from bookworm-backports, and a binfmt_misc entry that sends 32-bit x86 programs to it for as
# long as the calling script runs: the machine's 32-bit handling is left as it was found.
ensure_emulation() {
    if [[ ! -x $QUIN_QEMU ]]; then
        quin_as_root apt-get update -q || return 1
        # A source counts only where apt reads it: not commented out, not disabled.
        if ! apt-cache policy | grep -q ",n=$QUIN_QEMU_SUITE,"; then
            quin_log "adding Debian's $QUIN_QEMU_SUITE to apt's sources ($QUIN_BACKPORTS_SOURCE)"
            printf 'Types: deb\nURIs: http://deb.debian.org/debian\nSuites: %s\nComponents: main\nSigned-By: %s\n' \
                "$QUIN_QEMU_SUITE" /usr/share/keyrings/debian-archive-keyring.gpg |
                quin_as_root tee "$QUIN_BACKPORTS_SOURCE" >/dev/null
            quin_as_root apt-get update -q || return 1
        fi
        quin_log "installing qemu-user from $QUIN_QEMU_SUITE"
        quin_as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
            -t "$QUIN_QEMU_SUITE" qemu-user || return 1
    fi
    if [[ ! -f $QUIN_BINFMT/register ]]; then
        quin_as_root mount -t binfmt_misc binfmt_misc "$QUIN_BINFMT" || return 1
        quin_on_exit "quin_as_root umount '$QUIN_BINFMT'"
    fi
    # The ELF header of a 32-bit x86 program; F opens the emulator now, so that it runs
    # whatever the program's own root or mount namespace.
    local magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    local mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    printf '%s' ":qemu-i386:M::$magic:$mask:$QUIN_QEMU:F" | quin_as_root tee "$QUIN_BINFMT/register" >/dev/null ||
        return 1
    quin_on_exit "echo -1 | quin_as_root tee '$QUIN_BINFMT/qemu-i386' >/dev/null"
    quin_log "registered $QUIN_QEMU for 32-bit x86 programs until the end ($QUIN_BINFMT/qemu-i386)"
}
