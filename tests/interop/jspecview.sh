#!/usr/bin/env bash
# Reads JCAMP-DX files with the JSpecView classes of Debian's libjmol-java and prints what it made
# of them as JSON (see jspecview/ReadJdx.java). Compiles the reader first when its class is
# missing or older than its source, into KYN_INTEROP_JAVA_BUILD (default build/interop-java in
# the source tree's root), never next to the source.
# Usage: tests/interop/jspecview.sh FILE.jdx...
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
jar=${KYN_JMOL_JAR:-/usr/share/java/JmolData.jar}
out=${KYN_INTEROP_JAVA_BUILD:-$root/build/interop-java}
src=$here/jspecview/ReadJdx.java
if [[ ! -r $jar ]]; then
  echo "jspecview.sh: $jar is missing (Debian package libjmol-java)" >&2
  exit 2
fi
if [[ ! -f $out/ReadJdx.class || $src -nt $out/ReadJdx.class ]]; then
  mkdir -p "$out"
  javac -nowarn -cp "$jar" -d "$out" "$src"
fi
exec java -Djava.awt.headless=true -cp "$jar:$out" ReadJdx "$@"
