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
# it (Debian's Wine has none), each piece with MAP_FIXED_NOREPLACE. A 32-bit guest's whole address
# space is reserved by QEMU itself, and up to 8.0 QEMU passed the flag on to the kernel, which then
# refused every piece: with bookworm's 7.2 each program takes a minute to start (132,000 memory-map
# calls for the window lister). 8.1 replaces that reservation instead ("linux-user: Unset
# MAP_FIXED_NOREPLACE for host"); measured here, 10.0 starts a program in under a second.
QUIN_QEMU_MINIMUM=8.1
QUIN_QEMU=/usr/bin/qemu-i386

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

# qemu_version SOURCE: qemu-user's version installed ("installed") or that apt would install ("candidate").
qemu_version() {
    local version
    version=$(LC_ALL=C apt-cache policy qemu-user | sed -n "s/^ *${1^}: //p")
    [[ $version == "(none)" ]] || echo "$version"
}
# Debian's versions of QEMU carry the epoch 1; "~" lets 8.1's release candidates count.
qemu_new_enough() { [[ -n $1 ]] && dpkg --compare-versions "$1" ge "1:$QUIN_QEMU_MINIMUM~"; }

# QEMU from this release where its own is new enough, else from the release's backports, whose source
# is added where apt reads none, on the mirror apt already uses for the release.
install_qemu() {
    local release backports source mirror candidate installed
    release=$(quin_release) || return 1
    backports=$release-backports
    quin_as_root apt-get update -q || return 1
    candidate=$(qemu_version candidate)
    if qemu_new_enough "$candidate"; then
        quin_log "installing qemu-user $candidate from $release"
        quin_as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends qemu-user ||
            return 1
    else
        # A source counts only where apt reads it: not commented out, not disabled.
        if ! LC_ALL=C apt-cache policy | grep -q ",n=$backports,"; then
            mirror=$(quin_release_mirror "$release")
            [[ -n $mirror ]] || { quin_log "error: no source that apt reads has $release"; return 1; }
            source=/etc/apt/sources.list.d/quintaral-$backports.sources
            quin_log "$release's qemu-user ${candidate:-(none)} predates QEMU $QUIN_QEMU_MINIMUM;" \
                "adding $backports from $mirror to apt's sources ($source)"
            printf 'Types: deb\nURIs: %s\nSuites: %s\nComponents: main\nSigned-By: %s\n' \
                "$mirror" "$backports" /usr/share/keyrings/debian-archive-keyring.gpg |
                quin_as_root tee "$source" >/dev/null
            quin_as_root apt-get update -q || return 1
        fi
        quin_log "installing qemu-user from $backports"
        quin_as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
            -t "$backports" qemu-user || return 1
    fi
    installed=$(qemu_version installed)
    qemu_new_enough "$installed" ||
        { quin_log "error: qemu-user ${installed:-(none)} is installed, older than QEMU $QUIN_QEMU_MINIMUM"; return 1; }
}

# QEMU new enough, and a binfmt_misc entry that sends 32-bit x86 programs to it for as long as the
# calling script runs: the machine's 32-bit handling is left as it was found.
ensure_emulation() {
    qemu_new_enough "$(qemu_version installed)" || install_qemu || return 1
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
