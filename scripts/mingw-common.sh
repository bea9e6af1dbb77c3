# Shared by the scripts that build for Windows (sourced, not run). Everything
# they print goes to standard error, so a script's standard output is only its
# result (a prefix, a path).

step() { printf '\n==> %s\n' "$*" >&2; }
run() { printf '+ %s\n' "$*" >&2; "$@" >&2; }

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

apt_updated=0
apt_install() {
  # The package lists may be missing or stale on a fresh machine.
  if [ "$apt_updated" -eq 0 ]; then run as_root apt-get update; apt_updated=1; fi
  run as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "$@"
}

# Installs the packages among "$@" that are missing.
need_packages() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f '${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
  done
  if [ "${#missing[@]}" -gt 0 ]; then apt_install "${missing[@]}"; fi
}

need_mingw_compiler() {
  command -v x86_64-w64-mingw32-g++-posix >/dev/null 2>&1 || apt_install g++-mingw-w64-x86-64
}

build_jobs() { nproc; }

# Where built third-party code is kept between runs and clones.
cache_dir() {
  local dir="${TELVARO_CACHE:-}"
  if [ -z "$dir" ]; then
    if [ "$(id -u)" -eq 0 ] || [ -w /var/cache/telvaro ]; then
      dir=/var/cache/telvaro
    else
      dir="${XDG_CACHE_HOME:-$HOME/.cache}/telvaro"
    fi
  fi
  mkdir -p "$dir"
  echo "$dir"
}

script_hash() { sha256sum "$1" | cut -c1-12; }

# The upstream part of an installed package's version: 6.4.2 of 6.4.2+dfsg-10.
host_upstream_version() {
  dpkg-query -W -f '${Version}' "$1" | sed -E 's/^[0-9]+://; s/[+~-].*$//'
}

# Source packages are enabled by copying the machine's own Debian entries
# with deb-src in place of deb, so the sources come from the same mirror.
enable_source_packages() {
  local list=/etc/apt/sources.list.d/telvaro-deb-src.sources codename f
  codename="$(. /etc/os-release && echo "$VERSION_CODENAME")"
  [ -f "$list" ] && return 0
  step "Enabling the distribution's source packages ($list)"
  {
    for f in /etc/apt/sources.list.d/*.sources; do
      [ -f "$f" ] || continue
      # One stanza per paragraph; only the distribution's own suites.
      CODENAME="$codename" perl -00 -ne '
        if (/^Types:.*\bdeb\b/m && /^Suites:.*\b$ENV{CODENAME}\b/m) {
          s/^Types:.*$/Types: deb-src/m; s/\n*$/\n\n/; print }' "$f"
    done
  } | as_root tee "$list.new" >/dev/null
  # One-line entries go in a .list of their own.
  if [ -f /etc/apt/sources.list ]; then
    grep -E "^deb\s.*\s$codename(\s|-)" /etc/apt/sources.list | sed -E 's/^deb\s/deb-src /' |
      as_root tee "${list%.sources}.list" >/dev/null || true
  fi
  as_root mv "$list.new" "$list"
  run as_root apt-get update
  apt_updated=1
}

# Unpacks the source package $1 (the version of the installed binary package
# $2 when given and available) under the cache and prints its folder.
fetch_source() {
  local pkg="$1" bin="${2:-}" dir version want=""
  dir="$(cache_dir)/src/$pkg"
  if [ -n "$bin" ] && version="$(dpkg-query -W -f '${Version}' "$bin" 2>/dev/null)"; then
    want="=${version%+b[0-9]*}"
  fi
  if [ -f "$dir/.unpacked" ] && [ -d "$dir/$(cat "$dir/.unpacked")" ]; then
    echo "$dir/$(cat "$dir/.unpacked")"
    return 0
  fi
  need_packages dpkg-dev
  apt-cache showsrc "$pkg" 2>/dev/null | grep -q '^Package:' || enable_source_packages
  step "Fetching the source package $pkg$want"
  rm -rf "$dir"
  mkdir -p "$dir"
  (cd "$dir" && { run apt-get source "$pkg$want" || run apt-get source "$pkg"; })
  local unpacked
  unpacked="$(cd "$dir" && find . -mindepth 1 -maxdepth 1 -type d -printf '%f\n' | head -n1)"
  [ -n "$unpacked" ] || { echo "apt-get source $pkg unpacked nothing" >&2; return 1; }
  echo "$unpacked" >"$dir/.unpacked"
  echo "$dir/$unpacked"
}
