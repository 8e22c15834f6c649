# Shared by the scripts beside it (test, run, bench, soak, screenshots):
# installs what the build needs, finds out whether 32-bit code runs here,
# and gives each run its own X display and Wine prefix, ended again by
# cleanup_session.
# shellcheck shell=bash

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

export LANG=ja_JP.UTF-8
# Wine's errors reach a failed test's output; its many notes on what it
# leaves unimplemented do not. A caller may ask for more (WINEDEBUG=+relay).
export WINEDEBUG=${WINEDEBUG:-fixme-all}
# No Mono or Gecko installer dialogs when a prefix is created.
export WINEDLLOVERRIDES="mscoree,mshtml="

# Debian's wine64 only suggests its preloader, but Wine is built to start
# through it: it reserves the low address ranges, the page at 0x7ffe0000
# that every Windows process maps among them, before anything else can take
# them. Without it, about one start in five thousand of the 64-bit loader
# finds its randomized heap on that page and dies ("failed to map the
# shared user data"); see wine-faults/.
PACKAGES=(cmake ninja-build g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
          googletest wine wine64 wine64-preloader fonts-wine xvfb x11-utils xdotool imagemagick
          fonts-noto-cjk locales procps python3)

say() { printf '== %s\n' "$*"; }

missing_packages() {
    local package
    for package in "$@"; do
        dpkg-query -W -f='${db:Status-Status}\n' "$package" 2>/dev/null | grep -qx installed \
            || printf '%s\n' "$package"
    done
}

APT_UPDATED=
apt_install() {
    local missing
    missing=$(missing_packages "$@")
    [ -z "$missing" ] && return 0
    say "installing: $(echo $missing)"
    if [ -z "$APT_UPDATED" ]; then
        apt-get update -qq >/dev/null
        APT_UPDATED=1
    fi
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing >/dev/null
}

# Runs a minimal static i386 Linux program, through the command given as
# arguments if any: some kernels refuse 32-bit code (exec format error), and
# then 32-bit Wine cannot run natively either.
runs_32bit_elf() {
    local probe
    probe=$(mktemp /tmp/altavue-elf32.XXXXXX)
    printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000\000\000\000\000\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010\135\000\000\000\135\000\000\000\005\000\000\000\000\020\000\000\270\001\000\000\000\061\333\315\200' > "$probe"
    chmod +x "$probe"
    "$@" "$probe"
    local status=$?
    rm -f "$probe"
    return $status
}

ensure_japanese_locale() {
    if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
        say "generating the ja_JP.UTF-8 locale"
        localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
    fi
}

# The script that sourced this file and its arguments as given, before it
# shifts them: enter_win32_namespace starts it again.
SCRIPT_PATH=$(realpath "$0")
SCRIPT_ARGS=("$@")

# A user and mount namespace of this run's own, whose binfmt_misc runs
# every 32-bit x86 program under qemu-i386 (scripts/qemu-namespace).
IN_QEMU_NAMESPACE=(unshare --mount --user --map-root-user "$ROOT/scripts/qemu-namespace")

# How 32-bit Windows programs run here, set by ensure_tools:
#   WIN32_MODE=native  the kernel runs 32-bit code, and 32-bit Wine with it;
#   WIN32_MODE=qemu    it refuses it, or ALTAVUE_WIN32=qemu asks for this
#                      way by hand: 32-bit Wine runs under qemu-i386, in a
#                      namespace of the run's own (enter_win32_namespace);
#   WIN32_MODE=none    neither way works, or ALTAVUE_WIN32=none asks to
#                      leave the 32-bit build unrun; WIN32_REASON says why.
# WIN32_REASON also says why the mode is qemu. Both are exported, so the
# script started again inside the namespace keeps them.
WIN32_MODE=${WIN32_MODE:-}
WIN32_REASON=${WIN32_REASON:-}
choose_win32_mode() {
    case "${ALTAVUE_WIN32:-}" in
        '')
            if runs_32bit_elf 2>/dev/null; then
                WIN32_MODE=native
                return 0
            fi
            WIN32_REASON="this kernel refuses 32-bit code" ;;
        qemu) WIN32_REASON="chosen by ALTAVUE_WIN32=qemu" ;;
        none)
            WIN32_MODE=none
            WIN32_REASON="skipped by ALTAVUE_WIN32=none"
            return 0 ;;
        *) echo "ALTAVUE_WIN32 is qemu, none or unset, not '$ALTAVUE_WIN32'" >&2; exit 2 ;;
    esac
    WIN32_MODE=none
    apt_install qemu-user-static || { WIN32_REASON+=", and qemu-user-static could not be installed"; return 0; }
    local why
    if why=$(runs_32bit_elf "${IN_QEMU_NAMESPACE[@]}" 2>&1 >/dev/null); then
        WIN32_MODE=qemu
    else
        WIN32_REASON+=", and no user namespace here runs it under qemu-i386 (${why:-no reason given})"
    fi
}

