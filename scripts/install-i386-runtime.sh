#!/bin/bash
# Makes the i386 build (Kelvane.exe) runnable under Wine on an amd64 Debian machine.
#
# Wine's 32-bit loader is an i386 Linux program, and some kernels we run on cannot
# execute those natively ("Exec format error"). User-mode qemu can, once the kernel
# is told through binfmt_misc to hand i386 ELF files to it. So this script:
#   1. downloads qemu-user from the release's backports suite and unpacks it into
#      a private folder (bookworm's own qemu works too, but takes about a minute to
#      start each 32-bit process; the backports one takes about a second),
#   2. registers i386 ELF files with binfmt_misc, pointing at that qemu,
#   3. enables the i386 architecture and installs wine32:i386.
# qemu goes first so that any i386 helper run while the i386 packages are being
# configured can already execute.
#
# Safe to run again: each step is skipped when already in place. Run as root.
#
# A Wine prefix created before the binfmt registration has an empty syswow64, and
# 32-bit programs then fail with "could not load kernel32.dll": create prefixes
# after running this script (or repair one: remove $WINEPREFIX/.update-timestamp
# and run `wineboot -u`).
set -euo pipefail

QEMU_DIR=${KELVANE_QEMU_DIR:-/opt/kelvane-qemu}
QEMU_I386=$QEMU_DIR/usr/bin/qemu-i386
BINFMT_DIR=/proc/sys/fs/binfmt_misc
BINFMT_NAME=qemu-i386
WINE32_LOADER=/usr/lib/wine/wine
DEFAULT_KEYRING=/usr/share/keyrings/debian-archive-keyring.gpg

log() { echo "install-i386-runtime: $*"; }
die() { echo "install-i386-runtime: error: $*" >&2; exit 1; }

[[ $(id -u) -eq 0 ]] || die "must run as root"
[[ $(dpkg --print-architecture) == amd64 ]] || die "meant for an amd64 machine"

export DEBIAN_FRONTEND=noninteractive

work_dir=$(mktemp -d /tmp/kelvane-i386-runtime.XXXXXX)
trap 'rm -rf "$work_dir"' EXIT

package_installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

