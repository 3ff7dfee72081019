#!/usr/bin/env bash
# make demo: the whole supervision cycle of skiff on a real JDK, step by step.
# Expects `make build` to have run (the Makefile's demo target does that first).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${KIT_BUILD_DIR:-build}
root=$build/demo-root
export JAVA_HOME=${JAVA_HOME:-/usr/lib/jvm/default-java}
unset SKIFF_HOME JAVA_EXE CLASSPATH

step() { printf '\n\033[1m== %s\033[0m\n' "$*"; }
fail() { printf '\ndemo: FAILED: %s\n' "$*" >&2; exit 1; }

step "1. Install the kit as a server root: cmake --install $build --prefix $root"
rm -rf "$root"
cmake --install "$build" --prefix "$root" >/dev/null
ls -l "$root/bin"

step "2. Compile the demo server's classes into $root/classes"
javac -d "$root/classes" $(find examples/demo-root -name '*.java')
find "$root/classes" -name '*.class' | sed 's/^/   /'

step "3. Start $root/bin/skiff -verbose (JAVA_HOME=$JAVA_HOME); it lists its settings:"
"$root/bin/skiff" -verbose 2>&1 &
skiff=$!

for _ in $(seq 100); do
  [[ -s "$root/http.port" ]] && break
  kill -0 "$skiff" 2>/dev/null || fail "skiff ended before the server answered"
  sleep 0.1
done
[[ -s "$root/http.port" ]] || fail "the server did not start"
port=$(cat "$root/http.port")

step "4. The session key file $root/sk.txt (mode $(stat -c %a "$root/sk.txt")): $(cat "$root/sk.txt")"

step "5. Fetch http://127.0.0.1:$port/ from the server"
exec 3<>"/dev/tcp/127.0.0.1/$port"
printf 'GET / HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n' >&3
page=$(cat <&3)
exec 3<&-
printf '%s\n' "$page" | sed 's/^/   /'
[[ "$page" == *"200 OK"* ]] || fail "the page was not served"

step "6. Interrupt skiff (SIGINT, as Ctrl+C does): it runs the stop command with the session key"
kill -INT "$skiff"
status=0
wait "$skiff" || status=$?

step "7. After the stop"
[[ ! -e "$root/sk.txt" ]] || fail "sk.txt is still there"
echo "   sk.txt is gone"
if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then fail "the server still answers"; fi
echo "   nothing answers on port $port any more"
echo "   skiff ended with status $status"
[[ $status -eq 0 ]] || fail "skiff ended with status $status"
rm -f "$root/http.port"
step "Demo complete: start, serve, interrupt, stop with the key, clean end."