# Installs what is missing, decides WIN32_MODE, and in qemu mode starts the
# calling script again inside the namespace (enter_win32_namespace). So it
# is called as a plain command of the script itself: not in a subshell,
# and with its output not redirected, which the script started again
# would keep.
ensure_tools() {
    apt_install "${PACKAGES[@]}"
    ensure_japanese_locale
    # Inside the namespace the mode has been decided already.
    [ -n "${ALTAVUE_QEMU_NAMESPACE:-}" ] && return 0
    choose_win32_mode
    if [ "$WIN32_MODE" != none ]; then
        if ! dpkg --print-foreign-architectures | grep -qx i386; then
            dpkg --add-architecture i386
            APT_UPDATED=
        fi
        apt_install wine32:i386 wine32-preloader:i386 \
            || { WIN32_MODE=none; WIN32_REASON="wine32:i386 could not be installed"; }
    fi
    enter_win32_namespace
}

# In qemu mode, starts the calling script again, with the arguments it was
# given, inside a namespace whose binfmt_misc runs 32-bit programs under
# qemu-i386, and does not return. Everything that runs Wine must run
# there: once wine32:i386 is installed, Debian's wine and wineboot pick
# the 32-bit loader, which a kernel that refuses 32-bit code runs nowhere
# else. The host's own binfmt settings are not touched.
enter_win32_namespace() {
    [ "$WIN32_MODE" = qemu ] || return 0
    say "32-bit programs run under qemu-i386 in a user namespace: $WIN32_REASON"
    export ALTAVUE_QEMU_NAMESPACE=1 WIN32_MODE WIN32_REASON
    exec "${IN_QEMU_NAMESPACE[@]}" "$SCRIPT_PATH" "${SCRIPT_ARGS[@]}"
}

win32_runnable() { [ "$WIN32_MODE" != none ] && [ -x /usr/lib/wine/wine ]; }

# Whether the build PRESET runs under qemu here: only the 32-bit one can.
runs_under_qemu() { [ "$1" = win32 ] && [ "$WIN32_MODE" = qemu ]; }

# Figures of the 32-bit build measured under qemu say so: emulation makes
# them incomparable with those of a native run.
emulation_note() {
    if runs_under_qemu "$1"; then
        echo "note: the win32 build runs under qemu-i386 ($WIN32_REASON);"
        echo "      its figures are not comparable with those of a native run"
    fi
}

# Sets PRESETS to the builds this machine runs (win32 only where 32-bit
# Wine runs, natively or under qemu, with a note why not) and builds them.
build_runnable_presets() {
    PRESETS=(win64)
    if win32_runnable; then PRESETS=(win32 win64); else echo "note: win32 not run, $WIN32_REASON"; fi
    local preset
    for preset in "${PRESETS[@]}"; do
        build_preset "$preset" >/dev/null || { echo "build of $preset failed"; return 1; }
    done
}

build_preset() {
    local preset=$1
    say "building $preset"
    cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset"
}

