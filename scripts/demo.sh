#!/usr/bin/env bash
# Builds Setup.exe and shows it at work under 32-bit Wine: demo packages in a
# folder, Setup.exe started there under several user locales, and the package
# that Windows Installer really installed each time.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh
python3 tests/e2e/wine.py build/demo build/win32/Setup.exe
python3 scripts/demo.py build/demo build/win32/Setup.exe
