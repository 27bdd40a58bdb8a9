# Sourced by the bench scripts: installs the general tools they time against or measure
# with, when missing (Debian/Ubuntu packages; as root or through sudo).
# Usage: bench_tools COMMAND:PACKAGE ...
bench_tools() {
    local need=() pair
    for pair in "$@"; do
        command -v "${pair%%:*}" >/dev/null || need+=("${pair#*:}")
    done
    [ -x /usr/bin/time ] || need+=(time)
    [ ${#need[@]} -gt 0 ] || return 0
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${need[@]}"
}