# The checks of the built files that need no Wine: each build's exe (size,
# header, imports, allocators) and whether the release's notices cover what
# its link took from the toolchain. Runs them all; false when any failed.
static_checks() {
    local status=0
    say "static checks"
    python3 scripts/check_binaries.py build/win32 i386 || status=1
    python3 scripts/check_binaries.py build/win64 amd64 || status=1
    say "notices of the toolchain's code in the exe"
    python3 scripts/check_notices.py build/win32/Altavue.map || status=1
    python3 scripts/check_notices.py build/win64/Altavue.map || status=1
    say "links and paths in README.md and docs/"
    python3 scripts/check_docs.py || status=1
    return $status
}

# The session's own Wine programs (the prefix's set-up, its registry, the
# desktop with its taskbar) run through the 64-bit loader, as a 64-bit
# Windows runs its shell: Debian's wine would pick the 32-bit one once
# wine32 is installed, and under qemu that makes the desktop, which every
# test talks to, an emulated process too.
WINE64=/usr/lib/wine/wine64

# Makes the prefix $WINEPREFIX, when it has none yet, and prepares it so
# that Altavue's window draws as it does on Windows, on any display and
# under Wine 8 and Wine 10: what both a test session and scripts/run on
# the caller's display need. The set-up's output goes to the file given.
prepare_prefix() {
    [ -f "$WINEPREFIX/system.reg" ] || "$WINE64" wineboot.exe --init >"$1" 2>&1
    # Wine does not find the fonts of Debian's fonts-wine by itself; without
    # Marlett the caption buttons draw as letters.
    cp -n /usr/share/wine/fonts/*.tt? "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null
    # A control given no font of its own draws in the system font, which
    # on Japanese Windows has Japanese. Wine 10 finds its own bitmap one for
    # the Japanese locale (jvgasys.fon, the file this entry names) in
    # Debian's data folder, and it has no kanji: they draw as boxes. Wine 8
    # finds none there and takes the font fontconfig gives Japanese text,
    # and so does Wine 10 without the entry. It is deleted at every
    # preparation, of a prefix made earlier too.
    "$WINE64" reg delete 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' \
        /v FONTS.FON /f >/dev/null 2>&1
    return 0
}

SESSION_DIR=
XVFB_PID=
HOLD_FD=
# A display and a prefix of this run's own; cleanup_session ends only them.
# The screen size may be given as WxH; a second argument "nodesktop" leaves
# out Wine's desktop and its taskbar.
start_session() {
    local screen=${1:-1280x1024} desktop=${2:-desktop}
    SESSION_DIR=$(mktemp -d /tmp/altavue-session.XXXXXX)
    local display=89 tries
    XVFB_PID=
    # A display number may be taken where this run cannot see its files,
    # by a run in another mount namespace with a /tmp of its own
    # (scripts/test-debian13's root, or the host beside it): Xvfb then ends
    # without listening, and the next number is tried. Only the number
    # Xvfb writes once it listens (-displayfd) says the display is this
    # run's: a connection could reach the other run's server.
    until [ -n "$XVFB_PID" ]; do
        display=$((display + 1))
        while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
            display=$((display + 1))
        done
        Xvfb ":$display" -displayfd 3 -screen 0 "${screen}x24" -nolisten tcp \
            3>"$SESSION_DIR/display" >"$SESSION_DIR/xvfb.log" 2>&1 &
        XVFB_PID=$!
        tries=0
        until [ -s "$SESSION_DIR/display" ]; do
            tries=$((tries + 1))
            if ! kill -0 "$XVFB_PID" 2>/dev/null; then
                wait "$XVFB_PID" 2>/dev/null
                XVFB_PID=
                [ $display -lt 190 ] && break
            fi
            if [ $tries -gt 100 ] || [ -z "$XVFB_PID" ]; then
                echo "Xvfb did not start on :$display" >&2
                return 1
            fi
            sleep 0.1
        done
    done
    export DISPLAY=":$display"
    export WINEPREFIX="$SESSION_DIR/prefix"
    say "Wine prefix $WINEPREFIX on display $DISPLAY"
    prepare_prefix "$SESSION_DIR/wineboot.log"
    # What follows suits a virtual display and tests only, not a user's
    # display (scripts/run): there a window manager manages Wine's windows,
    # a crash may show its dialog, and the desktop's own taskbar holds the
    # icon. Without a window manager, hiding a managed window stalls about
    # 2 s.
    "$WINE64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    # A process that faults prints its backtrace and ends, instead of
    # waiting on a crash dialog nobody will close.
    "$WINE64" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    if [ "$desktop" = desktop ]; then
        # Every process runs in Wine's desktop, the size of the screen,
        # whose taskbar holds the notification icons as a desktop's does.
        "$WINE64" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
        "$WINE64" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$screen" /f >/dev/null 2>&1
        # With its shell: the taskbar along the bottom, with the start
        # button, a button per window and the notification area. Wine 8
        # gives every desktop one; Wine 10 only the desktop named "shell",
        # and else shows the icons in a captioned window of their own,
        # opened at the top left under the program's window once an icon
        # is added.
        "$WINE64" reg add 'HKCU\Software\Wine\Explorer\Desktops\Default' /v EnableShell /t REG_DWORD /d 1 /f >/dev/null 2>&1
    fi
    # Let the set-up's processes end, so the desktop starts anew as set.
    wineserver -w
    # Keep the server, the services and the desktop up between test
    # processes: each start is then quick, and none of them holds on to a
    # test's output.
    wineserver -p
    [ "$desktop" = desktop ] || return 0
    "$WINE64" explorer.exe "/desktop=Default,$screen" >"$SESSION_DIR/desktop.log" 2>&1 &
    # Wine closes a desktop one second after the last program on it has
    # ended, and its explorer quits; the next program then starts a desktop
    # of its own, which may be gone again before a program it started
    # creates its window there (X's BadWindow). Wine 8's own services run on
    # the desktop and keep it open; Wine 10 runs them on a window station of
    # their own. As a logged-on user's desktop is, this one is kept open for
    # the whole session: cmd waits on it for input until cleanup_session
    # closes its pipe.
    mkfifo "$SESSION_DIR/hold"
    "$WINE64" cmd.exe /k <"$SESSION_DIR/hold" >/dev/null 2>&1 &
    exec {HOLD_FD}>"$SESSION_DIR/hold"
    tries=0
    # The desktop's X window is the explorer process's window the size of
    # the screen; its title is not looked at, as it differs between Wine
    # versions ("Wine desktop", "Wine Desktop") and locales ("Wine
    # デスクトップ"). Wine creates it with the shell's windows, before its
    # taskbar, which the tests' driver waits for itself.
    until desktop_window_shown "$screen"; do
        tries=$((tries + 1))
        if [ $tries -gt 300 ]; then
            echo "Wine's desktop did not appear on $DISPLAY" >&2
            return 1
        fi
        sleep 0.1
    done
}

desktop_window_shown() {
    local window
    for window in $(xdotool search --classname '^explorer\.exe$' 2>/dev/null); do
        xwininfo -id "$window" 2>/dev/null | grep -q -- "-geometry $1+0+0" && return 0
    done
    return 1
}

# The process id of this prefix's Wine server: its working folder is named
# after the prefix's device and inode.
session_wineserver_pid() {
    local id pid
    id=$(printf 'server-%x-%x' "$(stat -c %d "$WINEPREFIX")" "$(stat -c %i "$WINEPREFIX")")
    for pid in $(pgrep -x wineserver64; pgrep -x wineserver); do
        case "$(readlink "/proc/$pid/cwd")" in
            */"$id") echo "$pid"; return 0 ;;
        esac
    done
    return 1
}

cleanup_session() {
    if [ -n "$HOLD_FD" ]; then
        exec {HOLD_FD}>&-
        HOLD_FD=
    fi
    if [ -n "$SESSION_DIR" ]; then
        local server
        server=$(session_wineserver_pid)
        server=$(readlink "/proc/$server/cwd" 2>/dev/null)
        wineserver -k 2>/dev/null
        wineserver -w 2>/dev/null
        # The server's socket folder outlives it; remove it, and its parent
        # when nothing else is left there.
        if [ -n "$server" ]; then
            rm -rf "$server"
            rmdir "$(dirname "$server")" 2>/dev/null
        fi
        [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
        rm -rf "$SESSION_DIR"
        SESSION_DIR=
    fi
}
