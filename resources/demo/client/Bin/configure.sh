#!/bin/sh
# Skyreach Online configuration (demo): opens the client's settings in the desktop's editor.
here=$(cd "$(dirname "$0")/.." && pwd)
exec xdg-open "$here/config.ini"
