#!/usr/bin/env bash
# Installs the build into a temporary prefix and imports a sample with the installed
# vlmhost: it must find its plug-in and runtime in the install layout alone. The public
# header must compile with the standard library alone.
# With PYTHON and the package's folder under the prefix, the installed Python package must
# import a sample the same way.
# Usage: install_test.sh CMAKE BUILD_DIR CXX [PYTHON PACKAGE_DIR]
set -euo pipefail
cmake_command=$1
build_dir=$2
cxx=$3
python=${4:-}
package_dir=${5:-}
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

"$cmake_command" --install "$build_dir" --prefix "$prefix" >/dev/null

for path in bin/vlmhost lib/vlmimport/libVLMImport.so lib/vlmimport/libvlmplatform.so \
            include/vlmimport/VLMImport.h share/doc/vlmimport/README.md \
            share/doc/vlmimport/examples/table.obj; do
  [[ -e "$prefix/$path" ]] || { echo "not installed: $path"; exit 1; }
done

# Nothing of the build tree may be needed: hide it from the loader's search.
if ldd "$prefix/bin/vlmhost" | grep -q "$build_dir"; then
  echo "the installed vlmhost still loads libraries from the build tree:"
  ldd "$prefix/bin/vlmhost"
  exit 1
fi

echo '#include <vlmimport/VLMImport.h>' |
  "$cxx" -std=c++20 -Wall -Wextra -Wpedantic -Werror -fsyntax-only -I "$prefix/include" -x c++ -

export XDG_CONFIG_HOME="$prefix/config"
out=$("$prefix/bin/vlmhost" "$prefix/share/doc/vlmimport/examples/table.obj")
grep -q '^Objects: 6$' <<<"$out" || { echo "unexpected report:"; echo "$out"; exit 1; }
"$prefix/bin/vlmhost" --version | grep -q '^plug-in: Import Object v1.5$'
if [[ -n "$python" ]]; then
  if ldd "$prefix/$package_dir/vlmimport/"_vlmimport*.so | grep -q "$build_dir"; then
    echo "the installed Python module still loads libraries from the build tree"
    exit 1
  fi
  PYTHONPATH="$prefix/$package_dir" "$python" -c "
import sys, vlmimport
scene = vlmimport.load(sys.argv[1])
assert vlmimport.__file__.startswith(sys.argv[2]), vlmimport.__file__
assert len(scene.objects) == 6, scene
" "$prefix/share/doc/vlmimport/examples/table.obj" "$prefix"
fi
echo "installed and imported: OK"
