# shellcheck shell=bash
# Which Debian release this machine runs and where its apt takes that release from (source it, bash
# only): shared by the emulation's set-up (wine32.sh) and CI's Debian 13 tree (.ci/run).

# The release's code name (bookworm, trixie), as the release itself states it.
quin_release() {
    local codename
    codename=$(. /etc/os-release 2>/dev/null && echo "${VERSION_CODENAME:-}")
    [[ -n $codename ]] || { echo "error: /etc/os-release names no release (VERSION_CODENAME)" >&2; return 1; }
    echo "$codename"
}

# quin_release_mirror CODENAME: the archive apt reads CODENAME from, a local mirror or proxy where the
# machine has one, as apt itself parses its sources (one-line or deb822; commented out or disabled ones
# do not count). The suite may be written as its code name, or by another name (stable, oldstable)
# once apt has read its Release file.
quin_release_mirror() {
    {
        apt-get indextargets --format '$(RELEASE)|$(CODENAME)|$(REPO_URI)' 'Target-Of: deb'
        apt-get indextargets --no-release-info --format '$(RELEASE)||$(REPO_URI)' 'Target-Of: deb'
    } 2>/dev/null | awk -F'|' -v release="$1" '$1 == release || $2 == release { sub(/\/$/, "", $3); print $3; exit }'
}
