# Sourced by the scripts that start Wine: which loader runs which kind of Windows program.
# Some kernels cannot execute 32-bit programs at all, so Wine's i386 loader fails there
# while the x86_64 one works; every script asks these functions instead of assuming.

WINE_LOADER_X86=/usr/lib/wine/wine
WINE_LOADER_X64=/usr/lib/wine/wine64

# x86 or x64 for a PE file, nothing for anything else.
pe_arch() {
    local file=$1 offset machine
    [[ -f $file ]] || return 0
    offset=$(od -An -tu4 -j60 -N4 "$file" 2>/dev/null | tr -d ' ')
    [[ $offset =~ ^[0-9]+$ ]] || return 0
    machine=$(od -An -tx2 -j$((offset + 4)) -N2 "$file" 2>/dev/null | tr -d ' ')
    case $machine in
        014c) echo x86 ;;
        8664) echo x64 ;;
    esac
}

wine_loader() {
    case $1 in
        x86) echo "$WINE_LOADER_X86" ;;
        x64) echo "$WINE_LOADER_X64" ;;
        *) return 1 ;;
    esac
}

# The project's own prefix for an architecture, unless WINEPREFIX names another.
wine_prefix() {
    echo "${WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/vantrel/wineprefix-$1}"
}

# Debian's Wine 8 looks for its own fonts (fonts-wine, in /usr/share/wine/fonts) in
# /usr/share/fonts instead, so it does not find Marlett, whose glyphs are the caption buttons'
# symbols (without it they read "0 1 r"). The fonts in a prefix's Windows folder are always
# read: the prefix gets a link to Marlett there. Wine's Tahoma stays out: with it, Wine's IP
# address fields are too narrow for three digits and refuse the third one typed.
link_wine_fonts() {
    local folder=$1/drive_c/windows/Fonts font=/usr/share/wine/fonts/marlett.ttf
    [[ -d $folder && -f $font && ! -e $folder/marlett.ttf ]] || return 0
    ln -sf "$font" "$folder/marlett.ttf"
}

# The architecture to use when nothing names one: 32-bit where its loader can execute.
default_wine_arch() {
    if "$WINE_LOADER_X86" --version >/dev/null 2>&1; then echo x86; else echo x64; fi
}

# The architecture of the first argument that is a Windows program, else the default.
arch_of_command() {
    local arg arch
    for arg in "$@"; do
        arch=$(pe_arch "$arg")
        [[ -z $arch ]] || { echo "$arch"; return 0; }
    done
    default_wine_arch
}

# The build folder of an architecture, from the project's root.
build_dir() {
    case $1 in
        x86) echo build ;;
        x64) echo build-x64 ;;
        *) return 1 ;;
    esac
}

# True when this machine's Wine executes programs of the architecture: runs the build's tiny
# probe program rather than guess from the machine's name, then lets the probe's Wine
# session end (a window program joining a session begun without a display gets no desktop).
wine_runs_arch() {
    local arch=$1
    timeout 300 "$(dirname "${BASH_SOURCE[0]}")/wine-run.sh" "$PWD/$(build_dir "$arch")/arch_probe.exe" \
        >/dev/null 2>&1 || return 1
    WINEPREFIX=$(wine_prefix "$arch") wineserver -w
}
