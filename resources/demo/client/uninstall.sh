#!/bin/sh
# Skyreach Online uninstaller (demo): removes the files the setup installed, then the folders
# it created if they are empty. Files you added yourself are left in place.
here=$(cd "$(dirname "$0")" && pwd)
cd "$here" || exit 1
for file in Bin/updater.exe Bin/configure.sh Data/Maps/Coast/harbour.map \
            Data/Maps/Highlands/pass.map Data/Sounds/ambient.idx Data/textures.pak \
            Docs/Änderungen.txt Docs/credits.txt Logs/client.log liesmich_de.txt readme_en.txt \
            config.ini uninstall.sh; do
    rm -f -- "$file"
done
for folder in Data/Maps/Coast Data/Maps/Highlands Data/Maps Data/Sounds Data Docs Logs Bin; do
    rmdir -- "$folder" 2>/dev/null
done
cd / && rmdir -- "$here" 2>/dev/null
echo "Skyreach Online has been removed."