# Prints "URI KEYRING" for the machine's main Debian archive, taken from its own
# apt sources so that whatever mirror the machine is set up with is used.
main_archive() {
    local codename=$1 file found=""
    local files=()
    for file in /etc/apt/sources.list.d/*.sources /etc/apt/sources.list.d/*.list /etc/apt/sources.list; do
        [[ -f $file ]] && files+=("$file")
    done
    ((${#files[@]})) || return 1
    for file in "${files[@]}"; do
        [[ -z $found ]] || break
        case $file in
            *.sources)
                # deb822: blank-line separated stanzas of "Field: value".
                found=$(awk -v suite="$codename" '
                    function flush() {
                        if (types ~ /(^| )deb( |$)/ && (" " suites " ") ~ (" " suite " ") && uris != "" && enabled != "no") {
                            split(uris, u, " ")
                            print u[1], (signed ~ /^\// ? signed : "-")
                            found = 1; exit
                        }
                        types = suites = uris = signed = enabled = ""
                    }
                    /^[ \t]*$/ { flush(); next }
                    /^[ \t]*#/ { next }
                    /^[ \t]/ { next }
                    {
                        field = tolower($1); sub(/:$/, "", field)
                        value = $0; sub(/^[^:]*:[ \t]*/, "", value)
                        if (field == "types") types = value
                        else if (field == "suites") suites = value
                        else if (field == "uris") uris = value
                        else if (field == "signed-by") signed = value
                        else if (field == "enabled") enabled = tolower(value)
                    }
                    END { if (!found) flush() }
                ' "$file")
                ;;
            *)
                # One-line format: deb [options] URI suite components...
                found=$(awk -v suite="$codename" '
                    $1 != "deb" { next }
                    {
                        signed = "-"; i = 2
                        if ($2 ~ /^\[/) {
                            while (i <= NF) {
                                if ($i ~ /^\[?signed-by=/) { s = $i; sub(/^\[?signed-by=/, "", s); sub(/\]$/, "", s); signed = s }
                                if ($i ~ /\]$/) { i++; break }
                                i++
                            }
                        }
                        if ($(i + 1) == suite) { print $i, signed; exit }
                    }
                ' "$file")
                ;;
        esac
    done
    [[ -n $found ]] && echo "$found"
}

install_qemu() {
    if [[ -x $QEMU_I386 ]] && "$QEMU_I386" --version >/dev/null 2>&1; then
        log "qemu already in $QEMU_DIR ($("$QEMU_I386" --version | head -n 1))"
        return
    fi

    local codename archive uri keyring
    # shellcheck source=/dev/null
    codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
    [[ -n $codename ]] || die "cannot tell the Debian release from /etc/os-release"
    archive=$(main_archive "$codename") || die "no '$codename' archive found in the apt sources"
    read -r uri keyring <<<"$archive"
    if [[ $keyring == - ]]; then
        keyring=$DEFAULT_KEYRING
    fi
    [[ -r $keyring ]] || die "keyring $keyring not readable"
    log "fetching qemu-user from $codename-backports"

    # A private sources list, package lists and cache: the machine's own apt
    # configuration stays exactly as it was.
    local apt_dir=$work_dir/apt
    mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/download"
    echo "deb [signed-by=$keyring] $uri $codename-backports main" >"$apt_dir/sources.list"
    # apt fetches as the unprivileged _apt user where it exists.
    if getent passwd _apt >/dev/null; then
        chown -R _apt "$apt_dir/lists" "$apt_dir/download"
        chmod 755 "$work_dir" "$apt_dir"
    fi
    local apt_options=(
        -o "Dir::Etc::sourcelist=$apt_dir/sources.list"
        -o "Dir::Etc::sourceparts=-"
        -o "Dir::State::Lists=$apt_dir/lists"
        -o "Dir::Cache=$apt_dir/cache"
        -o "APT::Get::List-Cleanup=0"
    )
    apt-get "${apt_options[@]}" update -qq
    (cd "$apt_dir/download" && apt-get "${apt_options[@]}" download -qq "qemu-user/$codename-backports")
    local deb
    deb=$(find "$apt_dir/download" -maxdepth 1 -name 'qemu-user_*.deb' | head -n 1)
    [[ -n $deb ]] || die "qemu-user was not downloaded"

    # Unpack beside the final folder and move it into place in one step, so an
    # interrupted run never leaves a half-filled folder that a later run trusts.
    local staging=$QEMU_DIR.new
    rm -rf "$staging"
    mkdir -p "$staging"
    dpkg-deb -x "$deb" "$staging"
    [[ -x $staging/usr/bin/qemu-i386 ]] || die "the qemu-user package has no usr/bin/qemu-i386"
    "$staging/usr/bin/qemu-i386" --version >/dev/null ||
        die "the downloaded qemu-i386 does not run (it must be a static build)"
    # The package holds an emulator for every architecture (about 360 MB); only
    # the i386 one and the licence files are worth keeping.
    find "$staging/usr/bin" -mindepth 1 ! -name qemu-i386 -delete
    rm -rf "$staging/usr/libexec"
    rm -rf "$QEMU_DIR"
    mv "$staging" "$QEMU_DIR"
    log "qemu unpacked into $QEMU_DIR ($("$QEMU_I386" --version | head -n 1))"
}

register_binfmt() {
    if [[ ! -e $BINFMT_DIR/register ]]; then
        mount -t binfmt_misc binfmt_misc "$BINFMT_DIR" || die "cannot mount binfmt_misc on $BINFMT_DIR"
    fi
    local entry=$BINFMT_DIR/$BINFMT_NAME
    if [[ -e $entry ]]; then
        local interpreter
        interpreter=$(sed -n 's/^interpreter //p' "$entry")
        if ! grep -qx enabled "$entry"; then
            echo 1 >"$entry"
            log "re-enabled the existing i386 binfmt entry ($interpreter)"
        else
            log "i386 binfmt entry already registered ($interpreter)"
        fi
        if [[ $interpreter != "$QEMU_I386" ]]; then
            log "note: it points at $interpreter, not $QEMU_I386; an old qemu starts each 32-bit process slowly"
        fi
        return
    fi
    # The kernel decodes the \x escapes itself, so they are written literally.
    # Magic and mask select 32-bit little-endian ELF executables and shared
    # objects for the 386. Flags: O hands qemu an open file descriptor, C takes
    # the credentials from the program rather than the interpreter, F opens qemu
    # now, so it is found from any mount namespace or chroot later.
    local magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    local mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    echo ":$BINFMT_NAME:M::$magic:$mask:$QEMU_I386:OCF" >"$BINFMT_DIR/register"
    log "registered i386 ELF with binfmt_misc -> $QEMU_I386"
}

install_wine32() {
    if package_installed wine32:i386; then
        log "wine32:i386 already installed"
        return
    fi
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
        log "added the i386 architecture"
    fi
    # A full update: the i386 package lists are new whenever wine32 is missing.
    apt-get update -qq
    local packages=(wine32:i386)
    package_installed wine || packages+=(wine)
    package_installed wine64 || packages+=(wine64)
    log "installing ${packages[*]}"
    apt-get install -y -qq --no-install-recommends "${packages[@]}" >/dev/null
}

install_qemu
register_binfmt
install_wine32

if ! version=$(timeout 180 "$WINE32_LOADER" --version 2>&1); then
    die "$WINE32_LOADER --version failed: $version"
fi
log "i386 Wine runs: $version"
