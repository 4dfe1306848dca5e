#!/usr/bin/env bash
# Prepares a teacher's or a student's machine to run the suite from the program folder on a
# network share: installs only the Debian packages the programs need at run time (no
# compilers, no development files), a starter that checks the share first, and a desktop
# menu entry with an icon.
#
#   sudo bash install-machine.sh teacher|student SHARE_FOLDER
#
# SHARE_FOLDER is where the share is mounted on this machine (see docs/classroom.md), the
# folder that holds examforge and examdesk. Safe to run again.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
kind="${1:-}"
share="${2:-}"
case "$kind" in
    teacher) program=examforge; title=Examforge; what="Classes, tests and scores (teacher)" ;;
    student) program=examdesk; title=Examdesk; what="Sit a test (student)" ;;
    *) echo "usage: install-machine.sh teacher|student SHARE_FOLDER" >&2; exit 2 ;;
esac
if [ -z "$share" ] || [ "${share#/}" = "$share" ]; then
    echo "Give the folder where the share is mounted, as a full path (e.g. /mnt/exam)." >&2
    exit 2
fi
share="${share%/}"
if [ "$(id -u)" -ne 0 ]; then
    echo "Run this as root (sudo bash $0 $kind $share): it installs packages and a menu entry." >&2
    exit 1
fi

# What the two programs link, the X11 platform plugin, CJK glyphs, xmessage for the
# starter's messages, and the client for the share.
packages=(
    libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6 libqt6xml6 libqt6printsupport6
    libquazip1-qt6-1 qt6-qpa-plugins
    fonts-wqy-microhei
    x11-utils
    cifs-utils
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The icon: from the source tree when run from it, else from the program folder on the share.
icon=""
for candidate in "$here/../assets/icons/$program.svg" "$share/icons/$program.svg"; do
    if [ -f "$candidate" ]; then icon="$candidate"; break; fi
done
if [ -n "$icon" ]; then
    install -D -m 644 "$icon" "/usr/local/share/icons/hicolor/scalable/apps/$program.svg"
else
    echo "No icon found for $program: the menu entry gets the desktop's default icon." >&2
fi

# The starter: the program's folder on the share is its data folder, so a share that is not
# connected is said in a window instead of a menu entry that does nothing. The program itself
# runs from a copy on this machine (made again when the one on the share changes): a program
# read from the share dies the moment the network goes, a local one waits for it to return.
starter="/usr/local/bin/$program-share"
cat > "$starter" <<STARTER
#!/bin/sh
# Starts $title for the program folder on the share; made by install-machine.sh.
folder='$share'
if [ ! -x "\$folder/$program" ]; then
    text="$title cannot start: this program is not there:
    \$folder/$program

Is the network share connected?
Please tell the teacher or the system manager."
    printf '%s\n' "\$text" | xmessage -center -title "$title" -buttons OK -file - 2>/dev/null || echo "\$text" >&2
    exit 1
fi
cache="\${XDG_CACHE_HOME:-\$HOME/.cache}/exam-suite"
run="\$folder/$program"
if mkdir -p "\$cache" 2>/dev/null; then
    if [ ! -x "\$cache/$program" ] || [ "\$folder/$program" -nt "\$cache/$program" ] ||
       [ "\$(stat -c %s "\$folder/$program")" != "\$(stat -c %s "\$cache/$program")" ]; then
        cp -p "\$folder/$program" "\$cache/$program.new" 2>/dev/null &&
            mv -f "\$cache/$program.new" "\$cache/$program" || rm -f "\$cache/$program.new"
    fi
    [ -x "\$cache/$program" ] && run="\$cache/$program"
fi
cd "\$folder" && EXAM_PROGRAM_FOLDER="\$folder" exec "\$run" "\$@"
STARTER
chmod 755 "$starter"

mkdir -p /usr/local/share/applications
cat > "/usr/local/share/applications/$program.desktop" <<ENTRY
[Desktop Entry]
Type=Application
Name=$title
Comment=$what
Exec=$starter
Icon=$program
Terminal=false
Categories=Education;
ENTRY
command -v update-desktop-database >/dev/null && update-desktop-database -q /usr/local/share/applications || true
command -v gtk-update-icon-cache >/dev/null && gtk-update-icon-cache -q -t /usr/local/share/icons/hicolor || true
echo "$title: menu entry /usr/local/share/applications/$program.desktop, starter $starter ($share)."
