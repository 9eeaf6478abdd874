#!/usr/bin/env bash
# Installs the Debian 12 packages the build needs, but only those that are missing, so a
# second call costs nothing. Sourced by run.sh, test.sh and tools/fuzz.sh.
nv_ensure_packages() {
    # libsqlite3-dev: the test that kills a writer counts SQLite's disk steps itself.
    # poppler-utils: the export tests read the text of the PDF files they write (pdftotext).
    # python3-dateutil: tests/data/makescheduletable.py writes the due-date table from its rrule.
    # desktop-file-utils, appstream: the install test validates the desktop entry and metainfo.
    # dpkg-dev: cpack -G DEB works out the package's library dependencies with dpkg-shlibdeps.
    # dbus-daemon: the nvdue test runs a private session bus for its stand-in notification service.
    # libofx-dev, pkg-config: OFX and QFX bank statements are read through libofx, which CMake
    # finds with pkg-config.
    # lintian: the install test builds the .deb and has it checked as Debian's archive would; a
    # one-time download of about 16 MB, and some 10 s of the test run.
    local wanted=(cmake g++ make qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libsqlite3-dev
        libgl-dev poppler-utils python3-dateutil desktop-file-utils appstream dpkg-dev dbus-daemon
        lintian libofx-dev pkg-config "$@")
    local missing=()
    local pkg
    for pkg in "${wanted[@]}"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0

    echo "Installing missing packages: ${missing[*]}"
    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        command -v sudo >/dev/null || { echo "Need root or sudo to install ${missing[*]}" >&2; return 1; }
        sudo="sudo"
    fi
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -q || return 1
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# The data file fuzzer (tools/fuzz.sh): clang with its libFuzzer and sanitizer runtimes.
nv_ensure_fuzz_packages() {
    nv_ensure_packages clang libclang-rt-14-dev
}

nv_jobs() {
    nproc 2>/dev/null || echo 2
}
