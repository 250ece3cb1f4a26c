# shellcheck shell=bash
# Shared by scripts/demo, scripts/test, scripts/bench and the end-to-end tests (source it, bash
# only): the packages the project needs, how Wine runs 32-bit programs here (choose_wine, once
# the packages are in), an X display, a private Wine prefix with fixed screen settings, CD-ROM
# drives for the demo disc, and the registry value that marks the application as installed.

QUIN_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
QUIN_BUILD=$QUIN_ROOT/build

# The 32-bit programs that ship; where each other program comes from, choose_wine says.
export QUIN_EXE_DIR=$QUIN_BUILD/windows
source "$QUIN_ROOT/scripts/lib/disc.sh"
source "$QUIN_ROOT/scripts/lib/debian.sh"
source "$QUIN_ROOT/scripts/lib/wine32.sh"

# Our own prefix, never the user's ~/.wine. winemenubuilder would write launchers into the
# user's home; Mono and Gecko are not needed and would be downloaded.
export WINEPREFIX=$QUIN_BUILD/wine/prefix
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# Wine 10 names files on the Unix side in the locale's character set: in the C locale of a bare root shell it
# cannot name a folder such as "Αντίγραφο", which a copy of the disc may lie in. C.UTF-8 is in every Debian.
if [[ $(locale charmap 2>/dev/null) != UTF-8 ]]; then
    export LC_ALL=C.UTF-8
fi

# Bump when the prefix settings below change, so that old prefixes are rebuilt.
QUIN_PREFIX_RECIPE=2
QUIN_PREFIX_STAMP=$WINEPREFIX/.quintaral-prefix
QUIN_INSTALL_KEY='HKLM\SOFTWARE\Quintaral\Quintaral\Quintaral'
QUIN_SCREEN=1024x768

QUIN_PACKAGES=(
    cmake ninja-build g++ googletest libgtest-dev
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools
    wine wine32:i386 wine64
    xvfb xdotool x11-utils imagemagick fonts-liberation fonts-liberation2 fonts-wine
    xorriso genisoimage fuseiso osslsigncode openssl
    python3-pil python3-numpy python3-pytest python3-pefile python3-xlib
)

quin_log() { echo "[wine.sh] $*" >&2; }
quin_die() { quin_log "error: $*"; exit 1; }

# --- clean-up at exit -------------------------------------------------------------------
# One EXIT trap runs every registered command, newest first.
QUIN_EXIT_COMMANDS=()
quin_on_exit() {
    QUIN_EXIT_COMMANDS=("$*" "${QUIN_EXIT_COMMANDS[@]}")
    trap quin_run_exit_commands EXIT
}
quin_run_exit_commands() {
    local command
    for command in "${QUIN_EXIT_COMMANDS[@]}"; do eval "$command" || true; done
    QUIN_EXIT_COMMANDS=()
}

# --- packages ---------------------------------------------------------------------------
missing_packages() {
    local package
    for package in "${QUIN_PACKAGES[@]}"; do
        [[ $(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null) == installed ]] || echo "$package"
    done
}

quin_as_root() {
    if ((EUID == 0)); then "$@"; else sudo "$@"; fi
}

