#!/bin/sh
# The README's pictures of the windows, taken on the Xvfb the GUI tests start:
# docs/dialog.png, docs/dialog-running.png (the import dialog) and docs/view.png (the view
# window). Usage: docs/make-screenshots.sh [BUILD_FOLDER]   (default: build)
set -e
build=${1:-build}
docs=$(cd "$(dirname "$0")" && pwd)
env -u DISPLAY VLM_SCREENSHOT_DIR="$docs" "$build/tests/ui/test_fltk" --gtest_filter='*Screenshot*'
env -u DISPLAY VLM_SCREENSHOT_DIR="$docs" "$build/tests/ui/test_view_window"