ensure_packages() {
    local missing
    mapfile -t missing < <(missing_packages)
    ((${#missing[@]})) || return 0
    quin_log "installing ${missing[*]}"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        quin_as_root dpkg --add-architecture i386
    fi
    # The same set as on the developers' machines: recommends would add hundreds of packages.
    quin_as_root apt-get update -q
    quin_as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# --- display ----------------------------------------------------------------------------
# Starts a private Xvfb on a free display, exports DISPLAY and stops it at exit.
start_xvfb() {
    local numberFile pid tries
    numberFile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 "${QUIN_SCREEN}x24" -nolisten tcp 3>"$numberFile" >/dev/null 2>&1 &
    pid=$!
    for ((tries = 0; tries < 100; tries++)); do
        [[ -s $numberFile ]] && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    if [[ ! -s $numberFile ]]; then
        rm -f "$numberFile"
        quin_log "error: Xvfb did not start"
        return 1
    fi
    DISPLAY=":$(tr -d '[:space:]' <"$numberFile")"
    export DISPLAY
    export QUIN_XVFB_PID=$pid
    rm -f "$numberFile"
    quin_on_exit "stop_xvfb $pid"
    quin_log "Xvfb on $DISPLAY"
}

stop_xvfb() {
    # Wine's processes hold the display; end them first so they do not spin on a lost server.
    stop_wine
    kill "$1" 2>/dev/null && wait "$1" 2>/dev/null
    return 0
}

# Keeps the user's display when there is one.
ensure_display() {
    [[ -n ${DISPLAY:-} ]] || start_xvfb
}

# --- Wine -------------------------------------------------------------------------------
# Ends every process of our prefix and waits until they are gone, so that the next start
# reads the drive and registry settings afresh.
stop_wine() {
    [[ -d $WINEPREFIX ]] || return 0
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
}

quin_reg() { wine reg "$@" >/dev/null; }

# Creates the prefix once; a stamp written last tells a complete one from an interrupted one.
ensure_prefix() {
    if [[ -f $QUIN_PREFIX_STAMP && $(<"$QUIN_PREFIX_STAMP") == "$QUIN_PREFIX_RECIPE" ]]; then
        return 0
    fi
    local started=$SECONDS
    quin_log "creating the Wine prefix $WINEPREFIX"
    stop_wine
    rm -rf "$WINEPREFIX"
    mkdir -p "$(dirname "$WINEPREFIX")"
    wineboot -u >/dev/null 2>&1 || quin_die "wineboot failed"
    # A virtual desktop: Wine draws the frames itself, Alt+F4 reaches the windows, and
    # Windows' screen coordinates are the X screen's (the desktop sits at 0,0).
    quin_reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f
    quin_reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$QUIN_SCREEN" /f
    # 96 dpi: the menu's layout is in pixels at that resolution.
    set_dpi 96 || quin_die "could not set the resolution"
    # Wine has no Arial of its own; Liberation Sans has its metrics and Greek letters.
    quin_reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /d 'Liberation Sans' /f
    # Debian's Wine does not load its own fonts; title-bar buttons need Marlett's symbols.
    local marlett=/usr/share/wine/fonts/marlett.ttf
    [[ -f $marlett ]] && ln -sf "$marlett" "$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf"
    stop_wine
    echo "$QUIN_PREFIX_RECIPE" >"$QUIN_PREFIX_STAMP"
    quin_log "prefix ready in $((SECONDS - started)) s"
}

# set_dpi DPI: the screen resolution Wine reports to programs from its next start on. Wine
# reads the user's value first and falls back to the hardware profile's.
set_dpi() {
    local dpi=${1:?set_dpi DPI}
    local status=0
    [[ $dpi =~ ^[1-9][0-9]*$ ]] || quin_die "set_dpi: bad resolution '$dpi'"
    quin_reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f &&
        quin_reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' \
            /v LogPixels /t REG_DWORD /d "$dpi" /f || status=$?
    stop_wine
    return "$status"
}

# set_drives [cdrom|floppy|fixed] LETTER=FOLDER ...: exactly these drives besides C: and Z:, each a
# CD-ROM drive, a removable one (Wine's "floppy": a USB stick) or a fixed one as the nearest type word
# before it says (cdrom if none does). Z: is Wine's view of the Unix root, through which the tests
# reach their own files: it stays.
set_drives() {
    local spec letter folder link type=cdrom listed
    local -A wanted=() types=()
    for spec in "$@"; do
        case $spec in
        cdrom | floppy | fixed) type=$spec && continue ;;
        esac
        letter=${spec%%=*}
        letter=${letter%:}
        letter=${letter,,}
        folder=${spec#*=}
        [[ $letter =~ ^[a-y]$ && $letter != c && $spec == *=* ]] || quin_die "set_drives: bad drive '$spec'"
        [[ -d $folder ]] || quin_die "set_drives: no folder $folder"
        wanted[$letter]=$(cd "$folder" && pwd)
        types[$letter]=$type
    done
    stop_wine
    for link in "$WINEPREFIX"/dosdevices/?:; do
        [[ -e $link || -L $link ]] || continue
        letter=$(basename "$link")
        letter=${letter%:}
        [[ $letter == c || $letter == z || -n ${wanted[$letter]:-} ]] && continue
        rm -f "$link" "$link:"
    done
    # Wine's mount manager takes a drive's type from here and counts one without an entry as
    # fixed. Only the entries present are deleted, so that many drives take few calls of reg.
    listed=$(wine reg query 'HKLM\Software\Wine\Drives' /reg:64 2>/dev/null | grep -oiE '^ +[a-y]:' || true)
    for letter in $listed; do
        letter=${letter%:}
        letter=${letter,,}
        [[ $letter == c || ${types[$letter]:-fixed} != fixed ]] && continue
        quin_reg delete 'HKLM\Software\Wine\Drives' /v "$letter:" /f /reg:64 2>/dev/null || true
    done
    for letter in "${!wanted[@]}"; do
        rm -f "$WINEPREFIX/dosdevices/$letter:" "$WINEPREFIX/dosdevices/$letter::"
        ln -s "${wanted[$letter]}" "$WINEPREFIX/dosdevices/$letter:"
        if [[ ${types[$letter]} != fixed ]]; then
            quin_reg add 'HKLM\Software\Wine\Drives' /v "$letter:" /d "${types[$letter]}" /f /reg:64
        fi
    done
    # The mount manager reads the drive types when it starts.
    stop_wine
}

# set_cd_drives [LETTER=FOLDER ...]: exactly these CD-ROM drives (besides C: and Z:).
set_cd_drives() { set_drives cdrom "$@"; }

# The registry value the menu reads to decide whether the application is installed, where the
# 32-bit installers write it: in the registry's 32-bit view, which both builds of the menu read.
set_install_value() {
    quin_reg add "$QUIN_INSTALL_KEY" /v DisplayName /t REG_SZ /d "${1-Quintaral}" /f /reg:32
}
delete_install_value() {
    quin_reg delete "$QUIN_INSTALL_KEY" /v DisplayName /f /reg:32 2>/dev/null || true
}

# make_disc DIR [MENU_DIR]: a disc folder like the real one, with menu.exe from MENU_DIR (the
# 32-bit build by default) and stand-ins for the programs it starts.
make_disc() {
    local dir=${1:?make_disc DIR [MENU_DIR]} menuDir=${2:-$QUIN_EXE_DIR} exe
    for exe in "$menuDir/menu.exe" "$QUIN_TOOL_DIR/standin.exe"; do
        [[ -f $exe ]] || quin_die "make_disc: $exe is not built"
    done
    # Only a folder that is empty or an earlier disc is replaced.
    if [[ -e $dir ]]; then
        [[ -f $dir/autorun.inf || -z $(ls -A "$dir") ]] || quin_die "make_disc: $dir is not a disc folder"
        rm -rf "$dir"
    fi
    mkdir -p "$dir/quin"
    cp "$menuDir/menu.exe" "$dir/menu.exe"
    write_autorun "$dir/autorun.inf"
    for exe in dbsetup.exe Setup.exe quin/quin.exe; do
        cp "$QUIN_TOOL_DIR/standin.exe" "$dir/$exe"
    done
}
